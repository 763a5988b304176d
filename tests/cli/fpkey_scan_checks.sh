#!/usr/bin/env bash
# Real scans through fpkey: a scan on the simulated key's sensor, enrolment
# and identification of scans, and sim evaluate over a few scans.
set -uo pipefail
scans=$2
source "$(dirname "$0")/expect.sh" "$1"

scan() { echo "$scans/fvc2002_db1b_$1.pgm"; }

expect 0 "on the sensor \(quality [0-9]+, area [0-9]+ %, [0-9]+ minutiae\)" -- sim touch --image "$(scan 101_1)"
expect 2 'label excludes --image' -- sim touch alice --image "$(scan 101_1)"
expect 0 'enrolled template 1' -- enroll 1 --image "$(scan 101_1)" --image "$(scan 101_2)" --image "$(scan 101_3)"
expect 0 'matches template 1' -- identify --image "$(scan 101_4)"
expect 1 'this finger is enrolled already as template 1' -- enroll 2 --image "$(scan 101_4)"
expect 1 '0x80006A2F' -- identify --image "$(scan 102_1)"

# Two fingers of four impressions: 12 genuine and 16 impostor comparisons.
mkdir "$dir/scans"
cp "$scans"/fvc2002_db1b_10[12]_[1234].pgm "$dir/scans/"
expect 0 'fvc2002_db1b +8 +2 +0 +12 +16 +0\.00%' -- sim evaluate "$dir/scans" --plot "$dir/plot.png"
if ! head -c 8 "$dir/plot.png" | grep -q PNG; then
    echo "FAIL: sim evaluate --plot wrote no PNG"
    failures=$((failures + 1))
fi
expect_json 0 '"impostor_comparisons": 16' -- --json sim evaluate "$dir/scans"
expect 2 'no scan|named' -- sim evaluate "$dir"

finish
