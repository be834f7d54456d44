// Malformed files: every reader must survive them, keep its arrays consistent
// and say in one line what it dropped or replaced. These run under the
// sanitizer build as well.

#include "ObjTestUtil.h"
#include "TestUtil.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/ReadNet.h"
#include "mesh/engine/ReadObj.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace {

using testutil::afterOpening;
using testutil::readObjText;

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// A reader's result is safe to build on.
void expectUsable(Mesh& mesh)
{
    testutil::expectLinked(mesh);
    for (const Vector& v : mesh.vertices)
        ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
    ASSERT_TRUE(mesh.morphogenValues.empty()
        || mesh.morphogenValues.size() == std::size_t(mesh.numVertices));
    testutil::captureStdout([&] { build(mesh, { 2, 7, 6, 3, 8, 5 }); });
}

bool readNetText(Mesh& mesh, const std::string& text, std::string* out = nullptr)
{
    static testutil::TempDir dir;
    const std::string path = dir.write("bad.net", text);
    mesh.clear();
    bool ok = false;
    const std::string printed = testutil::captureStdout(
        [&] { testutil::captureStderr([&] { ok = readNet(mesh, path); }); });
    if (out)
        *out = printed;
    return ok;
}

// A small file using every feature of the OBJ dialect.
const char* const kFull = "# test\nmn a b\nmtllib x.mtl\n"
                          "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 -1.5e-1\n"
                          "vc 1 0 0\nvc 0 1 0\nvt 0 0\nvn 0 0 1\n"
                          "m 1 2\nm 3 4\nm 5 6\nm 7 8\n"
                          "usemtl red\ns 1\nfc 1 1 1\n"
                          "f 1/1/1 2/1/1 3/1/1\nf 1//1 3//1 4//1\nf 4 3 2 1\nf -1 -2 -3\n"
                          "f 1/1/ 2/2/ 3/3/\nf 1// 2// 4//\n";

TEST(BadObj, EveryTruncationOfAFile)
{
    const std::string full = kFull;
    for (std::size_t n = 0; n <= full.size(); ++n) {
        SCOPED_TRACE("first " + std::to_string(n) + " bytes");
        Mesh mesh;
        const auto r = readObjText(mesh, full.substr(0, n));
        ASSERT_TRUE(r.ok);
        expectUsable(mesh);
        if (testing::Test::HasFatalFailure())
            return;
    }
}

TEST(BadObj, BinaryGarbage)
{
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        std::string text(std::size_t(random() % 400), '\0');
        for (char& c : text) {
            // Mostly the characters that matter to the reader, some any byte.
            static const char interesting[] = "vfcmn/ -.e0123456789\n\r#'\"";
            c = random() % 3 ? interesting[random() % (sizeof interesting - 1)]
                             : char(random() % 256);
        }
        SCOPED_TRACE("round " + std::to_string(round));
        Mesh mesh;
        const auto r = readObjText(mesh, text);
        ASSERT_TRUE(r.ok);
        expectUsable(mesh);
        if (testing::Test::HasFatalFailure())
            return;
    }
}

TEST(BadObj, SurplusColoursAndMorphogenRows)
{
    Mesh mesh;
    const auto r = readObjText(mesh,
        "v 0 0 0\nv 1 0 0\nvc 1 0 0\nvc 0 1 0\nvc 0 0 1\nvc 1 1 1\n"
        "m 1\nm 2\nm 3\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(afterOpening(r),
        "nv: 2, nf: 0\nfaceformat_type: -1\n"
        "dropped 2 vertex colours beyond the 2 vertices\n"
        "dropped 1 morphogen rows beyond the 2 vertices\n");
    EXPECT_TRUE(mesh.vertexColours[1] == Vector(0, 1, 0));
    EXPECT_EQ(mesh.morphogenValues[1], std::vector<float>({ 2.0f }));
    expectUsable(mesh);

    // Colours and rows with no vertex at all.
    const auto none = readObjText(mesh, "vc 1 1 1\nm 4 5\n");
    EXPECT_TRUE(contains(none.out, "dropped 1 vertex colours beyond the 0 vertices\n"));
    EXPECT_TRUE(contains(none.out, "dropped 1 morphogen rows beyond the 0 vertices\n"));
    expectUsable(mesh);
}

TEST(BadObj, NonFiniteCoordinates)
{
    Mesh mesh;
    // Out-of-range numbers become infinite and are replaced by 0.
    auto r = readObjText(mesh, "v 1e999 2 3\nv 4 -1e400 6\nv 7 8 9\nf 1 2 3\n");
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(contains(r.out, "replaced 2 non-finite coordinates by 0\n")) << r.out;
    EXPECT_TRUE(mesh.vertices[0] == Vector(0, 2, 3));
    EXPECT_TRUE(mesh.vertices[1] == Vector(4, 0, 6));
    expectUsable(mesh);

    // "nan" and "inf" are words, not numbers: the coordinate keeps the value
    // before it, and the reader says so.
    r = readObjText(mesh, "v 1 2 3\nv nan 5 6\nv 7 inf -infinity\nf 1 2 3\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(mesh.numVertices, 3);
    EXPECT_TRUE(mesh.vertices[1] == Vector(1, 5, 6));
    EXPECT_TRUE(contains(r.out, "3 coordinates are not numbers: each kept the value before it\n"))
        << r.out;
    expectUsable(mesh);
}

TEST(BadObj, HugeAndOddIndices)
{
    Mesh mesh;
    const auto r = readObjText(mesh,
        "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
        "f 99999999999999999999 1 2\nf 1 2 -99999999999\n"
        "f 1 2 1e9\nf 2147483648 1 2\nf 1 2 3\n"
        "f 1 2 --3\nf 1 2 3-1\n");
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(contains(r.out, "dropped 4 faces with vertex indices out of range\n")) << r.out;
    // A corner group starts with a number: "--3" is none, so that line has two
    // corners and makes no face. "3-1" reads as 3, as atof would.
    EXPECT_EQ(mesh.numFaces, 2);
    EXPECT_EQ(testutil::triangles(mesh), (std::vector<std::array<int, 3>> { { 0, 1, 2 }, { 0, 1, 2 } }));
    expectUsable(mesh);
}

TEST(BadObj, HugeMorphogenLine)
{
    Mesh mesh;
    std::string line = "m";
    for (int i = 0; i < 100000; ++i)
        line += " 1";
    const auto r = readObjText(mesh, "v 0 0 0\nv 1 0 0\n" + line + "\n" + line + "\n");
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(mesh.morphogenValues.size(), 2u);
    EXPECT_EQ(mesh.morphogenValues[1].size(), 100000u);
    expectUsable(mesh);
}

TEST(BadObj, NulBytesAndLoneCarriageReturns)
{
    Mesh mesh;
    // NUL is a blank to the tokenizer; only line feeds end lines.
    static const char bytes[] = "v 0 0 0\0v 9 9 9\nv 1 0 0\rv 2 0 0\nv 0 1 0\nf 1 2\0 3\n";
    const auto r = readObjText(mesh, std::string(bytes, sizeof bytes - 1));
    ASSERT_TRUE(r.ok);
    expectUsable(mesh);
    ASSERT_EQ(mesh.numVertices, 3);
    EXPECT_TRUE(mesh.vertices[1] == Vector(1, 0, 0));
    EXPECT_EQ(testutil::triangles(mesh), (std::vector<std::array<int, 3>> { { 0, 1, 2 } }));
}

TEST(BadNet, EveryTruncationOfAFile)
{
    const std::string full = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nn 0 0 1\nc 1 0 0\nc 0 1 0\n"
                             "t 0 0\nf 0 1 2 3\nf 3 2 1\n";
    for (std::size_t n = 0; n <= full.size(); ++n) {
        SCOPED_TRACE("first " + std::to_string(n) + " bytes");
        Mesh mesh;
        if (readNetText(mesh, full.substr(0, n)))
            expectUsable(mesh);
        else
            EXPECT_EQ(mesh.numVertices, 0);
        if (testing::Test::HasFatalFailure())
            return;
    }
}

TEST(BadNet, BinaryGarbage)
{
    std::mt19937 random(11);
    for (int round = 0; round < 300; ++round) {
        std::string text(std::size_t(random() % 300), '\0');
        for (char& c : text) {
            static const char interesting[] = "vfcnt -.e0123456789\n";
            c = random() % 3 ? interesting[random() % (sizeof interesting - 1)]
                             : char(random() % 256);
        }
        SCOPED_TRACE("round " + std::to_string(round));
        Mesh mesh;
        if (readNetText(mesh, text))
            expectUsable(mesh);
        if (testing::Test::HasFatalFailure())
            return;
    }
}

TEST(BadNet, NonFiniteAndHugeValues)
{
    Mesh mesh;
    std::string out;
    ASSERT_TRUE(readNetText(mesh,
        "v nan 0 0\nv inf 1e99 -INFINITY\nv 0 1 0\n"
        "f 0 1 2\nf 0 1 99999999999999\nf -1 0 1\n",
        &out));
    EXPECT_TRUE(contains(out, "replaced 4 non-finite coordinates by 0\n")) << out;
    EXPECT_TRUE(contains(out, "dropped 2 faces with vertex indices out of range\n")) << out;
    EXPECT_EQ(mesh.numFaces, 1);
    expectUsable(mesh);

    // A long line is one line.
    std::string line = "f 0 1 2";
    line += std::string(5000, ' ') + "\n";
    ASSERT_TRUE(readNetText(mesh, "v 0 0 0\nv 1 0 0\nv 0 1 0\n" + line, &out));
    EXPECT_EQ(mesh.numFaces, 1);
}

} // namespace
