#!/usr/bin/env bash
# The browser playground: installs what it needs (Debian packages), builds
# both engines to WebAssembly with clang's wasm32 target and wasi-libc
# through the project's CMake (build-wasm/), assembles the static page in
# web/dist/ (any web server can host it: no request leaves its folder) and
# serves it on 127.0.0.1. Safe to run any number of times.
#   bash scripts/run-web.sh           build, then serve (PORT=8640 by default)
#   bash scripts/run-web.sh --build   build web/dist/ only
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build clang lld wasi-libc libc++-14-dev-wasm32 libc++abi-14-dev-wasm32
          libclang-rt-14-dev-wasm32)
command -v node > /dev/null || packages+=(nodejs)
bash scripts/install-packages.sh "${packages[@]}"

cmake -S . -B build-wasm -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/wasm32-wasi.cmake \
  -DOSTRELLE_BUILD_TOOLS=OFF -DOSTRELLE_BUILD_TESTS=ON -DOSTRELLE_BUILD_BENCH=OFF \
  -DOSTRELLE_WEB_DIST="$PWD/web/dist" > /dev/null
cmake --build build-wasm --target web_dist

[ "${1:-}" = "--build" ] && exit 0
exec node web/serve.mjs --dir web/dist --port "${PORT:-8640}"
