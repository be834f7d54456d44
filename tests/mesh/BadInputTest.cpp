// Malformed files: every reader must survive them, keep its arrays consistent
// and say in one line what it dropped or replaced. These run under the
// sanitizer build as well.

#include "ObjTestUtil.h"

#include "mesh/engine/Build.h"

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

// What a reader drops or replaces it counts and says in one line.
TEST(BadInput, DroppedAndReplacedValuesAreCountedAndSaid)
{
    static const char nulBytes[] = "v 0 0 0\0v 9 9 9\nv 1 0 0\rv 2 0 0\nv 0 1 0\nf 1 2\0 3\n";
    const std::string nul(nulBytes, sizeof nulBytes - 1);
    const struct
    {
        bool net;
        std::string text, lines;
        int vertices, faces;
    } cases[] = { { false,
                      "v 0 0 0\nv 1 0 0\nvc 1 0 0\nvc 0 1 0\nvc 0 0 1\nvc 1 1 1\nm 1\nm 2\nm 3\n",
                      "dropped 2 vertex colours beyond the 2 vertices\n"
                      "dropped 1 morphogen rows beyond the 2 vertices\n",
                      2, 0 },
        // Out-of-range numbers become infinite and are replaced by 0.
        { false, "v 1e999 2 3\nv 4 -1e400 6\nv 7 8 9\nf 1 2 3\n",
            "replaced 2 non-finite coordinates by 0\n", 3, 1 },
        // "nan" and "inf" are words: each coordinate keeps the value before it.
        { false, "v 1 2 3\nv nan 5 6\nv 7 inf -infinity\nf 1 2 3\n",
            "3 coordinates are not numbers: each kept the value before it\n", 3, 1 },
        // "--3" is no corner, so that line makes no face; "3-1" reads as 3, as atof would.
        { false,
            "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 99999999999999999999 1 2\nf 1 2 -99999999999\n"
            "f 1 2 1e9\nf 2147483648 1 2\nf 1 2 3\nf 1 2 --3\nf 1 2 3-1\n",
            "dropped 4 faces with vertex indices out of range\n", 3, 2 },
        // NUL is a blank; only line feeds end lines.
        { false, nul, "", 3, 1 },
        { true,
            "v nan 0 0\nv inf 1e99 -INFINITY\nv 0 1 0\nf 0 1 2\nf 0 1 99999999999999\nf -1 0 1\n",
            "replaced 4 non-finite coordinates by 0\n", 3, 1 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Mesh mesh;
        const auto r = readText(mesh, c.text, c.net ? "m.net" : "m.obj");
        ASSERT_TRUE(r.ok);
        EXPECT_NE(r.out.find(c.lines), std::string::npos) << r.out;
        EXPECT_EQ(mesh.numVertices, c.vertices);
        EXPECT_EQ(mesh.numFaces, c.faces);
        expectUsable(mesh);
    }
}

TEST(BadObj, MorphogenRowsCannotAskForMoreMemoryThanTheFileHolds)
{
    std::string line = "m";
    for (int i = 0; i < 5000; ++i)
        line += " 1";
    Mesh mesh;
    // Each later short line would be filled up to the first line's count: values that
    // could not have been written in the file are refused.
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += "v 0 0 0\n";
    text += line + "\n";
    for (int i = 0; i < 2000; ++i)
        text += "m\n";
    const auto r = readText(mesh, text);
    ASSERT_TRUE(r.ok);
    EXPECT_NE(r.out.find("ignoring the morphogens: 2000 vertices with 5000 values each"),
        std::string::npos)
        << r.out;
    EXPECT_TRUE(mesh.morphogenValues.size() == 2000u && mesh.morphogenValues[0].empty());
    expectUsable(mesh);
}

} // namespace
