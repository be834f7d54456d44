// The command-line tools against what the workbench's view does and then writes
// with "Save As...": the same loaded mesh, the same operation, the same bytes.
#include "TestMeshes.h"

#include "CliCommon.h"
#include "Commands.h"

#include "mesh/engine/WriteObj.h"
#include "refinement/engine/Simplify.h"
#include "refinement/engine/Subdivider.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

std::string fixture()
{
    const std::string real = realMeshPath("spot.obj");
    if (!real.empty())
        return real;
    const std::string path = scratchDir("fixture") + "/octahedron.obj";
    Mesh octa = octahedron();
    writeObj(octa, path);
    return path;
}

} // namespace

TEST(RefinementCli, SubdivideWritesWhatTheViewWouldSave)
{
    const std::string in = fixture();
    const std::string dir = scratchDir("cli-subdivide");
    ASSERT_EQ(runSubdivide({ "--levels", "2", "--weight", "0.025", in, dir + "/cli.obj" }), 0);

    Mesh mesh;
    ASSERT_TRUE(loadForTool(mesh, in));
    Subdivider subdivider; // the view's own, reused between runs
    ASSERT_TRUE(subdivideMesh(mesh, subdivider, 2, 0.025f));
    ASSERT_TRUE(writeObj(mesh, dir + "/gui.obj"));
    EXPECT_EQ(readFile(dir + "/cli.obj"), readFile(dir + "/gui.obj"));
    EXPECT_FALSE(readFile(dir + "/cli.obj").empty());

    // Level 0 leaves the mesh as loaded, as the page sends nothing.
    ASSERT_EQ(runSubdivide({ "--levels", "0", in, dir + "/zero.obj" }), 0);
    Mesh loaded;
    ASSERT_TRUE(loadForTool(loaded, in));
    ASSERT_TRUE(writeObj(loaded, dir + "/loaded.obj"));
    EXPECT_EQ(readFile(dir + "/zero.obj"), readFile(dir + "/loaded.obj"));
    std::filesystem::remove_all(dir);
}

TEST(RefinementCli, SimplifyWritesWhatTheViewWouldSave)
{
    const std::string in = fixture();
    const std::string dir = scratchDir("cli-simplify");
    ASSERT_EQ(runSimplify({ "--lod", "30", in, dir + "/cli.obj" }), 0);
    Mesh mesh;
    ASSERT_TRUE(loadForTool(mesh, in));
    ASSERT_TRUE(simplifyMesh(mesh, 30.0f));
    ASSERT_TRUE(writeObj(mesh, dir + "/gui.obj"));
    EXPECT_EQ(readFile(dir + "/cli.obj"), readFile(dir + "/gui.obj"));
    std::filesystem::remove_all(dir);
}

TEST(RefinementCli, BadArgumentsOrTooManyFacesFailWithoutWriting)
{
    const std::string in = fixture();
    const std::string dir = scratchDir("cli-bad");
    const std::string out = dir + "/out.obj";
    using Args = std::vector<std::string>;
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
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("--weight takes a number"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(out));
    std::filesystem::remove_all(dir);
}
