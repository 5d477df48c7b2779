#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ (clang, libFuzzer, AddressSanitizer and
# UBSan) in build/fuzz and runs each for SECONDS (20) over a scratch copy of
# its seed corpus (fuzz/corpus/TARGET/), two at a time. Prints one line per
# target: the runs done, and a crash, leak, time-out or memory blow-up with
# the input that causes it, kept in build/fuzz/crashes/TARGET/. Exits 1 when
# any target failed.
#   scripts/fuzz.sh [SECONDS]
#   FUZZ_TARGETS="bitmap blit" scripts/fuzz.sh 60   # some targets only
#   FUZZ_JOBS=1 scripts/fuzz.sh                     # one target at a time
# A reproducer runs again with: build/fuzz/bin/fuzz_TARGET FILE
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
jobs=${FUZZ_JOBS:-2}
targets=(${FUZZ_TARGETS:-bitmap icon numbers command_line settings registry script arguments blit})
# Longest input per target: enough for every structure the target parses,
# small enough that no run spends its time on one huge input.
declare -A max_len=([bitmap]=8192 [icon]=8192 [numbers]=256 [command_line]=4096 [settings]=256
                    [registry]=4200 [script]=8192 [arguments]=1024 [blit]=4096)
scripts/deps.sh build fuzz

build=build/fuzz
start=$SECONDS
mkdir -p "$build"
cmake -G Ninja -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DGRINZO_FUZZ=ON -DGRINZO_TESTS=OFF -DGRINZO_QT=OFF >"$build/configure.log" 2>&1 ||
  { cat "$build/configure.log"; exit 1; }
if ! cmake --build "$build" -j 2 --target grinzo_fuzz_targets >"$build/build.log" 2>&1; then
  tail -n 40 "$build/build.log"
  exit 1
fi
echo "fuzz: targets built in $((SECONDS - start)) s; running each for $seconds s"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/grinzo-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
rm -rf "$build/crashes" "$build/logs"
mkdir -p "$build/logs"

run() {  # run TARGET: libFuzzer's log and exit status go to build/fuzz/logs/
  local name=$1
  local corpus=$scratch/corpus/$name
  mkdir -p "$corpus" "$scratch/tmp/$name" "$build/crashes/$name"
  cp fuzz/corpus/"$name"/* "$corpus"/ 2>/dev/null || true
  local args=(-max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048
              -max_len="${max_len[$name]:-4096}" -print_final_stats=1
              -artifact_prefix="$build/crashes/$name/")
  [ -f "fuzz/dict/$name.dict" ] && args+=(-dict="fuzz/dict/$name.dict")
  local status=0
  TMPDIR=$scratch/tmp/$name UBSAN_OPTIONS=print_stacktrace=1 \
    "$build/bin/fuzz_$name" "${args[@]}" "$corpus" >"$build/logs/$name.log" 2>&1 || status=$?
  echo "$status" >"$build/logs/$name.status"
}

running=0
for name in "${targets[@]}"; do
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
  run "$name" &
  running=$((running + 1))
done
wait

failed=0
for name in "${targets[@]}"; do
  log=$build/logs/$name.log
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if [ "$(cat "$build/logs/$name.status")" = 0 ]; then
    printf 'fuzz_%-13s %9s runs, no crash\n' "$name" "${runs:-?}"
    continue
  fi
  failed=1
  cause=$(grep -m 1 -E 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|property broken|terminate called|uncaught' "$log" || true)
  reproducer=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -n 1)
  printf 'fuzz_%-13s %9s runs, FAILED: %s\n' "$name" "${runs:-?}" "${cause:-see $log}"
  echo "    reproducer: ${reproducer:-none written} (log: $log)"
  if [ -n "$reproducer" ] && [ -f "$reproducer" ]; then
    echo "    input (hex, first 256 bytes): $(head -c 256 "$reproducer" | od -An -tx1 | tr -d ' \n')"
  fi
done
echo "fuzz: done in $((SECONDS - start)) s"
exit "$failed"
