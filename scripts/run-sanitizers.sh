#!/usr/bin/env bash
# The test suite under AddressSanitizer + UndefinedBehaviorSanitizer (with the
# fuzz targets, each for a fixed number of runs), and the concurrency tests
# and the plug-in stress run under ThreadSanitizer. Clang builds in
# build-asan/ and build-tsan/.
set -euo pipefail
cd "$(dirname "$0")/.."
export CC=clang CXX=clang++
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DOSTRELLE_SANITIZE=address,undefined -DOSTRELLE_FUZZ=ON -DOSTRELLE_BUILD_BENCH=OFF
cmake --build build-asan
ctest --test-dir build-asan --output-on-failure -j2 -LE not_sanitized

cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DOSTRELLE_SANITIZE=thread -DOSTRELLE_BUILD_BENCH=OFF
cmake --build build-tsan --target wind_tests rain_tests plugin_stress
ctest --test-dir build-tsan --output-on-failure --no-tests=error -R 'Concurrency|plugin_stress_quick'
