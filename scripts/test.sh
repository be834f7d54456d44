#!/usr/bin/env bash
# Installs what is missing, builds Facetra and runs every test twice: in the
# Release build and in an AddressSanitizer + UndefinedBehaviorSanitizer build;
# then the threaded tests in a ThreadSanitizer build (scripts/tsan.sh).
# GL and widget tests run in a virtual X server (Xvfb, Mesa's software GL).
# Last, the Debian package is built (scripts/package.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

jobs=$(nproc)
run_tests() {
    local dir=$1
    xvfb-run -a -s "-screen 0 1280x1024x24" \
        ctest --test-dir "$dir" --output-on-failure --timeout 600 -j "$jobs"
}

echo "== Release build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$jobs"
run_tests build

echo "== Sanitizer build (ASan + UBSan)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFACETRA_SANITIZE=ON
cmake --build build-asan -j "$jobs"
run_tests build-asan

echo "== ThreadSanitizer build (the threaded tests)"
JOBS="$jobs" scripts/tsan.sh

echo "== Test lines against code lines (information)"
scripts/test-ratio.sh

echo "== Debian package (from the Release build)"
FACETRA_PACKAGE_FROM=build scripts/package.sh
