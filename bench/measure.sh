#!/bin/sh
# Runs every measurement of bench/RESULTS.md with one Release build tree:
#   bench/measure.sh <build dir> <output dir> [large database]
# The large database is made with make_large_db unless given (the same file keeps runs comparable).
# With CALVORA_BENCH_SERVER naming a server database that holds the same agenda (copied there with
# calvora --copy-to-server), the agenda and start-up measurements are also taken on the server.
# Start-up is measured offscreen and, when xvfb-run is installed, on X11 too.
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
"$build/bench/startup_time" --runs 11 --floor > "$out/startup.txt" 2> /dev/null
# The same on an X11 display server (a virtual one), where the floor includes what a desktop's does.
if command -v xvfb-run > /dev/null; then
  xvfb-run -a -s "-screen 0 1920x1080x24" env QT_QPA_PLATFORM=xcb \
    "$build/bench/startup_time" --runs 21 --floor > "$out/startup-x11.txt" 2> /dev/null
fi
"$build/bench/startup_time" --runs 6 --first-of-day > "$out/startup-first-of-day.txt" 2> /dev/null
"$build/bench/startup_time" --runs 4 --session > "$out/memory-session.txt" 2> /dev/null
if [ -n "${CALVORA_BENCH_SERVER:-}" ]; then
  "$build/bench/startup_time" --runs 11 --server "$CALVORA_BENCH_SERVER" > "$out/startup-server.txt" 2> /dev/null
  "$build/bench/startup_time" --runs 6 --first-of-day --server "$CALVORA_BENCH_SERVER" \
    > "$out/startup-server-first-of-day.txt" 2> /dev/null
fi
uptime >> "$out/load.txt"
