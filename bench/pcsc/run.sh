#!/usr/bin/env bash
# The round trip of one short device call in process and over a pcscd:
# builds fpkey_bench_pcsc in build/bench (Release) and runs it, five times
# each, under a private pcscd (scripts/pcsc-daemon.sh).
# Usage: bench/pcsc/run.sh [extra Google Benchmark options]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
scripts/install-deps.sh build bench pcsc
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DFPKEY_BENCH=ON -DFPKEY_TESTS=OFF -DFPKEY_AUTHDLG=OFF >/dev/null
cmake --build build/bench -j2 --target fpkey_bench_pcsc
scripts/pcsc-daemon.sh run build/bench/pcscd -- \
  build/bench/bin/fpkey_bench_pcsc --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
