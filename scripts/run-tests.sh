#!/usr/bin/env bash
# Set-up, build, then the whole test suite: first under the sanitizers (clang),
# then the release build, then the browser playground (scripts/run-web-tests.sh:
# the WebAssembly engines against the release build's renderer, in Chromium).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/setup.sh" --with-clang
bash "$here/scripts/run-sanitizers.sh"
ctest --test-dir "$here/build" --output-on-failure -j2
bash "$here/scripts/run-web-tests.sh"
