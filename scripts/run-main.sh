#!/usr/bin/env bash
# Set-up, build, then the main job: the default wind and rain (10 s, stereo,
# 48 kHz) rendered to wind.wav and rain.wav in the current folder.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/setup.sh"
"$here/build/tools/ostrelle" render wind -o wind.wav
"$here/build/tools/ostrelle" render rain -o rain.wav
