#!/usr/bin/env bash
# End-to-end test of grinzo.scr's configuration and help dialogs: runs the
# cross-built test program (grinzo_dialogs_e2e.exe, beside grinzo.scr) under
# Wine on a private virtual X display, in a fresh Wine prefix.
#   scripts/wine-dialogs.sh BUILD_DIR [SHOTS_DIR]
# With SHOTS_DIR, also saves PNG screenshots of the dialogs and of the error
# message there. Every wait is bounded; the X server and the Wine server are
# stopped and the prefix removed at the end, whatever happens.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [SHOTS_DIR]" >&2; exit 2; }
bin=$(cd "$1/bin" && pwd)
shots=""
if [ $# -ge 2 ]; then
  mkdir -p "$2"
  shots=$(cd "$2" && pwd)
fi
for f in grinzo.scr grinzo_dialogs_e2e.exe; do
  [ -f "$bin/$f" ] || { echo "$0: $bin/$f is missing (build it first)" >&2; exit 2; }
done

source "$(dirname "$0")/wine-desktop.sh"
desktop_start
prefix_make "$work/prefix"

GRINZO_SHOTS="${shots:+Z:$shots}" timeout 150 "${wine[@]}" "$bin/grinzo_dialogs_e2e.exe" &
test_pid=$!
[ -z "$shots" ] || shots_serve "$test_pid" "$shots"
wait "$test_pid"
