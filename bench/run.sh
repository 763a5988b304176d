#!/usr/bin/env bash
# Builds the benchmarks, runs them and prints fpkey's times against OpenCV's.
# Usage: bench/run.sh [extra Google Benchmark options, e.g. --benchmark_filter=Local]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh build test bench
scripts/build.sh build/bench -DCMAKE_BUILD_TYPE=Release -DFPKEY_BENCH=ON -DFPKEY_TESTS=OFF -DFPKEY_AUTHDLG=OFF
results=build/bench/results.json
build/bench/bin/fpkey_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_out="$results" --benchmark_out_format=json "$@"
echo
build/bench/bin/fpkey_bench_ratios "$results"
