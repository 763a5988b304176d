#!/usr/bin/env bash
# fpkey's exit statuses, JSON output and messages for scripts.
set -uo pipefail
source "$(dirname "$0")/expect.sh" "$1"

expect 0 '^fpkey [0-9]+\.[0-9]+\.[0-9]+$' -- --version
expect_json 0 '"capacity": 10' -- --json capacity
expect_json 0 '"capacity": 10' -- capacity --json
expect 0 'verify-mode = 1 \(fingerprint\)' -- get verify-mode
expect 0 'timeout set to 45' -- set timeout 45
expect_json 0 '"timeout": 45' -- --json info
expect 2 'value is required' -- set verify-mode                       # value missing

# Settings outside their range are refused before anything is sent.
expect 2 'verify-mode 3 is out of range: 0 to 2' -- set verify-mode 3
expect 2 'timeout 0 is out of range: 1 to 60 seconds' -- set timeout 0
expect 2 'sec-level 99 is out of range: 1 to 5' -- set sec-level 99
expect 2 'image-gain 0 is out of range: 1 to 255' -- set image-gain 0
expect_json 2 '"error": "sec-level 0 is out of range: 1 to 5"' -- set sec-level 0 --json
expect 0 'sec-level = 3' -- get sec-level

# Mistyped commands, and command-line errors under --json.
expect 2 "unknown command 'enrol'; did you mean 'enroll'\?" -- enrol 1
expect 2 "unknown command 'lst'; did you mean 'list'\?" -- --wait 1 lst
expect 2 "unknown command 'sim tuch'; did you mean 'sim touch'\?" -- sim tuch alice
expect_json 2 "\"error\": \"unknown command 'enrol'; did you mean 'enroll'\?\"" -- --json enrol 1
expect_json 2 '"error": "number is required"' -- enroll --json

# Matching against nothing says so.
expect 1 'no finger is enrolled' -- identify --timeout 1
expect_json 1 '"error": "template 5 is empty"' -- verify 5 --json --timeout 1
expect 2 'template 11 does not exist: the key holds templates 1 to 10' -- verify 11

expect 0 'enrolled template 2' -- enroll 2 --finger carol --tag 9
expect 1 '0x80006A0E capture not completed' -- identify --timeout 1
expect_json 0 '"number": 2' -- --json verify 2 --finger carol
expect 1 'no match; attempts left: 4' -- verify 2 --finger dave
expect_json 1 '"result": "0x80006A21"' -- --json verify 2 --finger dave
expect 0 '^2 +yes +9 +0x[0-9A-F]{4} +carol$' -- list

# Enrolment refuses what would lose or duplicate a finger, before capturing.
expect 1 "template 2 \('carol', tag 9\) is enrolled; --replace overwrites it" -- enroll 2 --finger erin
expect 0 'finger matches template 2' -- verify 2 --finger carol
expect 1 "this finger is enrolled already as template 2 \('carol', tag 9\); --allow-duplicate" -- enroll 3 --finger carol
expect 0 'enrolled template 3' -- enroll 3 --finger carol --allow-duplicate
expect 0 "replaced template 3 \('frank'\)" -- enroll 3 --finger frank --replace
expect 2 'template 11 does not exist: the key holds templates 1 to 10' -- enroll 11 --timeout 1
expect 2 "'alice-right-index' \(--finger\) has 17 bytes; the index holds at most 16" -- enroll 4 --finger alice-right-index
expect 2 'has 17 bytes; the index holds at most 16$' -- enroll 4 --finger alice --description 0123456789abcdefg
expect 0 "finger 'gina' on the sensor" -- sim touch gina
expect 0 "enrolled template 4 \('gina'\)" -- enroll 4
expect 0 '^4 +yes +0 +0x[0-9A-F]{4} +gina$' -- list
expect 0 'sensor is free' -- sim lift

# A poor capture is asked for again, a few times.
expect 0 'next 2 extract' -- sim inject 6A07 --on extract --count 2
expect 0 'enrolled template 5' -- enroll 5 --finger hugo
expect 0 'next 3 extract' -- sim inject 6A07 --on extract --count 3
expect 1 'feature extraction failed: 0x80006A07 poor image quality' -- enroll 6 --finger ivan
# A capture that keeps failing names its own status.
expect 0 'next 50 capture' -- sim inject 6A0A --on capture --count 50
expect 1 'capture \(no usable image within 1 s\) failed: 0x80006A0A sensor dirty' -- verify 5 --finger hugo --timeout 1
expect 0 'injected faults cleared' -- sim clear-faults

# A finger tried N times with a tally; the tries use up no attempts.
expect 0 '3 of 3 tries matched, 0 did not match, 0 failed' -- verify 5 --finger hugo --repeat 3
expect 1 '0 of 2 tries matched, 2 did not match, 0 failed' -- identify --finger mallory --repeat 2
expect_json 0 '"finger_tries_left": 5' -- sim status --json
# Without --timeout the key's own time-out applies.
expect 0 'timeout set to 1' -- set timeout 1
expect 1 'capture \(no finger within 1 s\)' -- identify
expect 0 'timeout set to 30' -- set timeout 30

expect 1 '0x800063C2 verification failed, 2 attempts left' -- pin 999999
expect 0 'PIN accepted' -- pin 123456
# Blocked counters come back without losing the templates.
for _ in 1 2 3; do "$fpkey" pin 999999 >/dev/null 2>&1; done
expect 1 'authentication method blocked' -- pin 123456
expect 0 'pin counter restored' -- sim unblock pin
expect 0 'PIN accepted' -- pin 123456
expect 0 'finger counter restored' -- sim unblock finger
expect 0 'finger matches template 4' -- identify --finger gina
expect 2 'not in \{pin,finger\}' -- sim unblock puk

expect 0 'next 2 capture command' -- sim inject 6A0A --on capture --count 2
expect 0 'injected faults cleared' -- sim clear-faults
expect 0 'next 3 affected command\(s\) answer 0x6A07 \(poor image quality\)' -- sim inject 6A07 --count 3  # each of the 3 captures
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
grep -q '"broken": ' "$dir/corrupt.json" || fail "corrupt state file was replaced" ""
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
    fail "the enrolment waiting for a finger did not finish:" "$(cat "$dir/enroll.out")"
fi
expect 0 'finger matches template 4' -- verify 4 --finger erin

finish
