#!/usr/bin/env bash
# The goals table: whole processes of facetra-cli beside their peers, each
# run of ours followed by one of the peer's, the median wall time and the
# largest peak resident size of RUNS runs each (after one uncounted run each).
#   bench/goals/goals.sh BUILD_DIR MESH_DIR [RUNS]
# BUILD_DIR is a build with FACETRA_BENCH=ON (for goals_peers); MESH_DIR holds
# horse-loop1.obj.gz. The meshes are unpacked into a temporary folder; the one of
# about 1.5 million faces is one midpoint subdivision of horse-loop1.
set -euo pipefail
build=$1
meshes=$2
runs=${3:-5}
cli=$build/cli/facetra-cli
peers=$build/bench/goals/goals_peers
if [ ! -x "$peers" ]; then
    echo "goals.sh: $peers is missing; install the peers (FACETRA_BENCH_DEPS=1 scripts/deps.sh)" \
        "and configure $build with -DFACETRA_BENCH=ON" >&2
    exit 1
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

gunzip -c "$meshes/horse-loop1.obj.gz" > "$tmp/horse.obj"
# A tension of -0.0625 puts every new vertex at its edge's midpoint.
"$cli" subdivide --levels 1 --weight -0.0625 "$tmp/horse.obj" "$tmp/split.obj" > /dev/null
# Plain "f a b c" corners, which every peer reads ("a/a/" stops tinyobjloader).
sed -E 's#/[0-9]*/?##g' "$tmp/split.obj" > "$tmp/horse-1.5m.obj"
rm "$tmp/split.obj"
for m in horse horse-1.5m; do
    "$cli" convert "$tmp/$m.obj" "$tmp/$m.ply" > /dev/null 2>&1
    gzip -c "$tmp/$m.obj" > "$tmp/$m.obj.gz"
done

# One run of COMMAND...: prints "seconds peak_KiB". The wall time to the
# microsecond (time's own is to the hundredth of a second, too coarse for the
# smaller loads), time's own start included.
once() {
    local start end
    start=$(date +%s%N)
    if ! /usr/bin/time -o "$tmp/time" -f "%M" "$@" > /dev/null 2>&1; then
        echo "goals.sh: failed: $*" >&2
        exit 1
    fi
    end=$(date +%s%N)
    awk -v ns=$((end - start)) -v kb="$(tail -1 "$tmp/time")" 'BEGIN { printf "%.4f %d\n", ns / 1e9, kb }'
}

# summary < "seconds peak_KiB" lines: prints "median_seconds peak_MiB".
summary() {
    sort -n | awk '{ t[NR] = $1; if ($2 > peak) peak = $2 }
        END { printf "%s %d\n", t[int((NR + 1) / 2)], peak / 1024 }'
}

row() { # WORK GOAL OURS_CMD -- PEER_CMD
    local what=$1 goal=$2
    shift 2
    local ours=() peer=()
    while [ "$1" != "--" ]; do ours+=("$1"); shift; done
    shift
    peer=("$@")
    # Ours and the peer's in turn, so that the host's slow spells fall on both,
    # after one run of each that is not counted (files and libraries cached).
    : > "$tmp/ours"
    : > "$tmp/peer"
    once "${ours[@]}" > /dev/null || exit 1
    once "${peer[@]}" > /dev/null || exit 1
    for ((r = 0; r < runs; r++)); do
        once "${ours[@]}" >> "$tmp/ours" || exit 1
        once "${peer[@]}" >> "$tmp/peer" || exit 1
    done
    read -r ot om < <(summary < "$tmp/ours")
    read -r pt pm < <(summary < "$tmp/peer")
    awk -v w="$what" -v g="$goal" -v ot="$ot" -v om="$om" -v pt="$pt" -v pm="$pm" 'BEGIN {
        printf "| %s | %.3f s, %d MiB | %.3f s, %d MiB | %.2f time, %.2f memory | %s |\n",
            w, ot, om, pt, pm, (pt > 0 ? ot / pt : 0), (pm > 0 ? om / pm : 0), g }'
}

echo "| work | Facetra | peer | ratio | goal |"
echo "|---|---|---|---|---|"
for m in horse horse-1.5m; do
    f=$tmp/$m.obj
    row "whole load of $m.obj / tinyobjloader reading it" "<= 0.4 time, <= 1.1 memory" \
        "$cli" info "$f" -- "$peers" tinyobj-read "$f"
    row "whole load of $m.ply / of $m.obj" "<= 0.5 time" \
        "$cli" info "$tmp/$m.ply" -- "$cli" info "$f"
    row "whole load of $m.obj.gz / of $m.obj" "<= 1.3 time" \
        "$cli" info "$f.gz" -- "$cli" info "$f"
done
f=$tmp/horse.obj
row "one butterfly level of horse.obj, written / OpenMesh" "<= 0.8 time, <= 1.5 memory" \
    "$cli" subdivide --levels 1 "$f" "$tmp/ours-sub.obj" -- \
    "$peers" openmesh-butterfly "$f" "$tmp/peer-sub.obj"
row "simplify horse.obj to 50 %, written / meshoptimizer" "<= 1.5 time, <= 2 memory" \
    "$cli" simplify --lod 50 "$f" "$tmp/ours-simp.obj" -- \
    "$peers" meshopt-simplify "$f" 50 "$tmp/peer-simp.obj"
