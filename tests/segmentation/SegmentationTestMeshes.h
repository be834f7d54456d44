#pragma once

#include "../mesh/TestUtil.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Mesh.h"

#include <array>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

// A mesh built in code, with the derived data a classification needs.
inline Mesh segMesh(
    const std::vector<Vector>& positions, const std::vector<std::array<int, 3>>& faces)
{
    Mesh mesh;
    testutil::makeMesh(mesh, positions, faces);
    build(mesh, { MESH_CENTRE, MESH_CENTROIDS, MESH_EDGE_LIST, MESH_VERTEX_NORMALS });
    return mesh;
}

// A strip of 2 * cells triangles in the plane z = 0, faces joined in a row.
inline Mesh flatStrip(int cells)
{
    std::vector<Vector> p;
    std::vector<std::array<int, 3>> f;
    for (int i = 0; i <= cells; ++i) {
        p.push_back(Vector(float(i), 0.0f, 0.0f));
        p.push_back(Vector(float(i), 1.0f, 0.0f));
    }
    for (int i = 0; i < cells; ++i) {
        f.push_back({ 2 * i, 2 * i + 2, 2 * i + 1 });
        f.push_back({ 2 * i + 1, 2 * i + 2, 2 * i + 3 });
    }
    return segMesh(p, f);
}

// A regular tetrahedron moved by dx: every bend between faces is over 1 radian.
inline std::vector<Vector> tetraPositions(float dx)
{
    return { { dx + 1.0f, 1.0f, 1.0f }, { dx + 1.0f, -1.0f, -1.0f }, { dx - 1.0f, 1.0f, -1.0f },
        { dx - 1.0f, -1.0f, 1.0f } };
}

// Loads a real mesh as the workbench does; false when it is absent.
inline bool loadRealMesh(Mesh& mesh, const std::string& name)
{
    const std::string path = std::string(FACETRA_MESH_DIR) + "/" + name;
    return std::filesystem::exists(path) && openMeshFile(mesh, path);
}

// An n x n grid of vertices on a wavy surface, two triangles per cell.
inline Mesh bumpyGrid(int n, float height = 1.0f)
{
    Mesh mesh;
    testutil::makeGrid(mesh, n,
        [height](int x, int y) { return height * std::sin(0.7f * x) * std::cos(0.5f * y); });
    build(mesh, { MESH_CENTRE, MESH_CENTROIDS, MESH_EDGE_LIST, MESH_VERTEX_NORMALS });
    return mesh;
}
