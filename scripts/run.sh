#!/usr/bin/env bash
# Builds the program and runs it.
#  - Where a display is available ($DISPLAY set), the Linux program plays the
#    game in an 800x600 window (build/release/bin/grinzo --window). Extra
#    arguments go to grinzo (say --fullscreen, --level 3, --config).
#  - Otherwise the game plays on the headless backend: a short scripted game
#    at level 3 (scripts/demo.txt: handgun, shotgun, machine gun), every 50th
#    frame written as a bitmap file to out/frames/ and the game's state after
#    every frame to out/state.jsonl. Extra arguments go to grinzo-headless.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
cmake -G Ninja -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DGRINZO_TESTS=OFF >/dev/null
cmake --build build/release -j "$(nproc)"
if [ -n "${DISPLAY:-}" ]; then
  exec build/release/bin/grinzo --window "$@"
fi
rm -rf out/frames
mkdir -p out/frames
build/release/bin/grinzo-headless --setting Level=3 --script scripts/demo.txt --frames 1100 \
  --record out/frames --every 50 --state out/state.jsonl "$@"
echo "Frames written to $PWD/out/frames, states to $PWD/out/state.jsonl"
