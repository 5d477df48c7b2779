#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix (WINEPREFIX, made on
# first use), quietly, and returns its exit status. Used as CMake's emulator
# for the cross-built tests and tools.
set -euo pipefail
# A prefix works only with the Wine loaders installed when it was made: the
# default one is named after them.
loaders=64
[ -d /usr/lib/i386-linux-gnu/wine ] && loaders=wow
export WINEPREFIX="${WINEPREFIX:-${TMPDIR:-/tmp}/grinzo-wine-$(id -u)-$loaders}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
fi
exec wine "$@"
