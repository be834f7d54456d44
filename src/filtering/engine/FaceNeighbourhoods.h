#pragma once

#include "mesh/engine/FlatLists.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class Progress;

// For every face, the faces within `depth` edge steps of it: each once, the face
// itself left out, in breadth-first order (ring by ring; within a ring in the
// order the faces were first reached, each face's neighbours in list order).
//
// A filter sweeps over these lists many times, so their total length is its
// cost: past `limit` entries (deep neighbourhoods on big meshes) the lists are
// not built and complete() is false. A progress, when given, is checked as the
// lists grow (RunCancelled when it asks to stop).
class FaceNeighbourhoods
{
public:
    static constexpr std::size_t kDefaultLimit = std::size_t(1) << 26;

    FaceNeighbourhoods(const FlatLists<int>& neighbours, int depth,
        std::size_t limit = kDefaultLimit, const Progress* progress = nullptr);

    bool complete() const { return isComplete; }
    std::size_t totalSize() const { return items.size(); }
    std::span<const int> of(int f) const
    {
        return { items.data() + offsets[std::size_t(f)],
            items.data() + offsets[std::size_t(f) + 1] };
    }

private:
    bool isComplete = false;
    std::vector<std::uint64_t> offsets;
    std::vector<int> items;
};
