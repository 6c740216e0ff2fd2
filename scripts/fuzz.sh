#!/usr/bin/env bash
# Builds every libFuzzer target of the "fuzz" preset (clang, ASan + UBSan) and runs each one for
# a short while. Fails when a target does not build or when one of them finds a crash, a leak,
# undefined behaviour or a broken invariant; the input that did it is kept under
# <build>/fuzz-findings/<target>/.
#
#   KTR_FUZZ_SECONDS   run time per target (default 20)
#   KTR_FUZZ_BUILD_DIR build directory (default build/fuzz, the preset's)
#   KTR_FUZZ_JOBS      build parallelism (default 2)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${KTR_FUZZ_SECONDS:-20}
build=${KTR_FUZZ_BUILD_DIR:-build/fuzz}
jobs=${KTR_FUZZ_JOBS:-2}

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" --target ktr_fuzz_all -j"$jobs"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failed=0
while IFS= read -r program; do
    [ -n "$program" ] || continue
    name=$(basename "$program")
    mkdir -p "$work/$name/corpus" "$work/$name/artifacts"
    corpus=("$work/$name/corpus")
    if [ -d "fuzz/corpus/$name" ]; then
        corpus+=("$PWD/fuzz/corpus/$name")
    fi
    echo "fuzz: $name for ${seconds} s"
    if "$program" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$work/$name/artifacts/" "${corpus[@]}" >"$work/$name/log" 2>&1; then
        grep -E '^stat::number_of_executed_units|^Done' "$work/$name/log" | sed "s/^/fuzz: $name: /"
    else
        failed=1
        echo "fuzz: $name FOUND A PROBLEM"
        tail -n 60 "$work/$name/log"
        mkdir -p "$build/fuzz-findings/$name"
        cp -r "$work/$name/artifacts/." "$build/fuzz-findings/$name/"
        echo "fuzz: inputs kept in $build/fuzz-findings/$name/"
    fi
done <"$build/fuzz/fuzz_targets.txt"

exit "$failed"
