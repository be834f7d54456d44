// The command-line refinement tools: level 0 writes the mesh as loaded, bad
// arguments write nothing. That subdivide and simplify write the engine's bytes:
// test_the_tool_functions_write_what_facetra_cli_writes (Python) and
// CliRunReal.ScriptsWriteWhatTheOneStepVerbsWrite.
#include "TestMeshes.h"

#include "CliCommon.h"
#include "Commands.h"

TEST(RefinementCli, LevelZeroWritesTheMeshAsLoadedAndBadArgumentsNothing)
{
    const testutil::TempDir scratch;
    const std::string dir = scratch.path().string();
    std::string in = realMeshPath("spot.obj");
    if (in.empty()) {
        ASSERT_TRUE(writeObj(octahedron(), in = dir + "/octahedron.obj"));
    }
    // Level 0 leaves the mesh as loaded, as the page sends nothing.
    ASSERT_EQ(runSubdivide({ "--levels", "0", in, dir + "/cli.obj" }), 0);
    Mesh mesh;
    ASSERT_TRUE(loadForTool(mesh, in));
    EXPECT_EQ(testutil::readFile(dir + "/cli.obj"), objBytes(mesh));

    // Bad arguments, or a result too big to hold, fail without writing.
    const std::string out = dir + "/out.obj";
    const Args subdivideCases[] = { { "--levels", "x", in, out }, { "--levels", "-1", in, out },
        { "--levels", "1", "--weight", "0.5", in, out },
        { "--levels", "1", "--weight", "nan", in, out }, { "--weight", "0", in, out },
        { "--levels", "1", in }, { "--levels", "20", in, out } };
    const Args simplifyCases[] = { { "--lod", "101", in, out }, { "--lod", "nan", in, out },
        { "--lod", in, out }, { "--lod", "50", dir + "/missing.obj", out } };
    testing::internal::CaptureStderr();
    for (const Args& args : subdivideCases)
        EXPECT_EQ(runSubdivide(args), 1) << args[1];
    for (const Args& args : simplifyCases)
        EXPECT_EQ(runSimplify(args), 1) << args[1];
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(std::filesystem::exists(out));
}
