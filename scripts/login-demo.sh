#!/usr/bin/env bash
# The login demo on the simulated key: builds libauthdlg.so, the device
# libraries and fplogin, then logs in with the demo finger. With a display
# the dialog and a virtual sensor window appear; without one the demo runs
# headless and prints every text the dialog shows.
# Usage: scripts/login-demo.sh [fplogin options...]   (fplogin --help)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh build gui
cmake -S "$root" -B build/login-demo -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFPKEY_TESTS=OFF >/dev/null
cmake --build build/login-demo -j2 --target fplogin
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  exec build/login-demo/bin/fplogin --headless "$@"
fi
exec build/login-demo/bin/fplogin "$@"
