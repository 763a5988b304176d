#!/usr/bin/env bash
# Builds the README's host example against an installed tree, once with
# pkg-config and once with find_package(fpdevice), and runs both on a
# simulated key. Usage: readme_host.sh PREFIX WORK_DIR
set -euo pipefail
prefix=$1
work=$2
readme=$(cd "$(dirname "$0")/../.." && pwd)/README.md

# The first block of each language after the host section's heading.
readme_block() {
    awk -v lang="$1" '
        /^## Using the libraries in a host application/ { inside = 1; next }
        inside && /^## / { exit }
        inside && !found && $0 == "```" lang { grab = 1; found = 1; next }
        grab && /^```/ { exit }
        grab { print }' "$readme"
}

mkdir -p "$work/src"
readme_block c >"$work/src/host.c"
readme_block cmake >"$work/src/CMakeLists.txt"
[[ -s $work/src/host.c && -s $work/src/CMakeLists.txt ]] || { echo "README has no host example" >&2; exit 1; }

libdir=$(dirname "$(find "$prefix" -name fpdevice.pc -path '*/pkgconfig/*' | head -n1)")/..
libdir=$(cd "$libdir" && pwd)
export PKG_CONFIG_PATH=$libdir/pkgconfig
cc -std=c99 -Wall -Wextra -Werror -pedantic "$work/src/host.c" $(pkg-config --cflags --libs fpdevice hxkmgr) \
    -o "$work/host-pkgconfig"
cmake -S "$work/src" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_C_FLAGS="-Wall -Werror" >/dev/null
cmake --build "$work/cmake-build" >/dev/null

for host in "$work/host-pkgconfig" "$work/cmake-build/host"; do
    output=$(LD_LIBRARY_PATH=$libdir "$host" "sim:$work/key.json")
    [[ $output == "capacity: 10 templates" ]] || { echo "$host printed: $output" >&2; exit 1; }
done
# A failure is told in the tools' words.
if LD_LIBRARY_PATH=$libdir "$work/host-pkgconfig" "no-such-kind-of-key" 2>"$work/error.txt"; then
    echo "host succeeded on an unknown address" >&2
    exit 1
fi
grep -q "unknown device address" "$work/error.txt"
echo "README host example builds and runs against $prefix"
