#!/usr/bin/env bash
# How fast the faces move against how many frames a second the machine could
# deliver: the headless game at 1920x1080, 10 faces, level 1, with a clock
# that advances 1/FPS a frame (a machine that has each frame ready that
# soon), from 30 to 1000 frames a second. A face should cover about
# 25 x (level + 2.5) = 87.5 pixels a second whatever the rate.
#   bench/pace-curve.sh BUILD_DIR [BEFORE_BUILD_DIR] [OUT_DIR]
# Prints one line per rate (frames a second the game drew, pixels a second
# per face, from the 100th frame on, over 10 s of game time). With
# BEFORE_BUILD_DIR (another build, say of an earlier commit) it measures both
# and plots both; the plot goes to OUT_DIR/pace-curve.png (docs/ by default).
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [BEFORE_BUILD_DIR] [OUT_DIR]" >&2; exit 2; }
after=$(cd "$1/bin" && pwd)/grinzo-headless
before=""
[ -n "${2:-}" ] && before=$(cd "$2/bin" && pwd)/grinzo-headless
out=${3:-$(dirname "$0")/../docs}
for program in "$after" $before; do
  [ -x "$program" ] || { echo "$0: $program is missing (build it first)" >&2; exit 2; }
done
command -v gnuplot >/dev/null || { echo "$0: gnuplot is missing (scripts/deps.sh bench)" >&2; exit 2; }
work=$(mktemp -d "${TMPDIR:-/tmp}/grinzo-pace.XXXXXX")
trap 'rm -rf "$work"' EXIT

# speed PROGRAM FPS: "drawn_fps pixels_per_second", from a state file.
speed() {
  local dt frames
  dt=$(echo "scale=9; 1 / $2" | bc)
  # Enough frames for 12 s of game time however fast the game draws.
  frames=$(($2 * 12 + 100))
  mkdir -p "$work/folder"
  cp "$(dirname "$1")"/{mouseicon.ico,gun.wav,shotgun.wav,machgun.wav} "$work/folder/"
  "$1" --size 1920x1080 --dt "$dt" --frames "$frames" --folder "$work/folder" \
    --setting Level=1 --setting Faces=10 --state "$work/state.jsonl" >/dev/null
  awk '
    function places(line, into,   rest, key, x, y) {
      delete into
      rest = line
      while (match(rest, /"key":"[0-9]+","x":-?[0-9]+,"y":-?[0-9]+/)) {
        split(substr(rest, RSTART, RLENGTH), f, /[":,]+/)
        into[f[3]] = f[5] " " f[7]
        rest = substr(rest, RSTART + RLENGTH)
      }
    }
    {
      match($0, /"time":[0-9.e+-]+/)
      t = substr($0, RSTART + 7, RLENGTH - 7) + 0
      places($0, now)
      if (NR == 100) { t0 = t; n0 = NR }
      if (NR > 100) {
        for (k in now) if (k in prev) {
          split(now[k], a, " "); split(prev[k], b, " ")
          d += (a[1] > b[1] ? a[1] - b[1] : b[1] - a[1]) + (a[2] > b[2] ? a[2] - b[2] : b[2] - a[2])
        }
        if (t - t0 >= 10) { printf "%.1f %.1f\n", (NR - n0) / (t - t0), d / 10 / (t - t0); exit }
      }
      delete prev
      for (k in now) prev[k] = now[k]
    }' "$work/state.jsonl"
}

rates="30 45 60 75 90 120 144 165 240 360 500 1000"
printf "%-8s %-24s %s\n" "machine" "before: drawn px/s" "after: drawn px/s"
: >"$work/curve.dat"
for fps in $rates; do
  a=$(speed "$after" "$fps")
  b="- -"
  [ -z "$before" ] || b=$(speed "$before" "$fps")
  printf "%-8s %-24s %s\n" "$fps" "$b" "$a"
  echo "$fps $b $a" >>"$work/curve.dat"
done

mkdir -p "$out"
unpaced=""
[ -z "$before" ] || unpaced="\"$work/curve.dat\" using 1:3 with linespoints lw 2 title \"unpaced (before)\","
gnuplot <<PLOT
set terminal pngcairo size 720,420 font "Liberation Sans,10"
set output "$out/pace-curve.png"
set title "Face speed at level 1 against the frame rate the machine could deliver"
set xlabel "frames a second the machine could deliver"
set ylabel "pixels a second per face (x + y)"
set logscale x
set grid
set key bottom left
set yrange [0:*]
plot "$work/curve.dat" using 1:5 with linespoints lw 2 title "paced (at most 60 frames a second)", \
     $unpaced \
     87.5 with lines dt 2 title "25 x (level + 2.5)"
PLOT
echo "plot: $out/pace-curve.png"
