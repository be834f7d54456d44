#include "FilterMeshes.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

Mesh builtMesh(const std::vector<Vector>& positions, const std::vector<std::array<int, 3>>& faces)
{
    Mesh mesh;
    mesh.allocateVertices(int(positions.size()));
    mesh.allocateFaces(int(faces.size()));
    std::copy(positions.begin(), positions.end(), mesh.vertices.begin());
    for (std::size_t f = 0; f < faces.size(); ++f) {
        std::copy(faces[f].begin(), faces[f].end(), mesh.faces[f].index);
        mesh.linkFace(int(f));
    }
    captureStdout([&] {
        build(mesh, { MESH_CENTRE, MESH_CENTROIDS, MESH_EDGE_LIST, MESH_VERTEX_NORMALS, MESH_BB });
    });
    return mesh;
}

Mesh octahedron()
{
    return builtMesh(
        { { 1, 0, 0 }, { -1, 0, 0 }, { 0, 1, 0 }, { 0, -1, 0 }, { 0, 0, 1 }, { 0, 0, -1 } },
        { { 0, 2, 4 }, { 2, 1, 4 }, { 1, 3, 4 }, { 3, 0, 4 }, { 2, 0, 5 }, { 1, 2, 5 }, { 3, 1, 5 },
            { 0, 3, 5 } });
}

Mesh rippledGrid(int n)
{
    std::vector<Vector> positions;
    std::vector<std::array<int, 3>> faces;
    for (int i = 0; i < n * n; ++i) {
        const float x = float(i % n), y = float(i / n);
        positions.push_back(Vector(x, y, 0.3f * std::sin(x * 0.9f) * std::cos(y * 0.7f)));
        if (i % n + 1 < n && i / n + 1 < n) {
            faces.push_back({ i, i + 1, i + n + 1 });
            faces.push_back({ i, i + n + 1, i + n });
        }
    }
    return builtMesh(positions, faces);
}

bool loadRealMesh(Mesh& mesh, const std::string& name)
{
    const std::string path = std::string(FACETRA_MESH_DIR) + "/" + name;
    bool ok = false;
    captureStdout([&] { ok = std::filesystem::exists(path) && openMeshFile(mesh, path); });
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
    std::string text(std::size_t(std::ftell(file)), '\0');
    std::rewind(file);
    text.resize(std::fread(text.data(), 1, text.size(), file));
    std::fclose(file);
    return text;
}

std::vector<std::array<float, 4>> faceNormals(const Mesh& mesh)
{
    std::vector<std::array<float, 4>> out;
    for (const Face& face : mesh.faces)
        out.push_back({ face.normal.x, face.normal.y, face.normal.z, face.normal.w });
    return out;
}
