#pragma once

#include "mesh/engine/Mesh.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

// Coarser versions of a mesh, drawn instead of it while the view moves. A level
// keeps its triangles over the mesh's own vertices, and for each the mesh face
// it stands for, so that what the mesh shows (colours, normals, highlights)
// reaches the level without simplifying again.
struct LodLevel
{
    // Corners of the level's triangles as vertex numbers of the mesh, three a
    // triangle.
    std::vector<std::uint32_t> corners;
    // Per triangle, the mesh face it stands for.
    std::vector<std::int32_t> sourceFace;

    int faceCount() const { return int(sourceFace.size()); }
    std::size_t bytes() const
    {
        return corners.capacity() * sizeof(std::uint32_t)
            + sourceFace.capacity() * sizeof(std::int32_t);
    }
};

// What the levels are made from: positions (x, y, z a vertex) and corners (three a
// face) copied out of the mesh, so that they can be built while it changes.
struct LodSource
{
    std::vector<float> positions;
    std::vector<std::uint32_t> corners;

    static LodSource of(const Mesh& mesh);
    int faceCount() const { return int(corners.size() / 3); }
};

// Meshes of fewer faces draw fast enough whole: they get no levels.
constexpr int kLodLeastFaces = 8000;
// The finest level holds an eighth of the faces, and at most this many.
constexpr int kLodFinestFaces = 1000000;
// Each further level a quarter of the one before, down to this many faces.
constexpr int kLodCoarsestFaces = 2000;

// The levels from the finest to the coarsest: edge collapses that keep the
// shape where they can reach the face count, and vertex clustering for inputs
// of millions of faces and wherever the collapses stop short. Each triangle
// stands for the face of the source, among those around its corners, whose
// centroid lies nearest to its own. Stops early, returning nothing, once stop
// is set.
std::vector<LodLevel> buildLodLevels(
    const LodSource& source, const std::atomic<bool>* stop = nullptr);

// A level made into a mesh of its own, which every drawing pass takes as it takes
// the full mesh: the vertices the level uses (position, normal and colour of the
// mesh's vertex), and its triangles, each with the record (colour, normal,
// traversal flag), centroid and normal of the face it stands for. The centre,
// extent and box are the full mesh's, so it is drawn in the same place.
struct LodMesh
{
    Mesh mesh;
    // Per vertex of the level's mesh, the vertex of the full mesh.
    std::vector<int> fullVertex;

    void build(const Mesh& full, const LodLevel& level);
    // Copies vertex colours and normals and the faces' records again from the
    // full mesh, after those changed there.
    void refreshAttributes(const Mesh& full, const LodLevel& level);
    std::size_t bytes() const;
};
