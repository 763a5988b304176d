#!/usr/bin/env bash
# fpkey's exit statuses, JSON output and messages for scripts.
set -uo pipefail
fpkey=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export FPKEY_DEVICE="sim:$dir/key.json"
failures=0

expect() {  # expect STATUS PATTERN -- fpkey arguments...
    local status=$1 pattern=$2
    shift 3
    local output
    output=$("$fpkey" "$@" 2>&1)
    local actual=$?
    if [[ $actual -ne $status ]] || ! grep -qE -- "$pattern" <<<"$output"; then
        echo "FAIL: fpkey $* -> status $actual (wanted $status), output:"
        echo "$output" | sed 's/^/    /'
        failures=$((failures + 1))
    fi
}

expect 0 '"capacity": 10' -- --json capacity
expect 0 'verify-mode = 1 \(fingerprint\)' -- get verify-mode
expect 0 'timeout set to 45' -- set timeout 45
expect 0 '"timeout": 45' -- --json info
expect 2 'value is required' -- set verify-mode                       # value missing
expect 1 '0x8000B002 bad argument' -- set verify-mode 3      # the key API refuses it
expect 1 '0x80006A0E capture not completed' -- identify --timeout 1
expect 0 'enrolled template 2' -- enroll 2 --finger carol --tag 9
expect 0 '"number": 2' -- --json verify 2 --finger carol
expect 1 'no match; attempts left: 4' -- verify 2 --finger dave
expect 1 '"result": "0x80006A21"' -- --json verify 2 --finger dave
expect 0 'carol' -- list
expect 1 '0x800063C2 verification failed, 2 attempts left' -- pin 999999
expect 0 'PIN accepted' -- pin 123456
expect 0 'next 2 capture command' -- sim inject 6A0A --on capture --count 2
expect 0 'injected faults cleared' -- sim clear-faults
expect 0 'next 1 affected command\(s\) answer 0x6A07 \(poor image quality\)' -- sim inject 6A07
expect 1 '0x80006A07 poor image quality' -- identify --finger carol
expect 2 'not a hexadecimal status word' -- sim inject zz
expect 0 'finger cache enabled' -- cache on
expect 0 'cache state: 0x01 \(enabled\)' -- cache state
expect 2 'cannot open key' -- --device sim:/nonexistent-dir/x/key.json info
printf 'P5\n4 3\n255\n' > "$dir/small.pgm"; head -c 12 /dev/zero >> "$dir/small.pgm"
expect 0 'sent 3 lines of 4 bytes' -- download-image "$dir/small.pgm"
echo "not an image" > "$dir/bad.pgm"
expect 2 'not a PNG or binary PGM file' -- download-image "$dir/bad.pgm"
echo '{"broken": ' > "$dir/corrupt.json"
expect 2 'corrupt' -- --device "sim:$dir/corrupt.json" info
grep -q '"broken": ' "$dir/corrupt.json" || { echo "FAIL: corrupt state file was replaced"; failures=$((failures + 1)); }
expect 0 'factory state' -- --device "sim:$dir/corrupt.json" sim reset
expect 0 'capacity: 10' -- --device "sim:$dir/corrupt.json" capacity
expect 0 'factory state' -- sim reset
expect 0 '0 of 10 templates enrolled' -- list

# A key of the largest capacity lists every one of its 255 entries.
big="$dir/big.json"
"$fpkey" --device "sim:$big" capacity >/dev/null
index_data=$(printf '%010200d' 0)  # 255 entries of 20 bytes, as hex digits
perl -0pi -e 's/"templateCapacity": 10/"templateCapacity": 255/;
    s/"data": "0{400}",(\s*)"id": 1312,(\s*)"size": 200/"data": "'"$index_data"'",$1"id": 1312,$2"size": 5100/' "$big"
expect 0 '0 of 255 templates enrolled' -- --device "sim:$big" list

# An enrolment waiting for a finger holds the key: other commands are told
# the key is busy, and the virtual sensor can still be driven.
"$fpkey" enroll 4 --timeout 20 >"$dir/enroll.out" 2>&1 &
enrolment=$!
for _ in $(seq 100); do
    "$fpkey" --wait 0 capacity >/dev/null 2>&1 || break
    sleep 0.1
done
expect 2 'key busy' -- --wait 0.2 list
expect 0 "finger 'erin' on the sensor" -- sim touch erin
if ! wait "$enrolment" || ! grep -q 'enrolled template 4' "$dir/enroll.out"; then
    echo "FAIL: the enrolment waiting for a finger did not finish:"
    sed 's/^/    /' "$dir/enroll.out"
    failures=$((failures + 1))
fi
expect 0 'finger matches template 4' -- verify 4 --finger erin

if [[ $failures -ne 0 ]]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all fpkey checks passed"
