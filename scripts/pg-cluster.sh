#!/usr/bin/env bash
# A throwaway PostgreSQL server for tests: its own cluster in DIR, reachable
# only through a Unix socket in DIR (no TCP port is opened). Roles log in
# without a password, but the members of the role password_login.
#
#   scripts/pg-cluster.sh start DIR   makes the cluster in DIR/data (if it is
#                                     not there yet), starts it and prints
#                                     PGHOST=DIR, PGPORT=... and PGUSER=...
#   scripts/pg-cluster.sh stop DIR    stops it; DIR is left for the caller
#                                     to remove
#
# While the server runs, DIR/connection holds the three lines start printed,
# for tests that find the server a test run started.
#
#   eval "$(scripts/pg-cluster.sh start /tmp/pg)" && psql -d postgres
#
# initdb refuses to run as root, so as root the server runs as the postgres
# user, who is given DIR. PG_BINDIR names the folder of initdb and pg_ctl
# when they are neither where pg_config says nor in /usr/lib/postgresql.
set -euo pipefail

usage() { echo "usage: $0 start|stop DIR" >&2; exit 2; }
[ $# -eq 2 ] || usage
action=$1
dir=$2
case "$action" in start|stop) ;; *) usage ;; esac
case "$dir" in
  /*) ;;
  *) dir="$PWD/$dir" ;;
esac
# The folder goes into the server's options and the socket's path, which
# must stay short (about 100 bytes).
case "$dir" in
  *[[:space:]\'\"\\]*) echo "pg-cluster: the folder may not hold blanks or quotes: $dir" >&2; exit 2 ;;
esac
[ ${#dir} -le 80 ] || { echo "pg-cluster: the folder's path is too long for a socket: $dir" >&2; exit 2; }

bindir() {
  if [ -n "${PG_BINDIR:-}" ]; then
    echo "$PG_BINDIR"; return
  fi
  local d
  if command -v pg_config >/dev/null && d=$(pg_config --bindir 2>/dev/null) && [ -x "$d/initdb" ]; then
    echo "$d"; return
  fi
  for d in $(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V -r); do
    [ -x "$d/initdb" ] && { echo "$d"; return; }
  done
  d=$(command -v initdb || true)
  [ -n "$d" ] && { dirname "$d"; return; }
  echo "pg-cluster: initdb not found; install postgresql-15 (scripts/install-deps.sh) or set PG_BINDIR" >&2
  exit 1
}
bin=$(bindir)

# The server's own user: the postgres user when run as root.
owner=$(id -un)
as_owner() { "$@"; }
if [ "$(id -u)" -eq 0 ]; then
  owner=postgres
  id "$owner" >/dev/null 2>&1 \
    || { echo "pg-cluster: running as root, but there is no postgres user to run the server as" >&2; exit 1; }
  as_owner() { runuser -u "$owner" -- "$@"; }
fi

port=${PGPORT_FOR_TESTS:-54329}
data="$dir/data"
log="$dir/server.log"

case "$action" in
start)
  mkdir -p "$dir"
  chmod 700 "$dir"
  [ "$(id -u)" -eq 0 ] && chown "$owner" "$dir"
  cd "$dir"
  if [ ! -f "$data/PG_VERSION" ]; then
    as_owner "$bin/initdb" --pgdata="$data" --username="$owner" --auth=trust --encoding=UTF8 \
      --locale=C --no-sync >"$dir/initdb.log" 2>&1 \
      || { cat "$dir/initdb.log" >&2; echo "pg-cluster: initdb failed" >&2; exit 1; }
    # Every role logs in without a password, but the members of the role
    # password_login, which log in with theirs, as a server that asks for
    # passwords has it.
    sed -i '/^# TYPE/a local all +password_login scram-sha-256' "$data/pg_hba.conf"
  fi
  # No TCP at all; the socket, and its lock file, live in DIR. fsync is off:
  # nothing here outlives the test.
  as_owner "$bin/pg_ctl" --pgdata="$data" --log="$log" --wait --timeout=30 --silent \
    -o "-c listen_addresses='' -c unix_socket_directories='$dir' -c port=$port -c fsync=off -c full_page_writes=off" \
    start >/dev/null \
    || { cat "$log" >&2 2>/dev/null; echo "pg-cluster: the server did not start" >&2; exit 1; }
  printf 'PGHOST=%s\nPGPORT=%s\nPGUSER=%s\n' "$dir" "$port" "$owner" | tee "$dir/connection.new"
  mv "$dir/connection.new" "$dir/connection"
  ;;
stop)
  [ -f "$data/PG_VERSION" ] || { echo "pg-cluster: no cluster in $dir" >&2; exit 1; }
  cd "$dir"
  rm -f "$dir/connection"
  if as_owner "$bin/pg_ctl" --pgdata="$data" status >/dev/null 2>&1; then
    as_owner "$bin/pg_ctl" --pgdata="$data" --mode=immediate --wait --silent stop >/dev/null
  fi
  ;;
esac
