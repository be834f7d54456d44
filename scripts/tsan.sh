#!/usr/bin/env bash
# ThreadSanitizer over the code that shares work among threads: the parallel
# OBJ reading (also while a compressed file is inflated) and writing, the load
# builds, the shortest-path table and the classifier's sums, the tool runner
# and Cancel, a shared loop whose threads cannot start, and the batch runner
# (facetra-cli run, itself built with the sanitizer).
# Builds build-tsan without the window (the window's threaded runner needs Qt,
# which is not built with the sanitizer). Any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=${JOBS:-$(nproc)}
start=$(date +%s)

cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFACETRA_SANITIZE=thread \
    -DFACETRA_GUI=OFF -DFACETRA_PYTHON=OFF
cmake --build build-tsan -j "$jobs" --target facetra-cli mesh_tests segmentation_tests \
    refinement_tests workbench_tests cli_tests step_memory_tests

# The threaded tests, by their GoogleTest names.
threaded='ReadObj\.PartsParsedApartJoinAsOnePass|Mesh\.LoadBuildsSharedAmongThreads'
threaded+='|Cancel\.|RealMeshes\.|Mesh_Classifier\.|Runs\.|History\.|Workers\.'
threaded+='|CliRun|CliCancel\.|Simplify\.FirstCostsShared|WriteObj\.ExactBytes'

export TSAN_OPTIONS="suppressions=$PWD/scripts/tsan.supp second_deadlock_stack=1 history_size=4"
ctest --test-dir build-tsan --output-on-failure --timeout 900 -j "$jobs" -R "$threaded"

echo "ThreadSanitizer run: $(( $(date +%s) - start )) s"
