#pragma once

#include "ReferenceFilters.h"
#include "mesh/TestUtil.h"
#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"

#include <cmath>

using testutil::captureStdout;

// Derived data as a load builds it.
inline Mesh built(Mesh mesh)
{
    captureStdout([&] {
        build(mesh, { MESH_CENTRE, MESH_CENTROIDS, MESH_EDGE_LIST, MESH_VERTEX_NORMALS, MESH_BB });
    });
    return mesh;
}

// An n x n grid of unit cells, heights rippled so that neighbouring normals differ.
inline Mesh rippledGrid(int n)
{
    Mesh mesh;
    testutil::makeGrid(mesh, n,
        [](int x, int y) { return 0.3f * std::sin(float(x) * 0.9f) * std::cos(float(y) * 0.7f); });
    return built(std::move(mesh));
}

// Two copies of a shared real mesh loaded as the workbench does (false when it is
// absent), or of a 9 x 9 rippled grid for an empty name.
inline bool loadTwice(Mesh& a, Mesh& b, const std::string& name)
{
    const std::string path = std::string(FACETRA_MESH_DIR) + "/" + name;
    bool ok = true;
    if (name.empty())
        a = rippledGrid(9), b = rippledGrid(9);
    else
        captureStdout([&] {
            ok = std::filesystem::exists(path) && openMeshFile(a, path) && openMeshFile(b, path);
        });
    return ok;
}

inline std::vector<std::array<float, 4>> faceNormals(const Mesh& mesh)
{
    std::vector<std::array<float, 4>> out;
    for (const Face& face : mesh.faces)
        out.push_back({ face.normal.x, face.normal.y, face.normal.z, face.normal.w });
    return out;
}
