#!/usr/bin/env bash
# The tools against the simulated key served behind a pcscd of this test's
# own: fpkey's reader list, info, an enrolment with the finger placed as from
# another terminal, identification and deletion, the user PIN (masked in the
# server's trace); a PC/SC client we did not write (OpenSC's opensc-tool)
# sending raw APDUs; a headless login with fplogin when it is built; the
# clear errors for a reader without a card, an unknown reader and a pcscd
# that is not running; and the server ending on SIGTERM.
# Usage: tools_over_pcscd.sh SOURCE_DIR FPKEY [FPLOGIN]
# Exit status 77 (skipped) where no private pcscd can run.
set -euo pipefail
source_dir=$1
fpkey=$2
fplogin=${3:-}

if [[ -z ${FPKEY_VPCD_PORT:-} ]]; then
  # Run again under a private pcscd, which is stopped however this ends.
  daemon_dir=$(mktemp -d)
  status=0
  bash "$source_dir/scripts/pcsc-daemon.sh" run "$daemon_dir" -- bash "$0" "$@" || status=$?
  rm -rf "$daemon_dir"
  if [[ $status -eq 77 && ${FPKEY_PCSC_REQUIRED:-} == 1 ]]; then
    echo "tools over pcscd: a private pcscd is required here" >&2
    exit 1
  fi
  exit "$status"
fi

work=$(mktemp -d)
state=$work/key.json
reader=$FPKEY_PCSC_READER
"$fpkey" sim serve --trace --port "$FPKEY_VPCD_PORT" --state "$state" >"$work/serve.log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; rm -rf "$work"' EXIT

fail() {
  echo "tools over pcscd: $*" >&2
  echo "--- fpkey sim serve:" >&2
  cat "$work/serve.log" >&2
  exit 1
}

# Runs a command; it must end with the status given and print every text given.
expect() {
  local status=$1 output actual=0
  shift
  local texts=()
  while [[ $1 != -- ]]; do texts+=("$1"); shift; done
  shift
  output=$("$@" 2>&1) || actual=$?
  [[ $actual -eq $status ]] || fail "'$*' ended with $actual, not $status:"$'\n'"$output"
  for text in "${texts[@]}"; do
    grep -qF -- "$text" <<<"$output" || fail "'$*' did not print '$text':"$'\n'"$output"
  done
}

for _ in $(seq 100); do
  "$fpkey" readers 2>/dev/null | grep -q "fingerprint key: yes" && break
  sleep 0.1
done

expect 0 "$reader" "ATR 3B 87 01 80 55 66 70 6B 65 79" "fingerprint key: yes (fpkey simulated)" \
  "address:         pcsc:$reader" "card:            none" -- "$fpkey" readers
expect 0 "information:  fpkey simulated" "capacity:     10 templates" -- "$fpkey" --device pcsc info

# The finger goes on the served key's sensor through its state file.
"$fpkey" --device "sim:$state" sim touch alice-right-index >/dev/null
expect 0 "enrolled template 1" -- "$fpkey" --device "pcsc:$reader" enroll 1 --timeout 10
expect 0 "finger matches template 1" -- "$fpkey" --device pcsc identify --timeout 10
"$fpkey" --device "sim:$state" sim touch mallory >/dev/null
expect 1 "0x80006A2F" -- "$fpkey" --device pcsc identify --timeout 10
expect 0 '"enrolled": 1' -- "$fpkey" --device pcsc --json list
expect 0 "deleted template 1" -- "$fpkey" --device pcsc delete 1

# The user PIN goes to the key, and never into the server's trace.
expect 0 "PIN accepted" -- sh -c "echo 123456 | '$fpkey' --device pcsc pin"
grep -qE '> 00 20 00 [0-9A-F]{2} 06 \*\* \*\* \*\* \*\* \*\* \*\*$' "$work/serve.log" || fail "the trace shows no masked VERIFY"
! grep -q "31 32 33 34 35 36" "$work/serve.log" || fail "the trace shows the PIN"

# A client we did not write: SELECT of the master file, then GET CHALLENGE.
expect 0 "Received (SW1=0x90, SW2=0x00)" -- opensc-tool --reader 0 --send-apdu 00:A4:00:00:02:3F:00
challenge=$(opensc-tool --reader 0 --send-apdu 00:84:00:00:10 2>&1) || fail "GET CHALLENGE: $challenge"
grep -qE '^([0-9A-F]{2} ){16}' <<<"$challenge" || fail "GET CHALLENGE brought no 16 bytes: $challenge"
grep -qF "SW1=0x90, SW2=0x00" <<<"$challenge" || fail "GET CHALLENGE failed: $challenge"

if [[ -n $fplogin ]]; then
  "$fpkey" --device "sim:$state" sim touch demo >/dev/null
  expect 0 "enrolled template 2" -- "$fpkey" --device pcsc enroll 2 --timeout 10
  # The finger stays on the sensor: the login's first capture finds it.
  "$fpkey" --device "sim:$state" sim touch demo >/dev/null
  expect 0 "[dialog] Login authentication success," "The fingerprint matches No.2 fingerprint template" \
    "fplogin: result 0x00000000 success" -- \
    env -u DISPLAY -u WAYLAND_DISPLAY "$fplogin" --headless --device "pcsc:$reader" --answer-timeout 30
fi

empty_reader=${reader% 00}
empty_reader="${empty_reader% 00} 00 01"
expect 2 "no card in reader \"$empty_reader\": insert the key" -- "$fpkey" --device "pcsc:$empty_reader" info
expect 2 "no reader named \"Nonesuch\"; the readers present are \"$reader\", \"$empty_reader\"" -- \
  "$fpkey" --device pcsc:Nonesuch info
expect 2 "the PC/SC service is not running: start pcscd" -- \
  env PCSCLITE_CSOCK_NAME="$work/no-daemon.comm" "$fpkey" readers

kill -TERM "$server"
status=0
wait "$server" || status=$?
[[ $status -eq 0 ]] || fail "the server ended with $status on SIGTERM"
grep -qF "stopped by TERM" "$work/serve.log" || fail "the server did not say it stopped"
echo "tools over pcscd: ok"
