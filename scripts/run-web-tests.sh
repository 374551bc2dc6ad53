#!/usr/bin/env bash
# The playground's tests: the static build (scripts/run-web.sh --build), the
# lane and vector tests built for WebAssembly and run under node (ctest in
# build-wasm/), the native renderer they compare against (build/,
# scripts/setup.sh), Debian's Chromium, the test packages pinned by
# web/package-lock.json, then the tests in headless Chromium over the
# DevTools protocol (web/tests/).
# Screenshots and the measured speed go to build-wasm/web-test/.
# run-tests.sh calls it; safe to run alone.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS

packages=(chromium googletest)
command -v npm > /dev/null || packages+=(npm)
bash scripts/install-packages.sh "${packages[@]}"
bash scripts/run-web.sh --build
[ -x build/tools/ostrelle ] || bash scripts/setup.sh
(cd web && npm ci --no-audit --no-fund --loglevel=error)

cmake --build build-wasm --target dsp_tests wind_lane_tests rain_lane_tests

built=$((SECONDS - start))
ctest --test-dir build-wasm --output-on-failure -j2
lanes=$((SECONDS - start - built))
(cd web && node --test --test-concurrency=1 tests/)
echo "== web: set-up and build ${built} s, lane tests under node ${lanes} s," \
     "browser tests $((SECONDS - start - built - lanes)) s"
