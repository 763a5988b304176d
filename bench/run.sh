#!/usr/bin/env bash
# Builds the benchmarks, runs them and prints fpkey's times against OpenCV's.
# Usage: bench/run.sh [extra Google Benchmark options, e.g. --benchmark_filter=Local]
# FPKEY_BENCH_DIR names the build directory (build/bench by default),
# FPKEY_BENCH_REPETITIONS the number of repetitions (9 by default).
#
# The repetitions of all benchmarks run in random interleaved order, so that
# a burst of load from other jobs falls on fpkey and OpenCV alike; the table
# compares medians.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
dir=${FPKEY_BENCH_DIR:-build/bench}
repetitions=${FPKEY_BENCH_REPETITIONS:-9}
scripts/install-deps.sh build test bench
scripts/build.sh "$dir" -DCMAKE_BUILD_TYPE=Release -DFPKEY_BENCH=ON -DFPKEY_TESTS=OFF -DFPKEY_AUTHDLG=OFF
results=$dir/results.json
"$dir"/bin/fpkey_bench --benchmark_repetitions="$repetitions" --benchmark_enable_random_interleaving=true \
    --benchmark_min_time=0.1 --benchmark_report_aggregates_only=true \
    --benchmark_out="$results" --benchmark_out_format=json "$@"
echo
"$dir"/bin/fpkey_bench_ratios "$results"
