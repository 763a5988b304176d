# Sourced by the fpkey check scripts: a simulated key of their own in a
# temporary directory, the checks, and the verdict.
# Usage: source expect.sh FPKEY_BINARY
fpkey=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export FPKEY_DEVICE="sim:$dir/key.json"
failures=0

fail() {  # fail WHAT OUTPUT
    echo "FAIL: $1"
    echo "$2" | sed 's/^/    /'
    failures=$((failures + 1))
}

expect() {  # expect STATUS PATTERN -- fpkey arguments...
    local status=$1 pattern=$2
    shift 3
    local output
    output=$("$fpkey" "$@" 2>&1)
    local actual=$?
    if [[ $actual -ne $status ]] || ! grep -qE -- "$pattern" <<<"$output"; then
        fail "fpkey $* -> status $actual (wanted $status), output:" "$output"
    fi
}

# Standard output must be one JSON object whose keys, at every depth, are
# snake_case, and match PATTERN; nothing may go to standard error.
expect_json() {  # expect_json STATUS PATTERN -- fpkey arguments...
    local status=$1 pattern=$2
    shift 3
    local output errors actual
    output=$("$fpkey" "$@" 2>"$dir/stderr")
    actual=$?
    errors=$(cat "$dir/stderr")
    local odd_keys
    odd_keys=$(jq -r '[.. | objects | keys[] | select(test("^[a-z0-9_]+$") | not)] | join(" ")' <<<"$output" 2>&1)
    if [[ $actual -ne $status ]] || [[ -n $errors ]] || [[ -n $odd_keys ]] || ! grep -qE -- "$pattern" <<<"$output"; then
        fail "fpkey $* -> status $actual (wanted $status), keys not in snake_case: '$odd_keys', output:" \
            "$output$errors"
    fi
}

finish() {
    if [[ $failures -ne 0 ]]; then
        echo "$failures check(s) failed"
        exit 1
    fi
    echo "all checks passed"
}
