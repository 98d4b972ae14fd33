#!/usr/bin/env bash
# Builds the two libFuzzer targets with clang (build-fuzz/, -DPIXMOTE_FUZZ=ON) and runs each
# for a time budget over a copy of its seed corpus in fuzz/corpus, so the repository's corpus is
# never written. Prints libFuzzer's final statistics of each run. Exits non-zero when the build
# fails or a target reports a crash, a leak or a hang; the failing input and the report are kept
# in build-fuzz/fuzz-findings/.
# Installs nothing: scripts/install-deps.sh provides clang and libclang-rt-14-dev.
#
#   scripts/fuzz.sh [seconds per target, default 30]
# PIXMOTE_WERROR=ON builds them with warnings as errors, as scripts/test.sh does.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
budget=${1:-30}
if ! [[ "$budget" =~ ^[0-9]+$ ]] || ((budget < 1)); then
    echo "usage: scripts/fuzz.sh [seconds per target]" >&2
    exit 2
fi
build="$root/build-fuzz"
findings="$build/fuzz-findings"
jobs=$(nproc 2>/dev/null || echo 2)

mkdir -p "$build"
if ! { CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPIXMOTE_FUZZ=ON -DPIXMOTE_WERROR="${PIXMOTE_WERROR:-OFF}" &&
    cmake --build "$build" -j"$jobs" --target pipeline_fuzzer catalogue_fuzzer; } \
    >"$build/fuzz-build.log" 2>&1; then
    tail -40 "$build/fuzz-build.log"
    echo "fuzz.sh: building the fuzzers failed (log: $build/fuzz-build.log)" >&2
    exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/pixmote-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT

failed=0
for target in pipeline catalogue; do
    # Detection's outcome turns on remainders and sums of registry numbers: comparison values
    # guide that search far better than branch coverage alone.
    options=()
    if [[ $target == catalogue ]]; then
        options=(-use_value_profile=1)
    fi
    dir="$work/$target"
    mkdir -p "$dir/corpus" "$dir/artifacts"
    cp "$root/fuzz/corpus/$target"/* "$dir/corpus/"
    echo "=== ${target}_fuzzer: $budget s over $(ls "$dir/corpus" | wc -l) seeds"
    "$build/fuzz/${target}_fuzzer" -max_total_time="$budget" -timeout=60 -print_final_stats=1 \
        "${options[@]}" -artifact_prefix="$dir/artifacts/" "$dir/corpus" >"$dir/log" 2>&1
    status=$?
    grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)|^stat::' "$dir/log"
    if ((status != 0)); then
        failed=1
        mkdir -p "$findings"
        cp "$dir/log" "$findings/$target.log"
        cp "$dir/artifacts"/* "$findings/" 2>/dev/null
        echo "=== ${target}_fuzzer FAILED (exit $status); its report:"
        grep -E -A30 '_fuzzer: |ERROR: |runtime error' "$dir/log" | head -60
        echo "=== input and log kept in $findings; reproduce with:"
        echo "    $build/fuzz/${target}_fuzzer <input>   (PIXMOTE_FUZZ_VERBOSE=1 describes it)"
    fi
done
exit $failed
