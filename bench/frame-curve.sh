#!/usr/bin/env bash
# The whole game's frame, headless: how its time grows with the number of
# faces, the start-up time, and the peak memory of a 4K game.
#   bench/frame-curve.sh BUILD_DIR [OUT_DIR]
# BUILD_DIR is a Release build with grinzo-headless. For 1920x1080 and
# 3840x2160 and 10, 100, 1000, 10000 and 32767 faces it runs grinzo-headless
# --timing three times and keeps the best median frame time (motion,
# bookkeeping and composition; the headless backend shows nothing). Prints a
# table and writes OUT_DIR/frame-curve.dat and OUT_DIR/frame-curve.png
# (gnuplot); OUT_DIR defaults to docs/. Then prints:
#   - start-up: from the start of grinzo-headless to the end of its first
#     frame at 1920x1080 with 10 faces, the best of five runs;
#   - peak memory (resident) of a 3840x2160 game with 32767 faces, against
#     three window-sized pictures plus 16 MiB.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [OUT_DIR]" >&2; exit 2; }
headless=$(cd "$1/bin" && pwd)/grinzo-headless
out=${2:-$(dirname "$0")/../docs}
[ -x "$headless" ] || { echo "$0: $headless is missing (build it first)" >&2; exit 2; }
for tool in gnuplot /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "$0: $tool is missing (scripts/deps.sh bench)" >&2; exit 2; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/grinzo-curve.XXXXXX")
trap 'rm -rf "$work"' EXIT

# field NAME FILE: a number from the one-line JSON that --timing writes.
field() { sed -n "s/.*\"$1\":\([0-9.e+-]*\).*/\1/p" "$2"; }
# best_of N FIELD ARGS...: the smallest FIELD of N runs.
best_of() {
  local n=$1 name=$2 best="" value
  shift 2
  for _ in $(seq "$n"); do
    "$headless" --timing "$work/timing.json" "$@" >/dev/null
    value=$(field "$name" "$work/timing.json")
    if [ -z "$best" ] || [ "$(echo "$value < $best" | bc -l)" = 1 ]; then best=$value; fi
  done
  echo "$best"
}

faces_list="10 100 1000 10000 32767"
printf '%-6s %12s %12s\n' faces "1080p ms" "4K ms"
echo "# faces  1920x1080_ms  3840x2160_ms  (best median whole frame of 3 runs)" >"$work/curve.dat"
for faces in $faces_list; do
  hd=$(best_of 3 medianFrameMs --size 1920x1080 --frames 200 --setting "Faces=$faces")
  uhd=$(best_of 3 medianFrameMs --size 3840x2160 --frames 100 --setting "Faces=$faces")
  printf '%-6s %12.3f %12.3f\n' "$faces" "$hd" "$uhd"
  echo "$faces $hd $uhd" >>"$work/curve.dat"
done
mkdir -p "$out"
cp "$work/curve.dat" "$out/frame-curve.dat"
gnuplot <<EOF
set terminal pngcairo size 720,420 font "Liberation Sans,10"
set output "$out/frame-curve.png"
set title "Whole frame of the headless game (motion, bookkeeping, composition)"
set xlabel "faces"
set ylabel "ms per frame (median)"
set logscale xy
set grid
set key top left
set format y "%g"
plot "$out/frame-curve.dat" using 1:2 with linespoints lw 2 pt 7 title "1920x1080", \
     "$out/frame-curve.dat" using 1:3 with linespoints lw 2 pt 5 title "3840x2160"
EOF
echo "plot: $out/frame-curve.png"

startup=$(best_of 5 startupMs --size 1920x1080 --frames 2 --setting Faces=10)
printf 'start-up to the first frame, 1920x1080, 10 faces: %.1f ms (best of 5)\n' "$startup"

/usr/bin/time -f %M -o "$work/rss" "$headless" --size 3840x2160 --frames 50 \
  --setting Faces=32767 >/dev/null
peak=$(cat "$work/rss")                                     # KiB
budget=$(( (3 * 3840 * 2160 * 4 + 16 * 1024 * 1024) / 1024 ))  # KiB
printf 'peak memory, 3840x2160, 32767 faces: %.1f MiB (three pictures + 16 MiB: %.1f MiB)\n' \
  "$(echo "$peak / 1024" | bc -l)" "$(echo "$budget / 1024" | bc -l)"
