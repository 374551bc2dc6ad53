#!/usr/bin/env bash
# The Windows x64 and Linux arm64 builds of the plug-ins and their suites:
# cross-compiled here with Debian's mingw-w64 and aarch64-linux-gnu GCC, the
# test programs run under Wine and qemu-user. Installs what it needs
# (scripts/setup-cross.sh) and is safe to run again. run-tests.sh calls it;
# alone: bash scripts/run-cross-tests.sh [windows] [arm64]
set -euo pipefail
cd "$(dirname "$0")/.."

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(windows arm64)

bash scripts/setup-cross.sh "${targets[@]}"


# One cross build: configure, build, run its suite. Tools and benchmarks are
# host-only; the suite decides itself what runs under the emulator.
cross_suite() {
  local dir=$1 toolchain=$2
  shift 2
  local start=$SECONDS
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/$toolchain.cmake" \
    -DOSTRELLE_BUILD_TOOLS=OFF -DOSTRELLE_BUILD_BENCH=OFF "$@"
  cmake --build "$dir"
  local built=$SECONDS
  ctest --test-dir "$dir" --output-on-failure -j2
  echo "== $dir: built in $((built - start)) s, tested in $((SECONDS - built)) s"
}

for t in "${targets[@]}"; do
  case "$t" in
    windows)
      # A Wine prefix of the build's own, quiet, created before the suite
      # starts so that its minute of set-up is not charged to a test.
      export WINEPREFIX="$PWD/build-windows/wine-prefix" WINEDEBUG=-all
      mkdir -p build-windows
      wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
      [ -d "$WINEPREFIX/drive_c" ] || "$wine" wineboot --init > /dev/null 2>&1 || true
      cross_suite build-windows x86_64-w64-mingw32
      wineserver -k 2> /dev/null || true
      ;;
    arm64)
      # qemu-user runs about 40 times slower than the machine: the per-preset
      # sound checks stay with the native suite (the bank goldens pin the
      # samples of every preset here as well).
      cross_suite build-arm64 aarch64-linux-gnu -DOSTRELLE_SLOW_EMULATOR_TESTS=ON
      ;;
  esac
done
