#pragma once

#include "mesh/TestUtil.h"
#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/WriteObj.h"

#include <memory>

// Meshes built in code, and the real meshes when the shared folder is there.
inline Mesh makeMesh(
    const std::vector<Vector>& points, const std::vector<std::array<int, 3>>& faces)
{
    Mesh mesh;
    testutil::makeMesh(mesh, points, faces);
    return mesh;
}

inline Mesh octahedron()
{
    return makeMesh(
        { { 1, 0, 0 }, { -1, 0, 0 }, { 0, 1, 0 }, { 0, -1, 0 }, { 0, 0, 2 }, { 0, 0, -1 } },
        { { 0, 2, 4 }, { 2, 1, 4 }, { 1, 3, 4 }, { 3, 0, 4 }, { 2, 0, 5 }, { 1, 2, 5 }, { 3, 1, 5 },
            { 0, 3, 5 } });
}

// An n x n grid of vertices in the plane z = 0, two triangles per cell.
inline Mesh flatGrid(int n)
{
    Mesh mesh;
    testutil::makeGrid(mesh, n, [](int, int) { return 0.0f; });
    return mesh;
}

// The full path of a real mesh that is stored unpacked, or "" when it is absent.
inline std::string realMeshPath(const std::string& name)
{
    const auto path = std::filesystem::path(FACETRA_MESH_DIR) / name;
    return std::filesystem::exists(path) ? path.string() : std::string();
}

// Loads a real mesh as the workbench does; false when it is absent.
inline bool loadRealMesh(Mesh& mesh, const std::string& name)
{
    const std::string path = realMeshPath(name);
    if (path.empty() || !readMeshFile(mesh, path, nullptr))
        return false;
    build(mesh, { MESH_CENTRE, MESH_CENTROIDS, MESH_EDGE_LIST, MESH_VERTEX_NORMALS, MESH_BB });
    return true;
}

// The bytes writeObj produces for mesh.
inline std::string objBytes(const Mesh& mesh)
{
    const testutil::TempDir dir;
    return writeObj(mesh, dir.file("mesh.obj")) ? testutil::readFile(dir.file("mesh.obj")) : "";
}

// The straightforward versions the fast ones are checked against.
std::unique_ptr<Mesh> referenceSubdivide(const Mesh& source, int levels, float weight);
// refusals counts the candidates turned away for turning a triangle over.
void referenceSimplify(Mesh& mesh, float fraction, int* refusals = nullptr);
