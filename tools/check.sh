#!/bin/sh
# Builds and runs everything CI checks, stopping at the first failure:
#   1. the normal tree (build/) and its whole test suite;
#   2. a second tree (build-asan/) with AddressSanitizer and UndefinedBehaviorSanitizer, whole suite again;
#   3. the libFuzzer targets (build-fuzz/, clang), each for a short bounded run from the seeds in
#      tests/fuzz/corpus (FUZZ_SECONDS each, 30 by default).
# CALVORA_STRESS=full makes the stress tests long (see tests/reliability/RESULTS.md).
set -eu
cd "$(dirname "$0")/.."
jobs="${JOBS:-2}"
fuzz_seconds="${FUZZ_SECONDS:-30}"

step() { printf '\n== %s\n' "$*"; }

step "normal build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

step "AddressSanitizer + UndefinedBehaviorSanitizer build and tests"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCALVORA_SANITIZE=ON -DCALVORA_BUILD_BENCHMARKS=OFF
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan --output-on-failure -j"$jobs"

step "fuzz targets, ${fuzz_seconds} s each"
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DCALVORA_FUZZ=ON -DCALVORA_BUILD_BENCHMARKS=OFF
targets="color day_key drag_payload store"
for t in $targets; do
  cmake --build build-fuzz -j"$jobs" --target "fuzz_$t"
done
for t in $targets; do
  mkdir -p "build-fuzz/corpus/$t"
  max_len=4096
  [ "$t" = store ] && max_len=20000
  # New inputs go to build-fuzz/corpus; the seeds in the repository stay untouched.
  "build-fuzz/tests/fuzz/fuzz_$t" -max_total_time="$fuzz_seconds" -max_len="$max_len" -close_fd_mask=1 \
    -print_final_stats=1 "build-fuzz/corpus/$t" "tests/fuzz/corpus/$t" 2>"build-fuzz/fuzz_$t.log" ||
    { tail -n 60 "build-fuzz/fuzz_$t.log"; echo "fuzz_$t found a fault" >&2; exit 1; }
  printf 'fuzz_%s: %s executions, no finding\n' "$t" \
    "$(sed -n 's/^stat::number_of_executed_units: *//p' "build-fuzz/fuzz_$t.log")"
done
step "all checks passed"
