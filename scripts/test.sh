#!/usr/bin/env bash
# Builds from scratch and runs every test: the Linux build, the same tests under AddressSanitizer
# and UndefinedBehaviorSanitizer, the Windows build under Wine, short fuzz runs, and the Debian
# package. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
export CTEST_PARALLEL_LEVEL="${CTEST_PARALLEL_LEVEL:-2}"

bash scripts/deps.sh

stage() { printf '\n=== %s ===\n' "$*"; }

stage "Linux build and tests"
cmake --preset default
cmake --build --preset default
ctest --preset default

stage "AddressSanitizer + UndefinedBehaviorSanitizer build and tests"
cmake --preset asan
cmake --build --preset asan
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset asan

for extra in windows-tests fuzz package-test; do
    if [ -f "scripts/$extra.sh" ]; then
        stage "$extra"
        bash "scripts/$extra.sh"
    fi
done

stage "All test stages passed"
