#!/usr/bin/env bash
# Builds the native benchmark in Release and runs it:
#   1. the tick benchmark (quantizeFrame + trackFrame + the writer, and giflib alone on the same
#      images), repeated with the repetitions of all benchmarks interleaved in random order (so a
#      burst of load elsewhere hits both sides of a ratio alike), medians written as a Markdown
#      table;
#   2. one long recording (sparse changes) under /usr/bin/time -v for its peak memory.
# Results go to $BUILD_DIR/bench-results/: table.md, benchmark.json, recording.txt,
# machine.txt. Extra arguments go to the benchmark (e.g. --benchmark_filter=320x240).
#
# Environment: BUILD_DIR (default build-bench), REPETITIONS (default 5),
# RECORD_TICKS (default 10000), JOBS (default: number of processors).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

build=${BUILD_DIR:-build-bench}
repetitions=${REPETITIONS:-5}
record_ticks=${RECORD_TICKS:-10000}
results=$build/bench-results

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target pixmote_bench -j "${JOBS:-$(nproc)}"
bench=$build/bench/pixmote_bench
if [[ ! -x $bench ]]; then
    echo "bench.sh: $bench was not built (is Google Benchmark installed? libbenchmark-dev)" >&2
    exit 1
fi
mkdir -p "$results"

{
    echo "date: $(date -u +%Y-%m-%dT%H:%M:%SZ)"
    echo "nproc: $(nproc)"
    echo "cpu: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
    echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
    echo "compiler: $(c++ --version | head -1)"
} >"$results/machine.txt"

"$bench" \
    --benchmark_repetitions="$repetitions" \
    --benchmark_report_aggregates_only=true \
    --benchmark_enable_random_interleaving=true \
    --benchmark_out="$results/benchmark.json" \
    --benchmark_out_format=json \
    --table="$results/table.md" \
    "$@"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)" >>"$results/machine.txt"

if [[ -x /usr/bin/time ]]; then
    /usr/bin/time -v "$bench" --record="$record_ticks" >"$results/recording.txt" 2>"$results/recording-time.txt"
    grep -E 'Maximum resident set size' "$results/recording-time.txt" >>"$results/recording.txt"
else
    "$bench" --record="$record_ticks" >"$results/recording.txt"
fi

echo
cat "$results/machine.txt"
echo
cat "$results/table.md"
echo
cat "$results/recording.txt"
