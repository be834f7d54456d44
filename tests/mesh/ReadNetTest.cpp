#include "TestUtil.h"

#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/ReadNet.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

using Triangles = std::vector<std::array<int, 3>>;

struct NetRead
{
    bool ok = false;
    std::string out, err, path;
};

NetRead readNetText(Mesh& mesh, const std::string& text)
{
    static testutil::TempDir dir;
    NetRead r;
    r.path = dir.write("m.net", text);
    mesh.clear();
    r.err = testutil::captureStderr(
        [&] { r.out = testutil::captureStdout([&] { r.ok = readNet(mesh, r.path); }); });
    return r;
}

TEST(ReadNet, AllLineKinds)
{
    Mesh mesh;
    const auto r = readNetText(mesh,
        "# net file\n"
        "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
        "n 0 0 1\nn 0 0.5 1\nn 1 0 0\n"
        "c 1 0 0\nc 0 1 0\nc 0 0 1\n"
        "t 0.5 0.5\n"
        "f 2 1 0\n"
        "anything else\n\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.out, "Opening: " + r.path + "\n");
    ASSERT_EQ(mesh.numVertices, 3);
    EXPECT_TRUE(mesh.vertices[1] == Vector(1, 0, 0) && mesh.vertices[1].w == 1.0f);
    EXPECT_TRUE(mesh.vertexNormals[1] == Vector(0, 0.5f, 1));
    EXPECT_TRUE(mesh.vertexColours[2] == Vector(0, 0, 1) && mesh.vertexColours[2].w == 1.0f);
    EXPECT_EQ(testutil::triangles(mesh), (Triangles { { 2, 1, 0 } }));
    testutil::expectLinked(mesh);
}

TEST(ReadNet, NormalsAndColoursNeedTheirFullList)
{
    Mesh mesh;
    // Two normals for three vertices: zero normals. No colours: grey.
    auto r = readNetText(mesh, "v 0 0 0\nv 1 0 0\nv 0 1 0\nn 0 0 1\nn 0 0 1\nf 0 1 2\n");
    ASSERT_TRUE(r.ok);
    for (const Vector& n : mesh.vertexNormals)
        EXPECT_TRUE(n == Vector(0, 0, 0));
    for (const Vector& c : mesh.vertexColours)
        EXPECT_TRUE(c == Vector(0.4f, 0.4f, 0.4f) && c.w == 1.0f);

    // A shorter colour list colours what it can; the rest are grey, and said so.
    r = readNetText(mesh, "v 0 0 0\nv 1 0 0\nv 0 1 0\nc 1 0 0\nf 0 1 2\n");
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(mesh.vertexColours[0] == Vector(1, 0, 0));
    EXPECT_TRUE(mesh.vertexColours[1] == Vector(0.4f, 0.4f, 0.4f));
    EXPECT_NE(r.out.find("2 vertices without a colour get grey\n"), std::string::npos) << r.out;
}

TEST(ReadNet, PolygonsAndIndices)
{
    Mesh mesh;
    auto r = readNetText(mesh,
        "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 0 1 2 3\n"
        "f 0 1 2 3 0 1 2 3 0 1 2 3\nf 3 2 1 5\nf 0 1 -1\nf 3 2 1\n");
    ASSERT_TRUE(r.ok);
    // Ten indices at most per line, fanned; a polygon naming a missing vertex is
    // dropped whole.
    EXPECT_EQ(testutil::triangles(mesh),
        (Triangles { { 0, 1, 2 }, { 0, 2, 3 }, { 0, 1, 2 }, { 0, 2, 3 }, { 0, 3, 0 }, { 0, 0, 1 },
            { 0, 1, 2 }, { 0, 2, 3 }, { 0, 3, 0 }, { 0, 0, 1 }, { 3, 2, 1 } }));
    EXPECT_NE(r.out.find("dropped 3 faces with vertex indices out of range\n"), std::string::npos)
        << r.out;
    testutil::expectLinked(mesh);
}

TEST(ReadNet, ALineThatDoesNotParseFailsTheRead)
{
    Mesh mesh;
    for (const char* text : { "v 0 0 0\nvt 0 0\n", "v 0 0\n", "v 0 0 0\nf 0 1\n", "c 1 x 1\n",
             "n\n", "t 1\n", "f a b c\n" }) {
        SCOPED_TRACE(text);
        const auto r = readNetText(mesh, text);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(mesh.numVertices, 0);
        EXPECT_EQ(mesh.numFaces, 0);
        EXPECT_NE(r.out.find("does not parse"), std::string::npos) << r.out;
    }
}

TEST(ReadNet, MissingFile)
{
    Mesh mesh;
    testutil::TempDir dir;
    const std::string path = dir.file("absent.net");
    bool ok = true;
    const std::string err = testutil::captureStderr(
        [&] { testutil::captureStdout([&] { ok = readNet(mesh, path); }); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(err, "ERROR Opening File: " + path + "\n");
}

TEST(LoadMesh, ReaderChosenByTheLastFourCharacters)
{
    EXPECT_EQ(meshFileKind("a.obj"), MeshFileKind::Obj);
    EXPECT_EQ(meshFileKind("A.OBJ"), MeshFileKind::Obj);
    EXPECT_EQ(meshFileKind("dir.net/a.Obj"), MeshFileKind::Obj);
    EXPECT_EQ(meshFileKind("x.net"), MeshFileKind::Net);
    EXPECT_EQ(meshFileKind("x.NeT"), MeshFileKind::Net);
    EXPECT_EQ(meshFileKind("xobj"), MeshFileKind::Obj);
    EXPECT_EQ(meshFileKind("obj"), MeshFileKind::Obj);
    EXPECT_EQ(meshFileKind("a.objx"), MeshFileKind::Obj);
    EXPECT_EQ(meshFileKind("a.stp"), MeshFileKind::None);
    EXPECT_EQ(meshFileKind("obj.txt"), MeshFileKind::None);
    EXPECT_EQ(meshFileKind(""), MeshFileKind::None);

    testutil::TempDir dir;
    Mesh mesh;
    testutil::makeTetrahedron(mesh);
    // No reader: the mesh stays as it was.
    EXPECT_TRUE(readMeshFile(mesh, dir.write("a.stp", "v 0 0 0\n")));
    EXPECT_EQ(mesh.numVertices, 4);
    bool ok = false;
    testutil::captureStdout(
        [&] { ok = readMeshFile(mesh, dir.write("a.net", "v 0 0 0\nv 1 0 0\nv 0 1 0\n")); });
    EXPECT_TRUE(ok);
    EXPECT_EQ(mesh.numVertices, 3);
    EXPECT_EQ(mesh.numFaces, 0);
    testutil::captureStdout(
        [&] { ok = readMeshFile(mesh, dir.write("b.OBJ", "v 0 0 0\nv 1 0 0\nf 1 2 2\n")); });
    EXPECT_TRUE(ok);
    EXPECT_EQ(mesh.numVertices, 2);
    EXPECT_EQ(mesh.numFaces, 1);
}

} // namespace
