#!/usr/bin/env bash
# Makes the Debian packages of a build configured with
# -DCMAKE_INSTALL_PREFIX=/usr, has lintian judge them (any error fails),
# and builds the README's host example against the unpacked packages.
# Usage: scripts/package.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
cd "$build"

# A file installed without a component would be missing from every package.
stray=$(mktemp -d)
trap 'rm -rf "$stray"' EXIT
cmake --install . --component Unspecified --prefix "$stray" >/dev/null
if [[ -n $(find "$stray" -type f) ]]; then
    echo "installed but in no package:" >&2
    find "$stray" -type f >&2
    exit 1
fi

rm -f ./*.deb
cpack -G DEB >"$stray/cpack.log" 2>&1 || { cat "$stray/cpack.log" >&2; exit 1; }
ls ./*.deb
for deb in ./*.deb; do
    echo "$deb: $(dpkg-deb -f "$deb" Depends)"
done
# lintian refuses to judge as root without this flag's consent.
lintian --allow-root --fail-on error ./*.deb

unpacked="$stray/unpacked"
for deb in ./*.deb; do
    dpkg-deb -x "$deb" "$unpacked"
done
bash "$root/tests/install/readme_host.sh" "$unpacked/usr" "$stray/host"
echo "packages: built, lintian reports no errors, the README's host builds against them"
