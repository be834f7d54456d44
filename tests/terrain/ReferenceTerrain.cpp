#include "ReferenceTerrain.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>
#include <vector>

void referenceTerrain(Mesh& mesh, const HeightMap& map, const TerrainParameters& p)
{
    const int n = p.gridResolution;
    mesh.clear();
    struct Point
    {
        Vector position;
        int index = 0;
    };
    std::vector<std::vector<Point>> grid(
        std::size_t(n), std::vector<Point>(std::size_t(n), Point {}));
    const float step = 1.0f / float(n);
    float v = 0.0f;
    for (int i = 0; i < n; ++i) {
        float u = 0.0f;
        for (int j = 0; j < n; ++j) {
            const int px = map.width * j / n;
            const int py = map.height * i / n;
            const float h = float(map.grey(px, py)) * 0.00390625f;
            grid[i][j].position
                = Vector(float(p.gridScale) * u, float(p.heightScale) * h, float(p.gridScale) * v);
            u += step;
        }
        v += step;
    }
    mesh.allocateVertices(n * n);
    mesh.allocateFaces((2 * n - 2) * (n - 1));
    std::set<Vector> seen;
    int c = 0;
    int f = 0;
    auto corner = [&](Face& face, int k, Point& point) {
        if (seen.insert(point.position).second) {
            point.index = c;
            mesh.vertices[c] = point.position;
            mesh.vertexColours[c] = Vector(1.0f, 1.0f, 1.0f, 1.0f);
            face.index[k] = c++;
        } else {
            face.index[k] = point.index;
        }
    };
    for (int i = 0; i + 1 < n; ++i) {
        for (int j = 0; j + 1 < n; ++j) {
            Face& first = mesh.faces[f++];
            corner(first, 0, grid[i][j]);
            corner(first, 1, grid[i + 1][j]);
            corner(first, 2, grid[i + 1][j + 1]);
            Face& second = mesh.faces[f++];
            corner(second, 0, grid[i][j]);
            corner(second, 1, grid[i + 1][j + 1]);
            corner(second, 2, grid[i][j + 1]);
        }
    }
    for (int k = 0; k < mesh.numFaces; ++k)
        mesh.linkFace(k);
    build(mesh, { MESH_CENTRE, MESH_FACE_NORMALS, MESH_VERTEX_NORMALS, MESH_TEXCOORDS });
}

HeightMap noiseMap(int width, int height, unsigned seed)
{
    HeightMap map;
    map.width = width;
    map.height = height;
    std::mt19937 random(seed);
    map.rgb.resize(std::size_t(width) * height * 3);
    for (auto& byte : map.rgb)
        byte = std::uint8_t(random() & 0xff);
    return map;
}

HeightMap plainMap(int width, int height, int r, int g, int b)
{
    HeightMap map;
    map.width = width;
    map.height = height;
    for (int k = 0; k < width * height; ++k)
        map.rgb.insert(map.rgb.end(), { std::uint8_t(r), std::uint8_t(g), std::uint8_t(b) });
    return map;
}

HeightMap realMeshMap(const std::string& name)
{
    const std::string path = std::string(FACETRA_MESH_DIR) + "/" + name;
    Mesh mesh;
    if (!std::filesystem::exists(path) || !openMeshFile(mesh, path) || mesh.numVertices == 0)
        return {};
    build(mesh, { MESH_BB });
    const Vector lo = mesh.boxCorners[4], hi = mesh.boxCorners[1];
    HeightMap map = plainMap(256, 256, 0, 0, 0);
    for (const Vector& p : mesh.vertices) {
        const int x = std::clamp(int((p.x - lo.x) / (hi.x - lo.x) * 255.0f), 0, 255);
        const int y = std::clamp(int((p.z - lo.z) / (hi.z - lo.z) * 255.0f), 0, 255);
        const auto grey
            = std::uint8_t(std::clamp(int((p.y - lo.y) / (hi.y - lo.y) * 255.0f), 0, 255));
        std::uint8_t* pixel = map.rgb.data() + (std::size_t(y) * 256 + x) * 3;
        for (int k = 0; k < 3; ++k)
            pixel[k] = std::max(pixel[k], grey);
    }
    return map;
}
