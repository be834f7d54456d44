#include "ReferenceTerrain.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

bool sameBits(const Vector& a, const Vector& b)
{
    return std::memcmp(&a, &b, 4 * sizeof(float)) == 0;
}

Mesh terrain(const HeightMap& map, int n, int s, int h)
{
    Mesh mesh;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(buildTerrainMesh(mesh, map, { n, s, h }));
    testing::internal::GetCapturedStdout();
    return mesh;
}

} // namespace

TEST(TerrainBuilder, PlainMapsGiveLevelGridsFacingUp)
{
    HeightMap white = HeightMap::black();
    std::fill(white.rgb.begin(), white.rgb.end(), 255);
    for (const auto& [map, height] :
        { std::pair { HeightMap::black(), 0.0f }, { white, 63.75f } }) {
        const Mesh mesh = terrain(map, 64, 256, 64);
        ASSERT_EQ(mesh.numFaces, 7938);
        for (const Vector& p : mesh.vertices) {
            ASSERT_EQ(p.y, height);
            ASSERT_LE(std::max(p.x, p.z), 252.0f);
        }
        for (const Face& face : mesh.faces)
            ASSERT_TRUE(face.normal == Vector(0.0f, 1.0f, 0.0f));
        EXPECT_TRUE(sameBits(mesh.vertexColours[4095], Vector(1.0f, 1.0f, 1.0f, 1.0f)));
    }
}

TEST(TerrainBuilder, FineGridsReadEachPixelTwiceAndOnePointMakesNothing)
{
    // One grid point makes no face. Grey = pixel column; with S = H = N = 512 x is the sample
    // column j and y the grey of pixel j / 2.
    EXPECT_EQ(terrain(HeightMap::black(), 1, 256, 64).numFaces, 0);
    for (const Vector& p : terrain(testMap(256, 256, 0), 512, 512, 256).vertices)
        ASSERT_EQ(p.y, float(int(p.x) / 2)) << p.x;
}

// Vertices numbered by first use, as the ordered set of positions seen numbers them.
TEST(TerrainBuilder, SameMeshAsTheOrderedSetBuild)
{
    const TerrainParameters cases[] = { { 64, 256, 64 }, { 2, 1, 1 }, { 17, 300, 1000 },
        { 512, 1, 1 } /* the smallest spacing */, { 129, 512, 1024 }, { 3, 3, 64 } };
    unsigned seed = 1;
    for (const TerrainParameters& p : cases) {
        const HeightMap map = testMap(seed == 3 ? 97 : 256, seed == 3 ? 31 : 256, seed);
        ++seed;
        const Mesh fast = terrain(map, p.gridResolution, p.gridScale, p.heightScale);
        Mesh slow;
        testing::internal::CaptureStdout();
        referenceTerrain(slow, map, p);
        testing::internal::GetCapturedStdout();
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
    Mesh mesh = terrain(HeightMap::black(), 4, 10, 10);
    mesh.selected = 3;
    testing::internal::CaptureStdout();
    for (const TerrainParameters& p :
        { TerrainParameters { 0, 10, 10 }, { 4, 0, 10 }, { 4, 10, 0 } })
        EXPECT_FALSE(buildTerrainMesh(mesh, HeightMap::black(), p));
    EXPECT_FALSE(buildTerrainMesh(mesh, HeightMap(), { 4, 10, 10 }));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("needs a height map"), std::string::npos);
    EXPECT_EQ(mesh.numVertices, 16);
    EXPECT_EQ(mesh.selected, 3);

    mesh.morphogenNames = { "a" };
    testing::internal::CaptureStdout();
    EXPECT_TRUE(buildTerrainMesh(mesh, HeightMap::black(), { 3, 10, 10 }));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(mesh.selected, -1);
    EXPECT_TRUE(mesh.morphogenNames.empty());
}
