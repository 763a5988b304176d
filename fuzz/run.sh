#!/usr/bin/env bash
# Builds the fuzz targets with clang (ASan + UBSan + libFuzzer) and runs each
# for a fixed time, starting from its committed seed corpus.
# Usage: fuzz/run.sh [SECONDS_PER_TARGET] [TARGET...]     (default 20, all)
# A finding stops its run; the crashing input is left in build/fuzz/findings/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
shift || true
build="$root/build/fuzz"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" \
  -DFPKEY_FUZZ=ON -DFPKEY_TESTS=OFF -DFPKEY_TOOLS=OFF -DFPKEY_AUTHDLG=OFF >/dev/null
cmake --build "$build" -j2 --target fuzz_targets hxpkcs

targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
  targets=($(cd "$root/fuzz/corpus" && ls))
fi
mkdir -p "$build/findings"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
passed=0
failed=0
for target in "${targets[@]}"; do
  # Fresh inputs go to a scratch folder; the committed seeds stay as they are.
  work=$(mktemp -d)
  echo "== $target: $seconds s"
  if "$build/bin/$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=25 -print_final_stats=1 \
       -artifact_prefix="$build/findings/$target-" "$work" "$root/fuzz/corpus/$target" 2>"$build/$target.log"; then
    grep -E '^Done' "$build/$target.log" | tail -n 1
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    tail -n 40 "$build/$target.log"
    echo "== $target: FAILED (input in $build/findings/)"
  fi
  rm -rf "$work"
done
echo "fuzz: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
