#!/usr/bin/env bash
# The whole test suite: a warnings-as-errors build with its tests, then the
# same tests again under AddressSanitizer + UndefinedBehaviorSanitizer, then
# the login dialog's worker tests under ThreadSanitizer, and last every fuzz
# target for a short while (FPKEY_FUZZ_SECONDS each, 20 unless set). The
# plain build also makes the Debian packages and has lintian judge them. The
# dialogs run on Qt's offscreen platform; their screenshot test runs under
# Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh build test gui fuzz pcsc format package
scripts/check-format.sh
# The PC/SC stage runs in both ctest runs: each test labelled pcsc starts a
# private pcscd (scripts/pcsc-daemon.sh) and stops it by its process id.
# Here a test that cannot start one fails instead of skipping.
export FPKEY_PCSC_REQUIRED=1

# The test builds need neither -O2 code nor full debug information: -O1 with
# line tables compiles about twice as fast and sanitizer reports still name
# file and line.
quick=("-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG")

# Configured for /usr so that the same build makes the Debian packages.
scripts/build.sh build/ci "${quick[@]}" -DFPKEY_WERROR=ON -DCMAKE_INSTALL_PREFIX=/usr
(cd build/ci && ctest --output-on-failure -j2)
bash scripts/package.sh build/ci

scripts/build.sh build/asan "${quick[@]}" -DFPKEY_WERROR=ON -DFPKEY_SANITIZE=ON -DFPKEY_TOOLS=ON
(cd build/asan && \
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --output-on-failure -j2)

cmake -S "$root" -B build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo "${quick[@]}" -DFPKEY_WERROR=ON -DFPKEY_TSAN=ON \
  -DFPKEY_TOOLS=OFF >/dev/null
cmake --build build/tsan -j2 --target test_authdlg_double
(cd build/tsan && ctest --output-on-failure -j2 -R '^authdlg_double\.')

bash fuzz/run.sh "${FPKEY_FUZZ_SECONDS:-20}"
