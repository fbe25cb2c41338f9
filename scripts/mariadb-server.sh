#!/usr/bin/env bash
# A throwaway MariaDB server for the tests, kept entirely inside one folder.
#
#   mariadb-server.sh start DIR   creates the data folder on first use (user, password,
#                                 database), starts the server listening on a Unix socket in DIR
#                                 and on 127.0.0.1 at a free port, and writes the connection
#                                 facts to DIR/env
#   mariadb-server.sh stop DIR    stops it (quietly does nothing when it is not running)
#
# A second "start" on the same folder reuses the data, its port and its password, so a test can
# stop and start the server to play a restart. DIR/env holds shell assignments:
# ORVELA_TEST_MARIADB_HOST, _PORT, _USER, _PASSWORD (it holds ";" and "}" on purpose), _DB, _DIR.
# No option file of the machine is read (--no-defaults), so a server installed for other uses
# neither disturbs nor is disturbed by this one.
set -euo pipefail

usage() {
  echo "usage: mariadb-server.sh start|stop DIR" >&2
  exit 2
}

[ $# -eq 2 ] || usage
command=$1
dir=$2
case "$command" in start | stop) ;; *) usage ;; esac

server=""
for candidate in /usr/sbin/mariadbd /usr/libexec/mariadbd /usr/sbin/mysqld; do
  if [ -x "$candidate" ]; then
    server=$candidate
    break
  fi
done
if [ -z "$server" ] || ! command -v mariadb-install-db >/dev/null || ! command -v mariadb >/dev/null; then
  echo "mariadb-server: no MariaDB server found (apt install mariadb-server)" >&2
  exit 1
fi

free_port() {
  python3 -c 'import socket
s = socket.socket()
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])
s.close()'
}

running_pid() {
  local pid
  [ -f "$dir/server.pid" ] || return 1
  pid=$(cat "$dir/server.pid")
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && echo "$pid"
}

if [ "$command" = stop ]; then
  [ -d "$dir" ] || exit 0
  if pid=$(running_pid); then
    # SIGTERM is the server's orderly shutdown; wait for it, as a restart reuses the port.
    kill "$pid"
    for _ in $(seq 1 600); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
      echo "mariadb-server: the server $pid did not stop within 60 s" >&2
      exit 1
    fi
  fi
  exit 0
fi

mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
data=$dir/data
socket=$dir/mysqld.sock
# A Unix socket path is limited to about 107 bytes.
if [ "${#socket}" -gt 100 ]; then
  echo "mariadb-server: the folder path is too long for a socket: $dir" >&2
  exit 1
fi

if running_pid >/dev/null; then
  echo "mariadb-server: a server already runs in $dir" >&2
  exit 1
fi

# As root the server runs as root (it is told so explicitly); otherwise as the calling user.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  as_user=(--user=root)
fi

user=orvela_test
database=orvela_test
password='st;at}io{n=1'

if [ ! -d "$data/mysql" ]; then
  port=$(free_port)
  echo "$port" >"$dir/port"
  mariadb-install-db --no-defaults "${as_user[@]}" --datadir="$data" \
    --auth-root-authentication-method=socket --skip-test-db >"$dir/install.log" 2>&1 || {
    cat "$dir/install.log" >&2
    exit 1
  }
  fresh=1
else
  port=$(cat "$dir/port")
  fresh=0
fi

# Durability is not wanted from a test server: no flush per commit, no binary log. The server
# runs in a session of its own, so that the end of the caller's process group does not end it.
setsid "$server" --no-defaults "${as_user[@]}" --datadir="$data" --socket="$socket" \
  --port="$port" --bind-address=127.0.0.1 --pid-file="$dir/server.pid" \
  --log-error="$dir/server.log" --skip-name-resolve --skip-log-bin \
  --innodb-flush-log-at-trx-commit=0 --innodb-doublewrite=0 --innodb-buffer-pool-size=64M \
  --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci \
  </dev/null >/dev/null 2>&1 &
server_pid=$!

client=(mariadb --no-defaults --socket="$socket" -u "$(id -un)")
up=0
for _ in $(seq 1 300); do
  if ! kill -0 "$server_pid" 2>/dev/null; then
    break
  fi
  if "${client[@]}" -e 'SELECT 1' >/dev/null 2>&1; then
    up=1
    break
  fi
  sleep 0.1
done
if [ "$up" -ne 1 ]; then
  echo "mariadb-server: the server did not start; its log ($dir/server.log):" >&2
  tail -n 30 "$dir/server.log" >&2 || true
  kill "$server_pid" 2>/dev/null || true
  exit 1
fi

if [ "$fresh" -eq 1 ]; then
  # The password is a literal in single quotes; it holds no single quote or backslash. The user
  # creates a database of its own for each test program, so it gets every privilege.
  "${client[@]}" <<SQL
CREATE USER '$user'@'127.0.0.1' IDENTIFIED BY '$password';
CREATE USER '$user'@'localhost' IDENTIFIED BY '$password';
GRANT ALL PRIVILEGES ON *.* TO '$user'@'127.0.0.1';
GRANT ALL PRIVILEGES ON *.* TO '$user'@'localhost';
CREATE DATABASE $database;
SQL
fi

{
  printf 'ORVELA_TEST_MARIADB_HOST=127.0.0.1\n'
  printf 'ORVELA_TEST_MARIADB_PORT=%s\n' "$port"
  printf 'ORVELA_TEST_MARIADB_USER=%s\n' "$user"
  printf "ORVELA_TEST_MARIADB_PASSWORD='%s'\n" "$password"
  printf 'ORVELA_TEST_MARIADB_DB=%s\n' "$database"
  printf 'ORVELA_TEST_MARIADB_DIR=%s\n' "$dir"
} >"$dir/env"
