#!/usr/bin/env bash
# The roster on a PostgreSQL server against the same roster in a file, at
# COUNT records (default 100,000): the window's first paint (main() to the
# first paint of the grid, the program started anew each time, 7 alternating
# runs, offscreen), then the store's open, a move, an Update, and the
# statements (round trips) each command sends. Starts a throwaway server of
# its own (scripts/pg-cluster.sh), which logs every statement for the last
# part.
#
#   scripts/bench-server.sh [BUILD] [COUNT]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
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
echo "$count records"

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
mkdir "$dir/window"
cp "$dir/roster.mdb" "$dir/window/Varnel_DATA.MDB"
export XDG_DATA_HOME="$dir/data-home"
: > "$dir/paint-file.txt"
: > "$dir/paint-server.txt"
paint() { (cd "$dir/window" && QT_QPA_PLATFORM=offscreen "$build/varnel-bench-ui" --first-paint-only "$@" 2> /dev/null) \
            | grep -o 'first_paint_ms=[0-9.]*' | cut -d= -f2; }
for i in 1 2 3 4 5 6 7; do
  paint >> "$dir/paint-file.txt"
  paint --database "$uri" >> "$dir/paint-server.txt"
done
paint_file=$(median < "$dir/paint-file.txt")
paint_server=$(median < "$dir/paint-server.txt")
printf '%-34s %9s ms %9s ms %7.2fx\n' "window: main() to first paint" "$paint_file" "$paint_server" \
  "$(echo "$paint_server $paint_file" | awk '{ print $1 / $2 }')"
psql -d postgres -c "ALTER SYSTEM SET log_statement = 'all'" -c "SELECT pg_reload_conf()" >/dev/null
"$build/varnel-bench-server" "$dir/roster.mdb" "$uri" "$dir/server.log"
