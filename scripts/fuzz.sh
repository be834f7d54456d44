#!/usr/bin/env bash
# The fuzz check: builds the libFuzzer targets with clang and runs each reader's
# fuzzer for a while on its saved corpus (new findings land in the corpus folder
# of a scratch copy, never in the source tree).
# Usage: scripts/fuzz.sh [SECONDS per reader, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

FACETRA_FUZZ_DEPS=1 scripts/deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DFACETRA_GUI=OFF -DFACETRA_TESTS=OFF -DFACETRA_FUZZ=ON >/dev/null
cmake --build build-fuzz

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for reader in obj net ply stl off gts gz; do
    mkdir -p "$work/$reader"
    dict=()
    [ -f "fuzz/$reader.dict" ] && dict=(-dict="fuzz/$reader.dict")
    echo "== fuzz_read_$reader for ${seconds}s"
    build-fuzz/fuzz/fuzz_read_$reader -max_total_time="$seconds" -print_final_stats=1 \
        "${dict[@]}" "$work/$reader" "fuzz/corpus/$reader" 2>&1 | grep -E "^stat::number_of_executed_units|ERROR|SUMMARY" || true
done
