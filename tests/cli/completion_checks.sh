#!/usr/bin/env bash
# Bash completion of fpkey, driven as bash drives it, against the built fpkey.
# Usage: completion_checks.sh FPKEY COMPLETION_SCRIPT
set -uo pipefail
fpkey=$(realpath "$1")
source "$2"
cd "$(mktemp -d)" && touch scan-one.pgm scan-two.png

failures=0
# Each case: the words typed so far (the last one is being completed) and a
# word the answer must hold.
check() {
    local want=$1
    shift
    COMP_WORDS=("$fpkey" "$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _fpkey
    if [[ " ${COMPREPLY[*]} " != *" $want "* ]]; then
        echo "FAIL: fpkey $* <TAB> gave '${COMPREPLY[*]}', wanted $want"
        failures=$((failures + 1))
    fi
}
check enroll en
check touch sim t
check reset --device sim:/tmp/k.json sim re # the option's value is skipped
check list --wait 3 li
check verify-mode set ""                    # a positional's choices
check --finger enroll --f
check --json enroll --j                      # global options at every level
check pcsc: -d pc
check scan-one.pgm sim touch --image scan-
check scan-two.png download-image scan-t    # a positional file
((failures == 0)) && echo "completion: all cases pass"
exit $((failures > 0))
