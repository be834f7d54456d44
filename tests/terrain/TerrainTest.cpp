// The terrain engine: the height-map header check, height colours and the
// mesh built from a map against the straightforward build.
#include "ReferenceTerrain.h"
#include "TestUtil.h"

#include "terrain/engine/HeightColours.h"
#include "terrain/engine/PngHeader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace {

// A signature and an IHDR chunk for width x height (its checksum not checked).
std::string pngHead(std::uint32_t width, std::uint32_t height)
{
    std::string bytes("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    for (const std::uint32_t v : { width, height })
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes += char(v >> shift & 0xff);
    return bytes + std::string("\x08\x02\0\0\0\0\0\0\0", 9);
}

bool check(const std::string& bytes, std::uint64_t limit, PngHeader& header, std::string& why)
{
    return readPngHeader(
        reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), limit, header, why);
}

Mesh terrain(const HeightMap& map, int n, int s, int h)
{
    Mesh mesh;
    testutil::captureStdout([&] { EXPECT_TRUE(buildTerrainMesh(mesh, map, { n, s, h })); });
    return mesh;
}

} // namespace

// The height-map header check that runs before any PNG decoder sees the file.
TEST(PngHeader, SizeReadFromTheHeaderAndHeldToTheLimit)
{
    PngHeader header;
    std::string why;
    ASSERT_TRUE(check(pngHead(300, 170), 300 * 170 * 4, header, why)) << why;
    EXPECT_EQ(header.width, 300u);
    EXPECT_EQ(header.height, 170u);

    EXPECT_FALSE(check(pngHead(300, 170), 300 * 170 * 4 - 1, header, why));
    EXPECT_EQ(why,
        "the image is 300 x 170 pixels, 204000 bytes decoded, more than the 203999 "
        "available");
    EXPECT_FALSE(check(pngHead(100000, 100000), heightMapDecodeLimit(), header, why));
    EXPECT_EQ(header.decodedBytes(), 40000000000u);

    // What the bytes are, the bytes and why they are refused.
    const std::tuple<const char*, std::string, const char*> refused[] = {
        { "empty", "", "not a PNG image" },
        { "cut in the chunk", pngHead(4, 4).substr(0, 32), "not a PNG image" },
        { "another format", "GIF89a" + pngHead(4, 4).substr(6), "not a PNG image" },
        { "no IHDR first",
            [] {
                std::string b = pngHead(4, 4);
                b[12] = 'I', b[13] = 'D', b[14] = 'A', b[15] = 'T';
                return b;
            }(),
            "not a PNG image" },
        { "no width", pngHead(0, 4), "not a PNG image: its header gives a size of 0 x 4 pixels" },
        { "past 2^31 - 1", pngHead(4, 0x80000000u),
            "not a PNG image: its header gives a size of 4 x 2147483648 pixels" },
    };
    for (const auto& [name, bytes, reason] : refused) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(check(bytes, std::uint64_t(1) << 40, header, why));
        EXPECT_EQ(why, reason);
    }
}

TEST(HeightColours, StopsInterpolateLinearlyAndClamp)
{
    // In the page's text order: 10 before 2.
    const std::vector<ColourStop> stops = { { 0.0f, 0, 0, 0 }, { 0.5f, 1, 0, 0 },
        { 10.0f, 1, 1, 1 }, { 2.0f, 0, 0, 1 }, { 0.5f, 0, 1, 0 } };
    // t, then the colour there.
    const std::array<float, 4> cases[] = { { -1, 0, 0, 0 }, { 0.25f, 0.5f, 0, 0 },
        { 0.5f, 0, 1, 0 } /* the later of two equal stops */, { 1.25f, 0, 0.5f, 0.5f },
        { 6, 0.5f, 0.5f, 1 }, { 11, 1, 1, 1 } };
    for (const auto& [t, r, g, b] : cases) {
        const Vector got = colourStopsColour(stops, t);
        EXPECT_LT(
            std::max({ std::abs(got.x - r), std::abs(got.y - g), std::abs(got.z - b) }), 1e-6f)
            << t;
    }
}

// Vertices numbered by first use, as the ordered set of positions seen numbers them.
TEST(TerrainBuilder, SameMeshAsTheOrderedSetBuildAndRefusalsLeaveTheMeshAlone)
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
            ASSERT_TRUE(testutil::sameBits(fast.vertices[i], slow.vertices[i])
                && testutil::sameBits(fast.vertexNormals[i], slow.vertexNormals[i])
                && testutil::sameBits(fast.texCoords[i], slow.texCoords[i]))
                << p.gridResolution << " vertex " << i;
        for (int f = 0; f < fast.numFaces; ++f)
            ASSERT_EQ(std::memcmp(fast.faces[f].index, slow.faces[f].index, sizeof(int[3])), 0);
    }

    // Refusals leave the mesh alone; a build replaces all of it.
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
