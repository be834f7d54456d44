// Malformed files: every reader must survive them, keep its arrays consistent
// and say in one line what it dropped or replaced. These run under the
// sanitizer build as well.

#include "ObjTestUtil.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"

#include <cmath>
#include <random>

namespace {

using testutil::readText;

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

TEST(BadInput, EveryTruncationAndRandomGarbageGivesAUsableMeshOrNone)
{
    // Small files using every feature of each dialect, and the characters that matter.
    const std::string obj
        = "# test\nmn a b\nmtllib x.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\n"
          "v 0 1 -1.5e-1\nvc 1 0 0\nvc 0 1 0\nvt 0 0\nvn 0 0 1\nm 1 2\nm 3 4\n"
          "m 5 6\nm 7 8\nusemtl red\ns 1\nfc 1 1 1\nf 1/1/1 2/1/1 3/1/1\n"
          "f 1//1 3//1 4//1\nf 4 3 2 1\nf -1 -2 -3\nf 1/1/ 2/2/ 3/3/\nf 1// 2// 4//\n";
    const std::string net = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nn 0 0 1\nc 1 0 0\nc 0 1 0\n"
                            "t 0 0\nf 0 1 2 3\nf 3 2 1\n";
    for (const bool isNet : { false, true }) {
        const std::string& full = isNet ? net : obj;
        const std::string interesting
            = isNet ? "vfcnt -.e0123456789\n" : "vfcmn/ -.e0123456789\n\r#'\"";
        std::mt19937 random(isNet ? 11 : 7);
        for (std::size_t n = 0; n <= full.size() + 300 && !testing::Test::HasFatalFailure(); ++n) {
            std::string text = full.substr(0, n);
            if (n > full.size()) {
                text.assign(random() % 400, '\0');
                for (char& c : text)
                    c = random() % 3 ? interesting[random() % interesting.size()]
                                     : char(random() % 256);
            }
            SCOPED_TRACE((isNet ? "net: " : "obj: ") + text);
            Mesh mesh;
            if (readText(mesh, text, isNet ? "m.net" : "m.obj").ok)
                expectUsable(mesh);
            else
                ASSERT_TRUE(isNet && mesh.numVertices == 0);
        }
    }
}

// What a read drops or replaces it counts, says in one line on standard output
// and keeps in the report, whatever the format.
TEST(BadInput, DroppedAndReplacedValuesAreCountedAndSaid)
{
    static const char nulBytes[] = "v 0 0 0\0v 9 9 9\nv 1 0 0\rv 2 0 0\nv 0 1 0\nf 1 2\0 3\n";
    const testutil::TempDir dir;
    // One row of 5000 values, then short rows each read would fill up to that
    // count: values that could not have been written in the file are refused.
    std::string overflow;
    for (int i = 0; i < 2000; ++i)
        overflow += "v 0 0 0\n";
    overflow += "m";
    for (int i = 0; i < 5000; ++i)
        overflow += " 1";
    for (int i = 1; i < 2000; ++i)
        overflow += "\nm";
    // The file, the vertices and faces read and the losses said.
    const std::tuple<const char*, std::string, int, int, std::vector<std::string>> cases[] = {
        { "colours.obj",
            "v 0 0 0\nv 1 0 0\nvc 1 0 0\nvc 0 1 0\nvc 0 0 1\nvc 1 1 1\nm 1\nm 2\nm 3\nf 1 2 1\n", 2,
            1,
            { "dropped 2 vertex colours beyond the 2 vertices",
                "dropped 1 morphogen rows beyond the 2 vertices" } },
        // Out-of-range numbers become infinite and are replaced by 0.
        { "huge.obj", "v 1e999 2 3\nv 4 -1e400 6\nv 7 8 9\nf 1 2 3\n", 3, 1,
            { "replaced 2 non-finite coordinates by 0" } },
        // "nan" and "inf" are words: each coordinate keeps the value before it.
        { "words.obj", "v 1 2 3\nv nan 5 6\nv 7 inf -infinity\nf 1 2 3\n", 3, 1,
            { "3 coordinates are not numbers: each kept the value before it" } },
        // "--3" is no corner, so that line makes no face; "3-1" reads as 3, as atof would.
        { "range.obj",
            "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 99999999999999999999 1 2\nf 1 2 -99999999999\n"
            "f 1 2 1e9\nf 2147483648 1 2\nf 1 2 3\nf 1 2 --3\nf 1 2 3-1\nf 1 2 0\nf 1 2 3 4\n",
            3, 2, { "dropped 7 faces with vertex indices out of range" } },
        // NUL is a blank; only line feeds end lines.
        { "nul.obj", std::string(nulBytes, sizeof nulBytes - 1), 3, 1, {} },
        { "drop.net",
            "v nan 0 0\nv inf 1e99 -INFINITY\nv 0 1 0\nf 0 1 2\nf 0 1 99999999999999\nf -1 0 1\n",
            3, 1,
            { "dropped 2 faces with vertex indices out of range",
                "replaced 4 non-finite coordinates by 0" } },
        { "drop.ply",
            "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
            "property float z\nelement face 3\nproperty list uchar int vertex_indices\n"
            "end_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n2 0 1\n4 0 1 2 7\n",
            3, 1,
            { "dropped 2 faces with vertex indices out of range",
                "dropped 1 faces without three whole corners" } },
        { "drop.stl",
            "solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\n"
            "endloop\nendfacet\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 nan\n"
            "vertex 0 1 0\nendloop\nendfacet\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\n",
            3, 1, { "dropped 2 faces without three whole corners" } },
        { "drop.off", "OFF\n3 3 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n3 0 1 5\n3 2 1 0\n", 3, 2,
            { "dropped 1 faces with vertex indices out of range" } },
        { "overflow.obj", overflow + "\nf 1 2 3\n", 2000, 1,
            { "ignoring the morphogens: 2000 vertices with 5000 values each do not fit in this "
              "file" } },
        { "drop.gts", "3 3 2\n0 0 0\n1 0 0\n0 1 0\n1 2\n2 3\n3 1\n1 2 3\n1 2 9\n", 3, 1,
            { "dropped 1 faces naming a missing edge or not closing a triangle" } },
    };
    for (const auto& [name, bytes, vertices, faces, losses] : cases) {
        SCOPED_TRACE(name);
        Mesh mesh;
        ObjReadReport report;
        std::string out;
        testutil::captureStderr([&, &bytes = bytes] {
            out = testutil::captureStdout(
                [&] { ASSERT_TRUE(openMeshFile(mesh, dir.write(name, bytes), &report)); });
        });
        EXPECT_EQ(mesh.numVertices, vertices);
        EXPECT_EQ(mesh.numFaces, faces);
        EXPECT_EQ(report.losses, losses);
        for (const std::string& line : losses)
            EXPECT_NE(out.find(line + "\n"), std::string::npos) << out;
        std::size_t values = 0;
        for (const auto& row : mesh.morphogenValues)
            values += row.size();
        EXPECT_LE(values, bytes.size() / 2) << "more values than the file could hold";
        expectUsable(mesh);
    }
}

} // namespace
