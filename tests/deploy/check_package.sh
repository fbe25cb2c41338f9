#!/usr/bin/env bash
# Makes the Debian package from a finished build (cpack on its CPackConfig.cmake, so no second
# tree is built), lists its dependencies, extracts it into a throwaway root and checks that the
# files land where the desktop and man expect them.
#   check_package.sh BUILD_DIR
set -euo pipefail

build=${1:?usage: check_package.sh BUILD_DIR}
for tool in cpack dpkg-deb; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 77; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log" >&2; fail "cpack"; }
deb=$(ls "$tmp"/out/*.deb)
info=$(dpkg-deb --info "$deb")
echo "$info"
depends=$(sed -n 's/^ Depends: //p' <<<"$info")
# Found by dpkg-shlibdeps, and those loaded at run time that it cannot see.
for dep in libqt5widgets5 libqt5printsupport5 libqt5svg5 libqwt-qt5-6 libodbc2 \
           libqt5sql5-odbc unixodbc-common; do
  grep -qw -- "$dep" <<<"$depends" || fail "Depends lacks $dep: $depends"
done
grep -q '^ Recommends: .*libsqliteodbc' <<<"$info" || fail "Recommends lacks libsqliteodbc"
grep -q '^ Package: orvela$' <<<"$info" || fail "package name"

root=$tmp/root
dpkg-deb -x "$deb" "$root"
expected='./usr/bin/orvela
./usr/bin/orvela-admin
./usr/share/applications/orvela.desktop
./usr/share/icons/hicolor/scalable/apps/orvela.svg
./usr/share/man/man1/orvela-admin.1
./usr/share/man/man1/orvela.1'
files=$(cd "$root" && find . -type f | LC_ALL=C sort)
[ "$files" = "$expected" ] || fail "the package holds:
$files"

entry=$root/usr/share/applications/orvela.desktop
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$entry" || fail "desktop-file-validate"
fi
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
icon=$(sed -n 's/^Icon=//p' "$entry")
[ -x "$root/usr/bin/$exec_name" ] || fail "Exec=$exec_name is not in /usr/bin"
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "Icon=$icon not found"
for page in orvela orvela-admin; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/$page.1" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page.1: $warnings"
done
echo "package check passed: $(basename "$deb")"
