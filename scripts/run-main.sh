#!/usr/bin/env bash
# Set-up, build, then the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
echo "Built the DSP building blocks into ./build."
echo "Once the engines and the command-line renderer exist, this renders the default"
echo "wind and rain (10 s, stereo, 48 kHz) to wind.wav and rain.wav."
