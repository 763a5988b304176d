#!/usr/bin/env bash
# A short session with the simulated key: authenticate, enrol a finger,
# identify it, list the index, delete it. Every step is printed.
# Usage: scripts/fpkey-session.sh [FPKEY_BINARY]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
fpkey=${1:-$root/build/demo/bin/fpkey}
key_file=$(mktemp -d)/demo-key.json
export FPKEY_DEVICE="sim:$key_file"

step() {
    printf '\n\033[1m$ fpkey %s\033[0m\n' "$*"
    "$fpkey" "$@"
}

echo "Simulated key in $key_file"
step info
step auth
step enroll 1 --finger alice-right --tag 1
step identify --finger alice-right
printf '\n\033[1m$ fpkey identify --finger mallory-left-thumb   (another finger: must not match)\033[0m\n'
if "$fpkey" identify --finger mallory-left-thumb; then
    echo "error: an unknown finger was identified" >&2
    exit 1
fi
step list
step delete 1
step list
rm -rf "$(dirname "$key_file")"
printf '\nSession complete.\n'
