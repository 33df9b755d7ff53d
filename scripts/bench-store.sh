#!/usr/bin/env bash
# The store's figures: Refresh against the sqlite3 shell on the same files,
# the single-record operations and the roster's memory per record, at 1,000,
# 10,000 and 100,000 records (the record commands and Find also at
# 1,000,000). Medians of 5 repetitions where repeated, the repetitions of
# every benchmark shuffled among the others' so that no size alone meets a
# busy moment of the machine. The
# file check and the safety copy of the first write, and for each write the
# disk syncs (count and time) apart from the rest of its work.
set -euo pipefail
build=${1:-build}
"$build/varnel-bench-store" --benchmark_enable_random_interleaving=true --benchmark_filter='Refresh|SqliteShell|Memory|FileCheck|SafetyCopy|EditUpdate|AddNew|Delete|Move|WritesInTurns|Field|Grid|TotalAll|Find' \
  | grep -v -E '_(mean|stddev|cv) '
