#!/usr/bin/env bash
# Builds and runs the tests, stage by stage.
#   scripts/test.sh              every stage, in the order below (what CI runs)
#   scripts/test.sh STAGE...     the stages named, in the order below
#   scripts/test.sh --list       the stages, their time limits and what they check
# The stages:
#   native        the native unit and scenario tests (GoogleTest through
#                 CTest, one CTest test per test case), and the composition
#                 benchmark's check (every path, pixel for pixel, untimed);
#   asan          the same under AddressSanitizer and UndefinedBehaviorSanitizer;
#   fuzz          the fuzz targets of fuzz/ (libFuzzer with the sanitizers),
#                 10 seconds each (scripts/fuzz.sh);
#   soak          two hours of game time headless at 1920x1080 with 1000 faces
#                 and the demo player, across midnight: memory, drawing
#                 objects and the level clock stay flat (bench/soak.sh; the
#                 full 72 hours on demand);
#   linux         the Linux program end to end on Xvfb: full screen, a host
#                 window, the real XScreenSaver daemon (scripts/linux-e2e.sh);
#   wayland       the same on Wayland: headless sway at scales 1 and 2 with one
#                 and two outputs, the desktop portal, swayidle
#                 (scripts/wayland-e2e.sh);
#   wine-core     the portable core's tests cross-built for Windows with
#                 MinGW-w64 and run under Wine, so that every change is
#                 checked on both platforms;
#   wine-dialogs  grinzo.scr's dialogs driven end to end under Wine on a
#                 virtual display;
#   wine-game     grinzo.scr's game modes driven end to end likewise, the
#                 64-bit build, then the 32-bit build (MinGW-w64 i686, the
#                 whole tree with its tests, warnings as errors) on Wine set
#                 to Windows 98 where this machine runs 32-bit programs
#                 (scripts/probe-32bit.sh); elsewhere its part says SKIPPED
#                 with the probe's reason;
#   packages      the packages, installed for real: the Windows installer
#                 (NSIS) installed, run and uninstalled silently under Wine
#                 (scripts/wine-install.sh); the Debian package's contents
#                 and lintian checked, installed into a throw-away root with
#                 the XScreenSaver daemon running the installed module
#                 (scripts/deb-check.sh).
# Installs the Debian packages it needs first. Build trees go to build/; a
# stage builds the trees it needs itself (incrementally: nothing when an
# earlier stage built them). Each stage prints its name and, when it ends,
# its duration; it runs under a time limit, and when the limit passes its
# processes are ended and the run names the stage. A failed stage does not
# stop the others; the run ends with each stage's result and time, and exits
# 1 when any stage failed.
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$self")/.."
source scripts/wine-env.sh

jobs=$(nproc)
configure() {  # configure DIR [cmake args...]
  local dir=$1
  shift
  cmake -G Ninja -S . -B "$dir" -DGRINZO_TESTS=ON "$@" >/dev/null
}

# The trees the stages share.
build_debug() {
  # The benchmarks are built here too, so that they keep compiling.
  configure build/debug -DCMAKE_BUILD_TYPE=Debug -DGRINZO_BENCH=ON
  cmake --build build/debug -j "$jobs"
}
build_mingw() {
  # Its icons and sounds come from the generator built for this machine in
  # build/mingw/host-tools; the tests check that the Windows-built one makes
  # the same bytes.
  configure build/mingw -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake"
  cmake --build build/mingw -j "$jobs"
}
build_mingw32() {
  # It needs no emulator: it reuses the 64-bit build's asset generator.
  build_mingw
  configure build/mingw32 -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-i686.cmake" \
    -DGRINZO_HOST_ASSETGEN="$PWD/build/mingw/host-tools/bin/grinzo-assetgen"
  cmake --build build/mingw32 -j "$jobs"
}

# --- The stages ----------------------------------------------------------------

stage_native() {
  build_debug
  ctest --test-dir build/debug --output-on-failure -j "$jobs"
  # The composition benchmark's check: a few frames at 1080p and 4K on every
  # path, pixel for pixel against the plain transfers, untimed.
  (cd build/debug/bin && ./grinzo-compose-bench --check)
}
stage_asan() {
  configure build/asan -DCMAKE_BUILD_TYPE=Debug -DGRINZO_SANITIZE=ON
  cmake --build build/asan -j "$jobs"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build/asan --output-on-failure -j "$jobs"
}
stage_wine_core() {
  build_mingw
  ctest --test-dir build/mingw --output-on-failure -j "$jobs"
}
stage_packages() {
  # The trees the other stages build: packaging them adds no compiling. The
  # Debian package of the Debug tree holds the same files as that of a
  # Release build (the one to ship, see README.md), its program only slower.
  build_mingw
  cmake --build build/mingw -j "$jobs" --target package
  scripts/wine-install.sh build/mingw
  build_debug
  cmake --build build/debug -j "$jobs" --target package
  scripts/deb-check.sh build/debug
}

# stage NAME SECONDS TITLE COMMANDS: a stage, its time limit and the shell
# commands that run it (with set -e). The stages run in the order of these
# lines.
names=() limits=() titles=() commands=()
stage() { names+=("$1") limits+=("$2") titles+=("$3") commands+=("$4"); }
stage native 600 "Native tests" stage_native
stage asan 900 "Native tests under AddressSanitizer and UndefinedBehaviorSanitizer" stage_asan
stage fuzz 480 "Fuzz targets, 10 s each, under AddressSanitizer and UndefinedBehaviorSanitizer" 'scripts/fuzz.sh 10'
stage soak 300 "A two-hour soak of the headless game across midnight: memory, drawing objects, level clock" 'build_debug; bench/soak.sh build/debug 2 4'
stage linux 300 "The Linux program end to end on a virtual display, with the XScreenSaver daemon" 'build_debug; scripts/linux-e2e.sh build/debug'
stage wayland 300 "The Linux program end to end on Wayland: headless sway, the desktop portal, swayidle" 'build_debug; scripts/wayland-e2e.sh build/debug'
stage wine-core 900 "Core tests cross-built for Windows, run under Wine" stage_wine_core
stage wine-dialogs 300 "grinzo.scr's dialogs end to end, under Wine on a virtual display" 'build_mingw; scripts/wine-dialogs.sh build/mingw'
stage wine-game 600 "grinzo.scr's game modes end to end, 64-bit and 32-bit, under Wine on a virtual display" 'build_mingw32; scripts/wine-screensaver.sh build/mingw build/mingw32'
stage packages 600 "The packages, installed for real: the Windows installer under Wine, the Debian package" stage_packages

index_of() {  # index_of NAME: the stage's index, status 1 when there is none
  local i
  for i in "${!names[@]}"; do
    [ "${names[i]}" = "$1" ] && { echo "$i"; return 0; }
  done
  return 1
}

# One stage, run by the script itself under `timeout` (below).
if [ "${1:-}" = --run-stage ]; then
  i=$(index_of "$2")
  eval "${commands[i]}"
  exit
fi

if [ "${1:-}" = --list ]; then
  for i in "${!names[@]}"; do
    printf '%-13s %5s s  %s\n' "${names[i]}" "${limits[i]}" "${titles[i]}"
  done
  exit 0
fi
chosen=()
if [ $# -eq 0 ]; then
  chosen=("${!names[@]}")
else
  for name in "$@"; do
    index_of "$name" >/dev/null || {
      echo "$0: no stage '$name'; the stages are: ${names[*]} (--list)" >&2
      exit 2
    }
  done
  # The order of the table, whatever the order given.
  for i in "${!names[@]}"; do
    for name in "$@"; do [ "${names[i]}" = "$name" ] && chosen+=("$i") && break; done
  done
fi

scripts/deps.sh test bench fuzz package

# One Wine prefix for this run's cross-built tests, never one an earlier run
# left. A stage running when this script is interrupted is ended with it.
export WINEPREFIX
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/grinzo-wine.XXXXXX")
stage_pid=""
finish() {
  if [ -n "$stage_pid" ]; then kill -TERM "$stage_pid" 2>/dev/null || true; wait "$stage_pid" || true; fi
  timeout 20 wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
}
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# A stage runs in a process group of its own under `timeout`: when its time
# is up, every process of the group gets TERM (the end-to-end scripts then
# stop what they started), and KILL 30 s later.
run_start=$SECONDS
results=()
failed=0
for i in "${chosen[@]}"; do
  echo "== ${titles[i]}"
  start=$SECONDS
  timeout --kill-after=30 "${limits[i]}" "$self" --run-stage "${names[i]}" &
  stage_pid=$!
  status=0
  wait "$stage_pid" || status=$?
  stage_pid=""
  took=$((SECONDS - start))
  if [ "$status" -eq 0 ]; then
    result=passed
    echo "== done in $took s: ${titles[i]}"
  elif [ "$status" -eq 124 ] || { [ "$status" -eq 137 ] && [ "$took" -ge "${limits[i]}" ]; }; then
    result="TIMED OUT"
    failed=1
    echo "== TIMED OUT: stage ${names[i]} still ran after its ${limits[i]} s and was ended: ${titles[i]}"
    # A Wine server outlives the group it started in.
    timeout 20 wineserver -k >/dev/null 2>&1 || true
  else
    result="FAILED (status $status)"
    failed=1
    echo "== FAILED after $took s: ${titles[i]}"
  fi
  results+=("$(printf '%-13s %5s s  %s' "${names[i]}" "$took" "$result")")
done

echo "== stages:"
printf '   %s\n' "${results[@]}"
if ((failed)); then
  echo "== some stages failed, in $((SECONDS - run_start)) s"
  exit 1
fi
if [ $# -eq 0 ]; then
  echo "== all stages passed in $((SECONDS - run_start)) s"
else
  echo "== the stages named passed in $((SECONDS - run_start)) s"
fi
