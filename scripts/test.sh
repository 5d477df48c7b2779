#!/usr/bin/env bash
# Builds and runs every test:
#   1. the native unit and scenario tests (GoogleTest through CTest), and
#      the composition benchmark's check: a few frames at 1080p and 4K on
#      every path, pixel for pixel against the plain transfers, untimed;
#   2. the same tests under AddressSanitizer and UndefinedBehaviorSanitizer;
#   3. the fuzz targets of fuzz/ (libFuzzer with the sanitizers), 10 seconds
#      each (scripts/fuzz.sh);
#   4. two hours of game time headless at 1920x1080 with 1000 faces and the
#      demo player, across midnight: memory, drawing objects and the level
#      clock stay flat (bench/soak.sh; the full 72 hours on demand);
#   5. the Linux program end to end on Xvfb: full screen, a host window, the
#      real XScreenSaver daemon (scripts/linux-e2e.sh); then on Wayland:
#      headless sway at scales 1 and 2 with one and two outputs, the desktop
#      portal, swayidle (scripts/wayland-e2e.sh);
#   6. the portable core's tests cross-built for Windows with MinGW-w64 and
#      run under Wine, so that every change is checked on both platforms;
#   7. grinzo.scr's dialogs driven end to end under Wine on a virtual display;
#   8. grinzo.scr's game modes driven end to end likewise, the 64-bit build,
#      then the 32-bit build (MinGW-w64 i686) on Wine set to Windows 98 where
#      this machine runs 32-bit programs (scripts/probe-32bit.sh); elsewhere
#      the 32-bit build is still made and its part says SKIPPED with the
#      probe's reason;
#   9. the packages, installed for real: the Windows installer (NSIS) from
#      the MinGW build, installed, run and uninstalled silently under Wine
#      (scripts/wine-install.sh); the Debian package from the native build,
#      its contents and lintian checked, installed into a throw-away root
#      with the XScreenSaver daemon running the installed module
#      (scripts/deb-check.sh).
# Installs the Debian packages it needs first. Build trees go to build/. Each
# stage prints its name and, when it ends, its duration.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test bench fuzz package
source scripts/wine-env.sh

jobs=$(nproc)
configure() {  # configure DIR [cmake args...]
  local dir=$1
  shift
  cmake -G Ninja -S . -B "$dir" -DGRINZO_TESTS=ON "$@" >/dev/null
}

stage_name=""
stage_start=$SECONDS
run_start=$SECONDS
stage_end() {
  if [ -n "$stage_name" ]; then
    echo "== done in $((SECONDS - stage_start)) s: $stage_name"
  fi
  stage_name=""
}
stage() {
  stage_end
  stage_name=$1
  stage_start=$SECONDS
  echo "== $stage_name"
}

# One Wine prefix for this run's cross-built tests, never one an earlier run left.
export WINEPREFIX
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/grinzo-wine.XXXXXX")
trap 'timeout 20 wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"' EXIT

stage "Native tests"
# The benchmark is built here too (not run), so that it keeps compiling.
configure build/debug -DCMAKE_BUILD_TYPE=Debug -DGRINZO_BENCH=ON
cmake --build build/debug -j "$jobs"
ctest --test-dir build/debug --output-on-failure -j "$jobs"
(cd build/debug/bin && ./grinzo-compose-bench --check)

stage "Native tests under AddressSanitizer and UndefinedBehaviorSanitizer"
configure build/asan -DCMAKE_BUILD_TYPE=Debug -DGRINZO_SANITIZE=ON
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan --output-on-failure -j "$jobs"

stage "Fuzz targets, 10 s each, under AddressSanitizer and UndefinedBehaviorSanitizer"
scripts/fuzz.sh 10

stage "A two-hour soak of the headless game across midnight: memory, drawing objects, level clock"
bench/soak.sh build/debug 2 4

stage "The Linux program end to end on a virtual display, with the XScreenSaver daemon"
scripts/linux-e2e.sh build/debug

stage "The Linux program end to end on Wayland: headless sway, the desktop portal, swayidle"
scripts/wayland-e2e.sh build/debug

stage "Core tests cross-built for Windows, run under Wine"
# Its icons and sounds come from the generator built for this machine in
# build/mingw/host-tools; the tests check that the Windows-built one makes the
# same bytes.
configure build/mingw -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake"
cmake --build build/mingw -j "$jobs"
ctest --test-dir build/mingw --output-on-failure -j "$jobs"

stage "grinzo.scr's dialogs end to end, under Wine on a virtual display"
scripts/wine-dialogs.sh build/mingw

stage "grinzo.scr's game modes end to end, 64-bit and 32-bit, under Wine on a virtual display"
# The 32-bit build needs no emulator; it reuses the 64-bit build's asset generator.
configure build/mingw32 -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-i686.cmake" \
  -DGRINZO_HOST_ASSETGEN="$PWD/build/mingw/host-tools/bin/grinzo-assetgen"
cmake --build build/mingw32 -j "$jobs" --target grinzo grinzo_screensaver_e2e
scripts/wine-screensaver.sh build/mingw build/mingw32

stage "The packages, installed for real: the Windows installer under Wine, the Debian package"
# The trees the earlier stages built: packaging them adds no compiling. The
# Debian package of the Debug tree holds the same files as that of a Release
# build (the one to ship, see README.md), its program only slower.
cmake --build build/mingw -j "$jobs" --target package
scripts/wine-install.sh build/mingw
cmake --build build/debug -j "$jobs" --target package
scripts/deb-check.sh build/debug

stage_end
echo "== all stages passed in $((SECONDS - run_start)) s"
