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

work=$(mktemp -d "${TMPDIR:-/tmp}/grinzo-dialogs.XXXXXX")
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
xvfb_pid=""
cleanup() {
  timeout 20 wineserver -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# The X server picks a free display number and writes it to descriptor 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "$0: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$work/display")"

timeout 120 wineboot -i >/dev/null 2>&1 || true
[ -d "$WINEPREFIX/drive_c/windows" ] || { echo "$0: the Wine prefix was not created" >&2; exit 1; }
# No window manager runs: Wine draws the frames and activates windows itself.
timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# The classic dialog fonts (MS Sans Serif; Marlett draws the title-bar buttons).
cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true

GRINZO_SHOTS="${shots:+Z:$shots}" timeout 150 wine "$bin/grinzo_dialogs_e2e.exe" &
test_pid=$!
if [ -n "$shots" ]; then
  # The test asks for a screenshot with NAME.request (the rectangle to take)
  # and goes on when NAME.done appears.
  while kill -0 "$test_pid" 2>/dev/null; do
    for request in "$shots"/*.request; do
      [ -e "$request" ] || continue
      name=${request%.request}
      import -window root -crop "$(head -n 1 "$request")" +repage "$name.png"
      rm -f "$request"
      touch "$name.done"
    done
    sleep 0.1
  done
fi
status=0
wait "$test_pid" || status=$?
[ -z "$shots" ] || rm -f "$shots"/*.done
exit "$status"
