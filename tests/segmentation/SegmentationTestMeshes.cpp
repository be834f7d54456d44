#include "SegmentationTestMeshes.h"

#include "../mesh/TestUtil.h"
#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"

#include <cmath>
#include <filesystem>

Mesh segMesh(const std::vector<Vector>& positions, const std::vector<std::array<int, 3>>& faces)
{
    Mesh mesh;
    testutil::makeMesh(mesh, positions, faces);
    build(mesh, { MESH_CENTRE, MESH_CENTROIDS, MESH_EDGE_LIST, MESH_VERTEX_NORMALS });
    return mesh;
}

Mesh flatStrip(int cells)
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

std::vector<Vector> tetraPositions(float dx)
{
    return { { dx + 1.0f, 1.0f, 1.0f }, { dx + 1.0f, -1.0f, -1.0f }, { dx - 1.0f, 1.0f, -1.0f },
        { dx - 1.0f, -1.0f, 1.0f } };
}

bool loadRealMesh(Mesh& mesh, const std::string& name)
{
    const std::string path = std::string(FACETRA_MESH_DIR) + "/" + name;
    return std::filesystem::exists(path) && openMeshFile(mesh, path);
}

Mesh bumpyGrid(int n, float height)
{
    Mesh mesh;
    testutil::makeGrid(mesh, n,
        [height](int x, int y) { return height * std::sin(0.7f * x) * std::cos(0.5f * y); });
    build(mesh, { MESH_CENTRE, MESH_CENTROIDS, MESH_EDGE_LIST, MESH_VERTEX_NORMALS });
    return mesh;
}
