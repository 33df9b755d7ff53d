#!/usr/bin/env bash
# The roster on a PostgreSQL server against the same roster in a file, at
# COUNT records (default 100,000): open (first paint), a move, an Update,
# and the statements (round trips) each command sends. Starts a throwaway
# server of its own (scripts/pg-cluster.sh) that logs every statement.
#
#   scripts/bench-server.sh [BUILD] [COUNT]
set -euo pipefail
build=${1:-build}
count=${2:-100000}
here=$(cd "$(dirname "$0")" && pwd)
dir=$(mktemp -d /tmp/varnel-bench-pg-XXXXXX)
trap '"$here/pg-cluster.sh" stop "$dir" >/dev/null 2>&1 || true; rm -rf "$dir"' EXIT
eval "$("$here/pg-cluster.sh" start "$dir")"
uri="postgresql:///bench?host=$PGHOST&port=$PGPORT&user=$PGUSER"
psql() { command psql -X -q -h "$PGHOST" -p "$PGPORT" -U "$PGUSER" "$@"; }
psql -d postgres -c "CREATE DATABASE bench"
"$build/varnel-roster" sample "$dir/roster.mdb" --count "$count" >/dev/null
"$build/varnel-roster" copy "$dir/roster.mdb" "$uri" >/dev/null
psql -d bench -c 'VACUUM ANALYZE "Soldier"'
psql -d postgres -c "ALTER SYSTEM SET log_statement = 'all'" -c "SELECT pg_reload_conf()" >/dev/null
echo "$count records"
"$build/varnel-bench-server" "$dir/roster.mdb" "$uri" "$dir/server.log"
