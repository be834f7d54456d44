#pragma once

#include "mesh/engine/LargeArrays.h"
#include "mesh/engine/Vector.h"

#include <cstddef>
#include <vector>

// A mesh as the PLY, STL and OFF readers gather it before the mesh arrays are
// made: positions (x, y, z per vertex), colours (one per vertex, or none when
// the file has none) and triangles (three 0-based corners each), with what was
// left out counted by reason.
struct FlatMesh
{
    LargeVector<float> positions;
    std::vector<Vector> colours;
    LargeVector<int> triangles;
    long long polygons = 0; // faces of more than three corners, fanned
    long long outOfRange = 0; // triangles dropped for naming a missing vertex
    long long tooFewCorners = 0; // faces of one or two corners, dropped

    long long vertexCount() const { return (long long)(positions.size() / 3); }

    // Appends part's vertices, colours, triangles and counts, releasing part's arrays.
    void append(FlatMesh& part)
    {
        appendAndRelease(positions, part.positions);
        appendAndRelease(colours, part.colours);
        appendAndRelease(triangles, part.triangles);
        polygons += part.polygons;
        outOfRange += part.outOfRange;
        tooFewCorners += part.tooFewCorners;
    }

    // Adds a face of n corners, fanned from its first corner, unless it names a
    // vertex outside 0 .. vertices - 1 or has fewer than three corners.
    template <class Index> bool addFace(const Index* corners, std::size_t n, long long vertices)
    {
        if (n < 3) {
            ++tooFewCorners;
            return false;
        }
        for (std::size_t k = 0; k < n; ++k) {
            if (corners[k] < 0 || (long long)corners[k] >= vertices) {
                outOfRange += (long long)n - 2;
                return false;
            }
        }
        if (n > 3)
            ++polygons;
        for (std::size_t t = 1; t + 1 < n; ++t)
            triangles.insert(
                triangles.end(), { int(corners[0]), int(corners[t]), int(corners[t + 1]) });
        return true;
    }
};
