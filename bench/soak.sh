#!/usr/bin/env bash
# The long run: grinzo-headless plays HOURS (72) of game time at 1920x1080
# with 1000 faces while the demo player shoots, drags the machine gun and
# switches weapons, with a clock step of DT seconds (1), so that three days
# take minutes. The run starts half an hour before midnight, so 72 hours
# cross three midnights (and a short run of two hours one).
#   bench/soak.sh BUILD_DIR [HOURS] [DT]
# Prints one row per hour of game time (frames, time of day, level, level
# clock ticks, faces, live drawing objects, the process's largest resident
# memory within the hour) and checks, exiting 1 when one fails:
#   - memory stays flat: the last hour's peak within 5% of the first's;
#   - drawing objects and faces stay flat from the first hour to the last;
#   - the level clock ticks once per second of game time every hour, also
#     across midnight (the time of day wraps once per 24 hours).
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [HOURS] [DT]" >&2; exit 2; }
program=$(cd "$1/bin" && pwd)/grinzo-headless
hours=${2:-72}
dt=${3:-1}
[ -x "$program" ] || { echo "$0: $program is missing (build it first)" >&2; exit 2; }
work=$(mktemp -d "${TMPDIR:-/tmp}/grinzo-soak.XXXXXX")
pid=""
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT

frames=$(awk -v h="$hours" -v dt="$dt" 'BEGIN { printf "%d", h * 3600 / dt + 1 }')
start=$SECONDS
"$program" --demo --seed 72 --size 1920x1080 --setting Faces=1000 --setting Level=1 \
  --start-time 84600 --dt "$dt" --frames "$frames" --hourly "$work/hourly.jsonl" &
pid=$!
# The resident memory's high-water mark, sampled against the hour being played.
: >"$work/rss"
while kill -0 "$pid" 2>/dev/null; do
  rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status" 2>/dev/null || true)
  done_hours=0
  [ ! -f "$work/hourly.jsonl" ] || done_hours=$(wc -l <"$work/hourly.jsonl")
  [ -z "$rss" ] || echo "$((done_hours + 1)) $rss" >>"$work/rss"
  sleep 0.2
done
wait "$pid"
pid=""
echo "$hours hours of game time in $((SECONDS - start)) s (dt $dt s, $frames frames)"

awk -v dt="$dt" -v previous=84600 '
  FNR == NR { if ($2 > peak[$1]) peak[$1] = $2; next }
  {
    line = $0; gsub(/[{}"]/, "", line); n = split(line, kv, ",")
    for (i = 1; i <= n; ++i) { split(kv[i], p, ":"); v[p[1]] = p[2] }
    h = v["hour"]
    printf "hour %3d  frame %7d  time of day %5d  level %3d  ticks %5d  faces %4d  objects %3d  peak RSS %7d KiB\n",
      h, v["frame"], v["timeOfDay"], v["level"], v["levelTicks"], v["faces"], v["liveObjects"], peak[h]
    if (h == 1) { firstPeak = peak[h]; objects = v["liveObjects"]; faces = v["faces"] }
    last = h; lastPeak = peak[h]
    if (v["liveObjects"] != objects) { print "FAIL: drawing objects changed in hour " h; bad = 1 }
    if (v["faces"] != faces) { print "FAIL: the number of faces changed in hour " h; bad = 1 }
    if (v["levelTicks"] != 3600 / dt) { print "FAIL: the level clock ticked " v["levelTicks"] " times in hour " h; bad = 1 }
    if (v["timeOfDay"] < previous) ++midnights
    previous = v["timeOfDay"]
  }
  END {
    if (last == 0) { print "FAIL: no hour was played"; exit 1 }
    growth = firstPeak ? 100 * (lastPeak - firstPeak) / firstPeak : 0
    printf "memory: first hour %d KiB, last hour %d KiB (%+.1f%%); midnights crossed: %d\n", firstPeak, lastPeak, growth, midnights
    if (growth > 5 || growth < -5) { print "FAIL: memory did not stay flat"; bad = 1 }
    exit bad
  }' "$work/rss" "$work/hourly.jsonl"
