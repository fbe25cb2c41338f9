#!/usr/bin/env bash
# Shows Orvela at work on a built-in demo station: sets up the machine, builds, creates the demo
# station database, plays the data-collection system in the background while the program runs,
# and starts the program connected to it.
#
#   demo.sh [--engine sqlite|postgresql|mariadb] [orvela arguments...]
#
# SQLite (the default): the database lives in build/demo (remade when it is more than a day
# old), its data source "OrvelaDemo" is registered for the user (~/.odbc.ini, or the file
# ODBCINI names), and an "Orvela.ovf" beside the program is written only when there is none,
# so that build/src/orvela alone starts the program on the demo again later.
# PostgreSQL or MariaDB: a throwaway server in a temporary folder, filled with the demo stations
# and stopped again when the program closes; its data source and configuration live in that
# folder only. The other arguments are handed to the program.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build
demo=$build/demo
admin=$build/tools/orvela-admin/orvela-admin
program=$build/src/orvela

engine=sqlite
if [ "${1:-}" = --engine ]; then
  engine=${2:?usage: demo.sh [--engine sqlite|postgresql|mariadb] [orvela arguments...]}
  shift 2
fi
case "$engine" in
  sqlite | postgresql | mariadb) ;;
  *)
    echo "demo.sh: unknown engine \"$engine\" (sqlite, postgresql or mariadb)" >&2
    exit 2
    ;;
esac

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target orvela orvela-admin

feed=""
server=""
server_script=$root/scripts/mariadb-server.sh
[ "$engine" = postgresql ] && server_script=$root/scripts/pg-server.sh
stop_all() {
  if [ -n "$feed" ]; then
    kill "$feed" 2>/dev/null || true
    wait "$feed" 2>/dev/null || true
  fi
  if [ -n "$server" ]; then
    bash "$server_script" stop "$server/server" >/dev/null 2>&1 || true
    rm -rf "$server"
  fi
}
trap stop_all EXIT

# True when the driver manager knows the demo's data source.
demo_listed() {
  local sources
  sources=$("$admin" dsn list 2>/dev/null || true)
  grep -q '^OrvelaDemo	' <<<"$sources"
}

if [ "$engine" = sqlite ]; then
  stamp=$demo/created
  if [ ! -f "$demo/stations.db" ] || [ ! -f "$stamp" ] || [ -n "$(find "$stamp" -mmin +1440)" ] ||
    ! demo_listed; then
    "$admin" demo "$demo" --config-dir "$(dirname "$program")"
    touch "$stamp"
  fi
  # Where the user's file could not take the data source, the demo's own folder holds it.
  if ! demo_listed; then
    export ODBCSYSINI=$demo
  fi
  dsn=OrvelaDemo
  user=demo
  password=demo
  config=()
else
  server=$(mktemp -d)
  # The PostgreSQL server runs under its own account when this runs as root.
  chmod 711 "$server"
  bash "$server_script" start "$server/server"
  set -a
  . "$server/server/env"
  set +a
  if [ "$engine" = postgresql ]; then
    host=$ORVELA_TEST_PG_HOST port=$ORVELA_TEST_PG_PORT user=$ORVELA_TEST_PG_USER
    password=$ORVELA_TEST_PG_PASSWORD database=$ORVELA_TEST_PG_DB
    printf '[OrvelaDemoPostgreSQL]\nDriver=PostgreSQL Unicode\nServername=%s\nPort=%s\nDatabase=%s\n' \
      "$host" "$port" "$database" >"$server/odbc.ini"
    dsn=OrvelaDemoPostgreSQL
  else
    host=$ORVELA_TEST_MARIADB_HOST port=$ORVELA_TEST_MARIADB_PORT user=$ORVELA_TEST_MARIADB_USER
    password=$ORVELA_TEST_MARIADB_PASSWORD database=$ORVELA_TEST_MARIADB_DB
    printf '[OrvelaDemoMariaDB]\nDriver=MariaDB Unicode\nServer=%s\nPort=%s\nDatabase=%s\n' \
      "$host" "$port" "$database" >"$server/odbc.ini"
    dsn=OrvelaDemoMariaDB
  fi
  # The server's data source is this run's only: a user file of its own.
  export ODBCINI=$server/odbc.ini
  "$admin" demo --into "$dsn" "$user" "$password" --config-dir "$server"
  config=(--config "$server/Orvela.ovf")
fi

"$admin" feed "$dsn" "$user" "$password" >"$build/feed-$engine.log" 2>&1 &
feed=$!

"$program" "${config[@]}" "$@"
