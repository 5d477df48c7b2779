#!/usr/bin/env bash
# Builds and runs every test:
#   1. the native unit and scenario tests (GoogleTest through CTest);
#   2. the same tests under AddressSanitizer and UndefinedBehaviorSanitizer;
#   3. the portable core's tests cross-built for Windows with MinGW-w64 and
#      run under Wine, so that every change is checked on both platforms;
#   4. grinzo.scr's dialogs driven end to end under Wine on a virtual display;
#   5. grinzo.scr's game modes driven end to end likewise, the 64-bit build and
#      the 32-bit build (MinGW-w64 i686) on Wine set to Windows 98.
# Installs the Debian packages it needs first. Build trees go to build/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test bench

jobs=$(nproc)
configure() {  # configure DIR [cmake args...]
  local dir=$1
  shift
  cmake -G Ninja -S . -B "$dir" -DGRINZO_TESTS=ON "$@" >/dev/null
}

echo "== Native tests"
# The benchmark is built here too (not run), so that it keeps compiling.
configure build/debug -DCMAKE_BUILD_TYPE=Debug -DGRINZO_BENCH=ON
cmake --build build/debug -j "$jobs"
ctest --test-dir build/debug --output-on-failure -j "$jobs"

echo "== Native tests under AddressSanitizer and UndefinedBehaviorSanitizer"
configure build/asan -DCMAKE_BUILD_TYPE=Debug -DGRINZO_SANITIZE=ON
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan --output-on-failure -j "$jobs"

echo "== Core tests cross-built for Windows, run under Wine"
configure build/mingw -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake"
cmake --build build/mingw -j "$jobs"
# One Wine prefix for the whole run, made fresh so that no earlier state leaks in.
export WINEPREFIX
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/grinzo-wine.XXXXXX")
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
ctest --test-dir build/mingw --output-on-failure -j 1

echo "== grinzo.scr's dialogs end to end, under Wine on a virtual display"
scripts/wine-dialogs.sh build/mingw

echo "== grinzo.scr's game modes end to end, 64-bit and 32-bit, under Wine on a virtual display"
configure build/mingw32 -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-i686.cmake"
cmake --build build/mingw32 -j "$jobs" --target grinzo grinzo_screensaver_e2e
scripts/wine-screensaver.sh build/mingw build/mingw32
