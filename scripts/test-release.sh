#!/usr/bin/env bash
# Tests the release archives of a folder as a user would meet them: each is
# unpacked into a fresh folder, its contents checked, and a small C program
# (tests/install/consumer) built against it through find_package(Ostrelle) and, on
# Linux, through pkg-config, then run: natively for Linux x86-64, under
# qemu-user for arm64, under Wine for Windows. The x86-64 archive's renderer
# renders a second of rain.
# Usage: bash scripts/test-release.sh [DIR]    (default: build-release/)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
dir=$(cd "${1:-build-release}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WINEPREFIX=${WINEPREFIX:-$root/build-windows/wine-prefix} WINEDEBUG=-all
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
# The program of the install test: the rain engine through pluvessa.h, "ok".
consumer=$root/tests/install/consumer

failures=0
fail() {
  echo "FAIL $1: $2" >&2
  failures=$((failures + 1))
}

# The files an archive of a platform must hold, relative to its top folder.
expected_files() {
  echo LICENSE README.txt include/pluvessa.h lib/cmake/Ostrelle/OstrelleConfig.cmake
  case "$1" in
    windows-x86_64)
      echo bin/vantora_fmod_studio_shared_mt.dll bin/pluvessa_fmod_studio_shared_mt.dll
      echo bin/vantora_fmod_studio_shared_mt.plugin.js bin/pluvessa_fmod_studio_shared_mt.plugin.js
      echo lib/pluvessa_fmod_studio_shared_mt.lib lib/pluvessa_fmod_studio_shared_mt.def ;;
    linux-*)
      echo lib/libvantora_fmod_studio_shared_mt.so lib/libpluvessa_fmod_studio_shared_mt.so
      echo lib/pkgconfig/pluvessa.pc
      echo lib/vantora_fmod_studio_shared_mt.plugin.js lib/pluvessa_fmod_studio_shared_mt.plugin.js ;;
  esac
  [ "$1" = linux-x86_64 ] && echo bin/ostrelle
  return 0
}

tested=0
for archive in "$dir"/ostrelle-*-linux-x86_64.tar.gz "$dir"/ostrelle-*-linux-aarch64.tar.gz \
               "$dir"/ostrelle-*-windows-x86_64.zip; do
  [ -e "$archive" ] || { fail "$(basename "$archive")" "missing"; continue; }
  base=$(basename "$archive")
  top=${base%.tar.gz}
  top=${top%.zip}
  case "$top" in
    *-linux-x86_64) platform=linux-x86_64 toolchain="" run=() cc=gcc ;;
    *-linux-aarch64) platform=linux-aarch64 toolchain=aarch64-linux-gnu cc=aarch64-linux-gnu-gcc
                     run=(qemu-aarch64 -L /usr/aarch64-linux-gnu) ;;
    *-windows-x86_64) platform=windows-x86_64 toolchain=x86_64-w64-mingw32 run=("$wine") cc="" ;;
  esac
  echo "== $base ($(du -k "$archive" | cut -f1) KiB)"
  (cd "$work" && cmake -E tar xf "$archive")
  prefix=$work/$top
  [ -d "$prefix" ] || { fail "$base" "no top folder $top"; continue; }
  for f in $(expected_files "$platform"); do
    [ -e "$prefix/$f" ] || fail "$base" "lacks $f"
  done
  (cd "$prefix" && find . -type f | sort | sed 's|^\./|   - |')

  # Through the CMake package. The cross toolchains confine find_package to
  # their system roots: the archive's folder is named one.
  args=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$prefix")
  if [ -n "$toolchain" ]; then
    args+=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/$toolchain.cmake"
           -DCMAKE_FIND_ROOT_PATH="$prefix")
  fi
  if cmake -S "$consumer" -B "$work/$platform-cmake" "${args[@]}" > "$work/log" 2>&1 &&
     cmake --build "$work/$platform-cmake" >> "$work/log" 2>&1; then
    exe=$work/$platform-cmake/consumer
    if [ "$platform" = windows-x86_64 ]; then
      exe=$exe.exe
      cp "$prefix"/bin/*.dll "$work/$platform-cmake/"  # Windows finds DLLs beside the program
    fi
    if [ "$("${run[@]}" "$exe" | tr -d '\r')" = ok ]; then
      echo "   find_package consumer: ok"
    else
      fail "$base" "the find_package consumer failed"
    fi
  else
    cat "$work/log" >&2
    fail "$base" "the find_package consumer did not build"
  fi

  # Through pkg-config (Linux archives).
  if [ -n "$cc" ]; then
    if [ -e "$prefix/lib/pkgconfig/pluvessa.pc" ]; then
      export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig
      if flags=$(pkg-config --cflags --libs pluvessa) &&
         libdir=$(pkg-config --variable=libdir pluvessa) &&
         $cc -std=c11 -O2 "$consumer/consumer.c" $flags -lm -Wl,-rpath,"$libdir" \
           -o "$work/$platform-pc-consumer"; then
        if [ "$("${run[@]}" "$work/$platform-pc-consumer")" = ok ]; then
          echo "   pkg-config consumer: ok"
        else
          fail "$base" "the pkg-config consumer failed"
        fi
      else
        fail "$base" "the pkg-config consumer did not build"
      fi
      unset PKG_CONFIG_LIBDIR
    else
      fail "$base" "no pkg-config file"
    fi
  fi

  if [ "$platform" = linux-x86_64 ]; then
    if "$prefix/bin/ostrelle" render rain -o "$work/rain.wav" --seconds 1 --quiet &&
       [ -s "$work/rain.wav" ]; then
      echo "   ostrelle: rendered a second of rain"
    else
      fail "$base" "ostrelle did not render"
    fi
  fi
  tested=$((tested + 1))
done

if [ $failures -ne 0 ]; then
  echo "test-release: $failures failure(s)" >&2
  exit 1
fi
echo "test-release: $tested archives unpacked, built against and run"
