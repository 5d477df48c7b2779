# Shared by the end-to-end scripts (source it): a private virtual X display
# and fresh Wine prefixes under one work folder, all taken down on exit.
#   desktop_start                 makes $work, starts Xvfb (1024x768, or
#                                 $GRINZO_SCREEN such as 1920x1080x24), exports
#                                 DISPLAY; everything is stopped and removed
#                                 when the script exits
#   prefix_make DIR [win32]       a fresh Wine prefix in DIR (win32: a 32-bit
#                                 one), without a window manager, with the
#                                 classic dialog fonts and no sound device;
#                                 exports WINEPREFIX and sets wine (an array)
#                                 to the loader of the prefix's bitness
#   shots_serve PID DIR           while PID runs, answers NAME.request files in
#                                 DIR (a screen rectangle) with NAME.png and
#                                 NAME.done
# Every wait is bounded.

source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib/x11.sh"
work=""
prefixes=()

desktop_cleanup() {
  local p
  for p in "${prefixes[@]}"; do
    WINEPREFIX=$p timeout 20 wineserver -k >/dev/null 2>&1 || true
  done
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  if [ -n "$work" ]; then rm -rf "$work"; fi
}

desktop_start() {
  work=$(mktemp -d "${TMPDIR:-/tmp}/grinzo-e2e.XXXXXX")
  trap desktop_cleanup EXIT
  # -noreset: a root-window picture set by a client that has gone stays,
  # however many clients are connected at that moment.
  xvfb_start "$work" "${GRINZO_SCREEN:-1024x768x24}" -noreset || exit 1
}

prefix_make() {
  prefixes+=("$1")
  wine_prefix_ensure "$1" "${2:-win64}"
  if [ "${2:-}" = win32 ]; then wine=("${wine32[@]}"); else wine=("${wine64[@]}"); fi
  # No window manager runs: Wine draws the frames and activates windows itself.
  timeout 60 "${wine[@]}" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  # No sound device here: the null driver keeps playback quiet.
  timeout 60 "${wine[@]}" reg add 'HKCU\Software\Wine\Drivers' /v Audio /d '' /f >/dev/null 2>&1
  # The classic dialog fonts (MS Sans Serif; Marlett draws the title-bar buttons).
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
}

shots_serve() {
  local pid=$1 dir=$2 request name
  while kill -0 "$pid" 2>/dev/null; do
    for request in "$dir"/*.request; do
      [ -e "$request" ] || continue
      name=${request%.request}
      import -window root -crop "$(head -n 1 "$request")" +repage "$name.png"
      rm -f "$request"
      touch "$name.done"
    done
    sleep 0.1
  done
  rm -f "$dir"/*.done
}
