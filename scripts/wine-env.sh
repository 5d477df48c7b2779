# Shared by every script that runs a Windows program (source it). Programs run
# through an explicit Wine loader, never through /usr/bin/wine, which picks the
# 32-bit loader whenever wine32 is installed, even where the kernel cannot run
# it.
#   "${wine64[@]}" ARGS...    runs a 64-bit program (or a Wine tool) with the
#                             64-bit loader
#   "${wine32[@]}" ARGS...    the same with the 32-bit loader (wine32:i386)
#   wine_loader_check 64|32   fails with a message naming the missing package
#   wine_prefix_ensure DIR [win32]
#                             makes DIR a working Wine prefix (64-bit, or
#                             32-bit with win32) and exports WINEPREFIX. A
#                             prefix is used again only when its set-up
#                             finished with the loaders installed now;
#                             anything else found there is removed and made
#                             anew. Concurrent callers wait for each other.

export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
wine64_loader=/usr/lib/wine/wine64
wine32_loader=/usr/lib/wine/wine

# Commands as arrays, so that timeout and env can run them: "${wine64[@]}" ARGS.
wine64=(env WINELOADER=$wine64_loader $wine64_loader)
wine32=(env WINELOADER=$wine32_loader $wine32_loader)

# wine_loader_check 64|32: fails with a message when that loader is missing.
wine_loader_check() {
  local loader=$wine64_loader package=wine64
  [ "$1" = 32 ] && loader=$wine32_loader package=wine32:i386
  [ -x "$loader" ] && return 0
  echo "$0: Wine's $1-bit loader $loader is missing (Debian package $package)" >&2
  return 1
}

# The loaders a prefix was made with: a prefix works only with those.
wine_loaders_installed() {
  local found=()
  [ -x "$wine64_loader" ] && found+=(wine64)
  [ -x "$wine32_loader" ] && found+=(wine32)
  echo "${found[*]}"
}

wine_prefix_ensure() {
  local dir=$1 arch=${2:-win64} stamp want
  wine_loader_check "$([ "$arch" = win32 ] && echo 32 || echo 64)" || return 1
  stamp=$dir/.grinzo-prefix
  want="$arch $(wine_loaders_installed)"
  mkdir -p "$(dirname "$dir")"
  export WINEPREFIX=$dir
  (
    flock -w 300 9 || { echo "$0: timed out waiting for the lock on $dir" >&2; exit 1; }
    [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ] && exit 0
    local attempt
    for attempt in 1 2; do
      rm -rf "$dir"
      mkdir -p "$dir"
      if [ "$arch" = win32 ]; then
        WINEARCH=win32 timeout 180 "${wine32[@]}" wineboot.exe -i >/dev/null 2>&1
      else
        timeout 180 "${wine64[@]}" wineboot.exe -i >/dev/null 2>&1
      fi
      WINEPREFIX=$dir timeout 30 wineserver -w >/dev/null 2>&1
      if [ -f "$dir/system.reg" ] && [ -d "$dir/drive_c/windows/system32" ]; then
        echo "$want" >"$stamp"
        exit 0
      fi
      echo "$0: setting up the Wine prefix $dir failed (try $attempt)" >&2
    done
    exit 1
  ) 9>"$dir.lock"
}
