#!/usr/bin/env bash
# Installs what the cross builds need (Debian, as root or with sudo): the
# mingw-w64 GCC and Wine for Windows x64, the aarch64-linux-gnu GCC and
# qemu-user for Linux arm64, GoogleTest's sources for both; with "host", what
# a build of this machine's libraries and renderer needs (release archives).
#   bash scripts/setup-cross.sh [windows] [arm64] [host]   (default: the first two)
set -euo pipefail

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(windows arm64)
packages=(cmake ninja-build pkg-config googletest)
for t in "${targets[@]}"; do
  case "$t" in
    windows) packages+=(g++-mingw-w64-x86-64-posix wine64 wine) ;;
    arm64) packages+=(g++-aarch64-linux-gnu qemu-user) ;;
    host) packages+=(g++ libsndfile1-dev libcli11-dev) ;;
    *) echo "unknown target $t (windows, arm64, host)" >&2; exit 2 ;;
  esac
done
bash "$(dirname "$0")/install-packages.sh" --no-recommends "${packages[@]}"
