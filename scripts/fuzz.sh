#!/usr/bin/env bash
# Runs each fuzz target (libFuzzer, with AddressSanitizer and
# UndefinedBehaviorSanitizer) for FUZZ_SECONDS seconds (default 60), starting
# from its committed corpus in tests/fuzz/corpus/<name>/. New inputs go to a
# scratch folder in the build folder, never into the committed corpus; to keep
# the few that reach new code (-use_counters=0 counts new edges only, not new
# hit counts, which keeps the corpus small):
#
#   build-fuzz/varnel_fuzz_NAME -merge=1 -use_counters=0 tests/fuzz/corpus/NAME build-fuzz/fuzz-corpus/NAME
#
# Exits non-zero when a target crashes or breaks an invariant, naming the
# saved input; replay it with `build-fuzz/varnel_fuzz_NAME FILE`.
set -euo pipefail

cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-60}"
build="${FUZZ_BUILD:-build-fuzz}"
targets=(date_text report_layout query_guard)

case "$seconds" in
  ''|*[!0-9]*|0) echo "FUZZ_SECONDS must be a whole number of seconds above 0, not '$seconds'" >&2; exit 2 ;;
esac

# The whole project is configured with clang, so the parsers' libraries get
# libFuzzer's coverage counters too; only the fuzz targets are built.
mkdir -p "$build"
cmake -S . -B "$build" -G Ninja --no-warn-unused-cli \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
  -DVARNEL_FUZZ=ON >"$build/fuzz-configure.log" 2>&1 \
  || { cat "$build/fuzz-configure.log" >&2; exit 1; }
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/#/varnel_fuzz_}"

failed=()
for name in "${targets[@]}"; do
  scratch="$build/fuzz-corpus/$name"
  artifacts="$build/fuzz-crashes/$name"
  mkdir -p "$scratch" "$artifacts"
  dict=()
  [ -f "tests/fuzz/$name.dict" ] && dict=(-dict="tests/fuzz/$name.dict")
  echo "== $name: $seconds s"
  # The scratch folder comes first: libFuzzer writes new inputs to the first
  # corpus folder it is given.
  if ! "$build/varnel_fuzz_$name" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$artifacts/" "${dict[@]}" "$scratch" "tests/fuzz/corpus/$name" \
      >"$build/fuzz-$name.log" 2>&1; then
    tail -n 40 "$build/fuzz-$name.log" >&2
    failed+=("$name")
  fi
  grep -E '^(Done|stat::number_of_executed_units|stat::new_units_added)' "$build/fuzz-$name.log" || true
done

if [ ${#failed[@]} -ne 0 ]; then
  for name in "${failed[@]}"; do
    echo "FAILED: $name (log: $build/fuzz-$name.log)" >&2
    grep -h 'Test unit written to' "$build/fuzz-$name.log" >&2 \
      || echo "  no input was saved; see the log" >&2
  done
  exit 1
fi
echo "All ${#targets[@]} fuzz targets ran $seconds s each without a finding."
