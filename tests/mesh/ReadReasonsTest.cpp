// Reading PLY, STL, OFF and GTS files as other programs write them, and reading
// honestly: every failed read names the file and says why, a read that waits
// for data that never comes can be stopped, and a FIFO with a writer loads.
// What a read drops or replaces: BadInput (ReadObjTest.cpp); written files
// read back: MeshWriteTest.
#include "TestUtil.h"

#include "mesh/engine/Gzip.h"
#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Progress.h"
#include "mesh/engine/ReadObj.h"
#include "mesh/engine/WriteMeshFile.h"

#include <bit>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace testutil;

namespace {

class ReadFifo : public testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0); }
    TempDir dir;
    std::string fifo = dir.file("fifo.obj");
};

} // namespace

// One line "<name>: <reason>" for every way a read fails: in problem when the
// caller takes it, else on the error stream; the mesh shown stays.
TEST(ReadReasons, EveryFailedReadNamesTheFileAndSaysWhy)
{
    TempDir dir;
    // A binary tetrahedron: four vertices, four faces.
    std::string ply = "ply\nformat binary_little_endian 1.0\nelement vertex 4\nproperty float x\n"
                      "property float y\nproperty float z\nelement face 4\n"
                      "property list uchar int vertex_indices\nend_header\n";
    ply.append(4 * 12, '\0');
    for (int f = 0; f < 4; ++f)
        ply += std::string(1, char(3)) + std::string(12, '\0');
    fs::create_directory(dir.file("folder.obj"));
    const std::string locked = dir.write("locked.obj", tetraObj);
    fs::permissions(locked, fs::perms::none);
    // Whoever may read anything (root) reads it anyway: that row is then left out.
    const bool lockHolds = ::access(locked.c_str(), R_OK) != 0;

    // The file's name and bytes, and the reason given.
    const std::tuple<std::string, std::string, std::string> cases[] = {
        { "missing.obj", "", "no such file" },
        { "mesh.stp", "v 0 0 0\n", "no reader for this kind of file" },
        { "folder.obj", "", "is not a regular file" },
        { "locked.obj", "", "permission denied" },
        { "empty.obj", "# nothing\n", "holds no faces" },
        { "image.obj", std::string("\x89PNG\r\n\x1a\n\0\0", 10), "is not a text mesh file" },
        { "bad.net", "v 0 0 0\nv 0 0\n", "line 2 does not parse: v 0 0" },
        { "cut.ply", ply.substr(0, ply.size() - 30), "is cut short" },
        { "huge.ply",
            "ply\nformat ascii 1.0\nelement vertex 90000\nproperty float x\nproperty float y\n"
            "property float z\nend_header\n0 0 0\n",
            "announces more elements than the file holds" },
        { "huge-binary.ply",
            "ply\nformat binary_little_endian 1.0\nelement vertex 4000000000\nproperty float x\n"
            "property float y\nproperty float z\nelement face 4000000000\n"
            "property list uchar int vertex_indices\nend_header\n"
                + std::string(64, '\0'),
            "has an element count that is not a count" },
        { "word.ply",
            "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
            "property float z\nend_header\n0 0 0\n1 0 x\n0 1 0\n",
            "has a value that is not a number" },
        { "short.stl", std::string(84, '\x01'),
            "is a binary STL file whose size does not match its facet count" },
        { "empty.stl", "solid x\nendsolid x\n", "holds no complete facet" },
        { "lying.off", "OFF\n900000 1 0\n0 0 0\n",
            "announces more vertices or faces than the file holds" },
        // Text bodies are walked as the library reads them: it gathers a face's corners first.
        { "corners-text.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n2147483647 0 1 2\n",
            "announces more corners than the file holds" },
        { "corners-past-range.off", "OFF\n3 2 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n99999999999 0 1 2\n",
            "announces more corners than the file holds" },
        { "padded.off", "OFF\n3 1 0\n0 0 0" + std::string(6000, ' ') + "\n1 0 0\n0 1 0\n3 0 1 2\n",
            "has lines padded with too many blanks" },
        // Binary bodies are walked through whole before the library reads them: it would
        // read on past their end (for seconds), with counts it never read.
        { "lying-binary.off", std::string("OFF BINARY\n\0\0\0\0\xa0\x86\x01\0\0\0\0\0", 23),
            "announces more vertices or faces than the file holds" },
        { "corners.off", std::string("OFF BINARY\n\0\0\0\0\1\0\0\0\0\0\0\0\xff\xff\xff\x7f", 27),
            "announces more corners than the file holds" },
        { "short-binary.off",
            std::string("OFF\x0e"
                        "BINARY 2 0\n0\x03O\0F",
                20),
            "has no vertex and face counts" },
        { "words.gts", "four six four\n", "does not start with the vertex, edge and face counts" },
        { "lying.gts", "90000000 1 1\n0 0 0\n",
            "announces more vertices, edges or faces than it can hold" },
        { "plain.obj.gz", tetraObj, "is not gzip-compressed" },
        { "cut.obj.gz", gzipped(tetraObj).substr(0, 30), "is cut short" },
    };
    for (const auto& [name, bytes, reason] : cases) {
        const std::string path = dir.file(name);
        if (!bytes.empty())
            dir.write(name, bytes);
        if (name == "locked.obj" && !lockHolds)
            continue;
        SCOPED_TRACE(name);
        Mesh mesh;
        makeTetrahedron(mesh);
        std::string problem = "untouched";
        EXPECT_EQ(quietly([&] { EXPECT_FALSE(openMeshFile(mesh, path, nullptr, &problem)); }), "");
        EXPECT_EQ(problem, path + ": " + reason);
        EXPECT_EQ(mesh.numFaces, 4);
        // Not taken: the same line on the error stream.
        EXPECT_EQ(quietly([&] { EXPECT_FALSE(openMeshFile(mesh, path)); }), problem + "\n");
    }
}

// A FIFO no writer ever opens: the read waits, and a stop asked from another
// thread ends it within a second, the mesh as it was.
TEST_F(ReadFifo, AReadWaitingForAWriterStopsWhenAsked)
{
    Mesh mesh;
    makeTetrahedron(mesh);
    Progress progress;
    auto read = std::async(std::launch::async, [&] {
        std::string outcome;
        captureStdout([&] {
            try {
                std::string problem;
                openMeshFile(mesh, fifo, nullptr, &problem, &progress);
                outcome = "ended without a stop: " + problem;
            } catch (const RunCancelled&) {
                outcome = "cancelled";
            }
        });
        return outcome;
    });
    EXPECT_EQ(read.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    const auto asked = std::chrono::steady_clock::now();
    progress.requestStop();
    if (read.wait_for(std::chrono::seconds(1)) != std::future_status::ready) {
        // Let it end all the same: a writer that comes and goes ends the read.
        ::close(::open(fifo.c_str(), O_WRONLY));
        ADD_FAILURE() << "the read did not stop within a second";
    }
    EXPECT_EQ(read.get(), "cancelled");
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(1000));
    EXPECT_EQ(mesh.numFaces, 4);
}

// A FIFO fed by a writer loads like the file the writer copies, whatever the
// reader (OFF goes through the library's reader by way of a copy).
TEST_F(ReadFifo, AFifoFedByAWriterLoads)
{
    const std::pair<const char*, std::string> cases[] = {
        { "fed.obj", tetraObj },
        { "fed.ply",
            "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\nproperty float y\n"
            "property float z\nelement face 4\nproperty list uchar int vertex_indices\n"
            "end_header\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n3 0 2 1\n3 0 1 3\n3 0 3 2\n3 1 2 3\n" },
        { "fed.off",
            "OFF\n4 4 0\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n3 0 2 1\n3 0 1 3\n3 0 3 2\n3 1 2 3\n" },
        { "fed.obj.gz", gzipped(tetraObj) },
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        const std::string path = dir.file(name);
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        std::thread writer([&, &bytes = bytes] {
            const int fd = ::open(path.c_str(), O_WRONLY);
            // In pieces, with a pause: the reader waits for the rest.
            const std::size_t half = bytes.size() / 2;
            EXPECT_EQ(::write(fd, bytes.data(), half), ssize_t(half));
            std::this_thread::sleep_for(std::chrono::milliseconds(120));
            EXPECT_EQ(::write(fd, bytes.data() + half, bytes.size() - half),
                ssize_t(bytes.size() - half));
            ::close(fd);
        });
        Mesh mesh;
        std::string problem;
        bool ok = false;
        captureStdout([&] { ok = openMeshFile(mesh, path, nullptr, &problem); });
        writer.join();
        EXPECT_TRUE(ok) << problem;
        EXPECT_EQ(mesh.numVertices, 4);
        EXPECT_EQ(mesh.numFaces, 4);
    }
}

// Inflating gives the bytes the file packed, member after member, also where
// the trailer's size is far from the whole (it holds only the last member's);
// damaged and cut files fail with their reasons.
TEST(Gzip, InflatesEveryMemberWhateverTheTrailerSays)
{
    std::string big;
    for (int i = 0; i < 200000; ++i)
        big += "v " + std::to_string(i % 977) + " " + std::to_string(i) + " 0.5\n";
    const std::string small = "f 1 2 3\n";
    const std::string packed = gzipped(big);
    std::string damaged = packed;
    damaged[damaged.size() / 2] = char(damaged[damaged.size() / 2] ^ 0x55);
    // The bytes are whole but the trailer's checksum or size is not theirs.
    std::string badSum = packed, badSize = packed;
    badSum[badSum.size() - 8] ^= 1;
    badSize[badSize.size() - 1] ^= 1;
    // The file, the bytes it packs and the reason it fails.
    const std::tuple<std::string, std::string, std::string> cases[] = {
        { packed, big, "" },
        { packed + gzipped(small), big + small, "" },
        { gzipped(small) + packed + gzipped(""), small + big, "" },
        { packed.substr(0, 5000), "", "is cut short" },
        { damaged, "", "is damaged" },
        { badSum, "", "is damaged" },
        { badSize + gzipped(small), "", "is damaged" },
        { gzipped(small) + "trailing", "", "is damaged" },
    };
    for (const auto& [file, bytes, reason] : cases) {
        LargeText out;
        std::string said;
        EXPECT_EQ(gunzip(file, out, said), reason.empty()) << said;
        EXPECT_EQ(said, reason);
        EXPECT_TRUE(std::string_view(out) == bytes) << out.size() << " bytes, not " << bytes.size();
    }
}

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
