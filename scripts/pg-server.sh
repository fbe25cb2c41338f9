#!/usr/bin/env bash
# A throwaway PostgreSQL server for the tests, kept entirely inside one folder.
#
#   pg-server.sh start DIR   creates the cluster on first use (role, password, database), starts
#                            it listening on a Unix socket in DIR and on 127.0.0.1 at a free
#                            port, and writes the connection facts to DIR/env
#   pg-server.sh stop DIR    stops it (quietly does nothing when it is not running)
#
# A second "start" on the same folder reuses the cluster, its port and its password, so a test
# can stop and start the server to play a restart. DIR/env holds shell assignments:
# ORVELA_TEST_PG_HOST, _PORT, _USER, _PASSWORD (it holds ";" and "}" on purpose), _DB, _DIR.
set -euo pipefail

usage() {
  echo "usage: pg-server.sh start|stop DIR" >&2
  exit 2
}

[ $# -eq 2 ] || usage
command=$1
dir=$2
case "$command" in start | stop) ;; *) usage ;; esac

pgbin=""
for candidate in /usr/lib/postgresql/*/bin; do
  [ -x "$candidate/initdb" ] && pgbin=$candidate
done
if [ -z "$pgbin" ]; then
  echo "pg-server: no PostgreSQL server binaries found under /usr/lib/postgresql" >&2
  exit 1
fi

# The server refuses to run as root; as root it runs as the "postgres" account instead.
as_server() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

free_port() {
  python3 -c 'import socket
s = socket.socket()
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])
s.close()'
}

data=$dir/data

if [ "$command" = stop ]; then
  if [ -f "$data/postmaster.pid" ]; then
    as_server "$pgbin/pg_ctl" -D "$data" -m fast -w stop >/dev/null
  fi
  exit 0
fi

mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
data=$dir/data
if [ "$(id -u)" -eq 0 ]; then
  chown postgres: "$dir"
fi
if ! as_server test -w "$dir"; then
  echo "pg-server: the server account cannot write to $dir (or to a folder above it)" >&2
  exit 1
fi

user=orvela_test
database=orvela_test
password='st;at}io{n=1'

if [ ! -f "$data/PG_VERSION" ]; then
  port=$(free_port)
  as_server "$pgbin/initdb" -D "$data" -U postgres --auth-local=trust --auth-host=scram-sha-256 \
    -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 || {
    cat "$dir/initdb.log" >&2
    exit 1
  }
  {
    echo "port = $port"
    echo "listen_addresses = '127.0.0.1'"
    echo "unix_socket_directories = '$dir'"
    echo "fsync = off"
    echo "synchronous_commit = off"
    echo "full_page_writes = off"
  } >>"$data/postgresql.conf"
  fresh=1
else
  port=$(sed -n 's/^port = \([0-9]*\)$/\1/p' "$data/postgresql.conf" | tail -n 1)
  fresh=0
fi

if ! as_server "$pgbin/pg_ctl" -D "$data" -l "$dir/server.log" -w -t 30 start >/dev/null; then
  cat "$dir/server.log" >&2
  exit 1
fi

if [ "$fresh" -eq 1 ]; then
  # The password is a literal in single quotes; it holds no single quote.
  as_server "$pgbin/psql" -h "$dir" -p "$port" -U postgres -d postgres -v ON_ERROR_STOP=1 -q \
    -c "CREATE ROLE $user LOGIN CREATEDB PASSWORD '$password'" \
    -c "CREATE DATABASE $database OWNER $user" >/dev/null
fi

{
  printf 'ORVELA_TEST_PG_HOST=127.0.0.1\n'
  printf 'ORVELA_TEST_PG_PORT=%s\n' "$port"
  printf 'ORVELA_TEST_PG_USER=%s\n' "$user"
  printf "ORVELA_TEST_PG_PASSWORD='%s'\n" "$password"
  printf 'ORVELA_TEST_PG_DB=%s\n' "$database"
  printf 'ORVELA_TEST_PG_DIR=%s\n' "$dir"
} >"$dir/env"
