#!/usr/bin/env bash
# Installs a build into a temporary prefix (cmake --install) and runs what was installed: the
# files land where desktops and man look for them, orvela-admin prepares a configuration file,
# and orvela starts offscreen with --config on a demo station, then closes on SIGTERM and saves
# its file. The manual pages cover every option and command the programs list.
#   check_install.sh BUILD_DIR
set -euo pipefail

build=${1:?usage: check_install.sh BUILD_DIR}
tmp=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/orvela bin/orvela-admin share/applications/orvela.desktop \
         share/icons/hicolor/scalable/apps/orvela.svg share/man/man1/orvela.1 \
         share/man/man1/orvela-admin.1; do
  [ -f "$prefix/$f" ] || fail "cmake --install did not put $f in the prefix"
done
[ -x "$prefix/bin/orvela" ] && [ -x "$prefix/bin/orvela-admin" ] || fail "programs not executable"
admin=$prefix/bin/orvela-admin
program=$prefix/bin/orvela
export QT_QPA_PLATFORM=offscreen

# The installed orvela-admin prepares a desk's file.
stored=$("$admin" password encode 'pa;ss w0rd')
[ "$("$admin" password decode "$stored")" = 'pa;ss w0rd' ] || fail "password round trip"
desk=$tmp/desk.ovf
"$admin" config set "$desk" DataBase Password "$stored" >/dev/null
"$admin" config set "$desk" Application Title 'Desk 4' >/dev/null
[ "$("$admin" config get "$desk" database PASSWORD)" = "$stored" ] || fail "config get"
set +e
missing=$("$admin" config get "$desk" DataBase Station)
status=$?
"$admin" config set "$desk" 'Data=Base' Key v >/dev/null 2>&1
bad=$?
set -e
[ "$status" -eq 1 ] && [ -z "$missing" ] || fail "a missing key prints nothing and exits 1"
[ "$bad" -eq 2 ] || fail "a section holding '=' is a usage error (exit 2), got $bad"

# The installed orvela with --config: on the demo station when the SQLite ODBC driver is there
# (no box at start), else on the prepared file (the start's boxes are open when SIGTERM comes).
mkdir -p "$tmp/demo-desk"
# The demo registers its data source for the user: in a file of this check's own.
export ODBCINI=$tmp/user-odbc.ini
if "$admin" demo "$tmp/demo" --config-dir "$tmp/demo-desk" >/dev/null 2>&1; then
  config=$tmp/demo-desk/Orvela.ovf
  export ODBCSYSINI=$tmp/demo
  # Chosen in other letter case: only a chooser filled from the station shows it as "RAIN".
  "$admin" config set "$config" Graph1 Name rain >/dev/null
else
  config=$desk
  export ODBCSYSINI=$tmp
fi
"$program" --config "$config" 2>"$tmp/stderr" &
pid=$!
started=
for _ in $(seq 200); do
  kill -0 "$pid" 2>/dev/null || fail "orvela ended at start: $(cat "$tmp/stderr")"
  if "$admin" restore "$config" >/dev/null 2>&1; then started=1; break; fi
  sleep 0.1
done
[ -n "$started" ] || fail "orvela did not open $config within 20 s"
sleep 1
kill -TERM "$pid"
set +e
wait "$pid"
status=$?
set -e
pid=
[ "$status" -eq 0 ] || fail "orvela exited $status on SIGTERM: $(cat "$tmp/stderr")"
grep -q '^\[Windows\]' "$config" || fail "the close did not save $config"
if [ "$config" = "$desk" ]; then
  [ "$("$admin" config get "$config" Application Title)" = 'Desk 4' ] || fail "title lost"
else
  # Connected at start: the choosers were filled from the station and saved as shown.
  [ "$("$admin" config get "$config" Graph1 Name)" = 'RAIN' ] || fail "not connected to the demo"
fi

# The manual pages name every option of orvela and every command of orvela-admin.
page() { MANWIDTH=200 man -l "$1" 2>/dev/null | col -b; }
# Read whole before searching: grep -q stops early, and under pipefail the writer's broken pipe
# would read as a failure.
help_text=$("$program" --help)
grep -q -- '--config' <<<"$help_text" || fail "orvela --help lacks --config"
orvela_page=$(page "$prefix/share/man/man1/orvela.1")
grep -q -- '--config FILE' <<<"$orvela_page" || fail "orvela.1 lacks --config"
orvela_admin_page=$(page "$prefix/share/man/man1/orvela-admin.1")
set +e
usage=$("$admin" 2>&1)
set -e
grep -q '^usage: orvela-admin demo ' <<<"$usage" || fail "orvela-admin lists no commands"
while read -r _ _ group command _; do
  case "$command" in
    ''|[A-Z]*|\[*) words=$group ;;
    *) words="$group $command" ;;
  esac
  grep -q -- "$words" <<<"$orvela_admin_page" || fail "orvela-admin.1 lacks \"$words\""
done < <(grep '^usage: orvela-admin ' <<<"$usage")
echo "install check passed ($prefix)"
