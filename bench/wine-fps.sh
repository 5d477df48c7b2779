#!/usr/bin/env bash
# grinzo.scr's speed on the screen: the full-screen game under Wine on a
# virtual 1920x1080 display, left to play for a while, then its frames per
# second (from the game's own "grinzofps.txt") and the CPU seconds spent per
# 1000 frames by the game's process and by the X server that shows them.
#   bench/wine-fps.sh BUILD_DIR [SECONDS] [FACES] [WxH]
# BUILD_DIR is a MinGW x86-64 build (its bin/ holds grinzo.scr and the
# assets). Defaults: 20 seconds, 10 faces, 1920x1080. Prints one line:
#   faces=10 size=1920x1080 fps=... game_cpu_s_per_1000=... x_cpu_s_per_1000=...
#   game_cpu_percent=... x_cpu_percent=...
# (the percentages are of one core). The game waits for at most 60 frames a
# second; a frame rate below that is what presenting a frame costs.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [SECONDS] [FACES] [WxH]" >&2; exit 2; }
bin=$(cd "$1/bin" && pwd)
seconds=${2:-20}
faces=${3:-10}
size=${4:-1920x1080}
[ -f "$bin/grinzo.scr" ] || { echo "$0: $bin/grinzo.scr is missing" >&2; exit 2; }

export GRINZO_SCREEN="${size}x24"
source "$(dirname "$0")/../scripts/wine-desktop.sh"
desktop_start
prefix_make "$work/prefix"
timeout 60 "${wine[@]}" reg add 'HKCU\Software\Grinzo Screensaver\Settings' /v Faces /d "$faces" \
  /f >/dev/null 2>&1

# A folder of its own: the game writes its frame-rate file beside itself.
mkdir "$work/app"
cp "$bin/grinzo.scr" "$bin"/*.wav "$bin/mouseicon.ico" "$work/app/"

# Clock ticks of a process so far (user + system).
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
hz=$(getconf CLK_TCK)

(cd "$work/app" && exec "${wine[@]}" ./grinzo.scr /s) >"$work/game.log" 2>&1 &
# The process Wine runs the program in: the one whose command line is it and
# that runs in this script's own prefix (another run on the machine has its
# own), found by its environment.
own_game() {
  local pid
  for pid in $(pgrep -f 'grinzo.scr /s' || true); do
    if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
      echo "$pid"
      return
    fi
  done
}
game=""
for _ in $(seq 200); do
  game=$(own_game)
  [ -n "$game" ] && break
  sleep 0.1
done
[ -n "$game" ] || { echo "$0: grinzo.scr did not start" >&2; cat "$work/game.log" >&2; exit 1; }

sleep 5  # start-up and the speed measurement at frame 50
rm -f "$work/app/grinzofps.txt"
game0=$(ticks "$game")
x0=$(ticks "$xvfb_pid")
start=$(date +%s.%N)
fps_sum=0
fps_count=0
end=$(echo "$start + $seconds" | bc)
while [ "$(echo "$(date +%s.%N) < $end" | bc)" = 1 ]; do
  sleep 1
  if [ -f "$work/app/grinzofps.txt" ]; then
    fps=$(tr -d '\r\n' <"$work/app/grinzofps.txt")
    fps_sum=$(echo "$fps_sum + $fps" | bc)
    fps_count=$((fps_count + 1))
  fi
done
elapsed=$(echo "$(date +%s.%N) - $start" | bc)
game1=$(ticks "$game")
x1=$(ticks "$xvfb_pid")
kill "$game" 2>/dev/null || true

[ "$fps_count" -gt 0 ] || { echo "$0: no frame rate was written" >&2; exit 1; }
fps=$(echo "scale=1; $fps_sum / $fps_count" | bc)
frames=$(echo "$fps * $elapsed" | bc)
per1000() { echo "scale=3; ($2 - $1) / $hz * 1000 / $frames" | bc; }
percent() { echo "scale=1; ($2 - $1) / $hz * 100 / $elapsed" | bc; }
echo "faces=$faces size=$size fps=$fps game_cpu_s_per_1000=$(per1000 "$game0" "$game1")" \
  "x_cpu_s_per_1000=$(per1000 "$x0" "$x1")" \
  "game_cpu_percent=$(percent "$game0" "$game1") x_cpu_percent=$(percent "$x0" "$x1")"
