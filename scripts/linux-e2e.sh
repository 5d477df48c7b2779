#!/usr/bin/env bash
# End-to-end test of the Linux program grinzo on a private virtual X display
# (Xvfb, 1024x768, no window manager) whose root window shows a generated
# test pattern:
#   - bad command lines end with status 2; apps/qt/grinzo.xml is well-formed;
#   - the full-screen game covers the screen, shows the pattern at 1:1 with
#     faces on it, a shot face leaves a red splat, "s" does not end it, a key
#     and (in a second run) the right button do, with status 0;
#   - the game in a host window (--window-id) fills it and follows its size,
#     ignores keys and clicks, and ends with status 0 within 2 s when the
#     host is destroyed or on SIGTERM, SIGINT and SIGHUP;
#   - on a display it believes runs at 240 Hz, it draws at most 60 frames a
#     second and the faces move;
#   - XScreenSaver's own daemon, as an unprivileged user, runs it as its only
#     module: -activate starts it and shows faces, -deactivate ends it;
#   - under QT_SCALE_FACTOR=2 the game still shows the desktop at 1:1 with
#     30 x 30 faces and a click lands under the pointer;
#   - the photograph is private (folder 0700, file 0600) and gone after the
#     game; on a full disk (a 1 MiB tmpfs) the --root module says "No space
#     left on device" and plays on; a display nobody serves gives one line
#     and status 1.
#   scripts/linux-e2e.sh BUILD_DIR [SHOTS_DIR]
#   scripts/linux-e2e.sh --module PROGRAM
# The second form runs the daemon's case alone against an installed program
# (say the Debian package's /usr/libexec/xscreensaver/grinzo, a link to its
# program): the daemon runs that link, and the program uses its installed data
# files. Both forms name the program to the daemon by its absolute path, so a
# grinzo installed on the machine never stands in for the one under test.
# With SHOTS_DIR, saves linux-game.png (full screen with a
# splat) and linux-daemon.png there. Prints one line per case, then "N passed, M failed";
# exits 1 when anything failed. Every wait is bounded; every process it
# started and its work folder go at the end, whatever happens.
# Runs as root (the daemon's part switches to the user nobody). Needs the
# Debian packages xvfb, xdotool, x11-utils, imagemagick, xscreensaver,
# libxml2-utils, procps, gcc and libx11-dev (it compiles
# tests/e2e_linux/xprobe.c, its X helper).
set -euo pipefail
usage="usage: $0 BUILD_DIR [SHOTS_DIR] | --module PROGRAM"
if [ $# -lt 1 ] || [ $# -gt 2 ]; then echo "$usage" >&2; exit 2; fi
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/scripts/lib/procs.sh"
source "$here/scripts/lib/x11.sh"
source "$here/scripts/lib/checks.sh"
module=""
build_bin=""
shots=""
if [ "$1" = --module ]; then
  [ $# -eq 2 ] || { echo "$usage" >&2; exit 2; }
  module=$(realpath -s "$2")
  [ -x "$module" ] || { echo "$0: $module is not a program" >&2; exit 2; }
else
  build_bin=$(cd "$1/bin" && pwd)
  if [ $# -ge 2 ]; then
    mkdir -p "$2"
    shots=$(cd "$2" && pwd)
  fi
fi
assets=(grinzo mouseicon.ico gun.wav shotgun.wav machgun.wav)
for f in "${assets[@]}"; do
  [ -z "$build_bin" ] || [ -f "$build_bin/$f" ] ||
    { echo "$0: $build_bin/$f is missing (build it first)" >&2; exit 2; }
done
for tool in Xvfb xdotool xwininfo import xscreensaver xscreensaver-command xmllint cc setpriv pgrep mountpoint; do
  command -v "$tool" >/dev/null || { echo "$0: $tool is missing (install the packages named at the top)" >&2; exit 2; }
done

# --- The work folder and every process started, gone on exit ------------------

work=$(mktemp -d "${TMPDIR:-/tmp}/grinzo-linux-e2e.XXXXXX")
started=()  # ids of the background processes this script started
nobody=65534

# The folder of the module, the command the daemon's settings name, and the
# program file that runs (the module may be a link to it). The command is an
# absolute path: by a bare name the daemon looks in its own module folder
# before PATH, and would start a grinzo installed on the machine instead of
# the one under test.
if [ -n "$module" ]; then
  module_dir=$(dirname "$module")
  module_command=$module
  program_file=$(readlink -f "$module")
else
  module_dir=$work/bin
  module_command=$work/bin/grinzo
  program_file=$work/bin/grinzo
fi
# The grinzo processes of this run, found by their program file (the daemon
# starts them itself, so the command line does not tell).
grinzo_pids() {
  { find /proc -mindepth 2 -maxdepth 2 -name exe -lname "$program_file" 2>/dev/null || true; } | cut -d/ -f3
}
cleanup() {
  local pids=() p
  set +e  # nothing may cut the cleaning short
  # Descendants first collected, so none is orphaned out of sight.
  for p in "${started[@]}"; do mapfile -t -O "${#pids[@]}" pids < <(tree_of "$p"); done
  mapfile -t -O "${#pids[@]}" pids < <(grinzo_pids)
  kill_all "${pids[@]}"
  ! mountpoint -q "$work/full" || umount "$work/full"
  rm -rf "$work"
}
trap cleanup EXIT
# A signal to this script alone (not its process group) ends it too.
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# The program, readable by the unprivileged user who runs the daemon's modules
# (the build tree may sit in a folder only root enters). Its own folder is not
# writable by that user: the daemon's runs use the per-user folder.
chmod 755 "$work"
mkdir -p "$work/bin" "$work/home" "$work/root-run"
if [ -n "$build_bin" ]; then
  for f in "${assets[@]}"; do install -m 644 "$build_bin/$f" "$work/bin/$f"; done
  chmod 755 "$work/bin/grinzo"
fi
mkdir -p "$work/home/.config" "$work/home/.local/share" "$work/home/run"
chown -R "$nobody:$nobody" "$work/home"
chmod 700 "$work/home/run" "$work/root-run"
xprobe_build "$work"

# --- The display --------------------------------------------------------------

# -noreset: the root window keeps the pattern after the helper that set it
# disconnects (a server left without clients resets otherwise).
xvfb_start "$work" 1024x768x24 -noreset || exit 1
started+=("$xvfb_pid")
sw=1024 sh=768
ref=$work/pattern.ppm
"$work/xprobe" pattern "$ref"

# --- Probes -------------------------------------------------------------------

# look X Y W H: grabs that screen rectangle and sets same (percent of pixels
# equal to the pattern), yellow, splat (red pixels away from faces, whose
# grins are red too), magenta (pixel counts) and face ("X,Y" of a face's
# centre, or "none"). See tests/e2e_linux/xprobe.c.
same="" yellow="" splat="" magenta="" face=""
look() {
  local out kv
  out=$("$work/xprobe" look "$ref" "$@") || return 1
  for kv in $out; do printf -v "${kv%%=*}" %s "${kv#*=}"; done
}
looked() { echo "same=$same% yellow=$yellow splat=$splat magenta=$magenta face=$face"; }
# look_near X Y: look at the 90 x 90 square around a point (a splat is 51 x 50
# and lands on the face's centre, which may have moved since it was aimed at).
look_near() {
  local x0=$(($1 - 45)) y0=$(($2 - 45))
  ((x0 < 0)) && x0=0
  ((y0 < 0)) && y0=0
  ((x0 > sw - 90)) && x0=$((sw - 90))
  ((y0 > sh - 90)) && y0=$((sh - 90))
  look "$x0" "$y0" 90 90
}
# A splat has 505 red pixels; the bullet hole painted over its middle leaves
# about 300, a face passing over it covers up to half of that.
splat_near() { look_near "$@" && ((splat >= 100)); }
shot() { [ -z "$shots" ] || import -window root "$shots/$1"; }

# --- Runs of grinzo -----------------------------------------------------------

grinzo_log=$work/grinzo.log
gpid=""
# start_grinzo ARGS...: as root, with settings of its own. SIGINT back to its
# default: bash has background jobs ignore it, which would hide the program's
# own handling.
start_grinzo() {
  env --default-signal=INT,QUIT XDG_CONFIG_HOME="$work/root-config" XDG_DATA_HOME="$work/root-data" \
    XDG_RUNTIME_DIR="$work/root-run" "$work/bin/grinzo" "$@" >>"$grinzo_log" 2>&1 &
  gpid=$!
  started+=("$gpid")
  echo "-- grinzo $* (pid $gpid)" >>"$grinzo_log"
}
gone() { ! alive "$gpid"; }
grinzo_running() { [ -n "$(grinzo_pids)" ]; }
no_grinzo() { ! grinzo_running; }
# ended_ok SECONDS: the run ends within that time with status 0, leaving no
# grinzo process; sets why otherwise.
ended_ok() {
  local status=0
  if ! wait_for "$1" gone; then why="still running after $1 s"; return 1; fi
  wait "$gpid" || status=$?
  [ "$status" -eq 0 ] || { why="exit status $status"; return 1; }
  no_grinzo || { why="grinzo processes left: $(grinzo_pids | tr '\n' ' ')"; return 1; }
}
# The grinzo window that covers the screen: a visible window of the process
# at 0,0 and of the screen's size.
covers_screen() {
  local w geometry
  for w in $(xdotool search --onlyvisible --pid "$gpid" 2>/dev/null); do
    geometry=$(xwininfo -id "$w" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
      /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x "," y "," w "x" h}')
    [ "$geometry" = "0,0,${sw}x$sh" ] && return 0
  done
  return 1
}

host_pid="" host=""
start_host() {  # start_host WxH+X+Y: a magenta window of another client
  "$work/xprobe" host "$1" >"$work/host.id" &
  host_pid=$!
  started+=("$host_pid")
  wait_for 5 test -s "$work/host.id"
  host=$(head -n 1 "$work/host.id")
}
daemon_pid=""
stop_host() { [ -z "$host_pid" ] || kill_all "$host_pid"; host_pid=""; : >"$work/host.id"; }

# host_filled X Y W H: the game covers the host's magenta (but for 2 %) and
# shows faces there.
host_filled() { look "$@" && ((magenta * 50 < $3 * $4)) && ((yellow >= 250)); }

# --- Cases --------------------------------------------------------------------

case_cleanup() {
  local left
  mapfile -t left < <(grinzo_pids)
  kill_all "${left[@]}"
  stop_host
  # A daemon left by a failed case would blank the screen and take the
  # keyboard from the next ones.
  stop_daemon
}

case_arguments() {
  local args status
  for args in "--level 0" "--level 11" "--faces 0" "--faces 32768" "--faces x" "--bogus"; do
    status=0
    # shellcheck disable=SC2086  # the options are words
    XDG_CONFIG_HOME="$work/root-config" timeout 10 "$work/bin/grinzo" $args >>"$grinzo_log" 2>&1 || status=$?
    [ "$status" -eq 2 ] || { why="grinzo $args: exit status $status, not 2"; return 1; }
  done
}

case_module_description() {
  why=$(xmllint --noout "$here/apps/qt/grinzo.xml" 2>&1) || return 1
  # What the settings dialog of XScreenSaver will put on the command line.
  grep -q '<command arg="--root"/>' "$here/apps/qt/grinzo.xml" || { why="no --root command"; return 1; }
}

desktop_with_faces() { look 0 0 "$sw" "$sh" && ((same >= 90 && yellow >= 250)); }
# Faces move: aims at one from a fresh grab, up to 10 shots, each more than
# the handgun's half second after the last, none in the first half second of
# the game, which also ignores clicks. True once a splat shows where the shot
# went; $aim then holds that place ("x,y").
shoot_a_face() {
  sleep 1
  for _ in $(seq 10); do
    look 0 0 "$sw" "$sh"
    if [ "$face" != none ]; then
      aim=$face
      xdotool mousemove "${aim%,*}" "${aim#*,}" click 1
      wait_for 1 splat_near "${aim%,*}" "${aim#*,}" && return 0
    fi
    sleep 0.6
  done
  return 1
}
case_fullscreen_game() {
  xdotool mousemove 512 384
  start_grinzo --fullscreen --no-sound --level 1 --faces 12
  wait_for 10 covers_screen || { why="no window of the process at 0,0 ${sw}x$sh"; return 1; }
  # The desktop photographed at 1:1: a picture moved or scaled by one pixel
  # matches the pattern nowhere; faces and labels cover a few percent.
  wait_for 5 desktop_with_faces ||
    { why="not the desktop at 1:1 with faces: $(looked)"; return 1; }
  local x y
  shoot_a_face || { why="no splat after 10 shots at faces"; return 1; }
  x=${aim%,*} y=${aim#*,}
  # Painted for good: still there a second later (a face passing over it may
  # hide part of it for a moment). The crosshair moves off it for the picture.
  xdotool mousemove $((sw - 40)) $((sh - 40))
  sleep 1
  wait_for 2 splat_near "$x" "$y" || { why="the splat at $x,$y went: $(looked)"; return 1; }
  shot linux-game.png
}

case_key_ends_game() {
  xdotool mousemove 512 384
  start_grinzo --no-sound
  wait_for 10 covers_screen || { why="no window of the process at 0,0 ${sw}x$sh"; return 1; }
  sleep 1  # the first half second ignores the ending input
  # "s" changes the weapon and nothing else.
  xdotool key s
  sleep 0.5
  alive "$gpid" || { why="\"s\" ended the game"; return 1; }
  xdotool key q
  ended_ok 2
}

case_right_button_ends_game() {
  xdotool mousemove 512 384
  start_grinzo --no-sound
  wait_for 10 covers_screen || { why="no window of the process at 0,0 ${sw}x$sh"; return 1; }
  sleep 1  # the first half second ignores the ending input
  xdotool click 3
  ended_ok 2
}

# A sound file that is not a wave file, and one that is missing: the shots
# stay silent and the game goes on.
case_broken_sounds() {
  mv "$work/bin/gun.wav" "$work/gun.wav.kept"
  mv "$work/bin/machgun.wav" "$work/machgun.wav.kept"
  echo "not a wave file" >"$work/bin/gun.wav"
  start_grinzo --fullscreen --sound --level 3
  sleep 1
  local i
  for i in 1 2 3 4; do
    xdotool mousemove $((200 * i)) 300 click 1
    sleep 0.6
  done
  xdotool key s key s mousemove 300 400 mousedown 1 mousemove 400 400 mousemove 500 420 mouseup 1
  sleep 0.5
  local ok=1
  alive "$gpid" || { why="the game ended while shooting with broken sounds"; ok=""; }
  xdotool key q
  [ -z "$ok" ] || ended_ok 2 || ok=""
  mv -f "$work/gun.wav.kept" "$work/bin/gun.wav"
  mv -f "$work/machgun.wav.kept" "$work/bin/machgun.wav"
  [ -n "$ok" ]
}

case_host_window() {
  start_host 400x300+520+400
  start_grinzo --window-id "$host" --no-sound --no-demo --faces 12
  wait_for 10 host_filled 520 400 400 300 || { why="the host does not show the game: $(looked)"; return 1; }
  xdotool windowsize "$host" 500 360
  wait_for 3 host_filled 520 400 500 360 || { why="the game does not follow the host's size: $(looked)"; return 1; }
  # Input goes nowhere: a shot at a face leaves no splat, the right button
  # and keys do not end it.
  local x y
  look 520 400 500 360
  [ "$face" != none ] || { why="no face to aim at: $(looked)"; return 1; }
  x=${face%,*} y=${face#*,}
  xdotool mousemove "$x" "$y" click 1
  sleep 0.7
  if splat_near "$x" "$y"; then why="a click into the host made a splat"; return 1; fi
  xdotool click 3 key q key Escape
  sleep 1
  alive "$gpid" || { why="a click or key ended the game in the host"; return 1; }
  stop_host
  ended_ok 2 || { why="after the host was destroyed: $why"; return 1; }
}

case_signals() {
  local sig
  for sig in TERM INT HUP; do
    # A fresh host each time: the last run's picture may stay in an old one.
    start_host 320x240+600+480
    start_grinzo --window-id "$(printf '0x%x' "$host")" --no-sound
    wait_for 10 host_filled 600 480 320 240 || { why="SIG$sig run: the host does not show the game: $(looked)"; return 1; }
    kill -"$sig" "$gpid"
    ended_ok 2 || { why="SIG$sig: $why"; return 1; }
    stop_host
  done
}

# The configuration dialog with its "Error" box open: SIGTERM ends the
# program within half a second (the box does not wait for the user), and
# the idle dialog does not wake itself up at all (the focus on the check
# box: a text box's blinking cursor would wake it twice a second).
windows_of_grinzo() { xdotool search --onlyvisible --pid "$gpid" 2>/dev/null | wc -l; }
dialog_shown() { (($(windows_of_grinzo) >= 1)); }
box_shown() { (($(windows_of_grinzo) >= 2)); }
case_signal_over_message_box() {
  local before after start elapsed
  start_grinzo --config
  wait_for 10 dialog_shown || { why="no dialog"; return 1; }
  xdotool key Tab Tab
  sleep 1
  before=$(awk '/^voluntary_ctxt_switches/ { print $2 }' "/proc/$gpid/status")
  sleep 3
  after=$(awk '/^voluntary_ctxt_switches/ { print $2 }' "/proc/$gpid/status")
  ((after - before <= 2)) || { why="the idle dialog woke $((after - before)) times in 3 s"; return 1; }
  xdotool key alt+s
  sleep 0.2
  xdotool type 99
  xdotool key Tab
  wait_for 3 box_shown || { why="no message box for level 99"; return 1; }
  start=${EPOCHREALTIME//[.,]/}
  kill -TERM "$gpid"
  ended_ok 2 || { why="SIGTERM over the message box: $why"; return 1; }
  elapsed=$(((${EPOCHREALTIME//[.,]/} - start) / 1000))
  ((elapsed <= 500)) || { why="SIGTERM over the message box took $elapsed ms"; return 1; }
  echo "   ended $elapsed ms after SIGTERM; $((after - before)) wake-ups in 3 s idle"
}

# A display the program believes runs at 240 Hz: frames still come at most 60
# a second (the game's own frame-rate file says so), and the faces move
# between two grabs 2 s apart. Unpaced, each frame's step would round away
# to nothing and the faces would stand still.
case_paced_frames() {
  local fps_file=$work/root-data/grinzo/grinzofps.txt out fps shown gone
  rm -f "$fps_file"
  xdotool mousemove 512 384
  GRINZO_REFRESH_RATE=240 start_grinzo --fullscreen --no-sound --level 1 --faces 10
  wait_for 10 covers_screen || { why="no window of the process at 0,0 ${sw}x$sh"; return 1; }
  # The first line is measured from the loop's start: wait for a later one.
  wait_for 5 test -s "$fps_file" || { why="no frame-rate file"; return 1; }
  sleep 1.5
  out=$("$work/xprobe" moved 2)
  shown=${out#yellow=} shown=${shown%% *} gone=${out##*moved=}
  ((shown >= 2500)) || { why="too few faces on the screen: $out"; return 1; }
  ((gone * 10 >= shown * 8)) || { why="the faces stood still over 2 s: $out"; return 1; }
  fps=$(tr -d '\r\n' <"$fps_file")
  awk -v f="$fps" 'BEGIN { exit !(f >= 20 && f <= 62) }' ||
    { why="$fps frames a second, not 20 to 62"; return 1; }
  echo "   $fps frames a second at 240 Hz; $out"
}

daemon_up() { xscreensaver-command -version >/dev/null 2>&1; }
faces_shown() { look 0 0 "$sw" "$sh" && ((yellow >= 250)); }
# The demo plays in the daemon's window: splats appear with nobody at the mouse.
demo_shoots() { look 0 0 "$sw" "$sh" && ((splat >= 100)); }
# start_daemon GRAB: XScreenSaver's daemon as nobody, with the module alone,
# shown at once: no splash, fade or lock, and no idle activation during the
# test. Its line is the one grinzo.xml's defaults make (sound on; there is
# no audio device here, so it stays quiet). GRAB is its grabDesktopImages
# setting: whether it photographs the desktop for its modules.
start_daemon() {
  local home=$work/home
  cat >"$home/.xscreensaver" <<EOF
mode:		one
selected:	0
timeout:	1:00:00
cycle:		0:00:00
lock:		False
splash:		False
fade:		False
unfade:		False
dpmsEnabled:	False
grabDesktopImages:	$1
programs:	$module_command --root	\n
EOF
  chown "$nobody:$nobody" "$home/.xscreensaver"
  setpriv --reuid="$nobody" --regid="$nobody" --clear-groups \
    env -i HOME="$home" PATH="$module_dir:/usr/bin:/bin" DISPLAY="$DISPLAY" \
    XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$home/run" \
    xscreensaver --no-splash >>"$work/xscreensaver.log" 2>&1 &
  daemon_pid=$!
  started+=("$daemon_pid")
  wait_for 10 daemon_up
}
stop_daemon() {
  local pids
  [ -n "$daemon_pid" ] || return 0
  mapfile -t pids < <(tree_of "$daemon_pid")
  kill_all "${pids[@]}"
  daemon_pid=""
}
# The daemon's photograph of the desktop (the pattern, at 1:1) under faces;
# the demo's splats and the faces cover a few percent.
daemon_photo() { look 0 0 "$sw" "$sh" && ((same >= 80 && yellow >= 250)); }
# The generated picture instead: faces on a screen that is not the pattern.
generated_picture() { look 0 0 "$sw" "$sh" && ((same < 10 && yellow >= 250)); }
# daemon_activate GRAB: the daemon up with that grabDesktopImages, and
# -activate has started grinzo. daemon_deactivate: -deactivate ends it. The
# daemon itself goes with the case's cleanup.
daemon_activate() {
  start_daemon "$1" || { why="the daemon did not come up"; return 1; }
  xscreensaver-command -activate >/dev/null
  wait_for 10 grinzo_running || { why="-activate started no grinzo"; return 1; }
}
daemon_deactivate() {
  xscreensaver-command -deactivate >/dev/null
  wait_for 2 no_grinzo || { why="grinzo still running 2 s after -deactivate"; return 1; }
}
case_xscreensaver_daemon() {
  daemon_activate True || return 1
  wait_for 10 daemon_photo ||
    { why="not the daemon's photograph of the desktop with faces: $(looked)"; return 1; }
  wait_for 15 demo_shoots || { why="the demo left no splat: $(looked)"; return 1; }
  shot linux-daemon.png
  daemon_deactivate
}

# A daemon told not to photograph the desktop: the generated picture.
case_xscreensaver_no_grab() {
  daemon_activate False || return 1
  wait_for 3 generated_picture ||
    { why="not the generated picture with faces within 3 s: $(looked)"; return 1; }
  daemon_deactivate
}

# Qt told to scale by 2: the window is half as large in Qt's units, yet one
# pixel of the picture stays one of the screen's.
case_scaled_qt() {
  xdotool mousemove 512 384
  QT_SCALE_FACTOR=2 start_grinzo --fullscreen --no-sound --level 1 --faces 12
  wait_for 10 covers_screen || { why="no window of the process at 0,0 ${sw}x$sh"; return 1; }
  wait_for 5 desktop_with_faces || { why="not the desktop at 1:1 with faces: $(looked)"; return 1; }
  # Twelve faces of 30 x 30 show about 500 yellow pixels each; doubled ones
  # four times as many.
  ((yellow <= 12 * 600)) || { why="faces larger than 30 x 30: $(looked)"; return 1; }
  shoot_a_face || { why="no splat under the pointer after 10 shots at faces"; return 1; }
  xdotool key q
  ended_ok 2
}

case_private_photo() {
  local data=$work/root-data
  rm -rf "$data"
  start_grinzo --fullscreen --no-sound
  wait_for 10 test -f "$data/grinzo/snapshot.bmp" || { why="no snapshot.bmp"; return 1; }
  local modes
  modes=$(stat -c %a "$data" "$data/grinzo" "$data/grinzo/snapshot.bmp" | tr '\n' ' ')
  [ "$modes" = "700 700 600 " ] || { why="modes of the folders and the file: $modes"; return 1; }
  sleep 1
  xdotool key q
  ended_ok 2 || return 1
  [ ! -e "$data/grinzo/snapshot.bmp" ] || { why="snapshot.bmp left after the game"; return 1; }
  # A game in a window photographs only what the window shows.
  start_grinzo --window 320x240 --no-sound
  wait_for 10 test -s "$data/grinzo/snapshot.bmp" || { why="--window: no snapshot.bmp"; return 1; }
  local size
  size=$(od -An -t d4 -j 18 -N 8 "$data/grinzo/snapshot.bmp" | tr -s ' ')
  [ "$size" = " 320 240" ] || { why="--window wrote a picture of${size:- no size}, not 320 240"; return 1; }
  kill -TERM "$gpid"
  ended_ok 2
}

case_full_disk() {
  mkdir -p "$work/full"
  mount -t tmpfs -o size=1m,mode=700 tmpfs "$work/full" || { why="cannot mount a tmpfs"; return 1; }
  env --default-signal=INT XDG_CONFIG_HOME="$work/root-config" XDG_DATA_HOME="$work/full" \
    XDG_RUNTIME_DIR="$work/root-run" "$work/bin/grinzo" --root >"$work/full.log" 2>&1 &
  gpid=$!
  started+=("$gpid")
  local ok=1
  wait_for 10 faces_shown || { why="no faces on the root window: $(looked)"; ok=""; }
  [ -z "$ok" ] || grep -q "snapshot.bmp.*No space left on device" "$work/full.log" ||
    { why="no ENOSPC message: $(head -c 300 "$work/full.log")"; ok=""; }
  [ -z "$ok" ] || alive "$gpid" || { why="the module ended"; ok=""; }
  [ -z "$ok" ] || { kill -TERM "$gpid"; ended_ok 2; } || ok=""
  umount "$work/full"
  [ -n "$ok" ]
}

case_no_display() {
  local status=0 out
  out=$(DISPLAY=:$((${DISPLAY#:} + 50)) XDG_CONFIG_HOME="$work/root-config" timeout 10 \
    "$work/bin/grinzo" --window 2>&1) || status=$?
  [ "$status" -eq 1 ] || { why="exit status $status, not 1: $out"; return 1; }
  [ "$(printf '%s\n' "$out" | wc -l)" -eq 1 ] && [[ $out == "grinzo: cannot open"* ]] ||
    { why="not one line: $out"; return 1; }
}

if [ -n "$module" ]; then
  case_ "xscreensaver daemon running $module: -activate shows the daemon's photograph of the desktop with faces and the demo's splats, -deactivate ends it" case_xscreensaver_daemon
else
  case_ "bad command lines end with status 2" case_arguments
  case_ "apps/qt/grinzo.xml is a well-formed module description" case_module_description
  case_ "full screen: covers the screen, the desktop at 1:1 with faces, a shot face leaves a splat" case_fullscreen_game
  case_ "full screen: \"s\" goes on, another key ends it with status 0" case_key_ends_game
  case_ "full screen: the right button ends it with status 0" case_right_button_ends_game
  case_ "full screen: a broken and a missing sound file leave the game playing" case_broken_sounds
  case_ "host window: fills it, follows its size, ignores input, ends with it" case_host_window
  case_ "host window: SIGTERM, SIGINT, SIGHUP end it within 2 s with status 0" case_signals
  case_ "configuration dialog: no wake-ups while idle, SIGTERM ends it within 0.5 s over its message box" case_signal_over_message_box
  case_ "full screen at 240 Hz: at most 60 frames a second, the faces move" case_paced_frames
  case_ "xscreensaver daemon: -activate shows the daemon's photograph of the desktop at 1:1 with faces and the demo's splats, -deactivate ends grinzo" case_xscreensaver_daemon
  case_ "xscreensaver daemon with grabDesktopImages False: the generated picture within 3 s" case_xscreensaver_no_grab
  case_ "QT_SCALE_FACTOR=2: the desktop at 1:1, 30 x 30 faces, a click splats under the pointer" case_scaled_qt
  case_ "the photograph: folder 0700, file 0600, gone after the game, only the window's part in --window" case_private_photo
  case_ "a full disk: --root says ENOSPC and plays on the picture in memory" case_full_disk
  case_ "a display nobody serves: one line, status 1" case_no_display
fi

if ((failed > 0)); then
  echo "-- last lines of grinzo's output:"
  tail -n 20 "$grinzo_log"
  [ ! -s "$work/xscreensaver.log" ] || { echo "-- xscreensaver:"; tail -n 20 "$work/xscreensaver.log"; }
fi
cases_summary
