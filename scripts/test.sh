#!/bin/bash
# Installs what is missing, builds everything and runs every test:
#  1. the test suite in a normal build (unit, window, real X11 and package tests),
#  2. the same suite built with AddressSanitizer and UndefinedBehaviorSanitizer,
#  3. each fuzz target for a bounded time (WIMBLET_FUZZ_SECONDS, default 60).
# WIMBLET_QUICK=1 runs only the first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs=$(nproc)

# Says which tests skipped and why: ctest shows the output of failed tests only.
report_skips() {
    local log=$1/Testing/Temporary/LastTest.log skips
    [[ -f $log ]] || return 0
    skips=$(grep -h '^SKIP' "$log" | sed -E 's/^SKIP *:? *//; s/\([^)]*\) / /' | sort -u || true)
    [[ -z $skips ]] || { echo "Skipped, and why:"; sed 's/^/  /' <<<"$skips"; }
}

echo "== Build and test"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")
report_skips build
[[ -n ${WIMBLET_QUICK:-} ]] && exit 0

echo "== Build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DWIMBLET_SANITIZE=ON
cmake --build build-asan -j"$jobs"
# The package test installs the normal build's package; it runs once, above.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-asan && ctest --output-on-failure -j"$jobs" -E '^deb_package$')
report_skips build-asan
unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS

if [[ -f fuzz/run.sh ]]; then
    echo "== Fuzzing"
    bash fuzz/run.sh "${WIMBLET_FUZZ_SECONDS:-60}"
fi
