#!/usr/bin/env bash
# The Windows installer installed for real, under Wine on a private virtual
# display, in a fresh 64-bit prefix whose user already has a screen saver:
#   - a silent install, then a second one over it (an upgrade in place): the
#     files in "C:\Program Files\Grinzo Screensaver", one uninstall entry with
#     its values, Grinzo as the user's screen saver, the previous one kept;
#   - the installed grinzo.scr /s shows the desktop with faces;
#   - while it runs, a silent uninstall or install stops with status 2 and
#     changes nothing;
#   - the silent uninstall (the entry's QuietUninstallString) leaves no file,
#     folder or registry value of ours, puts the previous screen saver back and
#     keeps the user's settings;
#   - installed again where the user had no screen saver, an uninstall with
#     /REMOVESETTINGS removes the settings and the screen-saver value too.
#   scripts/wine-install.sh BUILD_DIR
# BUILD_DIR is a MinGW x86-64 build whose package target has run. Prints one
# line per check; exits 1 at the first that fails. Every wait is bounded; the
# X server, the Wine server and the prefix go at the end, whatever happens.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/scripts/lib/checks.sh"
source "$here/scripts/lib/version.sh"
version=$(project_version)
setup=$build/grinzo-$version-setup.exe
[ -f "$setup" ] || { echo "$0: $setup is missing (cmake --build $1 --target package)" >&2; exit 2; }
for tool in Xvfb xdotool cc; do
  command -v "$tool" >/dev/null || { echo "$0: $tool is missing (scripts/deps.sh test)" >&2; exit 2; }
done

source "$here/scripts/wine-desktop.sh"
desktop_start
prefix_make "$work/prefix"
xprobe_build "$work"
"$work/xprobe" pattern "$work/pattern.ppm"

title="Grinzo Screensaver"
folder="$WINEPREFIX/drive_c/Program Files/$title"
userdata="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/$title"
desktop='HKCU\Control Panel\Desktop'
appkey="HKCU\\Software\\$title"
uninstall="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$title"
previous='C:\windows\system32\previous.scr'
installed_files="grinzo.scr gun.wav machgun.wav mouseicon.ico shotgun.wav uninstall.exe"

w() { timeout 60 "${wine[@]}" "$@"; }
# reg_value KEY NAME: the value's data, or status 1 when it is not there.
reg_value() {
  local out
  out=$(w reg query "$1" /v "$2" 2>/dev/null | tr -d '\r') || return 1
  awk -v name="$2" '$1 == name { sub(/^[ \t]*[^ \t]+[ \t]+[^ \t]+[ \t]*/, ""); print; f = 1 } END { exit !f }' <<<"$out"
}
reg_key_exists() { w reg query "$1" >/dev/null 2>&1; }
expect_value() {  # expect_value KEY NAME DATA
  local got
  got=$(reg_value "$1" "$2") || fail "$1\\$2 is missing"
  [ "$got" = "$3" ] || fail "$1\\$2 is '$got', not '$3'"
}
folder_files() { (cd "$folder" && ls | sort | tr '\n' ' ' | sed 's/ $//'); }
install_silently() {
  local status=0
  w "$setup" /S || status=$?
  [ "$status" -eq 0 ] || fail "the silent install ended with status $status"
}
# The silent uninstall as the uninstall entry gives it. The uninstaller
# copies itself to a temporary folder and goes on from there: wait for the
# prefix's programs to end.
uninstall_silently() {  # uninstall_silently [EXTRA OPTION]
  local quiet program arguments
  quiet=$(reg_value "$uninstall" QuietUninstallString) || fail "no QuietUninstallString"
  program=${quiet#\"}
  program=${program%%\"*}
  arguments=${quiet##*\" }
  # shellcheck disable=SC2086  # the entry's options are words
  w "$program" $arguments "$@" || fail "the silent uninstall ended with status $?"
  timeout 60 wineserver -w || fail "the uninstaller did not end within 60 s"
}

# The user's screen saver before, and a setting of the game's.
w reg add "$desktop" /v SCRNSAVE.EXE /d "$previous" /f >/dev/null 2>&1
w reg add "$appkey\\Settings" /v Level /d 3 /f >/dev/null 2>&1

install_silently
echo "old" >"$folder/gun.wav"
install_silently
[ "$(folder_files)" = "$installed_files" ] || fail "installed files: $(folder_files)"
cmp -s "$build/assets/gun.wav" "$folder/gun.wav" || fail "installing again did not replace gun.wav"
entries=$(w reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
  tr -d '\r' | grep -c "DisplayName.*REG_SZ.*$title" || true)
[ "$entries" -eq 1 ] || fail "$entries uninstall entries named $title"
expect_value "$desktop" SCRNSAVE.EXE "C:\\Program Files\\$title\\grinzo.scr"
expect_value "$appkey" PreviousScreenSaver "$previous"
expect_value "$uninstall" DisplayName "$title"
expect_value "$uninstall" DisplayVersion "$version"
expect_value "$uninstall" DisplayIcon "C:\\Program Files\\$title\\grinzo.scr,0"
expect_value "$uninstall" UninstallString "\"C:\\Program Files\\$title\\uninstall.exe\""
expect_value "$uninstall" QuietUninstallString "\"C:\\Program Files\\$title\\uninstall.exe\" /S"
for name in Publisher EstimatedSize; do reg_value "$uninstall" $name >/dev/null || fail "no $name"; done
pass "installed twice, silently: the files replaced in place, one uninstall entry, Grinzo the screen saver"

# The installed screen saver, started from its folder as Windows starts it.
(cd "$work" && exec timeout 60 "${wine[@]}" "C:\\Program Files\\$title\\grinzo.scr" /s) >"$work/saver.log" 2>&1 &
saver=$!
same="" yellow=""
desktop_with_faces() {
  local out kv
  out=$("$work/xprobe" look "$work/pattern.ppm" 0 0 1024 768) || return 1
  for kv in $out; do
    case $kv in same=* | yellow=*) printf -v "${kv%%=*}" %s "${kv#*=}" ;; esac
  done
  ((same >= 80 && yellow >= 250))
}
for _ in $(seq 100); do desktop_with_faces && break; sleep 0.2; done
desktop_with_faces || fail "grinzo.scr /s does not show the desktop with faces (same=$same% yellow=$yellow)"
pass "the installed grinzo.scr /s shows the desktop with faces"

# Run in place (_?=, unquoted: a batch file keeps it so), the uninstaller's
# exit status is its own rather than that of the launcher of its copy.
printf '%s\r\n' "\"C:\\Program Files\\$title\\uninstall.exe\" /S _?=C:\\Program Files\\$title" \
  'exit /b %errorlevel%' >"$WINEPREFIX/drive_c/uninstall-in-place.bat"
status=0
w cmd /c 'C:\uninstall-in-place.bat' >/dev/null 2>&1 || status=$?
[ "$status" -eq 2 ] || fail "uninstalling while the screen saver runs ended with status $status, not 2"
for f in $installed_files; do [ -f "$folder/$f" ] || fail "the refused uninstall removed $f"; done
expect_value "$desktop" SCRNSAVE.EXE "C:\\Program Files\\$title\\grinzo.scr"
reg_key_exists "$uninstall" || fail "the refused uninstall removed the uninstall entry"
status=0
w "$setup" /S || status=$?
[ "$status" -eq 2 ] || fail "installing while the screen saver runs ended with status $status, not 2"
pass "a silent uninstall or install while the screen saver runs ends with status 2 and changes nothing"

# A key ends the screen saver (it ignores its first half second).
xdotool key q
for _ in $(seq 50); do kill -0 "$saver" 2>/dev/null || break; sleep 0.2; done
! kill -0 "$saver" 2>/dev/null || fail "the screen saver did not end on a key"
# The game's files where a program folder that cannot be written puts them.
mkdir -p "$userdata"
touch "$userdata/snapshot.bmp" "$userdata/lastspeedfactor.dat" "$userdata/grinzofps.txt"

uninstall_silently
[ ! -e "$folder" ] || fail "left in the program folder: $(folder_files)"
[ ! -e "$userdata" ] || fail "left in the user's data folder: $(ls -A "$userdata")"
! reg_key_exists "$uninstall" || fail "the uninstall entry is still there"
! reg_value "$appkey" PreviousScreenSaver >/dev/null || fail "PreviousScreenSaver is still there"
expect_value "$desktop" SCRNSAVE.EXE "$previous"
expect_value "$appkey\\Settings" Level 3
pass "the silent uninstall removes every file, folder and value of ours, the previous screen saver is back, the settings stay"

w reg delete "$desktop" /v SCRNSAVE.EXE /f >/dev/null 2>&1
install_silently
expect_value "$desktop" SCRNSAVE.EXE "C:\\Program Files\\$title\\grinzo.scr"
uninstall_silently /REMOVESETTINGS
[ ! -e "$folder" ] || fail "left in the program folder: $(folder_files)"
! reg_value "$desktop" SCRNSAVE.EXE >/dev/null || fail "SCRNSAVE.EXE is set where there was none"
! reg_key_exists "$appkey" || fail "$appkey is still there after /REMOVESETTINGS"
pass "where there was no screen saver, none is left; /REMOVESETTINGS removes the settings"
