#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a host
# developer gets there. Usage: install_check.sh BUILD_DIR
set -euo pipefail
build_dir=$1
here=$(cd "$(dirname "$0")" && pwd)
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build_dir" --prefix "$prefix" >/dev/null

bash "$here/readme_host.sh" "$prefix" "$prefix/work"

# Every pkg-config file carries the version the library was built with.
library=$(find "$prefix" -name 'libfpdevice.so.*.*.*' | head -n1)
version=${library##*/libfpdevice.so.}
for pc in $(find "$prefix" -name '*.pc'); do
    grep -qx "Version: $version" "$pc" || { echo "$pc does not say version $version" >&2; exit 1; }
done
# Generated form headers belong to the dialog library, not to hosts.
if find "$prefix" -name 'ui_*.h' | grep -q .; then
    echo "generated form headers were installed" >&2
    exit 1
fi
"$prefix/bin/fpkey" --device "sim:$prefix/key.json" capacity | grep -q "capacity: 10 templates"
echo "installed tree works"
