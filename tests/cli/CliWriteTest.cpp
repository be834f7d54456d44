// What facetra-cli writes: a name no reader takes back is refused before
// anything is read or computed, compressed outputs read back, morphogens stay in
// OBJ, and what a format cannot hold is named on standard error.
#include "CliProcess.h"

using namespace testutil;
using namespace clitest;

namespace {

const std::string choices = "choose .obj, .ply, .stl, .off or a .gz of them";
const std::string morphogenObj = "mn heat salt\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nm 0.5 -1\n"
                                 "m 0.25 2\nm 1e-07 0\nm 3 4\nf 1 3 2\nf 1 2 4\nf 1 4 3\nf 2 3 4\n";

} // namespace

TEST(CliWrite, EveryVerbRefusesAnUnwritableOutputBeforeReadingAnything)
{
    const TempDir dir;
    const std::string in = dir.write("in.obj", morphogenObj);
    // Neither of these exists: reading them would be a different failure.
    const std::string mor = dir.file("missing.mor"), png = dir.file("missing.png");
    struct Case
    {
        std::vector<std::string> args;
        std::string refusal;
    };
    std::vector<Case> cases = {
        { { "convert", in, dir.file("out.net") }, "cannot write .net files: " + choices },
        { { "subdivide", "--levels", "1", in, dir.file("out.gts") },
            "cannot write .gts files: " + choices },
        { { "simplify", "--lod", "50", in, dir.file("out.net.gz") },
            "cannot write .net.gz files: " + choices },
        { { "morphogens", "--settings", mor, in, dir.file("out.png") },
            "cannot write .png files: " + choices },
        { { "sample", dir.file("knot") },
            "cannot write '" + dir.file("knot") + "' (no suffix): " + choices },
        { { "convert", dir.file("missing.obj"), dir.file("out.obj.zip") },
            "cannot write .obj.zip files: " + choices },
    };
    if (runCli({ "terrain", "--help" }).status == 0)
        cases.push_back({ { "terrain", "--heightmap", png, "--resolution", "4", "--scale", "1",
                              "--height", "1", dir.file("t.xyz") },
            "cannot write .xyz files: " + choices });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0]);
        const CliRun run = runCli(c.args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "facetra-cli: " + c.refusal + "\n");
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string> { "in.obj" });

    // A script saving such a name is refused whole: nothing runs.
    const std::string out = dir.file("outputs");
    const CliRun run = runCli({ "run", "--out-dir", out,
        dir.write("s.steps", "save {name}.obj\nsubdivide levels=1\nsave {name}.gts\n"), in });
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(
        run.err.starts_with("facetra-cli: line 3: save: cannot write .gts files: " + choices))
        << run.err;
    EXPECT_FALSE(fs::exists(out));
}

TEST(CliWrite, CompressedOutputsReadBackMorphogensStayInObjAndLossesAreNamed)
{
    const TempDir dir;
    const std::string in = dir.write("in.obj", morphogenObj);
    // OBJ keeps the morphogens, compressed or not, bytes as the input had them.
    for (const char* name : { "same.obj", "same.obj.gz" }) {
        SCOPED_TRACE(name);
        const CliRun run = runCli({ "convert", in, dir.file(name) });
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        const auto j = info(dir.file(name));
        EXPECT_EQ(j.at("morphogens"), nlohmann::json::array({ "heat", "salt" }));
        EXPECT_EQ(j.at("faces"), 4);
    }
    const std::string text = readFile(dir.file("same.obj"));
    EXPECT_NE(text.find("mn heat salt\n"), std::string::npos) << text;
    EXPECT_NE(text.find("m 0.5 -1\nm 0.25 2\nm 1e-07 0\nm 3 4\n"), std::string::npos) << text;

    // Another format writes the mesh without them and says so on the error
    // stream (each format's words: MeshWrite.EveryWritableSuffixReadsBack...).
    const std::string ply = dir.file("m.ply.gz");
    const CliRun run = runCli({ "convert", in, ply });
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, ply + ": PLY holds no morphogens; they are not written\n");
    EXPECT_EQ(info(ply).at("faces"), 4);

    // The coloured sample as STL, which drops its colours.
    const CliRun stl = runCli({ "sample", dir.file("knot.stl") });
    EXPECT_EQ(
        stl.err, dir.file("knot.stl") + ": STL holds no vertex colours; they are not written\n");
}
