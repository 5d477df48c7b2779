#!/usr/bin/env bash
# CMake's emulator for the cross-built tests: runs a Windows program under
# Wine with the loader of its bitness, quietly, and returns its exit status.
#   scripts/wine-run.sh 64|32 DEFAULT_PREFIX PROGRAM [ARGS...]
# The prefix is $WINEPREFIX when set (scripts/test.sh gives each run its own),
# otherwise DEFAULT_PREFIX (the build tree's own); it is made on first use.
set -euo pipefail
[ $# -ge 3 ] || { echo "usage: $0 64|32 DEFAULT_PREFIX PROGRAM [ARGS...]" >&2; exit 2; }
bits=$1 default_prefix=$2
shift 2
source "$(dirname "$0")/wine-env.sh"
arch=win64
[ "$bits" = 32 ] && arch=win32
wine_prefix_ensure "${WINEPREFIX:-$default_prefix}" "$arch"
if [ "$bits" = 32 ]; then
  exec "${wine32[@]}" "$@"
fi
exec "${wine64[@]}" "$@"
