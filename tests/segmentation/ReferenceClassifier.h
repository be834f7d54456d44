#pragma once

#include <limits>
#include <vector>

class Mesh;

// The classification written out plainly, loop for loop, to check the fast
// engine against: a dense cost triangle, the triple Floyd loop reading pairs
// through the row starts, every search from +infinity, the refinement loop with
// its repeated memberships.
struct ReferenceClassifier
{
    explicit ReferenceClassifier(Mesh& mesh);

    Mesh& mesh;
    static constexpr float start = std::numeric_limits<float>::infinity();
    int n = 0;
    double weight = 0.5;
    std::vector<float> cost;
    std::vector<float> dist;
    std::vector<int> seeds;
    std::vector<std::vector<float>> memberships;
    std::vector<int> patchOfFace;
    int numPatches = 0;

    float& d(int i, int j)
    {
        return i >= j ? dist[std::size_t(i) * (i + 1) / 2 + j]
                      : dist[std::size_t(j) * (j + 1) / 2 + i];
    }
    void buildCosts();
    // The first `steps` passes of the outer loop only, when steps >= 0 (for
    // timing a loop too slow to run to the end).
    void floyd(int steps = -1);
    // Seeds to the end of the refinement (no final colouring).
    void classify();
    void fuzzy(int count);
    void partition(int count);
};
