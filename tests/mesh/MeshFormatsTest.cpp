// PLY, STL, OFF and GTS files as other programs write them read right. What
// damaged files say is in ReadReasonsTest, written files read back in
// MeshWriteTest.
#include "TestUtil.h"

#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/ReadObj.h"
#include "mesh/engine/WriteMeshFile.h"

#include <bit>
#include <cstring>

using namespace testutil;
using Triangles = std::vector<std::array<int, 3>>;

TEST(MeshFormats, FilesFromOtherProgramsReadRight)
{
    TempDir dir;
    const std::string quadPly = "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\n"
                                "property float y\nproperty float z\nproperty uchar red\n"
                                "property uchar green\nproperty uchar blue\nproperty uchar alpha\n"
                                "element face 1\nproperty list uchar int vertex_indices\n"
                                "end_header\n0 0 0 255 0 0 255\n1 0 0 0 255 0 255\n"
                                "1 1 0 0 0 255 255\n0 1 0 255 255 255 255\n4 0 1 2 3\n";
    // Big-endian binary: one triangle with float colours.
    std::string bigEndian = "ply\nformat binary_big_endian 1.0\nelement vertex 3\n"
                            "property float x\nproperty float y\nproperty float z\n"
                            "property float red\nproperty float green\nproperty float blue\n"
                            "element face 1\nproperty list uchar int vertex_indices\nend_header\n";
    auto putBig = [&](auto value) {
        char bytes[sizeof value];
        std::memcpy(bytes, &value, sizeof value);
        std::reverse(bytes, bytes + sizeof value);
        bigEndian.append(bytes, sizeof value);
    };
    for (int v = 0; v < 3; ++v) {
        for (float c : { float(v == 1), float(v == 2), 0.0f, 0.5f, 0.25f, 0.125f })
            putBig(c);
    }
    bigEndian += char(3);
    for (int i : { 0, 1, 2 })
        putBig(std::int32_t(i));
    // ASCII float colours kept as they are: 0.5 is no byte over 255.
    const std::string floatPly = "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\n"
                                 "property float y\nproperty float z\nproperty float red\n"
                                 "property float green\nproperty float blue\nelement face 1\n"
                                 "property list uchar int vertex_indices\nend_header\n"
                                 "0 0 0 0.2 0.5 1\n1 0 0 0.999 0.0019 0.6\n0 1 0 0 0 0\n3 0 1 2\n";
    // Equal positions become one vertex (0 and -0 alike); facets of two or three equal
    // corners stay faces.
    const std::string asciiStl = "solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\n"
                                 "vertex 1 0 0\nvertex 0 1 0\nendloop\nendfacet\n"
                                 "facet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex -0 0 0\n"
                                 "vertex 1 0 0\nendloop\nendfacet\nfacet normal 0 0 1\nouter loop\n"
                                 "vertex 0 1 0\nvertex 0 1 0\nvertex 0 1 0\nendloop\nendfacet\n"
                                 "facet normal 0 0 1\nouter loop\nvertex 1 0 0\nvertex 1 1 0\n"
                                 "vertex 0 1 0\nendloop\nendfacet\nendsolid x\n";
    const Triangles stlFaces = { { 0, 1, 2 }, { 0, 0, 1 }, { 2, 2, 2 }, { 1, 3, 2 } };
    const std::string coff = "COFF\n3 1 0\n0 0 0 255 0 0 255\n1 0 0 0 255 0 255\n"
                             "0 1 0 0 0 255 255\n3 0 1 2\n";
    // Binary OFF: little-endian words, colours as three integers, a quad and a triangle.
    std::string binaryOff = "COFF BINARY\n";
    const auto words = [&binaryOff](std::initializer_list<std::uint32_t> values) {
        for (std::uint32_t v : values)
            binaryOff.append(reinterpret_cast<const char*>(&v), 4);
    };
    words({ 4, 2, 0 });
    for (const float p : { 0.0f, 1.0f, 0.0f, 1.0f }) {
        words({ 0, std::bit_cast<std::uint32_t>(p), 0 });
        words({ 255, 0, 0 });
    }
    words({ 4, 0, 1, 3, 2, 3, 0, 1, 2 });
    const std::string gts = "4 6 4 GtsSurface GtsFace GtsEdge GtsVertex\n0 0 0\n1 0 0\n0 1 0\n"
                            "0 0 1\n1 2\n2 3\n3 1\n1 4\n2 4\n3 4\n1 2 3\n1 5 4\n2 6 5\n3 4 6\n";
    Mesh stlMesh;
    makeMesh(stlMesh, { { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 1, 1, 0 }, { -0.0f, 0, 0 } },
        { { 0, 1, 2 }, { 0, 4, 1 }, { 2, 2, 2 }, { 1, 3, 2 } });
    captureStdout([&] { writeMeshFile(stlMesh, dir.file("binary.stl")); });
    // Many exporters start binary files with "solid" too.
    std::string solidBinary = readFile(dir.file("binary.stl"));
    std::memcpy(solidBinary.data(), "solid ", 6);

    // The file, its vertices and faces, its first colour (x < 0: none) and its triangles.
    const Vector none(-1, -1, -1, -1);
    const std::tuple<const char*, std::string, int, int, Vector, Triangles> cases[] = {
        { "quad.ply", quadPly, 4, 2, { 1, 0, 0, 1 }, {} },
        { "big.ply", bigEndian, 3, 1, { 0.5f, 0.25f, 0.125f, 1 }, {} },
        { "float.ply", floatPly, 3, 1, { 0.2f, 0.5f, 1, 1 }, {} },
        { "ascii.stl", asciiStl, 4, 4, none, stlFaces },
        { "plain.stl", readFile(dir.file("binary.stl")), 4, 4, none, stlFaces },
        { "solid.stl", solidBinary, 4, 4, none, stlFaces },
        { "c.off", coff, 3, 1, { 1, 0, 0, 1 }, {} },
        { "binary.off", binaryOff, 4, 3, { 1, 0, 0, 1 }, {} },
        { "tet.gts", gts, 4, 4, none, {} },
    };
    for (const auto& [name, bytes, vertices, faces, firstColour, want] : cases) {
        SCOPED_TRACE(name);
        Mesh mesh;
        ObjReadReport report;
        const std::string out = captureStdout([&, &bytes = bytes] {
            ASSERT_TRUE(readMeshFile(mesh, dir.write(name, bytes), &report));
        });
        EXPECT_EQ(mesh.numVertices, vertices);
        EXPECT_EQ(mesh.numFaces, faces);
        EXPECT_TRUE(report.losses.empty());
        expectLinked(mesh);
        if (!want.empty()) {
            EXPECT_EQ(triangles(mesh), want);
            EXPECT_NE(out.find("nv: 4, nf: 4\n"), std::string::npos) << out;
        }
        // Byte colours over 255, float ones as they are.
        if (firstColour.x >= 0) {
            EXPECT_EQ(mesh.vertexColours[0].x, firstColour.x);
            EXPECT_EQ(mesh.vertexColours[0].y, firstColour.y);
            EXPECT_TRUE(mesh.vertexColoursSet);
        }
    }
}
