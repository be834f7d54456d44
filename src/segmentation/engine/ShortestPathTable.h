#pragma once

#include "mesh/engine/MemoryInfo.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Progress;

// Distances between every pair of faces of a mesh over its dual graph (faces
// joined across interior edges), as the lower triangle of a symmetric matrix:
// pair (i, j) lives at rowStart(max) + min, so row i holds (i, 0) .. (i, i)
// contiguously. 1e9 marks a pair no path joins, 0 the diagonal.
//
// The per-edge costs are kept per joined pair rather than as a second dense
// triangle: only the distances need n^2 room.
class ShortestPathTable
{
public:
    static constexpr float kUnreachable = 1e9f;

    ShortestPathTable() = default;
    ShortestPathTable(const ShortestPathTable&) = delete;
    ShortestPathTable& operator=(const ShortestPathTable&) = delete;
    ShortestPathTable(ShortestPathTable&&) = default;
    ShortestPathTable& operator=(ShortestPathTable&&) = default;

    // Faces the table was allocated for, and the entries of its array:
    // trunc(0.5 n^2 + n), about n / 2 more than the n (n + 1) / 2 pairs.
    int count = 0;
    std::int64_t size = 0;
    // Room the table may take, in bytes; 0 asks the system what is available.
    std::uint64_t memoryLimit = 0;

    static std::int64_t entriesFor(int n);
    static std::int64_t rowStart(int i) { return std::int64_t(i) * (i + 1) / 2; }

    // Prints the sizing lines and makes room for n faces, with no costs yet and
    // distances unset. A table that would not fit in the memory available (or
    // past 2^31 entries) is refused before anything is allocated, with one line
    // naming its size; the table is then empty and false returned.
    bool allocate(int n);
    void clear();
    bool empty() const { return !distance; }

    // The cost of the interior edge that joins faces i and j; the last one set
    // for a pair counts, and 0 means "not joined".
    void setCost(int i, int j, float cost);

    float at(int i, int j) const
    {
        return i >= j ? distance[std::size_t(rowStart(i) + j)]
                      : distance[std::size_t(rowStart(j) + i)];
    }
    float& at(int i, int j)
    {
        return i >= j ? distance[std::size_t(rowStart(i) + j)]
                      : distance[std::size_t(rowStart(j) + i)];
    }
    // (i, 0) .. (i, i).
    const float* row(int i) const { return distance.get() + rowStart(i); }
    float* row(int i) { return distance.get() + rowStart(i); }
    float* data() { return distance.get(); }
    const float* data() const { return distance.get(); }
    // d(i, j) for every j, gathered from row i and column i.
    void fullRow(int i, float* out) const;

    // Floyd-Warshall from the costs: a joined pair starts at its edge cost. Each
    // step k is done row by row over the stored triangle, vectorised and shared
    // among the cores; the values are those of the plain triple loop, since
    // step k never changes row or column k.
    //
    // Both builds throw RunCancelled, once their workers are joined, when the
    // progress asks them to stop; the distances are then partly built.
    void floyd(Progress* progress = nullptr);
    // The same distances by single-source shortest paths from every face over
    // the same costs, shared among the cores; equal to floyd() up to the
    // rounding of the sums.
    void dijkstra(Progress* progress = nullptr);
    // 1e9 everywhere, the joined pairs their cost, 0 on the diagonal.
    void initialiseDistances(const Progress* progress = nullptr);

    // The ".spt" file: the `size` floats of the array, little-endian, no header,
    // written beside the target and renamed (see writeBytesReplacing()).
    bool writeFile(const std::string& name, const Progress* progress = nullptr) const;
    // Refuses a file whose length is not 4 * size, leaving the table unchanged.
    enum class ReadResult { Ok, CannotOpen, WrongSize };
    ReadResult readFile(const std::string& name);

    // Joined pairs as compressed rows: the neighbours of face i and their costs
    // at adjStart[i] .. adjStart[i + 1].
    void buildAdjacency(
        std::vector<int>& adjStart, std::vector<int>& adjFace, std::vector<float>& adjCost) const;

private:
    struct Pair
    {
        int lo, hi;
        float cost;
    };
    std::vector<Pair> costs;
    std::unique_ptr<float[]> distance;
};
