#!/usr/bin/env bash
# Mutation testing: how many of the small slips listed in scripts/mutants.txt
# the test suite catches. Each mutant changes one line of product code; the
# test programs that can see that code are rebuilt and run, and the mutant is
# killed when a test fails, survived when all pass, and did-not-build when
# the change does not compile. The test programs are tried group by group,
# the mutated module's own first, and a group's run stops at its first
# failure. A failure counts only when the failed tests fail again when run
# once more (some widget tests fail now and then on a loaded machine); one
# that does not repeat is listed with the result. The file is put back after
# every mutant, and on any exit or interruption.
#
#   scripts/mutants.sh [BUILD_DIR] [--only ID,ID...]
#   scripts/mutants.sh --check        checks the list only
#
# BUILD_DIR (default build-mutants, under the checkout) is configured when it
# has no build.ninja and built once before the first mutant; the suite must
# pass there first. Works on the checkout this script lives in, and refuses
# to start while the files it would change hold uncommitted changes.
#
# Prints a line per mutant, then a Markdown table and the count of killed
# mutants; the table also goes to BUILD_DIR/mutants-result.md, each mutant's
# build and test output to BUILD_DIR/mutants-logs/ID.log. Exits with 0 once
# every mutant has run, 2 when the list is malformed, an argument is wrong,
# the tree is not clean or the suite fails without any mutant.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
LIST="$ROOT/scripts/mutants.txt"

usage() {
  echo "usage: $0 [BUILD_DIR] [--only ID,ID...] | --check" >&2
  exit 2
}

BUILD=""
ONLY=""
CHECK_ONLY=0
while [ $# -gt 0 ]; do
  case "$1" in
    --only) [ $# -ge 2 ] || usage; ONLY=$2; shift 2 ;;
    --only=*) ONLY=${1#--only=}; shift ;;
    --check) CHECK_ONLY=1; shift ;;
    -h|--help) usage ;;
    -*) echo "mutants: unknown option $1" >&2; usage ;;
    *) [ -z "$BUILD" ] || usage; BUILD=$1; shift ;;
  esac
done
BUILD=${BUILD:-build-mutants}
case "$BUILD" in
  /*) ;;
  *) BUILD="$ROOT/$BUILD" ;;
esac

# The list is read, checked and applied by Python, which takes the `from`
# and `to` texts literally: no shell or regular-expression quoting involved.
#   check LIST ROOT ONLY   prints "id<TAB>file<TAB>module" per chosen mutant
#   apply LIST ROOT ID     puts the mutant into its file
IFS= read -r -d '' MUTANT_TOOL <<'PY' || true
import os, re, sys

MODULES = {"app", "common", "store", "points", "reports", "ui", "tools", "legacy"}
KEYS = ["id", "file", "from", "to", "why"]

def occurrences(text, part):
    count, at = 0, text.find(part)
    while at >= 0:
        count += 1
        at = text.find(part, at + 1)
    return count

def read_list(path, root):
    errors, mutants, block, start = [], [], [], 0
    with open(path, encoding="utf-8", newline="") as f:
        lines = f.read().split("\n")
    lines.append("")
    for number, line in enumerate(lines, 1):
        line = line.rstrip("\r")
        if line == "":
            if block:
                mutants.append((start, block))
                block = []
            continue
        if line.startswith("#"):
            if block:
                errors.append(f"line {number}: a comment inside a block")
            continue
        if not block:
            start = number
        block.append(line)
    seen = set()
    chosen = []
    for start, block in mutants:
        where = f"block at line {start}"
        if len(block) != len(KEYS):
            errors.append(f"{where}: {len(block)} lines, not {len(KEYS)} ({', '.join(KEYS)})")
            continue
        values = {}
        for key, line in zip(KEYS, block):
            prefix = key + ": "
            if not line.startswith(prefix):
                errors.append(f"{where}: expected '{prefix}...', found {line[:40]!r}")
                break
            values[key] = line[len(prefix):]
        else:
            m = values
            where = f"{m['id']} (line {start})"
            if not re.fullmatch(r"[a-z0-9]+(-[a-z0-9]+)*", m["id"]):
                errors.append(f"{where}: the id must be lower-case words joined by '-'")
            if m["id"] in seen:
                errors.append(f"{where}: the id is used twice")
            seen.add(m["id"])
            module = m["file"].split("/", 1)[0]
            if module not in MODULES or "/" not in m["file"] or ".." in m["file"].split("/"):
                errors.append(f"{where}: {m['file']} is not in a product folder ({', '.join(sorted(MODULES))})")
                continue
            if not m["from"].strip() or not m["to"].strip() or not m["why"].strip():
                errors.append(f"{where}: from, to and why may not be empty")
                continue
            if m["from"] == m["to"]:
                errors.append(f"{where}: to is the same as from")
            target = os.path.join(root, m["file"])
            if not os.path.isfile(target):
                errors.append(f"{where}: there is no file {m['file']}")
                continue
            with open(target, encoding="utf-8", newline="") as f:
                text = f.read()
            found = occurrences(text, m["from"])
            if found != 1:
                errors.append(f"{where}: 'from' occurs {found} times in {m['file']}, not once")
            m["module"] = module
            chosen.append(m)
    return chosen, errors

def main():
    command, path, root = sys.argv[1:4]
    mutants, errors = read_list(path, root)
    if errors:
        for e in errors:
            print(f"mutants: {path}: {e}", file=sys.stderr)
        sys.exit(2)
    by_id = {m["id"]: m for m in mutants}
    if command == "check":
        only = [i for i in sys.argv[4].split(",") if i] if len(sys.argv) > 4 else []
        unknown = [i for i in only if i not in by_id]
        if unknown:
            print(f"mutants: no mutant {', '.join(unknown)} in {path}", file=sys.stderr)
            sys.exit(2)
        for m in mutants:
            if not only or m["id"] in only:
                print(f"{m['id']}\t{m['file']}\t{m['module']}")
    elif command == "apply":
        m = by_id[sys.argv[4]]
        target = os.path.join(root, m["file"])
        with open(target, encoding="utf-8", newline="") as f:
            text = f.read()
        with open(target, "w", encoding="utf-8", newline="") as f:
            f.write(text.replace(m["from"], m["to"], 1))
    else:
        sys.exit(f"mutants: unknown command {command}")

main()
PY

mutant_tool() { python3 -c "$MUTANT_TOOL" "$@"; }

CHOSEN=$(mutant_tool check "$LIST" "$ROOT" "$ONLY") || exit 2
[ -n "$CHOSEN" ] || { echo "mutants: no mutants chosen" >&2; exit 2; }
if [ "$CHECK_ONLY" -eq 1 ]; then
  echo "mutants: $(printf '%s\n' "$CHOSEN" | wc -l) mutants, all well formed"
  printf '%s\n' "$CHOSEN" | cut -f3 | sort | uniq -c
  exit 0
fi

# Which test programs can see each folder's code, in the order they are
# tried: a mutant's first group is built and run first, the next only when
# the mutant survived it, so a caught mutant costs one group. Names are
# ninja targets; varnel_fuzz_* are the corpus replays (ctest: NAME_corpus).
# Each test program's target also rebuilds the programs its tests start
# (varnel, varnel-roster, the Access reader, the crash writer).
#   store, common: every program links them (tests/support too);
#   points: Total and Total All, varnel-roster total, sample rosters;
#   reports: the report programs, the report windows, varnel-roster report;
#   legacy: the import, in the window and in varnel-roster;
#   tools: varnel-roster and the tools library the test fixtures use;
#   ui, app: the window library and the program.
declare -A STAGES=(
  [store]="varnel_store_tests varnel_crash_tests|varnel_points_tests varnel_tool_tests varnel_legacy_tests|varnel_ui_tests varnel_reports_tests varnel_server_reports_tests varnel_install_tests"
  [common]="varnel_store_tests varnel_fuzz_date_text|varnel_points_tests varnel_tool_tests varnel_legacy_tests varnel_crash_tests|varnel_reports_tests varnel_query_guard_server_tests varnel_server_reports_tests varnel_ui_tests varnel_install_tests varnel_fuzz_report_layout varnel_fuzz_query_guard"
  [points]="varnel_points_tests|varnel_tool_tests varnel_legacy_tests varnel_ui_tests varnel_reports_tests varnel_server_reports_tests"
  [reports]="varnel_reports_tests varnel_fuzz_report_layout varnel_fuzz_query_guard|varnel_query_guard_server_tests varnel_server_reports_tests|varnel_ui_tests varnel_tool_tests varnel_install_tests"
  [legacy]="varnel_legacy_tests|varnel_ui_tests varnel_tool_tests varnel_install_tests"
  [tools]="varnel_tool_tests|varnel_install_tests varnel_legacy_tests varnel_server_reports_tests varnel_store_tests"
  [ui]="varnel_ui_tests|varnel_install_tests"
  [app]="varnel_install_tests|varnel_ui_tests"
)

# The ctest regular expression for a list of test programs.
test_regex() {
  local parts=() t
  for t in "$@"; do
    case "$t" in
      varnel_fuzz_*) parts+=("${t}_corpus\$") ;;
      *) parts+=("${t}\\.") ;;
    esac
  done
  local IFS='|'
  echo "^(${parts[*]})"
}

# --- the tree must hold no work of its own in the files to be changed
mapfile -t FILES < <(printf '%s\n' "$CHOSEN" | cut -f2 | sort -u)
if ! git -C "$ROOT" diff --quiet HEAD -- "${FILES[@]}"; then
  echo "mutants: these files have uncommitted changes; commit or stash them first:" >&2
  git -C "$ROOT" diff --name-only HEAD -- "${FILES[@]}" | sed 's/^/  /' >&2
  if [ -d "$BUILD/mutants-saved" ]; then
    echo "  (a run that was killed outright leaves its mutant in place: git checkout -- FILE puts the file back)" >&2
  fi
  exit 2
fi

mkdir -p "$BUILD" "$BUILD/mutants-logs" "$BUILD/mutants-saved"
export QT_QPA_PLATFORM=offscreen
# Build jobs: the machine's cores, at most 2 unless MUTANTS_JOBS says.
JOBS=${MUTANTS_JOBS:-$(( $(nproc) < 2 ? $(nproc) : 2 ))}

# The throwaway PostgreSQL server the ctest fixture starts for this build
# folder. A run stopped early (--stop-on-failure) may skip the fixture's
# cleanup and leave it running, and the next start would then fail: it is
# stopped and removed after every ctest run.
server_dir() {
  grep -ho '/tmp/varnel-pg-[0-9a-f]\{10\}' "$BUILD/tests/CTestTestfile.cmake" 2>/dev/null | head -n 1 || true
}
stop_test_server() {
  local dir
  dir=$(server_dir)
  if [ -n "$dir" ] && [ -f "$dir/data/PG_VERSION" ]; then
    "$ROOT/scripts/pg-cluster.sh" stop "$dir" >/dev/null 2>&1 || true
    rm -rf "$dir"
  fi
}

# The mutant in place, if any: its file and the saved original.
CURRENT_FILE=""
CURRENT_SAVED=""
restore() {
  if [ -n "$CURRENT_FILE" ]; then
    cp "$CURRENT_SAVED" "$ROOT/$CURRENT_FILE"
    # Newer than the object the mutant was compiled into, so the next build
    # compiles the original again.
    touch "$ROOT/$CURRENT_FILE"
    rm -f "$CURRENT_SAVED"
    CURRENT_FILE=""
    CURRENT_SAVED=""
  fi
}
on_exit() {
  local status=$?
  trap - EXIT INT TERM
  restore || echo "mutants: could not put $CURRENT_FILE back; its original is $CURRENT_SAVED" >&2
  stop_test_server
  rmdir "$BUILD/mutants-saved" 2>/dev/null || true
  exit "$status"
}
trap on_exit EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

run_ctest() { # LOG CTEST_OPTIONS...
  local log=$1 status=0
  shift
  stop_test_server
  ctest --test-dir "$BUILD" -j2 --timeout 300 --no-tests=error --output-on-failure "$@" </dev/null >>"$log" 2>&1 || status=$?
  stop_test_server
  return "$status"
}

# The tests the last ctest run saw fail, one a line.
failed_tests() {
  cut -d: -f2- "$BUILD/Testing/Temporary/LastTestsFailed.log" 2>/dev/null | grep -v '^varnel_test_server_' || true
}

# Some widget tests fail now and then on a loaded machine. A failure counts
# only when the failed tests fail again when run once more on their own;
# one that does not repeat is noted, and the group is run again (once).
FLAKY=()
group_passes() { # LOG REGEX
  local log=$1 regex=$2 attempt failed
  for attempt in 1 2; do
    run_ctest "$log" -R "$regex" --stop-on-failure && return 0
    failed=$(failed_tests)
    echo "== the failed tests once more" >>"$log"
    run_ctest "$log" --rerun-failed || return 1
    echo "== they passed: the group again" >>"$log"
    FLAKY+=("$id: $(echo $failed)")
  done
  return 1
}

# --- configure and baseline
# Configured afresh each run, so the list of test programs below is this
# checkout's.
[ -f "$BUILD/build.ninja" ] || echo "mutants: configuring $BUILD"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNEL_BUILD_BENCHMARKS=OFF \
  >"$BUILD/mutants-logs/configure.log" 2>&1 \
  || { echo "mutants: configuring failed; see $BUILD/mutants-logs/configure.log" >&2; exit 2; }

# The suite's programs change as tests are merged or moved: a program the
# table names that this build does not have is left out of every group.
mapfile -t HAVE < <(ninja -C "$BUILD" -t targets all 2>/dev/null | sed -n 's/^\(varnel_[a-z_]*\): .*/\1/p' | sort -u)
for module in "${!STAGES[@]}"; do
  kept=()
  IFS='|' read -r -a groups <<<"${STAGES[$module]}"
  for group in "${groups[@]}"; do
    present=()
    for t in $group; do printf '%s\n' "${HAVE[@]}" | grep -qx "$t" && present+=("$t"); done
    [ ${#present[@]} -gt 0 ] && kept+=("${present[*]}")
  done
  STAGES[$module]=$(IFS='|'; echo "${kept[*]}")
done

declare -A NEEDED=()
while IFS=$'\t' read -r _ _ module; do
  for t in ${STAGES[$module]//|/ }; do NEEDED[$t]=1; done
done <<<"$CHOSEN"
ALL_TARGETS=("${!NEEDED[@]}")
BASE_LOG="$BUILD/mutants-logs/baseline.log"
: >"$BASE_LOG"
echo "mutants: baseline build and tests of ${#ALL_TARGETS[@]} test programs (log: $BASE_LOG)"
start=$(date +%s)
if ! cmake --build "$BUILD" -j "$JOBS" --target "${ALL_TARGETS[@]}" </dev/null >>"$BASE_LOG" 2>&1; then
  echo "mutants: the baseline does not build; see $BASE_LOG" >&2
  exit 2
fi
built=$(date +%s)
if ! run_ctest "$BASE_LOG" -R "$(test_regex "${ALL_TARGETS[@]}")"; then
  failed=$(failed_tests)
  echo "== the failed tests once more" >>"$BASE_LOG"
  if ! run_ctest "$BASE_LOG" --rerun-failed; then
    echo "mutants: the test suite fails without any mutant; see $BASE_LOG. Nothing to measure." >&2
    exit 2
  fi
  echo "mutants: note: failed once, passed when run again: $(echo $failed)"
  FLAKY+=("baseline: $(echo $failed)")
fi
echo "mutants: baseline passes (build $((built - start)) s, tests $(($(date +%s) - built)) s)"

# --- the mutants
id=""
TOTAL=$(printf '%s\n' "$CHOSEN" | wc -l)
ROWS=()
KILLED=0 SURVIVED=0 UNBUILT=0 N=0
while IFS=$'\t' read -r -u 3 id file module; do
  N=$((N + 1))
  log="$BUILD/mutants-logs/$id.log"
  : >"$log"
  start=$(date +%s)
  CURRENT_SAVED="$BUILD/mutants-saved/$id"
  cp "$ROOT/$file" "$CURRENT_SAVED"
  CURRENT_FILE=$file
  mutant_tool apply "$LIST" "$ROOT" "$id" </dev/null
  result=survived
  IFS='|' read -r -a stages <<<"${STAGES[$module]}"
  for stage in "${stages[@]}"; do
    read -r -a targets <<<"$stage"
    echo "== build: ${targets[*]}" >>"$log"
    if ! cmake --build "$BUILD" -j "$JOBS" --target "${targets[@]}" </dev/null >>"$log" 2>&1; then
      result=did-not-build
      break
    fi
    echo "== ctest: ${targets[*]}" >>"$log"
    if ! group_passes "$log" "$(test_regex "${targets[@]}")"; then
      result=killed
      break
    fi
  done
  restore
  seconds=$(($(date +%s) - start))
  case "$result" in
    killed) KILLED=$((KILLED + 1)) ;;
    survived) SURVIVED=$((SURVIVED + 1)) ;;
    did-not-build) UNBUILT=$((UNBUILT + 1)) ;;
  esac
  printf '[%d/%d] %-45s %-8s %-14s %4d s\n' "$N" "$TOTAL" "$id" "$module" "$result" "$seconds"
  ROWS+=("| $id | $module | $result | $seconds |")
done 3<<<"$CHOSEN"

# --- the result
RESULT="$BUILD/mutants-result.md"
{
  echo "| id | module | result | seconds |"
  echo "| --- | --- | --- | --- |"
  printf '%s\n' "${ROWS[@]}"
  echo
  echo "killed $KILLED of $TOTAL ($SURVIVED survived, $UNBUILT did not build)"
  if [ ${#FLAKY[@]} -gt 0 ]; then
    echo
    echo "Failed once, then passed when run again (not counted as a kill):"
    printf -- '- %s\n' "${FLAKY[@]}"
  fi
} >"$RESULT"
echo
cat "$RESULT"
echo "(also in $RESULT; logs in $BUILD/mutants-logs)"
exit 0
