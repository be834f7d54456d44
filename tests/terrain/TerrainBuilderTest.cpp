#include "ReferenceTerrain.h"

#include "mesh/engine/Mesh.h"
#include "terrain/engine/TerrainBuilder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

Mesh terrain(const HeightMap& map, int n, int s, int h)
{
    Mesh mesh;
    EXPECT_TRUE(buildTerrainMesh(mesh, map, { n, s, h }));
    return mesh;
}

int faceOf(const Mesh& mesh, int f, int k)
{
    return mesh.faces[std::size_t(f)].index[k];
}

void expectSameMesh(const Mesh& a, const Mesh& b)
{
    ASSERT_EQ(a.numVertices, b.numVertices);
    ASSERT_EQ(a.numFaces, b.numFaces);
    auto sameBits = [](const Vector& x, const Vector& y) {
        return std::memcmp(&x, &y, 4 * sizeof(float)) == 0;
    };
    for (int i = 0; i < a.numVertices; ++i) {
        ASSERT_TRUE(sameBits(a.vertices[i], b.vertices[i])) << "vertex " << i;
        ASSERT_TRUE(sameBits(a.vertexColours[i], b.vertexColours[i])) << "colour " << i;
        ASSERT_TRUE(sameBits(a.vertexNormals[i], b.vertexNormals[i])) << "normal " << i;
        ASSERT_TRUE(sameBits(a.texCoords[i], b.texCoords[i])) << "texcoord " << i;
    }
    for (int f = 0; f < a.numFaces; ++f) {
        for (int k = 0; k < 3; ++k)
            ASSERT_EQ(faceOf(a, f, k), faceOf(b, f, k)) << "face " << f;
        ASSERT_TRUE(sameBits(a.faces[f].normal, b.faces[f].normal)) << "face normal " << f;
        ASSERT_EQ(a.faces[f].vertex[0], a.vertices.data() + faceOf(a, f, 0));
        ASSERT_EQ(a.facePtrs[f], &a.faces[f]);
    }
    EXPECT_TRUE(sameBits(a.centre, b.centre));
}

} // namespace

TEST(TerrainBuilder, DefaultBlackMapIsAFlatGridFacingUp)
{
    testing::internal::CaptureStdout();
    const Mesh mesh = terrain(HeightMap::black(), 64, 256, 64);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out,
        "BUILDING: MESH_CENTRE MESH_FACE_NORMALS MESH_VERTEX_NORMALS MESH_TEXCOORDS \n\n"
        "4096, 7938 \n");
    float maxX = 0.0f, maxZ = 0.0f;
    for (const Vector& p : mesh.vertices) {
        EXPECT_EQ(p.y, 0.0f);
        maxX = std::max(maxX, p.x);
        maxZ = std::max(maxZ, p.z);
    }
    EXPECT_FLOAT_EQ(maxX, 252.0f);
    EXPECT_FLOAT_EQ(maxZ, 252.0f);
    for (const Face& face : mesh.faces) {
        EXPECT_EQ(face.normal.x, 0.0f);
        EXPECT_FLOAT_EQ(face.normal.y, 1.0f);
        EXPECT_EQ(face.normal.z, 0.0f);
    }
    for (const Vector& n : mesh.vertexNormals)
        EXPECT_FLOAT_EQ(n.y, 1.0f);
    for (const Vector& c : mesh.vertexColours)
        EXPECT_EQ(c, Vector(1.0f, 1.0f, 1.0f));
}

TEST(TerrainBuilder, GreyLevelsGiveHeights)
{
    // Stored channels (after the swap made at load time): red weighs 11, green 16, blue 5.
    const struct
    {
        int r, g, b;
        int grey;
    } cases[] = { { 255, 255, 255, 255 }, { 255, 0, 0, 87 }, { 0, 255, 0, 127 }, { 0, 0, 255, 39 },
        { 1, 1, 1, 1 } };
    for (const auto& c : cases) {
        testing::internal::CaptureStdout();
        const Mesh mesh = terrain(plainMap(256, 256, c.r, c.g, c.b), 8, 100, 64);
        testing::internal::GetCapturedStdout();
        for (const Vector& p : mesh.vertices)
            ASSERT_EQ(p.y, 64.0f * (float(c.grey) * 0.00390625f)) << c.r << c.g << c.b;
    }
}

TEST(TerrainBuilder, VerticesAreNumberedByFirstUse)
{
    testing::internal::CaptureStdout();
    const Mesh one = terrain(HeightMap::black(), 1, 256, 64);
    const Mesh two = terrain(HeightMap::black(), 2, 256, 64);
    const Mesh three = terrain(HeightMap::black(), 3, 3, 64);
    testing::internal::GetCapturedStdout();

    EXPECT_EQ(one.numVertices, 1);
    EXPECT_EQ(one.numFaces, 0);

    ASSERT_EQ(two.numFaces, 2);
    const int expectedTwo[2][3] = { { 0, 1, 2 }, { 0, 2, 3 } };
    for (int f = 0; f < 2; ++f)
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(faceOf(two, f, k), expectedTwo[f][k]);

    // Grid point (i, j) lies at x = j, z = i for S = N = 3.
    const int indexOf[3][3] = { { 0, 3, 5 }, { 1, 2, 4 }, { 6, 7, 8 } };
    ASSERT_EQ(three.numVertices, 9);
    ASSERT_EQ(three.numFaces, 8);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            const Vector& p = three.vertices[indexOf[i][j]];
            EXPECT_FLOAT_EQ(p.x, float(j)) << i << j;
            EXPECT_FLOAT_EQ(p.z, float(i)) << i << j;
        }
    }
}

TEST(TerrainBuilder, FineGridsReadEachPixelTwice)
{
    // Pixel column x has grey x and pixel row y adds nothing: heights follow columns.
    HeightMap map = plainMap(256, 256, 0, 0, 0);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            for (int k = 0; k < 3; ++k)
                map.rgb[(std::size_t(y) * 256 + x) * 3 + k] = std::uint8_t(x);
    testing::internal::CaptureStdout();
    const Mesh mesh = terrain(map, 512, 512, 256);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(mesh.numVertices, 262144);
    EXPECT_EQ(mesh.numFaces, 522242);
    // S = N: x is the column j, y the grey of pixel j / 2, 256 / 256 per grey level.
    for (const Vector& p : mesh.vertices) {
        const int j = int(std::lround(p.x));
        ASSERT_EQ(p.y, float(j / 2)) << j;
    }
}

TEST(TerrainBuilder, SameMeshAsTheOrderedSetBuild)
{
    const struct
    {
        HeightMap map;
        TerrainParameters p;
    } cases[] = {
        { noiseMap(256, 256, 1), { 64, 256, 64 } },
        { noiseMap(256, 256, 2), { 2, 1, 1 } },
        { noiseMap(256, 256, 3), { 17, 300, 1000 } },
        { noiseMap(256, 256, 4), { 512, 1, 1 } }, // the smallest spacing
        { noiseMap(256, 256, 5), { 129, 512, 1024 } },
        { noiseMap(97, 31, 6), { 100, 7, 9 } },
        { realMeshMap("spot.obj"), { 300, 256, 64 } },
        { realMeshMap("beast.obj"), { 200, 100, 256 } },
    };
    for (const auto& c : cases) {
        if (!c.map.valid())
            continue; // a real mesh that is absent
        SCOPED_TRACE(c.p.gridResolution);
        testing::internal::CaptureStdout();
        Mesh fast, reference;
        ASSERT_TRUE(buildTerrainMesh(fast, c.map, c.p));
        referenceTerrain(reference, c.map, c.p);
        testing::internal::GetCapturedStdout();
        expectSameMesh(fast, reference);
    }
}

TEST(TerrainBuilder, RefusalsLeaveTheMeshAlone)
{
    testing::internal::CaptureStdout();
    Mesh mesh = terrain(HeightMap::black(), 4, 10, 10);
    mesh.selected = 3;
    const TerrainParameters bad[]
        = { { 0, 10, 10 }, { 4, 0, 10 }, { 4, 10, 0 }, { kMaxGridResolution + 1, 10, 10 } };
    for (const TerrainParameters& p : bad)
        EXPECT_FALSE(buildTerrainMesh(mesh, HeightMap::black(), p));
    EXPECT_FALSE(buildTerrainMesh(mesh, HeightMap(), { 4, 10, 10 }));
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("ERROR: terrain needs a height map"), std::string::npos);
    EXPECT_EQ(mesh.numVertices, 16);
    EXPECT_EQ(mesh.numFaces, 18);
    EXPECT_EQ(mesh.selected, 3);

    // A build replaces everything, the picked face included.
    mesh.morphogenNames = { "a" };
    testing::internal::CaptureStdout();
    EXPECT_TRUE(buildTerrainMesh(mesh, HeightMap::black(), { 3, 10, 10 }));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(mesh.numVertices, 9);
    EXPECT_EQ(mesh.selected, -1);
    EXPECT_TRUE(mesh.morphogenNames.empty());
}
