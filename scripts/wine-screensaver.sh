#!/usr/bin/env bash
# End-to-end test of grinzo.scr's game modes (full screen, preview, password,
# command lines): runs the cross-built test program grinzo_screensaver_e2e.exe
# (beside grinzo.scr) under Wine on a private virtual X display, in a fresh
# 64-bit prefix; then, given the 32-bit build, its Windows 9x case in a fresh
# 32-bit prefix set to Windows 98.
#   scripts/wine-screensaver.sh BUILD_DIR [BUILD32_DIR] [SHOTS_DIR]
# With SHOTS_DIR, also saves PNG screenshots of the full-screen game and of
# the preview there. Every wait is bounded; the X server and the Wine
# servers are stopped and the prefixes removed at the end, whatever happens.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [BUILD32_DIR] [SHOTS_DIR]" >&2; exit 2; }
bin=$(cd "$1/bin" && pwd)
bin32=""
[ -n "${2:-}" ] && bin32=$(cd "$2/bin" && pwd)
shots=""
if [ -n "${3:-}" ]; then
  mkdir -p "$3"
  shots=$(cd "$3" && pwd)
fi
for dir in "$bin" $bin32; do
  for f in grinzo.scr grinzo_screensaver_e2e.exe test-password.cpl grinzo_notice_query.exe; do
    [ -f "$dir/$f" ] || { echo "$0: $dir/$f is missing (build it first)" >&2; exit 2; }
  done
done

source "$(dirname "$0")/wine-desktop.sh"
desktop_start

echo "-- 64-bit grinzo.scr"
prefix_make "$work/prefix64"
GRINZO_SHOTS="${shots:+Z:$shots}" timeout 240 "${wine[@]}" "$bin/grinzo_screensaver_e2e.exe" \
  --gtest_filter="${GRINZO_FILTER:--*Win9x*}" &
test_pid=$!
[ -z "$shots" ] || shots_serve "$test_pid" "$shots"
wait "$test_pid"
timeout 20 wineserver -k >/dev/null 2>&1 || true

[ -n "$bin32" ] || exit 0
echo "-- 32-bit grinzo.scr on the Windows 9x family (Wine set to Windows 98)"
# Only a kernel that runs 32-bit programs can run Wine's 32-bit loader. Where
# one can, the loader must be there (scripts/deps.sh installs it): a missing
# one fails the stage rather than skipping it.
if ! probe=$("$(dirname "$0")/probe-32bit.sh"); then
  echo "SKIPPED: this machine cannot run 32-bit programs (scripts/probe-32bit.sh: ${probe#no: })"
  exit 0
fi
prefix_make "$work/prefix32" win32
timeout 60 "${wine[@]}" reg add 'HKCU\Software\Wine' /v Version /d win98 /f >/dev/null 2>&1
GRINZO_EXPECT_WIN9X=1 timeout 120 "${wine[@]}" "$bin32/grinzo_screensaver_e2e.exe" --gtest_filter='*Win9x*'
