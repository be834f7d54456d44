#include "terrain/engine/TerrainBuilder.h"
#include "mesh/engine/Refusal.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/LargeArrays.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/Progress.h"
#include "refinement/engine/ReplaceGeometry.h"

#include <cstdint>
#include <cstdio>
#include <new>
#include <vector>

namespace {

// Grid point (i, j) at (S u_j, H h, S v_i): u and v are float sums of 1/N taken
// step by step, exactly as the terrain has always been laid out.
void sampleGrid(std::vector<Vector>& grid, const HeightMap& map, const TerrainParameters& p,
    Progress* progress)
{
    const int n = p.gridResolution;
    const float scale = float(p.gridScale);
    const float height = float(p.heightScale);
    const float step = 1.0f / float(n);
    float v = 0.0f;
    for (int i = 0; i < n; ++i) {
        if (progress && (i & 15) == 0)
            progress->report("terrain", 0.0);
        const int py = int(std::int64_t(map.height) * i / n);
        float u = 0.0f;
        for (int j = 0; j < n; ++j) {
            const int px = int(std::int64_t(map.width) * j / n);
            const float h = float(map.grey(px, py)) * 0.00390625f;
            grid[std::size_t(i) * std::size_t(n) + std::size_t(j)]
                = Vector(scale * u, height * h, scale * v);
            u += step;
        }
        v += step;
    }
}

} // namespace

bool buildTerrainMesh(
    Mesh& mesh, const HeightMap& heightmap, const TerrainParameters& p, Progress* progress)
{
    const int n = p.gridResolution;
    if (n < 1 || n > kMaxGridResolution || p.gridScale < 1 || p.heightScale < 1) {
        sayRefusal("ERROR: terrain needs grid resolution 1 .. %d and scales of 1 or more "
                   "(got %d, %d, %d)",
            kMaxGridResolution, n, p.gridScale, p.heightScale);
        return false;
    }
    if (!heightmap.valid()) {
        sayRefusal("ERROR: terrain needs a height map with pixels");
        return false;
    }
    const std::size_t points = std::size_t(n) * std::size_t(n);
    const std::int64_t faceCount = 2 * std::int64_t(n - 1) * std::int64_t(n - 1);

    Mesh fresh;
    std::vector<Vector> grid;
    // Vertex number of each grid point once a face has used it, -1 before.
    std::vector<int> number;
    try {
        resizeLarge(grid, points);
        assignLarge(number, points, -1);
    } catch (const std::bad_alloc&) {
        sayRefusal("ERROR: not enough memory for a %d x %d terrain grid", n, n);
        return false;
    }
    if (!fresh.allocateVertices(int(points)) || !fresh.allocateFaces(int(faceCount)))
        return false;
    sampleGrid(grid, heightmap, p, progress);

    // No two grid points share a position (x grows with j and z with i, and
    // S / N is far above float spacing for every allowed S and N), so "position
    // not seen yet" is "grid point not numbered yet": a flag per point gives the
    // numbering an ordered set of positions would, without the log-time search.
    int counter = 0;
    const Vector white(1.0f, 1.0f, 1.0f, 1.0f);
    auto corner = [&](std::size_t point) {
        int& k = number[point];
        if (k < 0) {
            k = counter++;
            fresh.vertices[std::size_t(k)] = grid[point];
            fresh.vertexColours[std::size_t(k)] = white;
        }
        return k;
    };
    const std::size_t row = std::size_t(n);
    std::size_t f = 0;
    for (int i = 0; i + 1 < n; ++i) {
        for (int j = 0; j + 1 < n; ++j) {
            const std::size_t a = std::size_t(i) * row + std::size_t(j); // grid[i][j]
            const std::size_t b = a + row; // grid[i+1][j]
            const std::size_t c = b + 1; // grid[i+1][j+1]
            const std::size_t d = a + 1; // grid[i][j+1]
            Face& first = fresh.faces[f++];
            first.index[0] = corner(a);
            first.index[1] = corner(b);
            first.index[2] = corner(c);
            Face& second = fresh.faces[f++];
            second.index[0] = corner(a);
            second.index[1] = corner(c);
            second.index[2] = corner(d);
        }
        if (progress && (i & 3) == 0)
            progress->report("terrain", double(i) / double(n - 1));
    }

    replaceGeometry(mesh, fresh);
    mesh.selected = -1;
    mesh.morphogenNames.clear();
    build(mesh, { MESH_CENTRE, MESH_FACE_NORMALS, MESH_VERTEX_NORMALS, MESH_TEXCOORDS }, progress);
    std::printf("%d, %d \n", mesh.numVertices, mesh.numFaces);
    std::fflush(stdout);
    return true;
}
