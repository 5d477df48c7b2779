#!/usr/bin/env bash
# The Linux program's processor use while it plays: runs `grinzo` full
# screen with 10 faces on a private Xvfb display of WxH (1920x1080) for
# SECONDS (20) and prints the share of one core it used (user + system time
# over wall time) and its frame rate from grinzofps.txt.
#   bench/linux-cpu.sh BUILD_DIR [WxH] [SECONDS]
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [WxH] [SECONDS]" >&2; exit 2; }
program=$(cd "$1/bin" && pwd)/grinzo
size=${2:-1920x1080}
seconds=${3:-20}
[ -x "$program" ] || { echo "$0: $program is missing (build it first)" >&2; exit 2; }
source "$(dirname "$0")/../scripts/lib/x11.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/grinzo-cpu.XXXXXX")
game=""
cleanup() {
  [ -n "$game" ] && kill "$game" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
xvfb_start "$work" "${size}x24" || exit 1
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
"$program" --fullscreen --faces 10 --level 1 --no-sound 2>/dev/null &
game=$!
sleep 2  # start-up (desktop photograph, the first 50 frames that measure the speed)
ticks() { awk '{print $14 + $15}' "/proc/$game/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
start=$(date +%s.%N)
sleep "$seconds"
after=$(ticks)
end=$(date +%s.%N)
fps=$(cat "$work/data/grinzo/grinzofps.txt" 2>/dev/null || echo "?")
awk -v t=$((after - before)) -v hz="$hz" -v a="$start" -v b="$end" -v fps="$fps" -v size="$size" \
  'BEGIN { printf "grinzo %s, 10 faces: %.1f%% of one core, %s frames per second\n", size, 100 * t / hz / (b - a), fps }'
