#!/usr/bin/env bash
# Kills fpkey with SIGKILL at random moments of enrolments and deletions on
# the simulated key and counts the keys it leaves damaged (the state cannot
# be opened, or an enrolled entry does not match its finger) or jammed (the
# operation, or a fresh enrol-identify-delete, fails afterwards).
# Usage: tests/durability/kill_loop.sh FPKEY [TRIALS] [SEED]
# With a plain build 300 trials take about 20 s (most of it fpkey runs).
set -uo pipefail
fpkey=${1:?usage: kill_loop.sh FPKEY [TRIALS] [SEED]}
trials=${2:-200}
RANDOM=${3:-1}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
unset FPKEY_DEVICE FPKEY_AUTH_KEY

run() {  # run KEY ARGUMENTS...: fpkey on KEY, output discarded
    local key=$1
    shift
    "$fpkey" --device "sim:$key" "$@" >/dev/null 2>&1
}

known="$dir/known.json"
run "$known" enroll 1 --finger known-1 || { echo "cannot prepare the known key"; exit 2; }
operations=("enroll 2 --finger newcomer --replace" "delete 1" "enroll 1 --finger replacement --replace")

# Kill moments spread over the whole of the longest operation, timed at its
# quickest of three runs so that a busy moment does not stretch the window.
window_ms=1
for operation in "${operations[@]}"; do
    read -ra words <<<"$operation"
    quickest=
    for _ in 1 2 3; do
        cp "$known" "$dir/probe.json"
        start=$(date +%s%N)
        run "$dir/probe.json" "${words[@]}"
        took=$((($(date +%s%N) - start) / 1000000))
        [[ -z $quickest || $took -lt $quickest ]] && quickest=$took
    done
    ((quickest > window_ms)) && window_ms=$quickest
done
window_ms=$((window_ms * 6 / 5 + 1))

# Damaged: the key cannot be opened, or an enrolled entry does not match the
# finger its caller data names. A re-enrolment writes the new template into
# the entry's file before the entry's label, so killed between the two the
# entry holds the new finger under the old label: that is the enrolment
# half done, not damage. Prints nothing for a sound key.
damage() {
    local key=$1 operation=$2 listing number finger
    listing=$("$fpkey" --device "sim:$key" list 2>&1) || { echo "cannot be listed: $listing"; return; }
    while read -r number finger; do
        run "$key" verify "$number" --finger "$finger" && continue
        [[ $operation == "enroll $number --finger "* ]] && run "$key" verify "$number" --finger "${operation##* }" &&
            continue
        echo "entry $number does not match \"$finger\""
    done < <(awk '$2 == "yes" { print $1, $5 }' <<<"$listing")
}

# Jammed: the interrupted operation, or a fresh enrolment, identification
# and deletion, fails. Prints nothing for a working key.
jam() {
    local key=$1
    shift
    run "$key" "$@" || echo "\"$*\" fails"
    run "$key" enroll 3 --finger after-the-kill || echo "enrolment fails"
    "$fpkey" --device "sim:$key" identify --finger after-the-kill 2>&1 | grep -q 'matches template 3' ||
        echo "identification fails"
    run "$key" delete 3 || echo "deletion fails"
}

killed=0 damaged=0 jammed=0
began=$(date +%s)
for ((trial = 1; trial <= trials; ++trial)); do
    key="$dir/key-$trial.json"
    cp "$known" "$key"
    operation=${operations[RANDOM % ${#operations[@]}]}
    read -ra words <<<"$operation"
    "$fpkey" --device "sim:$key" "${words[@]}" >/dev/null 2>&1 &
    victim=$!
    delay_ms=$((RANDOM % window_ms))
    sleep "$((delay_ms / 1000)).$(printf '%03d' $((delay_ms % 1000)))"
    kill -KILL "$victim" 2>/dev/null && ((++killed))
    wait "$victim" 2>/dev/null
    problem=$(damage "$key" "$operation")
    if [[ -n $problem ]]; then
        ((++damaged))
        echo "trial $trial ($operation, killed after ${delay_ms} ms): damaged: $problem"
    fi
    problem=$(jam "$key" "${words[@]}")
    if [[ -n $problem ]]; then
        ((++jammed))
        echo "trial $trial ($operation, killed after ${delay_ms} ms): jammed: $problem"
    fi
    rm -f "$key" "$key.lock"
done
took=$(($(date +%s) - began))
echo "kill loop: $trials trials, $killed killed mid-operation, $damaged damaged keys, $jammed jammed keys" \
    "($took s, kill moments within ${window_ms} ms)"
[[ $damaged -eq 0 && $jammed -eq 0 ]]
