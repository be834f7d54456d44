#include "ReferenceTerrain.h"

#include "mesh/engine/Build.h"

#include <array>
#include <random>
#include <set>
#include <vector>

void referenceTerrain(Mesh& mesh, const HeightMap& map, const TerrainParameters& p)
{
    const int n = p.gridResolution;
    std::vector<Vector> grid;
    std::vector<int> index(std::size_t(n) * n, 0);
    float v = 0.0f;
    for (int i = 0; i < n; ++i, v += 1.0f / float(n)) {
        float u = 0.0f;
        for (int j = 0; j < n; ++j, u += 1.0f / float(n)) {
            const float h = float(map.grey(map.width * j / n, map.height * i / n)) * 0.00390625f;
            grid.emplace_back(
                float(p.gridScale) * u, float(p.heightScale) * h, float(p.gridScale) * v);
        }
    }
    mesh.clear();
    mesh.allocateVertices(n * n);
    mesh.allocateFaces((2 * n - 2) * (n - 1));
    std::set<Vector> seen;
    int c = 0, f = 0;
    for (int i = 0; i + 1 < n; ++i) {
        for (int j = 0; j + 1 < n; ++j) {
            const int a = i * n + j, b = a + n;
            for (const auto& corners :
                { std::array { a, b, b + 1 }, std::array { a, b + 1, a + 1 } }) {
                Face& face = mesh.faces[f++];
                for (int k = 0; k < 3; ++k) {
                    const int g = corners[k];
                    if (seen.insert(grid[g]).second) {
                        index[g] = c;
                        mesh.vertices[c] = grid[g];
                        mesh.vertexColours[c++] = Vector(1.0f, 1.0f, 1.0f, 1.0f);
                    }
                    face.index[k] = index[g];
                }
            }
        }
    }
    build(mesh, { MESH_CENTRE, MESH_FACE_NORMALS, MESH_VERTEX_NORMALS, MESH_TEXCOORDS });
}

HeightMap testMap(int width, int height, unsigned seed)
{
    HeightMap map { width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 3) };
    std::mt19937 random(seed);
    for (std::size_t k = 0; k < map.rgb.size(); ++k)
        map.rgb[k] = std::uint8_t(seed ? random() : k / 3 % std::size_t(width));
    return map;
}
