#!/usr/bin/env bash
# Fails when a tracked C or C++ file differs from what .clang-format makes of
# it. The formatter's version is fixed: another version lays out some
# constructs differently.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
command -v clang-format-14 >/dev/null || scripts/install-deps.sh format
git ls-files -z '*.c' '*.cpp' '*.h' | xargs -0 clang-format-14 --dry-run --Werror
echo "format: every C and C++ file as .clang-format lays it out"
