#!/usr/bin/env bash
# The fuzz check: builds the libFuzzer targets with clang and runs every target
# (the mesh readers and the side files) for a while on its saved corpus, then
# prints its final statistics (executions, coverage, peak memory) and any
# finding. New inputs and crash files land in a scratch folder, never in the
# source tree; a crash file is kept there (and named) for copying into
# fuzz/corpus/<target> once the fault is mended.
# Usage: scripts/fuzz.sh [SECONDS per target, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
targets=(obj net ply stl off gts gz spt slc mor steps heightmap)

FACETRA_FUZZ_DEPS=1 scripts/deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DFACETRA_GUI=OFF -DFACETRA_TESTS=OFF -DFACETRA_PYTHON=OFF -DFACETRA_FUZZ=ON >/dev/null
cmake --build build-fuzz -j2 --target $(printf "fuzz_read_%s " "${targets[@]}")

work=$(mktemp -d)
findings=0
for target in "${targets[@]}"; do
    mkdir -p "$work/$target/corpus" "$work/$target/found"
    dict=()
    [ -f "fuzz/$target.dict" ] && dict=(-dict="fuzz/$target.dict")
    echo "== fuzz_read_$target for ${seconds}s"
    status=0
    build-fuzz/fuzz/fuzz_read_$target -max_total_time="$seconds" -print_final_stats=1 \
        -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=128 -artifact_prefix="$work/$target/found/" "${dict[@]}" \
        "$work/$target/corpus" "fuzz/corpus/$target" >"$work/$target/log" 2>&1 || status=$?
    grep -aE "^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)|^#[0-9]+[[:space:]]+DONE|ERROR|SUMMARY" \
        "$work/$target/log" || true
    for file in "$work/$target/found"/*; do
        [ -e "$file" ] || continue
        findings=$((findings + 1))
        echo "finding: $file"
    done
    [ "$status" -eq 0 ] || echo "fuzz_read_$target stopped with status $status (log: $work/$target/log)"
done
if [ "$findings" -eq 0 ]; then
    rm -rf "$work"
    echo "== no findings"
else
    echo "== $findings finding(s), kept in $work"
    exit 1
fi
