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
"$(dirname "$0")/bench-store.sh" "$build"
# ==== end of store benchmark =================================================

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
QT_QPA_PLATFORM=offscreen "$build/varnel_reports_bench" 2> /dev/null | grep -v -E '_(mean|stddev|cv) ' | tee "$work/pdf.txt"
# The worksheets' time against the bare QPdfWriter loop's, from the medians
# above (the same run).
work_ms=$(grep '^writePdf/layout:1/soldiers:10000.*_median' "$work/pdf.txt" | awk '{ print $2 }')
floor_ms=$(grep '^barePdfFloor/pages:10000.*_median' "$work/pdf.txt" | awk '{ print $2 }')
[ -n "$work_ms" ] && [ -n "$floor_ms" ] && printf '  10,000 worksheets: %.0f ms, bare QPdfWriter loop of 10,000 pages: %.0f ms, ratio %.2f\n' \
  "$work_ms" "$floor_ms" "$(awk -v a="$work_ms" -v b="$floor_ms" 'BEGIN { printf "%.3f", a / b }')"

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
