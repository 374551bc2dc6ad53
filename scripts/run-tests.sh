#!/usr/bin/env bash
# Set-up, build, then the whole test suite.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/setup.sh"
ctest --test-dir "$here/build" --output-on-failure -j2
