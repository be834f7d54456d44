// Coloured meshes survive a save: the optional "vc" lines of the OBJ writer and
// the flag that says whether a mesh's colours are its own.
#include "TestUtil.h"

#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/ReadObj.h"
#include "mesh/engine/WriteObj.h"

#include <gtest/gtest.h>

#include <bit>
#include <random>

namespace {

using testutil::captureStdout;
using testutil::readFile;

void makeTriangle(Mesh& mesh)
{
    testutil::makeMesh(mesh, { { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 } }, { { 0, 1, 2 } });
}

} // namespace

TEST(ColouredObj, ColourLinesOnlyWhenAskedFor)
{
    testutil::TempDir dir;
    Mesh mesh;
    makeTriangle(mesh);
    mesh.vertexColours[0] = Vector(0.752f, 0.5f, -0.25f, 1.5f);
    mesh.vertexColours[1] = Vector(1.0f, 0.0f, 1e-5f, 1.0f);
    mesh.vertexColours[2] = Vector(128.0f / 255.0f, 3.0f, 1.0f / 3.0f, 1.0f);
    mesh.vertexColoursSet = true;

    // The default call writes what it always wrote, whatever the flag says.
    captureStdout([&] { ASSERT_TRUE(writeObj(mesh, dir.file("plain.obj"))); });
    EXPECT_EQ(readFile(dir.file("plain.obj")), "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1/1/ 2/2/ 3/3/\n");

    ObjWriteOptions options;
    options.vertexColours = true;
    captureStdout([&] { ASSERT_TRUE(writeObj(mesh, dir.file("c.obj"), options)); });
    EXPECT_EQ(readFile(dir.file("c.obj")),
        "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
        "vc 0.752 0.5 -0.25\nvc 1 0 1e-05\nvc 0.5019608 3 0.33333334\n"
        "f 1/1/ 2/2/ 3/3/\n");
}

TEST(ColouredObj, SavedColoursReadBackAsTheSameFloats)
{
    // Many vertices with colours over a wide range, signs and magnitudes.
    std::mt19937 random(13);
    std::uniform_real_distribution<float> unit(-2.0f, 3.0f);
    std::uniform_int_distribution<std::uint32_t> bits(0, 0xffffffffu);
    Mesh mesh;
    const int n = 3000;
    std::vector<Vector> points;
    std::vector<std::array<int, 3>> faces;
    for (int i = 0; i < n; ++i)
        points.emplace_back(float(i), float(i % 7), 0.0f);
    for (int i = 0; i + 2 < n; i += 3)
        faces.push_back({ i, i + 1, i + 2 });
    testutil::makeMesh(mesh, points, faces);
    for (int i = 0; i < n; ++i) {
        float c[3];
        for (float& v : c) {
            v = unit(random);
            if (i % 3 == 1) { // arbitrary finite bit patterns: tiny, huge, subnormal
                do {
                    v = std::bit_cast<float>(bits(random));
                } while (!std::isfinite(v));
            }
        }
        mesh.vertexColours[std::size_t(i)] = Vector(c[0], c[1], c[2], 1.0f);
    }
    mesh.vertexColoursSet = true;

    testutil::TempDir dir;
    ObjWriteOptions options;
    options.vertexColours = true;
    const std::string path = dir.file("many.obj");
    captureStdout([&] { ASSERT_TRUE(writeObj(mesh, path, options)); });
    Mesh back;
    ObjReadReport report;
    captureStdout([&] { ASSERT_TRUE(openMeshFile(back, path, &report)); });
    EXPECT_EQ(report.coloursRead, n);
    EXPECT_TRUE(back.vertexColoursSet);
    ASSERT_EQ(back.numVertices, n);
    for (int i = 0; i < n; ++i) {
        const Vector& a = mesh.vertexColours[std::size_t(i)];
        const Vector& b = back.vertexColours[std::size_t(i)];
        ASSERT_EQ(std::bit_cast<std::uint32_t>(a.x), std::bit_cast<std::uint32_t>(b.x)) << i;
        ASSERT_EQ(std::bit_cast<std::uint32_t>(a.y), std::bit_cast<std::uint32_t>(b.y)) << i;
        ASSERT_EQ(std::bit_cast<std::uint32_t>(a.z), std::bit_cast<std::uint32_t>(b.z)) << i;
    }
}

TEST(ColouredObj, TheFlagFollowsWhereTheColoursCameFrom)
{
    testutil::TempDir dir;
    const std::string body = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    struct Case
    {
        const char* name;
        std::string text;
        bool own;
    };
    const Case cases[] = {
        { "plain.obj", body, false },
        { "coloured.obj", body + "vc 1 0 0\nvc 0 1 0\nvc 0 0 1\n", true },
        { "plain.net", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 0 1 2\n", false },
        { "coloured.net", "v 0 0 0\nv 1 0 0\nv 0 1 0\nc 1 0 0\nf 0 1 2\n", true },
    };
    for (const Case& c : cases) {
        Mesh mesh;
        captureStdout([&] { ASSERT_TRUE(openMeshFile(mesh, dir.write(c.name, c.text))); });
        EXPECT_EQ(mesh.vertexColoursSet, c.own) << c.name;

        Mesh copy;
        copy.copyFrom(mesh);
        EXPECT_EQ(copy.vertexColoursSet, c.own) << c.name;
        EXPECT_EQ(mesh.clone()->vertexColoursSet, c.own) << c.name;
        paintDefaultColours(copy);
        EXPECT_FALSE(copy.vertexColoursSet) << c.name;
        mesh.clear();
        EXPECT_FALSE(mesh.vertexColoursSet) << c.name;
    }
}
