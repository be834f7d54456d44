#include "ReferenceTerrain.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

bool sameBits(const Vector& a, const Vector& b)
{
    return std::memcmp(&a, &b, 4 * sizeof(float)) == 0;
}

Mesh terrain(const HeightMap& map, int n, int s, int h)
{
    Mesh mesh;
    testutil::captureStdout([&] { EXPECT_TRUE(buildTerrainMesh(mesh, map, { n, s, h })); });
    return mesh;
}

} // namespace

// Vertices numbered by first use, as the ordered set of positions seen numbers them.
TEST(TerrainBuilder, SameMeshAsTheOrderedSetBuild)
{
    // Seed 0 is grey = pixel column: the fine grids read each pixel twice.
    const TerrainParameters cases[] = { { 64, 256, 64 }, { 2, 1, 1 }, { 17, 300, 1000 },
        { 512, 1, 1 } /* the smallest spacing */, { 129, 512, 1024 }, { 3, 3, 64 },
        { 512, 512, 256 } };
    unsigned seed = 1;
    for (const TerrainParameters& p : cases) {
        const unsigned s = seed++ % 7;
        const HeightMap map = testMap(s == 3 ? 97 : 256, s == 3 ? 31 : 256, s);
        const Mesh fast = terrain(map, p.gridResolution, p.gridScale, p.heightScale);
        Mesh slow;
        testutil::captureStdout([&] { referenceTerrain(slow, map, p); });
        ASSERT_EQ(fast.numVertices, slow.numVertices);
        for (int i = 0; i < fast.numVertices; ++i)
            ASSERT_TRUE(sameBits(fast.vertices[i], slow.vertices[i])
                && sameBits(fast.vertexNormals[i], slow.vertexNormals[i])
                && sameBits(fast.texCoords[i], slow.texCoords[i]))
                << p.gridResolution << " vertex " << i;
        for (int f = 0; f < fast.numFaces; ++f)
            ASSERT_EQ(std::memcmp(fast.faces[f].index, slow.faces[f].index, sizeof(int[3])), 0);
    }
}

TEST(TerrainBuilder, RefusalsLeaveTheMeshAloneAndABuildReplacesAll)
{
    EXPECT_EQ(terrain(HeightMap::black(), 1, 256, 64).numFaces, 0); // one grid point
    Mesh mesh = terrain(HeightMap::black(), 4, 10, 10);
    mesh.selected = 3;
    testutil::captureStdout([&] {
        for (const TerrainParameters& p :
            { TerrainParameters { 0, 10, 10 }, { 4, 0, 10 }, { 4, 10, 0 } })
            EXPECT_FALSE(buildTerrainMesh(mesh, HeightMap::black(), p));
        EXPECT_FALSE(buildTerrainMesh(mesh, HeightMap(), { 4, 10, 10 }));
    });
    EXPECT_EQ(mesh.numVertices, 16);
    EXPECT_EQ(mesh.selected, 3);

    mesh.morphogenNames = { "a" };
    testutil::captureStdout([&] {
        EXPECT_TRUE(buildTerrainMesh(mesh, HeightMap::black(), { 3, 10, 10 }));
    });
    EXPECT_EQ(mesh.selected, -1);
    EXPECT_TRUE(mesh.morphogenNames.empty());
}
