#!/usr/bin/env bash
# Builds and packs the release archives from one checkout, each from
# `cmake --install` of its build plus LICENSE and a README saying which file
# goes where, then tests them (scripts/test-release.sh):
#   ostrelle-<version>-linux-x86_64.tar.gz    (with the ostrelle renderer)
#   ostrelle-<version>-linux-aarch64.tar.gz
#   ostrelle-<version>-windows-x86_64.zip
#
# Usage: bash scripts/release.sh [--out DIR] [--reuse-builds] [--no-test]
#   --out DIR        where the archives go (default: build-release/)
#   --reuse-builds   pack build/, build-windows/ and build-arm64/ as the test
#                    scripts left them (the binaries CI tested) instead of
#                    building the libraries afresh in build-release/
#   --no-test        pack only
# Installs what it needs (Debian, as root or with sudo).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

out=build-release
reuse=0
test_after=1
while [ $# -gt 0 ]; do
  case "$1" in
    --out) out=$2; shift 2 ;;
    --reuse-builds) reuse=1; shift ;;
    --no-test) test_after=0; shift ;;
    *) echo "release.sh: unknown option $1" >&2; exit 2 ;;
  esac
done

version=$(sed -n 's/^project(ostrelle VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "release.sh: no version in CMakeLists.txt" >&2; exit 1; }

bash scripts/setup-cross.sh windows arm64 host > /dev/null

# platform name, build folder, toolchain file ("" for this machine)
platforms=(
  "linux-x86_64 build ''"
  "linux-aarch64 build-arm64 cmake/toolchains/aarch64-linux-gnu.cmake"
  "windows-x86_64 build-windows cmake/toolchains/x86_64-w64-mingw32.cmake"
)

build_release() {
  local name=$1 dir=$2 toolchain=$3
  local args=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DOSTRELLE_BUILD_TESTS=OFF
              -DOSTRELLE_BUILD_BENCH=OFF)
  if [ -n "$toolchain" ]; then
    args+=(-DCMAKE_TOOLCHAIN_FILE="$root/$toolchain" -DOSTRELLE_BUILD_TOOLS=OFF)
  fi
  cmake -S . -B "$dir" "${args[@]}" > /dev/null
  cmake --build "$dir"
}

# The README of an archive: what each file is and where it goes.
archive_readme() {
  local name=$1
  local title wind rain libdir
  case "$name" in
    windows-x86_64) title="Windows x64" ;;
    linux-x86_64) title="Linux x86-64" ;;
    linux-aarch64) title="Linux arm64 (aarch64)" ;;
  esac
  case "$name" in
    windows-*)
      wind=bin/vantora_fmod_studio_shared_mt.dll
      rain=bin/pluvessa_fmod_studio_shared_mt.dll
      libdir=bin ;;
    *)
      wind=lib/libvantora_fmod_studio_shared_mt.so
      rain=lib/libpluvessa_fmod_studio_shared_mt.so
      libdir=lib ;;
  esac
  cat <<EOF
Ostrelle $version for $title: the Vantora wind and Pluvessa rain procedural
ambience synthesizers as FMOD Studio DSP plug-ins.

What is here
  $wind
      Vantora (wind), the instrument "Ostrelle Vantora"
  $rain
      Pluvessa (rain), the instrument "Ostrelle Pluvessa"; also exports the
      rain engine's C interface (include/pluvessa.h)
  $libdir/*.plugin.js
      FMOD Studio's deck for each plug-in: keep each beside its library
  include/pluvessa.h
      the rain engine's C interface
EOF
  case "$name" in
    windows-*)
      cat <<EOF
  lib/pluvessa_fmod_studio_shared_mt.lib, .def
      import library of the rain DLL (and its export list) for a program
      that calls the rain engine
EOF
      ;;
    *)
      cat <<EOF
  lib/pkgconfig/
      pkg-config file of the rain library
EOF
      ;;
  esac
  [ "$name" = linux-x86_64 ] && cat <<EOF
  bin/ostrelle
      the command-line renderer (needs libsndfile): ostrelle render rain -o rain.wav
EOF
  cat <<EOF
  lib/cmake/
      CMake package: find_package(Ostrelle) with CMAKE_PREFIX_PATH set to
      this folder gives an imported target for the rain library
  LICENSE
      MIT

Where the files go
EOF
  case "$name" in
    windows-*)
      cat <<EOF
  FMOD Studio: put both DLLs and their .plugin.js decks in the project's
  Plugins folder (or %localappdata%\FMOD Studio\Plugins); they appear as
  plug-in instruments.
  A game on Windows: ship the DLL beside the game and load it with FMOD's
  plug-in loading call. It needs nothing but KERNEL32 and the C runtime.
EOF
      ;;
    *)
      cat <<EOF
  FMOD Studio does not run on Linux: author with the Windows archive. A game
  on Linux loads these libraries with FMOD's plug-in loading call; they need
  nothing but libc and libm. The decks matter only to FMOD Studio.
EOF
      ;;
  esac
  local how="the CMake package or pkg-config"
  [ "$libdir" = bin ] && how="the CMake package or the import library"
  cat <<EOF
  A program that runs the rain engine without FMOD: include pluvessa.h and
  link the rain library ($how above).
EOF
}

mkdir -p "$out"
out=$(cd "$out" && pwd)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
stamp=$(git log -1 --format=%ct 2> /dev/null || date +%s)

for p in "${platforms[@]}"; do
  eval "set -- $p"
  name=$1 dir=$2 toolchain=$3
  if [ $reuse -eq 0 ]; then
    dir=build-release/$name
    build_release "$name" "$dir" "$toolchain"
  fi
  top=ostrelle-$version-$name
  rm -rf "${stage:?}/$top"
  cmake --install "$dir" --prefix "$stage/$top" --strip > /dev/null
  cp LICENSE "$stage/$top/LICENSE"
  archive_readme "$name" > "$stage/$top/README.txt"
  case "$name" in
    windows-*)
      rm -f "$out/$top.zip"
      (cd "$stage" && cmake -E tar cf "$out/$top.zip" --format=zip \
        --mtime="$(date -u -d @"$stamp" '+%Y-%m-%d %H:%M:%S UTC')" "$top")
      echo "$out/$top.zip" ;;
    *)
      rm -f "$out/$top.tar.gz"
      tar -C "$stage" --sort=name --owner=0 --group=0 --numeric-owner --mtime=@"$stamp" \
        -cf - "$top" | gzip -n -9 > "$out/$top.tar.gz"
      echo "$out/$top.tar.gz" ;;
  esac
done

[ $test_after -eq 0 ] || bash scripts/test-release.sh "$out"
