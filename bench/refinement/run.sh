#!/bin/sh
# Runs every refinement benchmark: ./run.sh BUILD_DIR MESH_DIR
# The compressed meshes are unpacked into a temporary folder; the mesh of about
# 1.5 million faces is one midpoint subdivision of horse-loop1.
set -e
build=$1
meshes=$2
bench=$build/bench/refinement/refinement_bench
cli=$build/cli/facetra-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
gunzip -c "$meshes/igea.obj.gz" > "$work/igea.obj"
gunzip -c "$meshes/horse-loop1.obj.gz" > "$work/horse-loop1.obj"
# A tension of -0.0625 puts every new vertex at its edge's midpoint.
"$cli" subdivide --levels 1 --weight -0.0625 "$work/horse-loop1.obj" "$work/horse-1.5m.obj" > /dev/null

for mesh in "$meshes/stanford-bunny.obj" "$work/igea.obj"; do
    for levels in 1 2; do
        "$bench" subdivide "$mesh" $levels
        "$bench" openmesh-subdivide "$mesh" $levels
    done
done
for mesh in "$meshes/stanford-bunny.obj" "$work/igea.obj" "$work/horse-loop1.obj" "$work/horse-1.5m.obj"; do
    for percent in 50 10; do
        "$bench" simplify "$mesh" $percent
        "$bench" meshopt-simplify "$mesh" $percent
    done
done
