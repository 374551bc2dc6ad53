#!/usr/bin/env bash
# Set-up, build, then the whole test suite: first under the sanitizers (clang),
# then the release build (the summary line at the end is this one's).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/setup.sh" --with-clang
bash "$here/scripts/run-sanitizers.sh"
ctest --test-dir "$here/build" --output-on-failure -j2
