#!/bin/sh
# Runs every measurement of bench/RESULTS.md with one Release build tree:
#   bench/measure.sh <build dir> <output dir> [large database]
# The large database is made with make_large_db unless given (the same file keeps runs comparable).
set -eu
build=$1
out=$2
mkdir -p "$out"
db=${3:-$out/large.sqlite}
if [ ! -f "$db" ]; then
  "$build/bench/make_large_db" "$db" > "$out/census.txt"
else
  "$build/bench/make_large_db" --check "$db" > "$out/census.txt"
fi
export CALVORA_BENCH_DB="$db"
uptime > "$out/load.txt"
"$build/bench/calvora_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$out/bench.json" --benchmark_out_format=json > "$out/bench.txt" 2> "$out/bench-stderr.txt"
"$build/bench/startup_time" --runs 11 > "$out/startup.txt" 2> /dev/null
"$build/bench/startup_time" --runs 6 --first-of-day > "$out/startup-first-of-day.txt" 2> /dev/null
"$build/bench/startup_time" --runs 4 --session > "$out/memory-session.txt" 2> /dev/null
uptime >> "$out/load.txt"
