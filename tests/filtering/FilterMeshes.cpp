#include "FilterMeshes.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

Mesh builtMesh(const std::vector<Vector>& positions, const std::vector<std::array<int, 3>>& faces)
{
    Mesh mesh;
    mesh.allocateVertices(int(positions.size()));
    mesh.allocateFaces(int(faces.size()));
    for (std::size_t i = 0; i < positions.size(); ++i)
        mesh.vertices[i] = positions[i];
    for (std::size_t f = 0; f < faces.size(); ++f) {
        for (int k = 0; k < 3; ++k)
            mesh.faces[f].index[k] = faces[f][std::size_t(k)];
        mesh.linkFace(int(f));
    }
    captureStdout([&] {
        build(mesh, { MESH_CENTRE, MESH_CENTROIDS, MESH_EDGE_LIST, MESH_VERTEX_NORMALS, MESH_BB });
    });
    return mesh;
}

Mesh octahedron()
{
    return builtMesh({ { 1, 0, 0 }, { -1, 0, 0 }, { 0, 1, 0 }, { 0, -1, 0 }, { 0, 0, 1 }, { 0, 0, -1 } },
        { { 0, 2, 4 }, { 2, 1, 4 }, { 1, 3, 4 }, { 3, 0, 4 }, { 2, 0, 5 }, { 1, 2, 5 }, { 3, 1, 5 },
            { 0, 3, 5 } });
}

Mesh rippledGrid(int n)
{
    std::vector<Vector> positions;
    std::vector<std::array<int, 3>> faces;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            positions.push_back(
                Vector(float(x), float(y), 0.3f * std::sin(float(x) * 0.9f) * std::cos(float(y) * 0.7f)));
    for (int y = 0; y + 1 < n; ++y) {
        for (int x = 0; x + 1 < n; ++x) {
            const int a = y * n + x;
            faces.push_back({ a, a + 1, a + n + 1 });
            faces.push_back({ a, a + n + 1, a + n });
        }
    }
    return builtMesh(positions, faces);
}

bool loadRealMesh(Mesh& mesh, const std::string& name)
{
    const std::string path = std::string(FACETRA_MESH_DIR) + "/" + name;
    if (!std::filesystem::exists(path))
        return false;
    bool ok = false;
    captureStdout([&] { ok = openMeshFile(mesh, path); });
    return ok;
}

std::string captureStdout(const std::function<void()>& f)
{
    std::fflush(stdout);
    std::FILE* file = std::tmpfile();
    const int saved = ::dup(1);
    ::dup2(::fileno(file), 1);
    f();
    std::fflush(stdout);
    ::dup2(saved, 1);
    ::close(saved);
    std::rewind(file);
    std::string text;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, n);
    std::fclose(file);
    return text;
}

std::vector<std::array<float, 4>> faceNormals(const Mesh& mesh)
{
    std::vector<std::array<float, 4>> out;
    for (int f = 0; f < mesh.numFaces; ++f) {
        const Vector& n = mesh.faces[std::size_t(f)].normal;
        out.push_back({ n.x, n.y, n.z, n.w });
    }
    return out;
}
