#include "filtering/engine/FaceNeighbourhoods.h"

#include "mesh/engine/Progress.h"

FaceNeighbourhoods::FaceNeighbourhoods(
    const FlatLists<int>& neighbours, int depth, std::size_t limit, const Progress* progress)
{
    const std::size_t n = neighbours.size();
    // The last search that reached each face, so that nothing is cleared
    // between searches.
    std::vector<std::uint32_t> mark(n, 0);
    offsets.reserve(n + 1);
    offsets.push_back(0);
    for (std::size_t f = 0; f < n; ++f) {
        if (progress && (f & 1023) == 0)
            progress->checkStop();
        const std::uint32_t search = std::uint32_t(f + 1);
        mark[f] = search;
        const std::size_t first = items.size();
        // items[ringStart, ringEnd) is the ring being expanded; ring 0, the
        // face itself, is not kept.
        std::size_t ringStart = first, ringEnd = first;
        for (int level = 0; level < depth; ++level) {
            const std::size_t before = items.size();
            const auto expand = [&](int a) {
                for (int b : neighbours[std::size_t(a)]) {
                    if (mark[std::size_t(b)] != search) {
                        mark[std::size_t(b)] = search;
                        items.push_back(b);
                    }
                }
            };
            if (level == 0)
                expand(int(f));
            for (std::size_t i = ringStart; i < ringEnd; ++i)
                expand(items[i]);
            ringStart = before;
            ringEnd = items.size();
            if (ringStart == ringEnd)
                break;
            if (items.size() > limit) {
                std::vector<int>().swap(items);
                std::vector<std::uint64_t>().swap(offsets);
                return;
            }
        }
        offsets.push_back(items.size());
    }
    isComplete = true;
}
