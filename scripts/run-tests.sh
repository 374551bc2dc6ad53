#!/usr/bin/env bash
# Set-up, build, then the whole test suite: first under the sanitizers (clang),
# then the release build, then the browser playground (scripts/run-web-tests.sh:
# the WebAssembly engines against the release build's renderer, in Chromium),
# then the Windows x64 and Linux arm64 builds under Wine and qemu-user
# (scripts/run-cross-tests.sh), then the three release archives packed from
# those builds and tested (scripts/release.sh). Each part prints its time.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
start=$SECONDS
bash "$here/scripts/setup.sh" --with-clang
echo "== set-up and release build: $((SECONDS - start)) s"
part=$SECONDS
bash "$here/scripts/run-sanitizers.sh"
echo "== sanitizer builds and suites: $((SECONDS - part)) s"
part=$SECONDS
ctest --test-dir "$here/build" --output-on-failure -j2
echo "== release suite: $((SECONDS - part)) s"
part=$SECONDS
bash "$here/scripts/run-web-tests.sh"
echo "== browser playground: $((SECONDS - part)) s"
part=$SECONDS
bash "$here/scripts/run-cross-tests.sh"
echo "== Windows and arm64: $((SECONDS - part)) s"
part=$SECONDS
bash "$here/scripts/release.sh" --reuse-builds
echo "== release archives: $((SECONDS - part)) s; all: $((SECONDS - start)) s"
