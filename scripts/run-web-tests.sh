#!/usr/bin/env bash
# The playground's tests: the static build (scripts/run-web.sh --build), the
# native renderer they compare against (build/, scripts/setup.sh), Debian's
# Chromium, the test packages pinned by web/package-lock.json, then the
# tests in headless Chromium over the DevTools protocol (web/tests/).
# Screenshots and the measured speed go to build-wasm/web-test/.
# run-tests.sh calls it; safe to run alone.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS

bash scripts/run-web.sh --build
[ -x build/tools/ostrelle ] || bash scripts/setup.sh
packages=(chromium)
command -v npm > /dev/null || packages+=(npm)
bash scripts/install-packages.sh "${packages[@]}"
(cd web && npm ci --no-audit --no-fund --loglevel=error)

built=$((SECONDS - start))
(cd web && node --test --test-concurrency=1 tests/)
echo "== web: set-up and build ${built} s, browser tests $((SECONDS - start - built)) s"
