#include "ObjTestUtil.h"

#include "mesh/engine/LoadMesh.h"

namespace {

using Triangles = std::vector<std::array<int, 3>>;
using testutil::readText;

TEST(ReadNet, LineKindsPolygonsOfTenAndOnlyFullNormalLists)
{
    Mesh mesh;
    auto r = readText(mesh,
        "# net\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nn 0 0 1\nn 0 0.5 1\nn 1 0 0\nn 0 1 0\n"
        "c 1 0 0\nt 0.5 0.5\nf 0 1 2 3 0 1 2 3 0 1 2 3\nf 3 2 1 5\nf 0 1 -1\nf 3 2 1\nelse\n\n",
        "m.net");
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(mesh.vertexNormals[1] == Vector(0, 0.5f, 1));
    // A short colour list colours what it can, the rest grey, and says so.
    EXPECT_TRUE(mesh.vertexColours[0] == Vector(1, 0, 0) && mesh.vertexColours[0].w == 1.0f);
    EXPECT_TRUE(mesh.vertexColours[1] == Vector(0.4f, 0.4f, 0.4f));
    // Ten indices at most per line, fanned; a polygon naming a missing vertex goes whole.
    EXPECT_EQ(testutil::triangles(mesh),
        (Triangles { { 0, 1, 2 }, { 0, 2, 3 }, { 0, 3, 0 }, { 0, 0, 1 }, { 0, 1, 2 }, { 0, 2, 3 },
            { 0, 3, 0 }, { 0, 0, 1 }, { 3, 2, 1 } }));
    EXPECT_NE(r.out.find("dropped 3 faces"), std::string::npos) << r.out;
    testutil::expectLinked(mesh);
    // Too few normals: none at all.
    ASSERT_TRUE(readText(mesh, "v 0 0 0\nv 1 0 0\nn 0 0 1\nc 1 0 0\nc 1 0 0\n", "m.net").ok);
    EXPECT_TRUE(mesh.vertexNormals[0] == Vector(0, 0, 0));
}

TEST(ReadNet, ALineThatDoesNotParseFailsAndLeavesNoMesh)
{
    Mesh mesh;
    for (const char* text :
        { "v 0 0 0\nvt 0 0\n", "v 0 0\n", "v 0 0 0\nf 0 1\n", "c 1 x 1\n", "t 1\n", "f a b c\n" }) {
        const auto r = readText(mesh, text, "m.net");
        EXPECT_FALSE(r.ok) << text;
        EXPECT_EQ(mesh.numVertices + mesh.numFaces, 0) << text;
        EXPECT_NE(r.err.find("does not parse"), std::string::npos) << r.err;
    }
}

TEST(LoadMesh, ReaderChosenByTheLastFourCharactersCaseBlind)
{
    const std::pair<const char*, MeshFileKind> names[]
        = { { "A.OBJ", MeshFileKind::Obj }, { "dir.net/a.Obj", MeshFileKind::Obj },
              { "x.NeT", MeshFileKind::Net }, { "xobj", MeshFileKind::Obj },
              { "a.objx", MeshFileKind::Obj }, { "a.stp", MeshFileKind::None },
              { "obj.txt", MeshFileKind::None }, { "", MeshFileKind::None },
              { "a.PLY.gz", MeshFileKind::Ply }, { "a.gts.GZ", MeshFileKind::Gts },
              { "a.stl", MeshFileKind::Stl }, { "a.gz", MeshFileKind::None } };
    for (const auto& [name, kind] : names)
        EXPECT_EQ(meshFileKind(name), kind) << name;
}

} // namespace
