// PLY, STL, OFF, GTS and gzip: written files read back as they were, hand-made
// files from other programs read right, and damaged files fail with one line
// without taking the current mesh.
#include "TestUtil.h"

#include "mesh/engine/Gzip.h"
#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/WriteMeshFile.h"

#include <cstring>
#include <set>

using namespace testutil;

namespace {

// The console: what the read said on standard output, then on the error stream.
bool readQuietly(Mesh& mesh, const std::string& path, std::string* console = nullptr)
{
    bool ok = false;
    std::string out;
    const std::string err
        = captureStderr([&] { out = captureStdout([&] { ok = readMeshFile(mesh, path); }); });
    if (console)
        *console = out + err;
    return ok;
}

// Each triangle as its corner positions: what STL keeps, whatever the vertex order.
std::multiset<std::array<float, 9>> cornerPositions(const Mesh& mesh)
{
    std::multiset<std::array<float, 9>> out;
    for (const Face& f : mesh.faces) {
        const Vector &a = *f.vertex[0], &b = *f.vertex[1], &c = *f.vertex[2];
        out.insert({ a.x, a.y, a.z, b.x, b.y, b.z, c.x, c.y, c.z });
    }
    return out;
}

} // namespace

TEST(MeshFormats, WrittenFilesReadBackExactlyInEveryFormatAndThroughGzip)
{
    TempDir dir;
    int meshes = 0;
    for (const char* name : { "spot.obj", "cross.obj", "suzanne.obj", "teapot.obj" }) {
        const std::string source = (fs::path(FACETRA_MESH_DIR) / name).string();
        if (!fs::exists(source))
            continue;
        ++meshes;
        Mesh original;
        ASSERT_TRUE(readQuietly(original, source));
        // Colours travel as bytes.
        for (int i = 0; i < original.numVertices; ++i)
            original.vertexColours[std::size_t(i)]
                = Vector(float(i % 256) / 255.0f, 0.2f, 1.0f, 1.0f);
        for (const char* ext : { ".ply", ".stl", ".off", ".obj" }) {
            // OBJ keeps six digits; PLY and OFF keep colours.
            const bool exact = std::strcmp(ext, ".obj") != 0;
            const bool colours = std::strcmp(ext, ".ply") == 0 || std::strcmp(ext, ".off") == 0;
            const std::string path = dir.file(std::string(name) + ext);
            captureStdout([&] { ASSERT_TRUE(writeMeshFile(original, path, true)); });
            const std::string gz
                = dir.write(std::string(name) + ext + ".GZ", gzipped(readFile(path)));
            for (const std::string& file : { path, gz }) {
                SCOPED_TRACE(file);
                Mesh back;
                ASSERT_TRUE(readQuietly(back, file));
                ASSERT_EQ(back.numFaces, original.numFaces);
                if (std::strcmp(ext, ".stl") == 0) {
                    // Equal corners were joined: the same surface, connected.
                    EXPECT_EQ(cornerPositions(back), cornerPositions(original));
                    EXPECT_LE(back.numVertices, original.numVertices);
                    continue;
                }
                EXPECT_EQ(triangles(back), triangles(original));
                ASSERT_EQ(back.numVertices, original.numVertices);
                for (int i = 0; i < original.numVertices; ++i) {
                    const Vector &p = original.vertices[std::size_t(i)],
                                 &q = back.vertices[std::size_t(i)];
                    const Vector &a = original.vertexColours[std::size_t(i)],
                                 &b = back.vertexColours[std::size_t(i)];
                    ASSERT_TRUE(!exact || (p.x == q.x && p.y == q.y && p.z == q.z))
                        << "vertex " << i;
                    ASSERT_TRUE(
                        !colours || (a.x == b.x && std::abs(a.y - b.y) < 0.5f / 255 && a.z == b.z))
                        << "colour " << i;
                }
            }
        }
    }
    if (meshes == 0)
        GTEST_SKIP() << "no real meshes";
}

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
    // Two facets sharing an edge: four vertices, not six.
    const std::string asciiStl = "solid two\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\n"
                                 "vertex 1 0 0\nvertex 1 1 0\nendloop\nendfacet\n"
                                 "facet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 1 0\n"
                                 "vertex 0 1 0\nendloop\nendfacet\nendsolid two\n";
    const std::string coff = "COFF\n3 1 0\n0 0 0 255 0 0 255\n1 0 0 0 255 0 255\n"
                             "0 1 0 0 0 255 255\n3 0 1 2\n";
    const std::string gts = "4 6 4 GtsSurface GtsFace GtsEdge GtsVertex\n0 0 0\n1 0 0\n0 1 0\n"
                            "0 0 1\n1 2\n2 3\n3 1\n1 4\n2 4\n3 4\n1 2 3\n1 5 4\n2 6 5\n3 4 6\n";
    Mesh stlMesh;
    makeMesh(stlMesh, { { 0, 0, 0 }, { 1, 0, 0 }, { 1, 1, 0 }, { 0, 1, 0 } },
        { { 0, 1, 2 }, { 0, 2, 3 } });
    captureStdout([&] { writeMeshFile(stlMesh, dir.file("binary.stl")); });
    // Many exporters start binary files with "solid" too.
    std::string solidBinary = readFile(dir.file("binary.stl"));
    std::memcpy(solidBinary.data(), "solid ", 6);

    struct Case
    {
        const char* name;
        std::string bytes;
        int vertices, faces;
        Vector firstColour;
    };
    const Vector none(-1, -1, -1, -1);
    const Case cases[] = {
        { "quad.ply", quadPly, 4, 2, { 1, 0, 0, 1 } },
        { "big.ply", bigEndian, 3, 1, { 0.5f, 0.25f, 0.125f, 1 } },
        { "two.stl", asciiStl, 4, 2, none },
        { "solid.stl", solidBinary, 4, 2, none },
        { "c.off", coff, 3, 1, { 1, 0, 0, 1 } },
        { "tet.gts", gts, 4, 4, none },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Mesh mesh;
        ASSERT_TRUE(readQuietly(mesh, dir.write(c.name, c.bytes)));
        EXPECT_EQ(mesh.numVertices, c.vertices);
        EXPECT_EQ(mesh.numFaces, c.faces);
        expectLinked(mesh);
        // Byte colours over 255, float ones as they are.
        if (c.firstColour.x >= 0) {
            EXPECT_EQ(mesh.vertexColours[0].x, c.firstColour.x);
            EXPECT_EQ(mesh.vertexColours[0].y, c.firstColour.y);
        }
    }
}

TEST(MeshFormats, DamagedFilesFailWithOneLineOrDropWhatIsWrong)
{
    TempDir dir;
    Mesh tet;
    makeTetrahedron(tet);
    captureStdout([&] { writeMeshFile(tet, dir.file("tet.ply")); });
    const std::string good = readFile(dir.file("tet.ply"));
    std::string outOfRange = good;
    // The last index of the last face names vertex 9.
    const std::int32_t nine = 9;
    std::memcpy(outOfRange.data() + outOfRange.size() - 4, &nine, 4);
    captureStdout([&] { writeMeshFile(tet, dir.file("tet.stl")); });

    struct Case
    {
        const char* name;
        std::string bytes;
        bool reads;
        const char* says;
    };
    const Case cases[] = {
        { "huge.ply",
            "ply\nformat binary_little_endian 1.0\nelement vertex 4000000000\nproperty float x\n"
            "property float y\nproperty float z\nelement face 4000000000\n"
            "property list uchar int vertex_indices\nend_header\n"
                + std::string(64, '\0'),
            false, "" },
        { "cut.ply", good.substr(0, good.size() - 30), false, "" },
        { "range.ply", outOfRange, true, "dropped 1 faces" },
        { "cut.stl", readFile(dir.file("tet.stl")).substr(0, 150), false, "" },
        { "broken.stl", "solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0\nendloop\n", false,
            "" },
        { "plain.obj.gz", "v 0 0 0\n", false, "is not gzip-compressed" },
        { "cut.obj.gz", gzipped(readFile(dir.file("tet.ply"))).substr(0, 40), false,
            "is cut short" },
        { "edge.gts", "3 3 1\n0 0 0\n1 0 0\n0 1 0\n1 2\n2 3\n3 1\n1 2 7\n", true,
            "dropped 1 faces naming a missing edge" },
        { "lying.gts", "90000000 1 1\n0 0 0\n", false, "announces more" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Mesh mesh;
        std::string console;
        const bool ok = readQuietly(mesh, dir.write(c.name, c.bytes), &console);
        EXPECT_EQ(ok, c.reads) << console;
        EXPECT_NE(console.find(c.says), std::string::npos) << console;
        if (ok)
            expectLinked(mesh);
    }
    // The open path keeps the current mesh when the file fails.
    Mesh current;
    makeTetrahedron(current);
    captureStderr(
        [&] { captureStdout([&] { EXPECT_FALSE(openMeshFile(current, dir.file("cut.ply"))); }); });
    EXPECT_EQ(current.numFaces, 4);
}
