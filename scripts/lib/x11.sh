# shellcheck shell=bash
# A private X display and the X probe, for the test scripts (source it).
#   xvfb_start DIR SCREEN [ARG...]  starts Xvfb with SCREEN (WxHxDEPTH) and
#                                   ARGs on a display number it picks itself
#                                   (-displayfd, so that runs side by side
#                                   never collide), its output in
#                                   DIR/xvfb.log; sets xvfb_pid and exports
#                                   DISPLAY. Status 1, the log on stderr,
#                                   when it has not started within 10 s; the
#                                   caller stops it (kill "$xvfb_pid").
#   xprobe_build DIR                compiles tests/e2e_linux/xprobe.c, the
#                                   screen and window helper, to DIR/xprobe
#                                   (needs cc and libx11-dev)

xvfb_pid=""

xvfb_start() {
  local dir=$1 screen=$2
  shift 2
  Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp "$@" 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
  # shellcheck disable=SC2034 # the caller stops it
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$dir/display" ] && break
    sleep 0.1
  done
  if [ ! -s "$dir/display" ]; then
    echo "$0: Xvfb did not start" >&2
    cat "$dir/xvfb.log" >&2
    return 1
  fi
  DISPLAY=":$(head -n 1 "$dir/display")"
  export DISPLAY
}

xprobe_build() {
  cc -std=c11 -O2 -o "$1/xprobe" "$(dirname "${BASH_SOURCE[0]}")/../../tests/e2e_linux/xprobe.c" -lX11
}
