#!/usr/bin/env bash
# `make bench`: the program's benchmarks, run after the build.
# Usage: scripts/run-bench.sh BUILD_DIR
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Safety copies the programs save go to the run's own folder.
export XDG_DATA_HOME="$work/data-home"
export XDG_CONFIG_HOME="$work/config-home"

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else if (NR % 2) print v[(NR + 1) / 2]; else printf "%.2f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
maximum() { sort -n | tail -n 1; }
field() { grep -o "$1=[0-9.]*" | head -n 1 | cut -d= -f2; }
# The values of one key, one per run, from a file of result lines.
values() { while read -r line; do echo "$line" | field "$2"; done < "$1"; }

# ==== Store benchmark ========================================================
# Refresh against the sqlite3 shell on the same files, the single-record
# operations and the open roster's memory, at 1,000 to 100,000 records.
echo "Store"
"$(dirname "$0")/bench-store.sh" "$build" | tee "$work/store.txt"
# ==== end of store benchmark =================================================

# ==== Start-up at every roster size ==========================================
# The window's main() to first paint and its peak memory until then, against
# the plain grid (varnel-bench-baseline), on rosters of 1,000 to 1,000,000
# soldiers that neither program wrote: bench/plain-roster.sh makes them with
# the sqlite3 shell, without an index on Name. 7 runs each, the programs in a
# new random order each round, medians. The plain grid fetches every row: at 1,000,000 it takes minutes
# and is left out there. The 1,000,000 roster is measured again with the
# index on Name that create, import and copy make, and, where PostgreSQL is
# installed, copied to a throwaway server (scripts/pg-cluster.sh) and opened
# there. The window alone, with no roster opened (--no-roster), runs beside
# the 1,000 roster: what the window costs before any soldier is read.
startup_runs=7
startup_sizes="1000 10000 100000 1000000"
plain_roster="$(dirname "$0")/../bench/plain-roster.sh"
paint_line() { (cd "$1" && shift && QT_QPA_PLATFORM=offscreen "$@" 2> /dev/null) | grep first_paint_ms; }
: > "$work/start-alone-ours.txt"
for n in $startup_sizes indexed; do
  mkdir -p "$work/start-$n"
  if [ "$n" = indexed ]; then
    "$plain_roster" "$work/start-$n/Varnel_DATA.MDB" 1000000 --indexed
  else
    "$plain_roster" "$work/start-$n/Varnel_DATA.MDB" "$n"
  fi
  : > "$work/start-$n-grid.txt"
  : > "$work/start-$n-ours.txt"
  programs="ours"
  if [ "$n" != 1000000 ] && [ "$n" != indexed ]; then programs="$programs grid"; fi
  if [ "$n" = 1000 ]; then programs="$programs alone"; fi
  for i in $(seq "$startup_runs"); do
    # In a new order each round: on this machine a program started right
    # after another one is slower by several milliseconds, whichever it is.
    for program in $(printf '%s\n' $programs | shuf); do
      case "$program" in
        grid) paint_line "$work/start-$n" "$build/varnel-bench-baseline" >> "$work/start-$n-grid.txt" ;;
        ours) paint_line "$work/start-$n" "$build/varnel-bench-ui" --first-paint-only >> "$work/start-$n-ours.txt" ;;
        alone) paint_line "$work/start-$n" "$build/varnel-bench-ui" --first-paint-only --no-roster >> "$work/start-alone-ours.txt" ;;
      esac
    done
  done
done
server_start=""
if command -v pg_ctl > /dev/null 2>&1 || ls /usr/lib/postgresql/*/bin/pg_ctl > /dev/null 2>&1; then
  pg_dir=$(mktemp -d /tmp/varnel-bench-start-pg-XXXXXX)
  if pg_env=$("$(dirname "$0")/pg-cluster.sh" start "$pg_dir" 2> /dev/null); then
    eval "$pg_env"
    pg_uri="postgresql:///bench?host=$PGHOST&port=$PGPORT&user=$PGUSER"
    command psql -X -q -h "$PGHOST" -p "$PGPORT" -U "$PGUSER" -d postgres -c "CREATE DATABASE bench" > /dev/null
    "$build/varnel-roster" copy "$work/start-1000000/Varnel_DATA.MDB" "$pg_uri" > /dev/null
    command psql -X -q -h "$PGHOST" -p "$PGPORT" -U "$PGUSER" -d bench -c 'VACUUM ANALYZE "Soldier"' > /dev/null
    : > "$work/start-server-ours.txt"
    for i in $(seq "$startup_runs"); do
      paint_line "$work/start-1000000" "$build/varnel-bench-ui" --first-paint-only --database "$pg_uri" >> "$work/start-server-ours.txt"
    done
    server_start=yes
  fi
  "$(dirname "$0")/pg-cluster.sh" stop "$pg_dir" > /dev/null 2>&1 || true
  rm -rf "$pg_dir"
fi
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b == "" || b == "-" || b == 0 || a == "-") print "-"; else printf "%.2f", a / b }'; }
echo
echo "Start-up on rosters without an index on Name (medians of $startup_runs runs, in a random order each round)"
printf '  %-28s %12s %12s %7s %12s %12s %7s\n' "roster" "grid (ms)" "Varnel (ms)" "ratio" "grid (MiB)" "Varnel (MiB)" "ratio"
for n in $startup_sizes indexed server alone; do
  case "$n" in
    indexed) label="1,000,000 with Name index" ;;
    alone) label="no roster; grid: 1,000" ;;
    server) [ -n "$server_start" ] || continue; label="1,000,000 on a server" ;;
    *) label=$(printf "%'d" "$n") ;;
  esac
  file_ours="$work/start-$n-ours.txt"
  file_grid="$work/start-$n-grid.txt"
  [ "$n" != alone ] || file_grid="$work/start-1000-grid.txt"
  [ -f "$file_grid" ] || file_grid=/dev/null
  grid_paint=$(values "$file_grid" first_paint_ms | median)
  grid_rss=$(values "$file_grid" peak_rss_mib | median)
  our_paint=$(values "$file_ours" first_paint_ms | median)
  our_rss=$(values "$file_ours" peak_rss_mib | median)
  printf '  %-28s %12s %12s %7s %12s %12s %7s\n' "$label" "$grid_paint" "$our_paint" "$(ratio "$our_paint" "$grid_paint")" \
    "$grid_rss" "$our_rss" "$(ratio "$our_rss" "$grid_rss")"
  eval "start_paint_$n=\$our_paint start_rss_$n=\$our_rss grid_paint_$n=\$grid_paint grid_rss_$n=\$grid_rss"
done
# ==== end of start-up at every roster size ===================================

# ==== Main window: start-up, scrolling and memory at 100,000 records =========
# The baseline is the plain way to show the roster in Qt: a QSqlQueryModel on
# the roster query with every row fetched, in a QTableView. Both programs
# open Varnel_DATA.MDB of their current directory and report the time from
# main() to their first paint and their peak resident memory; ours also times
# every page step of scrolling the grid from top to bottom and every move of
# the current row. They run alternately, 5 times each, on the offscreen
# platform (no display needed, the window system's own delays left out of
# both), and the medians are compared.
runs=5
records=100000
roster_dir="$work/ui"
mkdir -p "$roster_dir"
"$build/varnel-roster" sample "$roster_dir/Varnel_DATA.MDB" --count "$records" > /dev/null

: > "$work/baseline.txt"
: > "$work/ours.txt"
for i in $(seq "$runs"); do
  (cd "$roster_dir" && QT_QPA_PLATFORM=offscreen "$build/varnel-bench-baseline" 2> /dev/null) | grep first_paint_ms >> "$work/baseline.txt"
  (cd "$roster_dir" && QT_QPA_PLATFORM=offscreen "$build/varnel-bench-ui" 2> /dev/null) | grep first_paint_ms >> "$work/ours.txt"
done

base_paint=$(values "$work/baseline.txt" first_paint_ms | median)
base_rss=$(values "$work/baseline.txt" peak_rss_mib | median)
our_paint=$(values "$work/ours.txt" first_paint_ms | median)
our_rss=$(values "$work/ours.txt" peak_rss_mib | median)
scroll_median=$(values "$work/ours.txt" scroll_median_ms | median)
scroll_p99=$(values "$work/ours.txt" scroll_p99_ms | median)
scroll_max=$(values "$work/ours.txt" scroll_max_ms | median)
scroll_worst=$(values "$work/ours.txt" scroll_max_ms | maximum)
row_median=$(values "$work/ours.txt" row_median_ms | median)
row_max=$(values "$work/ours.txt" row_max_ms | median)
row_worst=$(values "$work/ours.txt" row_max_ms | maximum)
steps=$(field scroll_steps < "$work/ours.txt")
moves=$(field row_moves < "$work/ours.txt")

echo
echo "Main window at $records records (medians of $runs alternating runs; worst run in brackets)"
printf '  %-44s %10s %10s %8s\n' "" "baseline" "Varnel" "ratio"
printf '  %-44s %10s %10s %8s\n' "main() to first paint (ms)" "$base_paint" "$our_paint" \
  "$(awk -v a="$our_paint" -v b="$base_paint" 'BEGIN { printf "%.2f", a / b }')"
printf '  %-44s %10s %10s %8s\n' "peak resident memory (MiB)" "$base_rss" "$our_rss" \
  "$(awk -v a="$our_rss" -v b="$base_rss" 'BEGIN { printf "%.2f", a / b }')"
printf '  %-44s %10s %10s\n' "grid scroll, $steps page steps: median (ms)" "" "$scroll_median"
printf '  %-44s %10s %10s\n' "grid scroll: 99th percentile step (ms)" "" "$scroll_p99"
printf '  %-44s %10s %10s\n' "grid scroll: slowest step (ms)" "" "$scroll_max [$scroll_worst]"
printf '  %-44s %10s %10s\n' "current row, $moves moves: median (ms)" "" "$row_median"
printf '  %-44s %10s %10s\n' "current row: slowest move (ms)" "" "$row_max [$row_worst]"
echo "  Raw lines: baseline"; sed 's/^/    /' "$work/baseline.txt"
echo "  Raw lines: Varnel"; sed 's/^/    /' "$work/ours.txt"
# ==== end of main window =====================================================

# ==== Main window with 10 MiB values ========================================
# A roster of 1,000 soldiers in which one record (the probe) holds 10 MiB of
# text in Name, PrefDates and LastSchool, against the same roster with
# ordinary values there: every command and repaint with the probe in view,
# from the click until the window has repainted, 5 times per run in 3
# alternating runs on each roster (fresh copies each run). The program also
# checks that the probe's stored texts are byte for byte what they were.
long_bytes=$((10 * 1024 * 1024))
long_runs=3
long_dir="$work/long-values"
kinds="plain long accented"
for kind in $kinds; do
  mkdir -p "$long_dir/$kind"
  "$build/varnel-roster" sample "$long_dir/$kind/Varnel_DATA.MDB" --count 1000 > /dev/null
  case "$kind" in
    plain) prepare=(0) ;;
    long) prepare=("$long_bytes") ;;
    accented) prepare=("$long_bytes" --accented) ;;
  esac
  (cd "$long_dir/$kind" && "$build/varnel-bench-long-values" --prepare "${prepare[@]}")
  : > "$work/long-$kind.txt"
done
for i in $(seq "$long_runs"); do
  for kind in $kinds; do
    run_dir="$long_dir/run-$kind-$i"
    mkdir -p "$run_dir"
    cp "$long_dir/$kind/Varnel_DATA.MDB" "$run_dir/"
    (cd "$run_dir" && QT_QPA_PLATFORM=offscreen "$build/varnel-bench-long-values" --runs 5 2> /dev/null) >> "$work/long-$kind.txt"
    rm -rf "$run_dir"
  done
done
# Every time of one command over all runs, one per line.
long_times() { grep "^command=$2 " "$1" | grep -o 'times_ms=[0-9.,]*' | cut -d= -f2 | tr ',' '\n'; }
long_first() { grep "^command=first_paint " "$1" | grep -o 'median_ms=[0-9.]*' | cut -d= -f2; }
long_rss() { grep -o 'peak_rss_mib=[0-9.]*' "$1" | cut -d= -f2; }
long_row() { printf '  %-22s %18s %18s %18s\n' "$@"; }
echo
echo "Main window with 10 MiB values in one record's Name, PrefDates and LastSchool, 1,000 records"
echo "(each command from the click until repainted; median / slowest of $((long_runs * 5)) in $long_runs alternating runs, ms)"
long_row "" "ordinary values" "10 MiB values" "10 MiB accented"
long_row "first paint" "$(long_first "$work/long-plain.txt" | median)" "$(long_first "$work/long-long.txt" | median)" \
  "$(long_first "$work/long-accented.txt" | median)"
for command in repaint_window repaint_grid move_onto_record move_off_record focus_prefdates update total delete add sort open_file_menu; do
  cells=()
  for kind in $kinds; do
    cells+=("$(long_times "$work/long-$kind.txt" "$command" | median) / $(long_times "$work/long-$kind.txt" "$command" | maximum)")
  done
  long_row "$command" "${cells[@]}"
done
for kind in long accented; do
  kept=$(grep -c 'probe_kept=yes' "$work/long-$kind.txt" || true)
  echo "  $kind values stored byte for byte as before: $kept of $long_runs runs"
done
long_row "peak memory (MiB)" "$(long_rss "$work/long-plain.txt" | median)" "$(long_rss "$work/long-long.txt" | median)" \
  "$(long_rss "$work/long-accented.txt" | median)"
# ==== end of main window with 10 MiB values ==================================

# ==== Reports: each shipped layout to PDF at 1,000 and 10,000 soldiers =======
echo
echo "Reports"
QT_QPA_PLATFORM=offscreen "$build/varnel_reports_bench" 2> /dev/null | grep -v -E '_(mean|stddev|cv) ' | tee "$work/reports.txt"

# ==== Print preview of 10,000 worksheets ======================================
# The program's preview against Qt's QPrintPreviewDialog (which paints every
# page before it shows one) on the same roster: time to the first page on
# screen and peak memory, medians of 3 alternating runs.
preview_dir="$work/preview"
mkdir -p "$preview_dir"
"$build/varnel-roster" sample "$preview_dir/Varnel_DATA.MDB" --count 10000 --seed 3 > /dev/null
cp "$(dirname "$0")/../data/varnel_work.rpt" "$preview_dir/"
: > "$work/preview-ours.txt"
: > "$work/preview-qt.txt"
for i in 1 2 3; do
  QT_QPA_PLATFORM=offscreen "$build/varnel-bench-preview" "$preview_dir/varnel_work.rpt" 2> /dev/null >> "$work/preview-ours.txt"
  QT_QPA_PLATFORM=offscreen "$build/varnel-bench-preview" "$preview_dir/varnel_work.rpt" --qt 2> /dev/null >> "$work/preview-qt.txt"
done
echo
echo "Print preview of 10,000 worksheets (medians of 3 alternating runs)"
printf '  %-30s %14s %10s\n' "" "Qt's preview" "Varnel"
printf '  %-30s %14s %10s\n' "first page on screen (ms)" "$(values "$work/preview-qt.txt" open_ms | median)" \
  "$(values "$work/preview-ours.txt" open_ms | median)"
printf '  %-30s %14s %10s\n' "peak memory (MiB)" "$(values "$work/preview-qt.txt" peak_rss_mib | median)" \
  "$(values "$work/preview-ours.txt" peak_rss_mib | median)"

# ==== Summary =================================================================
# The figures the program is held to, each with its baseline from this run.
# Google Benchmark's time of one benchmark, in ms.
bench_ms() {
  awk -v name="$2" '$1 == name { t = $2; u = $3; if (u == "ns") t /= 1e6; else if (u == "us") t /= 1e3; else if (u == "s") t *= 1e3; print t; exit }' "$1"
}
# A counter of one benchmark's line, by its whole name; nothing when absent.
counter() { { grep "^$2 " "$1" || true; } | { grep -oE "(^| )$3=[0-9.k]*" || true; } | head -n 1 | cut -d= -f2 | sed 's/k$/e3/' | awk '{ printf "%g", $1 }'; }
row() { printf '  %-58s %12s %12s %8s  %s\n' "$@"; }
echo
echo "Summary (this run; ratio = Varnel / baseline)"
row "" "baseline" "Varnel" "ratio" "held to"
row "start-up, 1,000 soldiers: first paint (ms)" "$grid_paint_1000" "$start_paint_1000" "$(ratio "$start_paint_1000" "$grid_paint_1000")" "<= 1.0"
row "start-up, 1,000 soldiers: peak memory (MiB)" "$grid_rss_1000" "$start_rss_1000" "$(ratio "$start_rss_1000" "$grid_rss_1000")" "<= 1.0"
row "  the window alone, no roster: first paint (ms)" "$grid_paint_1000" "$start_paint_alone" "$(ratio "$start_paint_alone" "$grid_paint_1000")" "(what it costs)"
row "  the window alone, no roster: peak memory (MiB)" "$grid_rss_1000" "$start_rss_alone" "$(ratio "$start_rss_alone" "$grid_rss_1000")" "(what it costs)"
row "start-up, 100,000 soldiers: first paint (ms)" "$grid_paint_100000" "$start_paint_100000" "$(ratio "$start_paint_100000" "$grid_paint_100000")" "<= 0.2"
row "start-up, 100,000 soldiers: peak memory (MiB)" "$grid_rss_100000" "$start_rss_100000" "$(ratio "$start_rss_100000" "$grid_rss_100000")" "<= 0.25"
row "start-up, 1,000,000, no Name index: first paint (ms)" "" "$start_paint_1000000" "" "< 1000"
row "start-up, 1,000,000, no Name index: peak memory (MiB)" "" "$start_rss_1000000" "" "< 100"
row "start-up, 1,000,000, Name index: first paint (ms)" "" "$start_paint_indexed" "" "< 500"
row "start-up, 1,000,000, Name index: peak memory (MiB)" "" "$start_rss_indexed" "" "< 100"
if [ -n "$server_start" ]; then
  row "start-up, 1,000,000 on a server: first paint (ms)" "" "$start_paint_server" "" "< 500"
  row "start-up, 1,000,000 on a server: peak memory (MiB)" "" "$start_rss_server" "" "< 100"
fi
floor=$(bench_ms "$work/store.txt" BM_TotalAllPlainUpdates/100000/iterations:3)
for total in BM_TotalAll BM_TotalAllChangingEvery; do
  ours=$(bench_ms "$work/store.txt" "$total/100000/iterations:3")
  what="Total All, 100,000 (ms)"
  [ "$total" = BM_TotalAllChangingEvery ] && what="Total All changing every record, 100,000 (ms)"
  row "$what; baseline: one UPDATE a soldier" "$floor" "$ours" "$(ratio "$ours" "$floor")" "<= 2.0"
done
# The medians of 5 runs, each size's runs taken in turn with the others'.
for command in BM_EditUpdate BM_AddNewUpdate BM_DeleteMoveNext BM_MoveNext BM_MoveLast; do
  suffix=/repeats:5_median
  [ "$command" = BM_DeleteMoveNext ] && suffix=/iterations:100/repeats:5_median
  small=$(bench_ms "$work/store.txt" "$command/1000$suffix")
  large=$(bench_ms "$work/store.txt" "$command/1000000$suffix")
  row "${command#BM_} (ms); baseline: the same at 1,000 soldiers" "$small" "$large" "$(ratio "$large" "$small")" "flat"
  # Measured with both rosters open, in turns (BM_WritesInTurns): the
  # commands that write.
  small_rest=""
  [ "$command" = BM_MoveNext ] || [ "$command" = BM_MoveLast ] || small_rest=$(counter "$work/store.txt" BM_WritesInTurns/iterations:10 "${command#BM_}_1000_rest_us")
  large_rest=$(counter "$work/store.txt" BM_WritesInTurns/iterations:10 "${command#BM_}_1000000_rest_us")
  if [ -n "$small_rest" ]; then
    row "  the same without the disk's syncs, in turns (us)" "$small_rest" "$large_rest" "$(ratio "$large_rest" "$small_rest")" "flat"
  fi
done
row "Find's first search, 1,000,000, names read ahead (ms)" "" "$(bench_ms "$work/store.txt" BM_FindFirstPrepared/1000000/repeats:5_median)" "" "< 100"
row "  reading the names ahead, on their own thread (ms)" "" "$(counter "$work/store.txt" BM_FindFirstPrepared/1000000/repeats:5_median read_ms)" "" ""
row "Find's first search, 1,000,000, names not read ahead (ms)" "" "$(bench_ms "$work/store.txt" BM_FindFirst/1000000/repeats:5_median)" "" ""
row "Find again, 1,000,000 (ms)" "" "$(bench_ms "$work/store.txt" BM_FindAgain/1000000)" "" ""
for pages in 1000 10000; do
  floor=$(bench_ms "$work/reports.txt" "barePdfFloor/pages:$pages/iterations:1/repeats:5_median")
  ours=$(bench_ms "$work/reports.txt" "writePdf/layout:1/soldiers:$pages/iterations:1/repeats:5_median")
  held=""
  [ "$pages" = 10000 ] && held="<= 0.2"
  row "worksheets, $pages soldiers (ms); baseline: bare QPdfWriter" "$floor" "$ours" "$(ratio "$ours" "$floor")" "$held"
done
row "preview of 10,000 worksheets: first page (ms); Qt's preview" "$(values "$work/preview-qt.txt" open_ms | median)" \
  "$(values "$work/preview-ours.txt" open_ms | median)" \
  "$(ratio "$(values "$work/preview-ours.txt" open_ms | median)" "$(values "$work/preview-qt.txt" open_ms | median)")" ""
row "preview of 10,000 worksheets: peak memory (MiB)" "$(values "$work/preview-qt.txt" peak_rss_mib | median)" \
  "$(values "$work/preview-ours.txt" peak_rss_mib | median)" "" "< 100"
# ==== end of summary ==========================================================
