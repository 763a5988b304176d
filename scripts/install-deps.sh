#!/usr/bin/env bash
# Installs the Debian packages a job needs when they are missing.
# Usage: scripts/install-deps.sh GROUP...   (groups: build, test, bench, fuzz, format, gui, pcsc, package)
set -euo pipefail

declare -A groups=(
  [build]="build-essential cmake pkg-config libcli11-dev nlohmann-json3-dev libssl-dev libpng-dev libpcsclite-dev libpam0g-dev help2man"
  [test]="libgtest-dev libgmock-dev binutils pamtester libpam-wrapper jq"
  [bench]="libbenchmark-dev libopencv-dev"
  [fuzz]="clang libclang-rt-14-dev"
  [format]="clang-format-14"
  [gui]="qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-qpa-plugins xvfb xauth fonts-dejavu-core fonts-noto-cjk"
  [package]="dpkg-dev lintian"
  [pcsc]="pcscd vsmartcard-vpcd libpcsclite-dev opensc"
)

wanted=()
for group in "$@"; do
  [[ -n "${groups[$group]:-}" ]] || { echo "install-deps: unknown group '$group'" >&2; exit 2; }
  for pkg in ${groups[$group]}; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || wanted+=("$pkg")
  done
done
[[ ${#wanted[@]} -eq 0 ]] && exit 0

sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
echo "Installing: ${wanted[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${wanted[@]}"
