// The command-line tools against what the workbench's view does and then writes
// with "Save As...": the same loaded mesh, the same operation, the same bytes.
#include "TestMeshes.h"

#include "CliCommon.h"
#include "Commands.h"

#include "refinement/engine/Simplify.h"
#include "refinement/engine/Subdivider.h"

#include <functional>

TEST(RefinementCli, EachToolWritesWhatTheViewWouldSave)
{
    const testutil::TempDir scratch;
    const std::string dir = scratch.path().string();
    std::string in = realMeshPath("spot.obj");
    if (in.empty()) {
        ASSERT_TRUE(writeObj(octahedron(), in = dir + "/octahedron.obj"));
    }
    Subdivider subdivider; // the view's own, reused between runs
    const struct
    {
        std::function<int(const Args&)> run;
        Args args;
        std::function<bool(Mesh&)> view;
    } cases[] = {
        { runSubdivide, { "--levels", "2", "--weight", "0.025" },
            [&](Mesh& m) { return subdivideMesh(m, subdivider, 2, 0.025f); } },
        // Level 0 leaves the mesh as loaded, as the page sends nothing.
        { runSubdivide, { "--levels", "0" }, [](Mesh&) { return true; } },
        { runSimplify, { "--lod", "30" }, [](Mesh& m) { return simplifyMesh(m, 30.0f); } },
    };
    for (const auto& c : cases) {
        Args args = c.args;
        args.insert(args.end(), { in, dir + "/cli.obj" });
        ASSERT_EQ(c.run(args), 0) << args[1];
        Mesh mesh;
        ASSERT_TRUE(loadForTool(mesh, in) && c.view(mesh));
        EXPECT_EQ(testutil::readFile(dir + "/cli.obj"), objBytes(mesh)) << args[1];
    }

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
