#!/usr/bin/env bash
# The main job on the simulated key: builds the tools and runs a short
# session with the key.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh build
scripts/build.sh build/demo -DFPKEY_TESTS=OFF
scripts/fpkey-session.sh build/demo/bin/fpkey
