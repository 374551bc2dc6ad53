#!/usr/bin/env bash
# Installs what the build needs (Debian, as root or with sudo), then configures
# and builds the project into ./build. Safe to run any number of times.
set -euo pipefail
cd "$(dirname "$0")/.."

# nodejs runs the test of the FMOD Studio deck files.
packages=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev nodejs
          libsndfile1-dev libcli11-dev libebur128-dev)
# The sanitizer and fuzz builds of the test suite use clang and its runtimes.
[ "${1:-}" = "--with-clang" ] && packages+=(clang libclang-rt-14-dev)
bash scripts/install-packages.sh "${packages[@]}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build
