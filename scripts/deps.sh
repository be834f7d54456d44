#!/usr/bin/env bash
# Installs the Debian packages Facetra needs to build, test and run, when any is
# missing. Safe to run again: it does nothing when everything is there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev libqt6opengl6-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri fonts-dejavu-core
    libgtest-dev libbenchmark-dev nlohmann-json3-dev libopenmesh-dev zlib1g-dev
    libmeshoptimizer-dev libisal-dev
    pybind11-dev python3-dev python3-numpy python3-pytest python3-distributed
    dpkg-dev file desktop-file-utils appstream
    xvfb xauth imagemagick gzip
)
# Benchmark peers, needed only with FACETRA_BENCH=ON.
if [ "${FACETRA_BENCH_DEPS:-0}" = 1 ]; then
    packages+=(libtinyobjloader-dev libassimp-dev)
fi
# The fuzzers need clang's libFuzzer runtime.
if [ "${FACETRA_FUZZ_DEPS:-0}" = 1 ]; then
    packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
