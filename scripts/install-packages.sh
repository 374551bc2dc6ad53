#!/usr/bin/env bash
# Installs those of the named Debian packages that are missing (as root or
# with sudo); nothing when all are there. --no-recommends leaves out the
# packages they only recommend.
#   bash scripts/install-packages.sh [--no-recommends] PACKAGE...
set -euo pipefail
options=()
if [ "${1:-}" = "--no-recommends" ]; then
  options+=(--no-install-recommends)
  shift
fi
missing=()
for p in "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q "${options[@]}" "${missing[@]}"
fi
