#!/usr/bin/env bash
# `make sanitize`: the whole test suite in a Debug build with AddressSanitizer
# and UndefinedBehaviorSanitizer (GCC), benchmarks left out. The first
# finding stops the program that made it, so its test and this script fail.
# Usage: scripts/sanitize.sh [BUILD_DIR]   (default build-asan)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-asan}
jobs=${JOBS:-$(nproc)}

cmake -S . -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ \
  -DVARNEL_SANITIZE=ON \
  -DVARNEL_BUILD_BENCHMARKS=OFF ${VARNEL_CMAKE_ARGS:-}
cmake --build "$build" -j "$jobs"

# LeakSanitizer is on and nothing is suppressed: the suite runs without a
# leak report from Qt, fontconfig or our own code, so any leak fails the run.
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:detect_odr_violation=2"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

cd "$build"
ctest --output-on-failure --no-tests=error -j "$jobs"
