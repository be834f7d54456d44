#!/usr/bin/env bash
# Builds the Debian package: installs what is missing, builds Release without the
# tests in build/package (its own folder, so the test build in build keeps its
# settings), and leaves build/facetra_<version>_<arch>.deb, the only .deb there.
# Install it with: sudo apt install ./build/facetra_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

# FACETRA_PACKAGE_FROM=DIR packs an existing Release build instead (the test
# command packs the build its tests just ran on: the tests are not installed).
dir=${FACETRA_PACKAGE_FROM:-build/package}
if [ -z "${FACETRA_PACKAGE_FROM:-}" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFACETRA_TESTS=OFF \
        -DFACETRA_BENCH=OFF -DFACETRA_FUZZ=OFF -DFACETRA_SANITIZE=OFF
fi
cmake --build "$dir" -j "$(nproc)"

rm -rf "$dir/cpack"
(cd "$dir" && cpack -G DEB -B cpack)
shopt -s nullglob
debs=("$dir"/cpack/facetra_*.deb)
if [ ${#debs[@]} -ne 1 ]; then
    echo "package.sh: cpack made ${#debs[@]} packages, expected one" >&2
    exit 1
fi
rm -f build/facetra_*.deb
cp "${debs[0]}" build/
echo "== $(basename "${debs[0]}") ($(du -k "${debs[0]}" | cut -f1) KiB)"
dpkg-deb -f "${debs[0]}" Depends Recommends
