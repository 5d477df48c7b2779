#!/usr/bin/env bash
# Builds the program and runs it. Until a windowed backend lands this runs
# the headless backend: 100 frames of the game window, every 10th written
# as a bitmap file to out/frames/. Extra arguments go to grinzo-headless.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
cmake -G Ninja -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DGRINZO_TESTS=OFF >/dev/null
cmake --build build/release -j "$(nproc)"
mkdir -p out/frames
build/release/bin/grinzo-headless --frames 100 --every 10 --record out/frames "$@"
echo "Frames written to $PWD/out/frames"
