#!/usr/bin/env bash
# Installs the build into a temporary prefix, builds a C99 host against it
# with pkg-config alone, and runs the host on a simulated key.
set -euo pipefail
build_dir=$1
source_dir=$(cd "$(dirname "$0")" && pwd)
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build_dir" --prefix "$prefix" >/dev/null
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
cc -std=c99 -Wall -Wextra -Werror -pedantic "$source_dir/host.c" $(pkg-config --cflags --libs fpdevice) -lhxkmgr \
   -o "$prefix/host"
output=$(LD_LIBRARY_PATH=$prefix/lib "$prefix/host" "sim:$prefix/key.json")
echo "$output"
[[ $output == "rc=0x00000000 capacity=10" ]]
"$prefix/bin/fpkey" --device "sim:$prefix/key.json" capacity | grep -q "capacity: 10 templates"
echo "installed tree works"
