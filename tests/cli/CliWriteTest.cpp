// What facetra-cli writes: a name no reader takes back is refused before
// anything is read or computed, compressed outputs read back, morphogens stay in
// OBJ, and what a format cannot hold is named on standard error.
#include "CliProcess.h"

#include "mesh/engine/WriteMeshFile.h"

using namespace testutil;
using namespace clitest;

namespace {

const std::string morphogenObj = "mn heat salt\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nm 0.5 -1\n"
                                 "m 0.25 2\nm 1e-07 0\nm 3 4\nf 1 3 2\nf 1 2 4\nf 1 4 3\nf 2 3 4\n";

} // namespace

TEST(CliWrite, EveryVerbRefusesAnUnwritableOutputBeforeReadingAnything)
{
    const TempDir dir;
    const std::string in = dir.write("in.obj", morphogenObj);
    // Neither of these exists: reading them would be a different failure.
    const std::string mor = dir.file("missing.mor"), png = dir.file("missing.png");
    // The refusal is the one a save gives (its words: MeshWrite.NamesNoReaderTakesBack...).
    std::vector<std::vector<std::string>> cases = {
        { "convert", in, dir.file("out.net") },
        { "subdivide", "--levels", "1", in, dir.file("out.gts") },
        { "simplify", "--lod", "50", in, dir.file("out.net.gz") },
        { "morphogens", "--settings", mor, in, dir.file("out.png") },
        { "sample", dir.file("knot") },
        { "convert", dir.file("missing.obj"), dir.file("out.obj.zip") },
    };
    if (runCli({ "terrain", "--help" }).status == 0)
        cases.push_back({ "terrain", "--heightmap", png, "--resolution", "4", "--scale", "1",
            "--height", "1", dir.file("t.xyz") });
    for (const auto& args : cases) {
        SCOPED_TRACE(args[0]);
        const CliRun run = runCli(args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "facetra-cli: " + meshWriteProblem(args.back()) + "\n");
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string> { "in.obj" });

    // A script saving such a name is refused whole: nothing runs.
    const std::string out = dir.file("outputs");
    const CliRun run = runCli({ "run", "--out-dir", out,
        dir.write("s.steps", "save {name}.obj\nsubdivide levels=1\nsave {name}.gts\n"), in });
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.starts_with("facetra-cli: line 3: save: " + meshWriteProblem("x.gts")))
        << run.err;
    EXPECT_FALSE(fs::exists(out));
}

TEST(CliWrite, CompressedOutputsReadBackMorphogensStayInObjAndLossesAreNamed)
{
    const TempDir dir;
    const std::string in = dir.write("in.obj", morphogenObj);
    // OBJ keeps the morphogens, compressed too (bit for bit and line by line:
    // MeshWrite.MorphogensSurviveObjExactly), and says nothing.
    const CliRun gz = runCli({ "convert", in, dir.file("same.obj.gz") });
    ASSERT_EQ(gz.status, 0) << gz.err;
    EXPECT_EQ(gz.err, "");
    EXPECT_EQ(
        info(dir.file("same.obj.gz")).at("morphogens"), nlohmann::json::array({ "heat", "salt" }));

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
