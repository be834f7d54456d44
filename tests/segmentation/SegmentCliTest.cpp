// facetra-cli segment against the engine driven the way the view drives it.
#include "SegmentTestMeshes.h"

#include "CliCommon.h"
#include "Commands.h"

#include "mesh/engine/WriteObj.h"
#include "segmentation/engine/EdgeTraversal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>

namespace {

std::string fixture(const std::string& dir)
{
    const std::string real = realMeshPath("spot.obj");
    if (!real.empty())
        return real;
    const std::string path = dir + "/grid.obj";
    Mesh grid = flatGrid(12);
    writeObj(grid, path);
    return path;
}

std::vector<std::string> listing(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(SegmentCli, WritesWhatTheViewWouldExport)
{
    const std::string dir = scratchDir("cli");
    const std::string in = fixture(dir);
    testing::internal::CaptureStdout();
    // A mark before any pick does nothing; marks can repeat and overlap.
    ASSERT_EQ(
        runSegment({ in, "--mark", "--traverse", "10:40:20", "--mark", "--traverse", "12:60:45",
            "--mark", "--mark", "--traverse", "3:5:1", "--save-all", dir + "/cli" }),
        0);
    const std::string console = testing::internal::GetCapturedStdout();
    EXPECT_NE(console.find("Saving: " + dir + "/cli/object_3.obj v:0 f:0\n"), std::string::npos);

    Mesh mesh;
    ASSERT_TRUE(loadForTool(mesh, in));
    EdgeTraversal traversal(&mesh);
    for (const auto& [face, depth, angle] :
        std::vector<std::array<int, 3>> { { 10, 40, 20 }, { 12, 60, 45 } }) {
        mesh.selected = face;
        traversal.run(depth, angle);
        traversal.markCurrent();
    }
    traversal.markCurrent();
    mesh.selected = 3;
    traversal.run(5, 1);
    std::filesystem::create_directory(dir + "/engine");
    testing::internal::CaptureStdout();
    EXPECT_TRUE(traversal.saveAll(dir + "/engine").failed.empty());
    testing::internal::GetCapturedStdout();

    const std::vector<std::string> names = listing(dir + "/engine");
    EXPECT_EQ(names,
        (std::vector<std::string> { "non-segemented.obj", "object_1.obj", "object_2.obj",
            "object_3.obj", "segemented.obj" }));
    EXPECT_EQ(listing(dir + "/cli"), names);
    for (const std::string& name : names)
        EXPECT_EQ(readFile(dir + "/cli/" + name), readFile(dir + "/engine/" + name)) << name;
    EXPECT_FALSE(readFile(dir + "/cli/object_2.obj").empty());
    std::filesystem::remove_all(dir);
}

TEST(SegmentCli, RefusesBadArgumentsBeforeWritingAnything)
{
    const std::string dir = scratchDir("cli-bad");
    const std::string in = fixture(dir);
    const std::string out = dir + "/out";
    const std::vector<Args> bad = {
        { in },
        { "--save-all", out },
        { in, "--traverse", "1:2", "--save-all", out },
        { in, "--traverse", "0:2:3", "--save-all", out },
        { in, "--traverse", "1:5001:3", "--save-all", out },
        { in, "--traverse", "1:2:0", "--save-all", out },
        { in, "--traverse", "1:x:3", "--save-all", out },
        { in, "--traverse" },
        { in, "other.obj", "--save-all", out },
    };
    testing::internal::CaptureStderr();
    for (const Args& args : bad)
        EXPECT_EQ(runSegment(args), 1) << args.size();
    // A face beyond the mesh is refused after loading, before the export.
    testing::internal::CaptureStdout();
    EXPECT_EQ(runSegment({ in, "--traverse", "99999999:2:3", "--save-all", out }), 1);
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(!std::filesystem::exists(out) || std::filesystem::is_empty(out));
    std::filesystem::remove_all(dir);
}
