#!/usr/bin/env bash
# What a server roster's history of changes costs each Update: pgbench runs
# the statements of one Update as Varnel sends them (the record locked and
# read, one field written, the commit) against a sample roster of COUNT
# soldiers (default 10,000) copied onto a throwaway server, RUNS times
# (default 9) with the history's trigger on and off in turn, TX transactions
# each (default 4,000), and prints each run's mean latency and the medians.
#
#   scripts/bench-history.sh [BUILD] [COUNT] [RUNS] [TX]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
count=${2:-10000}
runs=${3:-9}
tx=${4:-4000}
here=$(cd "$(dirname "$0")" && pwd)
dir=$(mktemp -d /tmp/varnel-bench-history-XXXXXX)
trap '"$here/pg-cluster.sh" stop "$dir" >/dev/null 2>&1 || true; rm -rf "$dir"' EXIT
eval "$("$here/pg-cluster.sh" start "$dir")"
bin=${PG_BINDIR:-$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)}
uri="postgresql:///bench?host=$PGHOST&port=$PGPORT&user=$PGUSER"
psql() { command psql -X -q -h "$PGHOST" -p "$PGPORT" -U "$PGUSER" "$@"; }
psql -d postgres -c "CREATE DATABASE bench"
"$build/varnel-roster" sample "$dir/roster.mdb" --count "$count" >/dev/null
"$build/varnel-roster" copy "$dir/roster.mdb" "$uri" >/dev/null
psql -d bench -c 'VACUUM ANALYZE "Soldier"'
cat > "$dir/update.sql" <<EOF
\set k random(1, $count)
BEGIN;
SELECT * FROM "Soldier" WHERE "ID" = :k FOR UPDATE;
UPDATE "Soldier" SET "PrefDates" = 'JUN ' || random() WHERE "ID" = :k RETURNING "PrefDates";
COMMIT;
EOF
chmod 644 "$dir/update.sql"
as_owner() { if [ "$(id -u)" -eq 0 ]; then runuser -u "$PGUSER" -- "$@"; else "$@"; fi; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
: > "$dir/on"
: > "$dir/off"
for i in $(seq "$runs"); do
  for state in on off; do
    [ "$state" = on ] && action=ENABLE || action=DISABLE
    psql -d bench -c "ALTER TABLE \"Soldier\" $action TRIGGER \"SoldierHistory\""
    as_owner "$bin/pgbench" -n -h "$PGHOST" -p "$PGPORT" -U "$PGUSER" -t "$tx" -f "$dir/update.sql" bench 2>/dev/null \
      | awk '/latency average/ { print $4 }' | tee -a "$dir/$state" | sed "s/^/history $state: /;s/$/ ms/"
  done
done
on=$(median < "$dir/on")
off=$(median < "$dir/off")
echo "medians of $runs: history on $on ms, off $off ms, the history costs $(awk "BEGIN { printf \"%.3f\", $on - $off }") ms an Update"
