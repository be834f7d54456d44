#include "filtering/engine/FaceNeighbourhoods.h"

#include <algorithm>
#include <limits>

FaceNeighbourhoods::FaceNeighbourhoods(
    const FlatLists<int>& neighbours_, int depth_, std::size_t storageLimit)
    : neighbours(neighbours_)
    , depth(depth_)
{
    const std::size_t n = neighbours.size();
    mark.assign(n, 0);
    offsets.reserve(n + 1);
    offsets.push_back(0);
    for (std::size_t f = 0; f < n; ++f) {
        gather(int(f));
        if (items.size() + reached.size() > storageLimit) {
            std::vector<int>().swap(items);
            std::vector<std::uint64_t>().swap(offsets);
            return;
        }
        items.insert(items.end(), reached.begin(), reached.end());
        offsets.push_back(items.size());
    }
    isStored = true;
}

std::span<const int> FaceNeighbourhoods::of(int f)
{
    if (isStored)
        return { items.data() + offsets[std::size_t(f)],
            items.data() + offsets[std::size_t(f) + 1] };
    gather(f);
    return reached;
}

void FaceNeighbourhoods::gather(int f)
{
    reached.clear();
    if (++search == std::numeric_limits<std::uint32_t>::max()) {
        std::fill(mark.begin(), mark.end(), 0u);
        search = 1;
    }
    mark[std::size_t(f)] = search;
    // reached[ringStart, ringEnd) is the ring being expanded; the face itself is
    // ring 0 and is not kept, so it is expanded from outside the list.
    std::size_t ringStart = 0, ringEnd = 0;
    for (int level = 0; level < depth; ++level) {
        const std::size_t before = reached.size();
        const auto expand = [&](int a) {
            for (int b : neighbours[std::size_t(a)]) {
                if (mark[std::size_t(b)] != search) {
                    mark[std::size_t(b)] = search;
                    reached.push_back(b);
                }
            }
        };
        if (level == 0)
            expand(f);
        else
            for (std::size_t i = ringStart; i < ringEnd; ++i)
                expand(reached[i]);
        ringStart = before;
        ringEnd = reached.size();
        if (ringStart == ringEnd)
            break;
    }
}
