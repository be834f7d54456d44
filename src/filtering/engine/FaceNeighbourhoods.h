#pragma once

#include "mesh/engine/FlatLists.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// For every face, the faces within `depth` edge steps of it: each once, the face
// itself left out, in breadth-first order (ring by ring; within a ring in the
// order the faces were first reached, each face's neighbours in list order).
//
// The lists are computed once and kept when they fit in `storageLimit` entries;
// beyond that (deep neighbourhoods on big meshes) each list is recomputed when
// asked for. Either way of() gives the same faces in the same order.
class FaceNeighbourhoods
{
public:
    static constexpr std::size_t kDefaultStorageLimit = std::size_t(1) << 26;

    FaceNeighbourhoods(const FlatLists<int>& neighbours, int depth,
        std::size_t storageLimit = kDefaultStorageLimit);

    // Face f's neighbourhood; valid until the next call.
    std::span<const int> of(int f);
    bool stored() const { return isStored; }

private:
    void gather(int f);

    const FlatLists<int>& neighbours;
    int depth;
    bool isStored = false;
    std::vector<std::uint64_t> offsets;
    std::vector<int> items;
    // Breadth-first scratch: the faces reached, and per face the last search
    // that reached it (so nothing is cleared between searches).
    std::vector<int> reached;
    std::vector<std::uint32_t> mark;
    std::uint32_t search = 0;
};
