#include "SegmentTestMeshes.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>
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
    build(mesh, { MESH_CENTRE, MESH_CENTROIDS, MESH_EDGE_LIST, MESH_VERTEX_NORMALS, MESH_BB });
    return mesh;
}

Mesh foldedPair(double foldDegrees)
{
    const double t = foldDegrees * std::numbers::pi / 180.0;
    return makeMesh({ { 0, 0, 0 }, { 1, 0, 0 }, { 0.5f, 1, 0 },
                        { 0.5f, float(-std::cos(t)), float(std::sin(t)) } },
        { { 0, 1, 2 }, { 1, 0, 3 } });
}

Mesh flatGrid(int n)
{
    std::vector<Vector> positions;
    std::vector<std::array<int, 3>> faces;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            positions.emplace_back(float(x), float(y), 0.0f);
    for (int y = 0; y + 1 < n; ++y) {
        for (int x = 0; x + 1 < n; ++x) {
            const int v = y * n + x;
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
    return !path.empty() && openMeshFile(mesh, path);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string scratchDir(const std::string& name)
{
    const auto dir = std::filesystem::temp_directory_path()
        / ("facetra-segmentation-" + std::to_string(::getpid()) + "-" + name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

std::vector<int> flags(const Mesh& mesh)
{
    std::vector<int> out;
    for (int f = 0; f < mesh.numFaces; ++f)
        out.push_back(mesh.faces[std::size_t(f)].traversed);
    return out;
}
