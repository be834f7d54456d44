#include "TestMeshes.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/WriteObj.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

Mesh makeMesh(const std::vector<Vector>& positions, const std::vector<std::array<int, 3>>& faces)
{
    Mesh mesh;
    mesh.allocateVertices(int(positions.size()));
    for (std::size_t i = 0; i < positions.size(); ++i)
        mesh.vertices[i] = positions[i];
    mesh.allocateFaces(int(faces.size()));
    for (std::size_t f = 0; f < faces.size(); ++f) {
        for (int k = 0; k < 3; ++k)
            mesh.faces[f].index[k] = faces[f][std::size_t(k)];
        mesh.linkFace(int(f));
    }
    return mesh;
}

Mesh octahedron()
{
    return makeMesh(
        { { 1, 0, 0 }, { -1, 0, 0 }, { 0, 1, 0 }, { 0, -1, 0 }, { 0, 0, 2 }, { 0, 0, -1 } },
        { { 0, 2, 4 }, { 2, 1, 4 }, { 1, 3, 4 }, { 3, 0, 4 }, { 2, 0, 5 }, { 1, 2, 5 }, { 3, 1, 5 },
            { 0, 3, 5 } });
}

Mesh flatGrid(int n)
{
    std::vector<Vector> positions;
    std::vector<std::array<int, 3>> faces;
    for (int v = 0; v < n * n; ++v) {
        positions.push_back({ float(v % n), float(v / n), 0.0f });
        if (v % n + 1 < n && v / n + 1 < n) {
            faces.push_back({ v, v + 1, v + n + 1 });
            faces.push_back({ v, v + n + 1, v + n });
        }
    }
    return makeMesh(positions, faces);
}

std::string realMeshPath(const std::string& name)
{
    const std::filesystem::path path = std::filesystem::path(FACETRA_MESH_DIR) / name;
    return std::filesystem::exists(path) ? path.string() : std::string();
}

bool loadRealMesh(Mesh& mesh, const std::string& name)
{
    const std::string path = realMeshPath(name);
    if (path.empty() || !readMeshFile(mesh, path, nullptr))
        return false;
    build(mesh, { MESH_CENTRE, MESH_CENTROIDS, MESH_EDGE_LIST, MESH_VERTEX_NORMALS, MESH_BB });
    return true;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

std::string scratchDir(const std::string& name)
{
    const auto dir = std::filesystem::temp_directory_path()
        / ("facetra-refinement-" + std::to_string(::getpid()) + "-" + name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

std::string objBytes(const Mesh& mesh)
{
    const std::string dir = scratchDir("obj");
    const std::string text = writeObj(mesh, dir + "/mesh.obj") ? readFile(dir + "/mesh.obj") : "";
    std::filesystem::remove_all(dir);
    return text;
}
