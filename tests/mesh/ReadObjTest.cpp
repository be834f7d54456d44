#include "ObjTestUtil.h"

#include "mesh/engine/Mesh.h"
#include "mesh/engine/ReadObj.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

using testutil::afterOpening;
using testutil::readObjText;
using Triangles = std::vector<std::array<int, 3>>;

const char* const kSquare = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";

void expectVertex(const Mesh& mesh, int i, float x, float y, float z)
{
    ASSERT_LT(i, mesh.numVertices);
    const Vector& v = mesh.vertices[std::size_t(i)];
    EXPECT_FLOAT_EQ(v.x, x) << "vertex " << i;
    EXPECT_FLOAT_EQ(v.y, y) << "vertex " << i;
    EXPECT_FLOAT_EQ(v.z, z) << "vertex " << i;
    EXPECT_FLOAT_EQ(v.w, 1.0f) << "vertex " << i;
}

TEST(ReadObj, FiveCornerLayouts)
{
    struct Case
    {
        const char* faces;
        int type;
    };
    const Case cases[] = {
        { "f 1 2 3\nf 1 3 4\n", 1 },
        { "f 1/1/1 2/2/1 3/3/1\nf 1/1/1 3/3/1 4/4/1\n", 2 },
        { "f 1//1 2//1 3//1\nf 1//1 3//1 4//1\n", 3 },
        { "f 1/1/ 2/2/ 3/3/\nf 1/1/ 3/3/ 4/4/\n", 4 },
        { "f 1// 2// 3//\nf 1// 3// 4//\n", 5 },
        // Texture indices without a normal slot match none of the five; the
        // faces load all the same.
        { "f 1/1 2/2 3/3\nf 1/1 3/3 4/4\n", -1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faces);
        Mesh mesh;
        const auto r = readObjText(mesh, std::string(kSquare) + "vt 0 0\nvn 0 0 1\n" + c.faces);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(
            afterOpening(r), "nv: 4, nf: 2\nfaceformat_type: " + std::to_string(c.type) + "\n");
        EXPECT_EQ(r.report.formatType, c.type);
        EXPECT_EQ(testutil::triangles(mesh), (Triangles { { 0, 1, 2 }, { 0, 2, 3 } }));
        testutil::expectLinked(mesh);
        expectVertex(mesh, 2, 1, 1, 0);
    }
}

TEST(ReadObj, FormatDetectionLooksAtTheFirstFaceLineOnly)
{
    struct Case {
        const char* faces;
        int type;
    };
    const Case cases[] = {
        // All conversions succeed; the missing final slashes do not matter.
        { "f 1/1/ 2/2/ 3/3\n", 4 },
        { "f 1// 2// 3\n", 5 },
        { "f 1 2 3\nf 1// 2// 3//\n", 1 },
        { "f 1/1 2/2 3/3\nf 1 2 3\n", -1 },
        { "f\t1\t2\t3\n", 1 },
        { "f 1 2 3 4\n", 1 },
        // Any line starting with 'f' is the first face line.
        { "foo\nf 1 2 3\n", -1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faces);
        Mesh mesh;
        const auto r = readObjText(mesh, std::string(kSquare) + c.faces);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.report.formatType, c.type);
        EXPECT_NE(r.out.find("faceformat_type: " + std::to_string(c.type) + "\n"),
                  std::string::npos);
        EXPECT_GE(mesh.numFaces, 1);
    }
}

TEST(ReadObj, CornerGroupsGiveTheirFirstNumber)
{
    Mesh mesh;
    std::string text;
    for (int i = 0; i < 9; ++i)
        text += "v " + std::to_string(i) + " 0 0\n";
    text += "f 1/2/3 4/5/6 7/8/9\n";
    // A line in another layout than the detected one is read by its own groups.
    text += "f 3 2 1\nf 9//1 8//1 7//1\nf 4/4 5/5 6/6\nf 2// 3// 4//\n";
    const auto r = readObjText(mesh, text);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.report.formatType, 2);
    EXPECT_EQ(testutil::triangles(mesh),
        (Triangles { { 0, 3, 6 }, { 2, 1, 0 }, { 8, 7, 6 }, { 3, 4, 5 }, { 1, 2, 3 } }));
}

TEST(ReadObj, PolygonsAreFanTriangulated)
{
    Mesh mesh;
    auto r = readObjText(mesh, std::string(kSquare) + "v 0 2 0\nf 1 2 3 4 5\nf 1 2 3\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(afterOpening(r), "nv: 5, nf: 4\nfaceformat_type: 1\ntriangulated 1 polygons\n");
    EXPECT_EQ(testutil::triangles(mesh),
        (Triangles { { 0, 1, 2 }, { 0, 2, 3 }, { 0, 3, 4 }, { 0, 1, 2 } }));

    // Slashed corners too, and a line with fewer than three corners adds nothing.
    r = readObjText(mesh, std::string(kSquare) + "f 4/1/1 3/1/1 2/1/1 1/1/1\nf 1 2\nf\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(afterOpening(r), "nv: 4, nf: 2\nfaceformat_type: 2\ntriangulated 1 polygons\n");
    EXPECT_EQ(testutil::triangles(mesh), (Triangles { { 3, 2, 1 }, { 3, 1, 0 } }));
}

TEST(ReadObj, NegativeIndicesCountBackFromTheVerticesReadSoFar)
{
    Mesh mesh;
    const auto r = readObjText(mesh,
        "v 0 0 0\nv 1 0 0\nv 0 1 0\nf -3 -2 -1\n"
        "v 5 5 5\nf -1 -2 -3\nf 1 -1 2\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.report.droppedFaces, 0);
    EXPECT_EQ(testutil::triangles(mesh), (Triangles { { 0, 1, 2 }, { 3, 2, 1 }, { 0, 3, 1 } }));
}

TEST(ReadObj, FacesMayNameVerticesReadLater)
{
    Mesh mesh;
    const auto r = readObjText(mesh, "f 1 2 3\nf 1 2 4\nf -1 1 2\nv 0 0 0\nv 1 0 0\nv 0 1 0\n");
    ASSERT_TRUE(r.ok);
    // Positive indices are checked against all vertices of the file; a negative
    // one before any vertex has nothing to count back from.
    EXPECT_EQ(testutil::triangles(mesh), (Triangles { { 0, 1, 2 } }));
    EXPECT_EQ(r.report.droppedFaces, 2);
    testutil::expectLinked(mesh);
}

TEST(ReadObj, CornerGroupsAreBlankSeparatedWords)
{
    Mesh mesh;
    const auto r = readObjText(mesh, std::string(kSquare)
                                   + "f 1/2/3 x 3 4\nf /1 2 3 4\nf 4 3 2#1\nf 1 2\t3\r\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(testutil::triangles(mesh),
              (Triangles { { 0, 2, 3 }, { 1, 2, 3 }, { 3, 2, 1 }, { 0, 1, 2 } }));
}

TEST(ReadObj, FacesWithIndicesOutOfRangeAreDropped)
{
    Mesh mesh;
    // Zero, too large, too far back (only two vertices read yet), fractional
    // indices truncated, and a polygon with one bad corner losing both triangles.
    const auto r = readObjText(mesh,
        "v 0 0 0\nv 1 0 0\nf 1 2 -3\nv 0 1 0\nv 1 1 0\n"
        "f 0 1 2\nf 1 2 5\nf 1.9 2.2 3.7\nf -0.5 1 2\n"
        "f 1 2 3 99\nf 2 3 4\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(afterOpening(r),
        "nv: 4, nf: 8\nfaceformat_type: 1\ntriangulated 1 polygons\n"
        "dropped 6 faces with vertex indices out of range\n");
    EXPECT_EQ(r.report.droppedFaces, 6);
    EXPECT_EQ(mesh.numFaces, 2);
    EXPECT_EQ(testutil::triangles(mesh), (Triangles { { 0, 1, 2 }, { 1, 2, 3 } }));
    testutil::expectLinked(mesh);
    EXPECT_EQ(mesh.centroids.size(), 2u);
}

TEST(ReadObj, PositionsAndLinesThatAreNotVertices)
{
    Mesh mesh;
    const auto r = readObjText(mesh,
        "# v 9 9 9\n"
        "v 1.5e-3 2 3\n"
        "vn 0 0 1\nvt 0.5 0.5\nvp 1 2 3\n"
        "v 1 2\n" // too few numbers
        " v 7 7 7\n" // not at the line start
        "g v 8 8 8\n" // a keyword inside another line
        "v -4 5.25 6 # tail\n"
        "v 1E2 -2e-1 3e+0 0.5\n"
        "vertex 1 2 3\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(afterOpening(r), "nv: 3, nf: 0\nfaceformat_type: -1\n");
    ASSERT_EQ(mesh.numVertices, 3);
    expectVertex(mesh, 0, 0.0015f, 2, 3);
    expectVertex(mesh, 1, -4, 5.25f, 6);
    expectVertex(mesh, 2, 100, -0.2f, 3);
}

TEST(ReadObj, VertexColours)
{
    Mesh mesh;
    auto r = readObjText(mesh, "v 0 0 0\nvc 1 0.5 0\nv 1 0 0\nv 0 1 0\nvc 0 0 1\n");
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(mesh.numVertices, 3);
    // Colours go to vertices in order of appearance; the rest stay black.
    EXPECT_TRUE(mesh.vertexColours[0] == Vector(1, 0.5f, 0) && mesh.vertexColours[0].w == 1.0f);
    EXPECT_TRUE(mesh.vertexColours[1] == Vector(0, 0, 1));
    EXPECT_TRUE(mesh.vertexColours[2] == Vector(0, 0, 0) && mesh.vertexColours[2].w == 1.0f);
    // Colours never move positions.
    expectVertex(mesh, 0, 0, 0, 0);

    r = readObjText(mesh, "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    ASSERT_TRUE(r.ok);
    for (const Vector& c : mesh.vertexColours)
        EXPECT_TRUE(c == Vector(0, 0, 0) && c.w == 1.0f);
}

TEST(ReadObj, MorphogenNamesAndValues)
{
    Mesh mesh;
    auto r = readObjText(mesh,
        "mn  growth   decay \nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
        "m 0.5 0.25\nm 1 2\nm 3 4\n");
    ASSERT_TRUE(r.ok);
    // Several blanks make no empty names; the line end is not part of the last.
    EXPECT_EQ(mesh.morphogenNames, (std::vector<std::string> { "growth", "decay" }));
    ASSERT_EQ(mesh.morphogenValues.size(), 3u);
    EXPECT_EQ(mesh.morphogenValues[0], (std::vector<float> { 0.5f, 0.25f }));
    EXPECT_EQ(mesh.morphogenValues[2], (std::vector<float> { 3.0f, 4.0f }));

    r = readObjText(mesh, "mn a b\r\nv 0 0 0\nv 1 0 0\nm 1 2\n");
    EXPECT_EQ(mesh.morphogenNames, (std::vector<std::string> { "a", "b" }));

    // The first "m" line's piece count sets the number; a blank before the line
    // end is one piece more. A missing value repeats the last number read; rows
    // without an "m" line stay 0.
    r = readObjText(mesh, "mn a b\nv 0 0 0\nv 1 0 0\nv 2 0 0\nm 7 8 \nm 9 x\n");
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(mesh.morphogenValues.size(), 3u);
    EXPECT_EQ(mesh.morphogenValues[0].size(), 3u);
    EXPECT_EQ(mesh.morphogenValues[1][0], 9.0f);
    EXPECT_EQ(mesh.morphogenValues[1][1], 9.0f);
    EXPECT_EQ(mesh.morphogenValues[2], (std::vector<float> { 0.0f, 0.0f, 0.0f }));

    // Only the first "m" line counts; "mtllib" is not an "m" line.
    r = readObjText(mesh, "mtllib x.mtl\nv 0 0 0\nv 1 0 0\nm 1\nm 2 3 4\n");
    ASSERT_EQ(mesh.morphogenValues.size(), 2u);
    EXPECT_EQ(mesh.morphogenValues[0], (std::vector<float> { 1.0f }));
    EXPECT_EQ(mesh.morphogenValues[1], (std::vector<float> { 2.0f }));
    EXPECT_TRUE(mesh.morphogenNames.empty());

    r = readObjText(mesh, "mn\nv 0 0 0\n");
    EXPECT_TRUE(mesh.morphogenNames.empty());
    EXPECT_EQ(mesh.morphogenValues.size(), 1u);
    EXPECT_TRUE(mesh.morphogenValues[0].empty());
}

TEST(ReadObj, FaceColourLinesAreSkippedAndRestartDetection)
{
    Mesh mesh;
    const auto r = readObjText(
        mesh, std::string(kSquare) + "fc 1 0 0\nf 1 2 3\nfc 0 1 0\nf 1// 3// 4//\nf 2// 3// 4//\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(afterOpening(r), "nv: 4, nf: 3\nfaceformat_type: 5\n");
    EXPECT_EQ(testutil::triangles(mesh), (Triangles { { 0, 1, 2 }, { 0, 2, 3 }, { 1, 2, 3 } }));
    for (const Face& f : mesh.faces)
        EXPECT_TRUE(f.colour == Vector(0.75f, 0.75f, 1.0f));
}

TEST(ReadObj, KeywordsInsideOtherLinesAreIgnored)
{
    Mesh mesh;
    const auto r = readObjText(mesh,
        std::string(kSquare)
            + "usemtl f 1 2 3\ns off\no v\ng m 1 2\n# f 1 2 3\n"
              "f 1 2 3 # f 2 3 4\nfoo 1 2 3\nvc_extra 1 1 1\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(afterOpening(r), "nv: 4, nf: 1\nfaceformat_type: 1\n");
    EXPECT_EQ(testutil::triangles(mesh), (Triangles { { 0, 1, 2 } }));
    EXPECT_TRUE(mesh.morphogenValues.empty() || mesh.morphogenValues[0].empty());
    for (const Vector& c : mesh.vertexColours)
        EXPECT_TRUE(c == Vector(0, 0, 0));
}

TEST(ReadObj, LongLinesAreReadWhole)
{
    Mesh mesh;
    // 2000 blanks inside a vertex line and a face line of 600 corners.
    std::string text = "v" + std::string(2000, ' ') + "1 2 3\n";
    for (int i = 1; i < 600; ++i)
        text += "v " + std::to_string(i) + " 0 0\n";
    text += "f";
    for (int i = 1; i <= 600; ++i) {
        text += ' ';
        text += std::to_string(i);
    }
    text += "\n";
    const auto r = readObjText(mesh, text);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(afterOpening(r), "nv: 600, nf: 598\nfaceformat_type: 1\ntriangulated 1 polygons\n");
    expectVertex(mesh, 0, 1, 2, 3);
    ASSERT_EQ(mesh.numFaces, 598);
    EXPECT_EQ(testutil::triangles(mesh).back(), (std::array<int, 3> { 0, 598, 599 }));
    testutil::expectLinked(mesh);
}

TEST(ReadObj, LineEndsAndTheLastLine)
{
    Mesh mesh;
    auto r = readObjText(mesh, "v 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\nf 1 2 3\r\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(testutil::triangles(mesh), (Triangles { { 0, 1, 2 } }));
    r = readObjText(mesh, "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 3 2 1");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(testutil::triangles(mesh), (Triangles { { 2, 1, 0 } }));
}

TEST(ReadObj, EmptyFile)
{
    Mesh mesh;
    const auto r = readObjText(mesh, "");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(afterOpening(r), "nv: 0, nf: 0\nfaceformat_type: -1\n");
    EXPECT_EQ(mesh.numVertices, 0);
    EXPECT_EQ(mesh.numFaces, 0);
}

TEST(ReadObj, MissingFile)
{
    Mesh mesh;
    testutil::TempDir dir;
    const std::string path = dir.file("absent.obj");
    bool ok = true;
    std::string out;
    const std::string err = testutil::captureStderr(
        [&] { out = testutil::captureStdout([&] { ok = readObj(mesh, path); }); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(out, "Opening: " + path + "\n");
    EXPECT_EQ(err, "ERROR: Opening File: " + path + "\n");
    EXPECT_EQ(mesh.numVertices, 0);

    // A folder cannot be read as a file either.
    const std::string err2 = testutil::captureStderr(
        [&] { testutil::captureStdout([&] { ok = readObj(mesh, dir.path().string()); }); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(err2, "ERROR: Opening File: " + dir.path().string() + "\n");
}

} // namespace
