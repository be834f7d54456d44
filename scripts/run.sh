#!/usr/bin/env bash
# Installs what is missing, builds Facetra (Release) and starts the workbench on
# the sample mesh it generates itself. Without a display it runs under Xvfb,
# saves a screenshot of the window and exits.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$(nproc)"

mkdir -p build/sample
sample=build/sample/torus-knot.obj
build/cli/facetra-cli sample "$sample"

workbench=build/src/app/facetra
if [ ! -x "$workbench" ]; then
    build/cli/facetra-cli info "$sample"
    exit 0
fi
if [ -n "${DISPLAY:-}" ]; then
    exec "$workbench" "$sample"
fi
shot=build/sample/screenshot.png
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    "$1" "$2" & pid=$!
    sleep "${FACETRA_SHOT_DELAY:-4}"
    import -window root "$3" && convert "$3" -trim +repage "$3"
    kill "$pid"; wait "$pid" 2>/dev/null || true
' _ "$workbench" "$sample" "$shot"
echo "No display: the workbench ran under Xvfb; screenshot saved to $shot"
