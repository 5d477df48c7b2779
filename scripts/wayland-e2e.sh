#!/usr/bin/env bash
# End-to-end test of the Linux program grinzo on Wayland: headless sway
# (pixman renderer) as an unprivileged user with a runtime folder of its own,
# a private session bus, and on it a stand-in for the desktop portal's
# Screenshot interface (tests/e2e_wayland/portal_standin.cpp) that
# photographs the outputs with grim:
#   - at output scale 1 and 2, with one output and with two: every output
#     is covered by an opaque full-screen surface of grinzo (the game on the
#     first, black on the second), the game shows the portal's photograph at
#     1:1 (compared with grim's picture of the desktop) with 30 x 30 faces,
#     a click lands a splat under the pointer, and a key ends it (status 0);
#   - swayidle with a 2 s timeout starts grinzo, and a key ends it;
#   - a portal that refuses, and none at all: the generated picture within
#     3 s; one that never answers: within 5 s.
#   scripts/wayland-e2e.sh BUILD_DIR [SHOTS_DIR]
# With SHOTS_DIR, saves wayland-game.png (scale 2, a splat, halved) there.
# Prints one line per case, then "N passed, M failed"; exits 1 when anything
# failed. Every wait is bounded; every process it started and its work
# folder go at the end, whatever happens. Runs as root (sway and the rest as
# the user nobody). Needs the Debian packages sway, grim, swayidle, wtype,
# qt6-wayland, dbus, imagemagick, python3, procps, gcc, libwayland-dev and
# libwayland-bin (scripts/deps.sh test): it compiles tests/e2e_wayland/
# vpointer.c, its pointer helper.
set -euo pipefail
usage="usage: $0 BUILD_DIR [SHOTS_DIR]"
if [ $# -lt 1 ] || [ $# -gt 2 ]; then echo "$usage" >&2; exit 2; fi
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/scripts/lib/procs.sh"
source "$here/scripts/lib/checks.sh"
build_bin=$(cd "$1/bin" && pwd)
shots=""
if [ $# -ge 2 ]; then
  mkdir -p "$2"
  shots=$(cd "$2" && pwd)
fi
files=(grinzo mouseicon.ico gun.wav shotgun.wav machgun.wav grinzo-portal-standin)
for f in "${files[@]}"; do
  [ -f "$build_bin/$f" ] || { echo "$0: $build_bin/$f is missing (build it first)" >&2; exit 2; }
done
for tool in sway swaymsg grim swayidle wtype dbus-daemon wayland-scanner cc convert python3 setpriv pgrep; do
  command -v "$tool" >/dev/null || { echo "$0: $tool is missing (scripts/deps.sh test)" >&2; exit 2; }
done
[ -e /usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/libqwayland-generic.so ] ||
  [ -n "$(find /usr/lib -path '*qt6/plugins/platforms/libqwayland-generic.so' 2>/dev/null)" ] ||
  { echo "$0: Qt's Wayland platform is missing (qt6-wayland)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/grinzo-wayland-e2e.XXXXXX")
started=()  # ids of the background processes this script started
nobody=65534
program_file=$work/bin/grinzo
grinzo_pids() {
  { find /proc -mindepth 2 -maxdepth 2 -name exe -lname "$program_file" 2>/dev/null || true; } | cut -d/ -f3
}
cleanup() {
  local pids=() p
  set +e
  for p in "${started[@]}"; do mapfile -t -O "${#pids[@]}" pids < <(tree_of "$p"); done
  mapfile -t -O "${#pids[@]}" pids < <(grinzo_pids)
  kill_all "${pids[@]}"
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

ms_now() { echo $((${EPOCHREALTIME//[.,]/} / 1000)); }

# The programs, readable by nobody; the user's folders, the runtime folder
# (0700, as sway wants it) and the pictures are nobody's.
chmod 755 "$work"
mkdir -p "$work/bin" "$work/home/.config" "$work/home/.local/share" "$work/run" "$work/pics"
for f in "${files[@]}"; do install -m 755 "$build_bin/$f" "$work/bin/$f"; done
chown -R "$nobody:$nobody" "$work/home" "$work/run" "$work/pics"
chmod 700 "$work/run"
look_py=$here/tests/e2e_wayland/look.py
python3 "$look_py" pattern 1280 720 "$work/pattern.ppm"
convert "$work/pattern.ppm" "$work/pattern.png"
convert "$work/pattern.ppm" -separate -swap 1,2 -combine "$work/photo.ppm"
# The pointer helper, with its protocol's code made by wayland-scanner.
proto=$here/tests/e2e_wayland/virtual-pointer.xml
wayland-scanner client-header "$proto" "$work/virtual-pointer-client.h"
wayland-scanner private-code "$proto" "$work/virtual-pointer.c"
cc -std=c11 -O2 -I"$work" -o "$work/bin/vpointer" "$here/tests/e2e_wayland/vpointer.c" \
  "$work/virtual-pointer.c" -lwayland-client
chmod 644 "$work/pattern.png"

# The private session bus: no service is started on demand, so a missing
# portal is missing.
cat >"$work/bus.conf" <<CONF
<busconfig>
  <type>session</type>
  <listen>unix:path=$work/run/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
# as_user COMMAND...: runs it as nobody in the session. In the background
# "${as_nobody[@]}" COMMAND & (setpriv and env exec it, so that $! is the
# command's own id).
as_nobody=(setpriv --reuid="$nobody" --regid="$nobody" --clear-groups env -i HOME="$work/home"
  PATH="$work/bin:/usr/bin:/bin" XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/home/.config"
  XDG_DATA_HOME="$work/home/.local/share" DBUS_SESSION_BUS_ADDRESS="unix:path=$work/run/bus"
  WAYLAND_DISPLAY=wayland-1 SWAYSOCK="$work/run/sway.sock")
as_user() { "${as_nobody[@]}" "$@"; }
"${as_nobody[@]}" dbus-daemon --nofork --config-file="$work/bus.conf" >"$work/bus.log" 2>&1 &
started+=($!)
wait_for 5 test -S "$work/run/bus" || { echo "$0: the session bus did not start" >&2; exit 1; }

# --- sway ---------------------------------------------------------------------

sway_pid=""
scale=1 outputs=1 dw=1280 dh=720
# start_sway SCALE OUTPUTS: the first output 1280x720 pixels at SCALE with the
# pattern as its background; a second one 800x600 at scale 1 to its right.
start_sway() {
  scale=$1 outputs=$2
  local lw=$((1280 / scale))
  {
    echo "output HEADLESS-1 mode 1280x720 scale $scale pos 0 0 bg $work/pattern.png fill"
    echo "output HEADLESS-2 mode 800x600 scale 1 pos $lw 0 bg #208020 solid_color"
    echo "default_border none"
    echo "focus_follows_mouse no"
  } >"$work/sway.conf"
  chmod 644 "$work/sway.conf"
  rm -f "$work/run/wayland-1" "$work/run/wayland-1.lock" "$work/run/sway.sock"
  "${as_nobody[@]}" WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    WLR_HEADLESS_OUTPUTS="$outputs" sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
  sway_pid=$!
  started+=("$sway_pid")
  # sway listens at $SWAYSOCK.
  wait_for 10 test -S "$work/run/sway.sock" || { why="no IPC socket"; return 1; }
  wait_for 10 test -S "$work/run/wayland-1" || { why="no wayland-1"; return 1; }
  # The background is drawn once swaybg has its picture.
  wait_for 10 desktop_shown || { why="the pattern is not on the output: $(looked)"; return 1; }
  # A pointer for the seat (it lives as long as sway).
  "${as_nobody[@]}" vpointer >"$work/vpointer.out" 2>&1 &
  started+=($!)
  wait_for 5 grep -q ready "$work/vpointer.out" || { why="no virtual pointer: $(cat "$work/vpointer.out")"; return 1; }
  # And a keyboard, there before the program starts: keys typed on a
  # keyboard that appears only with them reach no client yet.
  "${as_nobody[@]}" wtype -s 100000000 >/dev/null 2>&1 &
  started+=($!)
}
stop_sway() {
  [ -z "$sway_pid" ] || kill_all $(tree_of "$sway_pid")
  sway_pid=""
  rm -f "$work/run/sway.sock"
}
grab() {  # grab NAME: output 1 as NAME.ppm (its device pixels)
  as_user grim -t ppm -o HEADLESS-1 "$work/pics/$1.ppm" && cp "$work/pics/$1.ppm" "$work/$1.ppm"
}
desktop_shown() { grab desktop && look desktop && ((same >= 99)); }

same="" yellow="" red="" magenta="" black="" face=""
look() {  # look NAME [REF [X Y W H]]: NAME.ppm against REF.ppm (the pattern)
  local out kv
  out=$(python3 "$look_py" look "$work/${2:-pattern}.ppm" "$work/$1.ppm" "${@:3}") || return 1
  for kv in $out; do printf -v "${kv%%=*}" %s "${kv#*=}"; done
}
looked() { echo "same=$same% yellow=$yellow red=$red magenta=$magenta black=$black% face=$face"; }

# --- The portal and grinzo ----------------------------------------------------

portal_pid=""
start_portal() {  # start_portal grim|refuse
  "${as_nobody[@]}" grinzo-portal-standin "$1" >"$work/portal.log" 2>&1 &
  portal_pid=$!
  started+=("$portal_pid")
  wait_for 5 as_user dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.GetNameOwner string:org.freedesktop.portal.Desktop >/dev/null 2>&1
}
stop_portal() { [ -z "$portal_pid" ] || kill_all "$portal_pid"; portal_pid=""; }

gpid=""
grinzo_log=$work/grinzo.log
start_grinzo() {
  echo "-- grinzo $* (scale $scale, $outputs outputs)" >>"$grinzo_log"
  "${as_nobody[@]}" "$work/bin/grinzo" "$@" >>"$grinzo_log" 2>&1 &
  gpid=$!
  started+=("$gpid")
}
gone() { ! alive "$gpid"; }
grinzo_running() { [ -n "$(grinzo_pids)" ]; }
ended_ok() {  # ended_ok SECONDS
  local status=0
  if ! wait_for "$1" gone; then why="still running after $1 s"; return 1; fi
  wait "$gpid" || status=$?
  [ "$status" -eq 0 ] || { why="exit status $status"; return 1; }
}
# Every output shows a full-screen surface of grinzo.
covered() {
  as_user swaymsg -t get_tree | python3 -c '
import json, sys
tree, pid, want = json.load(sys.stdin), int(sys.argv[1]), int(sys.argv[2])
def views(node):
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        yield child
        yield from views(child)
covered = set()
for output in tree["nodes"]:
    if output["name"].startswith("__"): continue
    for v in views(output):
        if v.get("pid") == pid and v.get("fullscreen_mode") == 1:
            covered.add(output["name"])
sys.exit(0 if len(covered) == want else 1)' "$gpid" "$outputs"
}
key() { as_user wtype "$@"; }
pointer() {  # pointer X Y: to that device pixel of output 1
  as_user swaymsg "seat - cursor set $(($1 / scale)) $(($2 / scale))" >/dev/null
}
click() { as_user swaymsg "seat - cursor press button1" >/dev/null; as_user swaymsg "seat - cursor release button1" >/dev/null; }

# --- Cases --------------------------------------------------------------------

case_cleanup() {
  local left
  mapfile -t left < <(grinzo_pids)
  kill_all "${left[@]}"
  stop_portal
  stop_sway
}

# The stand-in's photograph has green and blue swapped: where the game's
# window let the live desktop through, the picture would match neither.
game_on_photo() { grab game && look game photo && ((same >= 85 && yellow >= 250)); }
splat_near() {  # splat_near X Y: a splat's red in the 90 x 90 square around it
  local x0=$(($1 - 45)) y0=$(($2 - 45))
  ((x0 < 0)) && x0=0
  ((y0 < 0)) && y0=0
  ((x0 > dw - 90)) && x0=$((dw - 90))
  ((y0 > dh - 90)) && y0=$((dh - 90))
  grab near && look near photo "$x0" "$y0" 90 90 && ((red >= 150))
}
second_output_black() {
  as_user grim -t ppm -o HEADLESS-2 "$work/pics/second.ppm" && cp "$work/pics/second.ppm" "$work/second.ppm" &&
    look second pattern && ((black >= 99))
}
case_game() {  # case_game SCALE OUTPUTS
  start_sway "$1" "$2" || return 1
  start_portal grim || { why="the stand-in portal did not come up"; return 1; }
  pointer 640 360
  start_grinzo --fullscreen --no-sound --level 1 --faces 30
  wait_for 10 covered ||
    { why="not every output covered by a full-screen grinzo ($(alive "$gpid" && echo running || echo ended))"; return 1; }
  wait_for 5 game_on_photo || { why="not the photograph at 1:1 with faces: $(looked)"; return 1; }
  # Thirty 30 x 30 faces show about 500 yellow pixels each, doubled ones
  # four times as many.
  ((yellow <= 30 * 600)) || { why="faces larger than 30 x 30: $(looked)"; return 1; }
  if ((outputs == 2)); then
    wait_for 3 second_output_black || { why="the second output is not covered in black: $(looked)"; return 1; }
  fi
  local x y hit=""
  for _ in $(seq 10); do
    alive "$gpid" || { why="the game ended while aiming"; return 1; }
    as_user grim -t ppm -o HEADLESS-1 "$work/pics/aim.ppm"
    face=$(python3 "$look_py" aim "$work/pics/aim.ppm")
    if [ "$face" != none ]; then
      x=${face%,*} y=${face#*,}
      pointer "$x" "$y"
      click
      pointer $((dw - 40)) $((dh - 40))
      if wait_for 1 splat_near "$x" "$y"; then hit=1; break; fi
    fi
    sleep 0.6
  done
  [ -n "$hit" ] || { why="no splat under the pointer after 10 shots: $(looked)"; return 1; }
  if [ -n "$shots" ] && ((scale == 2 && outputs == 1)); then
    convert "$work/near.ppm" -resize 50% "$shots/wayland-game.png"
  fi
  key q
  ended_ok 2
}

case_swayidle() {
  start_sway 1 1 || return 1
  start_portal grim || { why="the stand-in portal did not come up"; return 1; }
  "${as_nobody[@]}" swayidle -w timeout 2 "$work/bin/grinzo --no-sound" >"$work/swayidle.log" 2>&1 &
  started+=($!)
  local idle_pid=$!
  wait_for 6 grinzo_running || { why="swayidle started no grinzo within 6 s: $(tail -n 3 "$work/swayidle.log")"; return 1; }
  gpid=$(grinzo_pids | head -n 1)
  wait_for 10 covered || { why="grinzo from swayidle does not cover the output"; return 1; }
  sleep 1  # the first half second ignores the ending input
  key q
  wait_for 2 gone || { why="grinzo still running 2 s after a key"; return 1; }
  kill_all "$idle_pid"
}

generated_within() {  # generated_within SECONDS: the game on the generated picture by then
  local start
  start=$(ms_now)
  start_grinzo --fullscreen --no-sound --faces 12
  wait_for "$1" covered || { why="not covered within $1 s"; return 1; }
  grab game && look game
  while ! ((same < 10 && yellow >= 250)); do  # neither pattern nor photo
    (($(ms_now) - start < $1 * 1000)) || { why="no generated picture within $1 s: $(looked)"; return 1; }
    sleep 0.1
    grab game && look game
  done
  sleep 0.5
  key q
  ended_ok 2
}
case_portal_refuses() {
  start_sway 1 1 || return 1
  start_portal refuse || { why="the stand-in portal did not come up"; return 1; }
  generated_within 3 || return 1
  grep -q "refused" "$grinzo_log" || { why="no word of the refusal on stderr"; return 1; }
}
# The wait for the portal is bounded (2.5 s).
case_silent_portal() {
  start_sway 1 1 || return 1
  start_portal silent || { why="the stand-in portal did not come up"; return 1; }
  generated_within 5 || return 1
  grep -q "no answer within" "$grinzo_log" || { why="no word of the silent portal on stderr"; return 1; }
}
case_no_portal() {
  start_sway 2 1 || return 1
  generated_within 3
}

case_ "scale 1, one output: covered, the photo at 1:1 and opaque, 30 x 30 faces, a splat under the pointer, a key ends it" case_game 1 1
case_ "scale 2, one output: the same" case_game 2 1
case_ "scale 1, two outputs: the game on the first, black on the second" case_game 1 2
case_ "scale 2, two outputs: the same" case_game 2 2
case_ "swayidle -w timeout 2 grinzo: starts it, a key ends it" case_swayidle
case_ "a portal that refuses: the generated picture within 3 s" case_portal_refuses
case_ "a portal that never answers: the generated picture within 5 s" case_silent_portal
case_ "no portal: the generated picture within 3 s" case_no_portal

if ((failed > 0)); then
  echo "-- last lines of grinzo's output:"
  tail -n 60 "$grinzo_log"
  echo "-- sway:"
  tail -n 5 "$work/sway.log"
fi
cases_summary
