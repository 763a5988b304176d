#!/usr/bin/env bash
# The README's pamtester session, run as it is written there, from a folder
# whose build/ is the build tree under test; then the same login with
# another finger on the sensor, which must fail.
# Usage: pamtester_readme.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$1 build_dir=$2

for need in pamtester /usr/lib/x86_64-linux-gnu/libpam_wrapper.so; do
  if ! command -v "$need" >/dev/null && [[ ! -e $need ]]; then
    echo "SKIP: $need is missing (scripts/install-deps.sh test)"
    exit 77
  fi
done

session=$(awk '/^### Trying it with pamtester and the simulated key/ { found = 1 }
               found && /^```sh$/ { inside = 1; next }
               inside && /^```$/ { exit }
               inside { print }' "$source_dir/README.md")
[[ -n $session ]] || { echo "FAIL: no pamtester session in the README"; exit 1; }

work=$(mktemp -d)
demo=""
trap 'rm -rf "$work" ${demo:+"$demo"}' EXIT
ln -s "$build_dir" "$work/build"
cd "$work"

if ! eval "$session" >"$work/session.log" 2>&1; then
  echo "FAIL: the README's session failed:"
  cat "$work/session.log"
  exit 1
fi
cat "$work/session.log"
grep -q "Place your finger on the key" "$work/session.log" || { echo "FAIL: the module did not ask for a finger"; exit 1; }
grep -q "pamtester: successfully authenticated" "$work/session.log" || { echo "FAIL: no login"; exit 1; }

# The session's variables ($demo, $key) are still set.
# Without a user, pam-line names the one running it, whatever $USER says.
line=$(USER=somebody-else build/bin/fpkey -d "$key" pam-line)
[[ $line == "$(id -un):$(cut -d: -f2 "$demo/keys")" ]] || { echo "FAIL: pam-line printed '$line'"; exit 1; }

build/bin/fpkey -d "$key" sim touch bob-thumb
if PAM_WRAPPER=1 PAM_WRAPPER_SERVICE_DIR=$demo/pam.d LD_PRELOAD=libpam_wrapper.so \
    pamtester fpkey-demo alice authenticate >"$work/other.log" 2>&1; then
  cat "$work/other.log"
  echo "FAIL: another finger logged alice in"
  exit 1
fi
cat "$work/other.log"
grep -q "Authentication failure" "$work/other.log" || { echo "FAIL: the login failed for another reason"; exit 1; }
echo "PASS"
