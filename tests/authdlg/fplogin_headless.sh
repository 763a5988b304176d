#!/usr/bin/env bash
# fplogin --headless on a fresh simulated key: the worker's texts and the
# success text are printed, and the exit status is 0.
# Usage: fplogin_headless.sh FPLOGIN STATE_DIR
set -euo pipefail
fplogin=$1
state=$2
rm -rf "$state"
mkdir -p "$state"
export XDG_STATE_HOME=$state
unset DISPLAY WAYLAND_DISPLAY

output=$("$fplogin" --headless --device "sim:$state/key.json")
echo "$output"
for expected in \
    '[dialog] Please preess finger print to authenticate!' \
    '[sensor] finger "demo" placed on the sensor' \
    '[dialog] Please swipe fingerprint......' \
    '[dialog] Image Acquisition success,' \
    '[dialog] Feature Extraction successful,' \
    '[dialog] Login authentication success,' \
    'The fingerprint matches No.1 fingerprint template' \
    'fplogin: result 0x00000000 success'; do
  grep -qF -- "$expected" <<<"$output" || { echo "missing: $expected" >&2; exit 1; }
done

# A cancelled PIN login exits non-zero.
if "$fplogin" --headless --device "sim:$state/key.json" --verify-mode 0 >"$state/pin.out"; then
  echo "a cancelled PIN login must not exit 0" >&2
  exit 1
fi
grep -qF 'the user cancelled' "$state/pin.out"

# A wrong PIN is typed once, not until the key blocks: the right one still
# works afterwards.
if "$fplogin" --headless --device "sim:$state/key.json" --verify-mode 0 --pin 000000 >"$state/pin.out"; then
  echo "a wrong PIN must not log in" >&2
  exit 1
fi
[[ $(grep -cF 'typing the PIN given with --pin' "$state/pin.out") == 1 ]] || { cat "$state/pin.out"; exit 1; }

# With the factory PIN it succeeds.
"$fplogin" --headless --device "sim:$state/key.json" --verify-mode 0 --pin 123456 >"$state/pin.out"
grep -qF '[message] Hexlumina: Success' "$state/pin.out"
# --verify-mode held for those runs only: a plain run logs in by finger again.
"$fplogin" --headless --device "sim:$state/key.json" --create-app 0 >"$state/finger.out"
grep -qF '[dialog] Login authentication success,' "$state/finger.out"
echo "fplogin headless: ok"
