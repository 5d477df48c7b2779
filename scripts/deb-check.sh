#!/usr/bin/env bash
# The Debian package checked and installed for real:
#   - its files, modes, owners and links are those of
#     packaging/debian/contents.txt;
#   - lintian finds no error in it;
#   - its dependencies (computed by dpkg-shlibdeps) are all installed here,
#     where the program is tested;
#   - dpkg installs it into a throw-away root; the installed grinzo --help
#     runs; XScreenSaver's daemon runs the installed module
#     usr/libexec/xscreensaver/grinzo with its installed data files
#     (scripts/linux-e2e.sh --module); dpkg --purge leaves nothing behind.
#   scripts/deb-check.sh BUILD_DIR
# BUILD_DIR is a native build whose package target has run. Prints one line
# per check; exits 1 at the first that fails. Runs as root (the daemon's part
# switches to the user nobody); the machine's own package database is never
# touched, and the throw-away root goes at the end, whatever happens.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/scripts/lib/checks.sh"
source "$here/scripts/lib/version.sh"
version=$(project_version)
deb=$build/grinzo_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { echo "$0: $deb is missing (cmake --build $1 --target package)" >&2; exit 2; }
for tool in dpkg-deb lintian apt-get; do
  command -v "$tool" >/dev/null || { echo "$0: $tool is missing (scripts/deps.sh test)" >&2; exit 2; }
done

root=$(mktemp -d "${TMPDIR:-/tmp}/grinzo-deb.XXXXXX")
trap 'rm -rf "$root" "$root.contents"' EXIT

# Mode, owner, path and link target of every entry (sizes and dates vary).
expected=$here/packaging/debian/contents.txt
dpkg-deb --contents "$deb" | awk '{ $3 = $4 = $5 = ""; print }' | tr -s ' ' >"$root.contents"
diff -u "$expected" "$root.contents" >&2 || fail "the package's files differ from $expected (above)"
pass "its files are those of packaging/debian/contents.txt"

lintian --tag-display-limit 0 --fail-on error "$deb" 2>/dev/null || fail "lintian reports errors"
pass "lintian reports no error"

missing=$(apt-get install --simulate --no-download -o Debug::NoLocking=1 "$deb" 2>&1 |
  awk '/^Inst / && $2 != "grinzo" { print $2 }') || true
[ -z "$missing" ] || fail "dependencies not installed here: $missing"
pass "its dependencies are installed"

# A package database of its own: the machine's is never touched.
chmod 755 "$root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg --root="$root" --log=/dev/null --force-depends -i "$deb" >/dev/null 2>&1 ||
  fail "dpkg could not install it into $root"
"$root/usr/bin/grinzo" --help | grep -q '^Usage: grinzo' || fail "the installed grinzo --help"
pass "installed into a throw-away root, grinzo --help runs"

"$here/scripts/linux-e2e.sh" --module "$root/usr/libexec/xscreensaver/grinzo" ||
  fail "the daemon with the installed module"

dpkg --root="$root" --log=/dev/null --purge grinzo >/dev/null 2>&1 || fail "dpkg --purge failed"
left=$(cd "$root" && find . -mindepth 1 -not -path './var' -not -path './var/lib' \
  -not -path './var/lib/dpkg' -not -path './var/lib/dpkg/*')
[ -z "$left" ] || fail "left after dpkg --purge: $left"
pass "dpkg --purge leaves nothing behind"
