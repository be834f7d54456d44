// facetra-cli classify against what the window does with the same file.
#include "SegmentationTestMeshes.h"
#include "TestUtil.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/WriteObj.h"
#include "segmentation/engine/Mesh_Classifier.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace {

// Runs the tool; its standard output and exit status.
std::pair<std::string, int> run(const std::string& arguments)
{
    const std::string command
        = std::string(FACETRA_CLI) + " classify " + arguments + " 2>/dev/null";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    std::string out;
    for (int c; pipe && (c = std::fgetc(pipe)) != EOF;)
        out += char(c);
    const int status = pipe ? ::pclose(pipe) : -1;
    return { out, WIFEXITED(status) ? WEXITSTATUS(status) : -1 };
}

} // namespace

TEST(ClassifyCli, GivesTheWindowsResultAndRefusesBadArguments)
{
    const testutil::TempDir dir;
    const std::string in = dir.file("grid.obj");
    ASSERT_TRUE(writeObj(bumpyGrid(9), in));

    for (const char* mode : { "floyd", "dijkstra" }) {
        const std::string args = std::string("--mode ") + mode + " --weight 0.3";
        auto [out, status] = run("--json " + args + " " + in);
        ASSERT_EQ(status, 0);
        const nlohmann::json j = nlohmann::json::parse(out);

        Mesh mesh;
        testing::internal::CaptureStdout();
        ASSERT_TRUE(openMeshFile(mesh, in));
        build(mesh, { MESH_VERTEX_NORMALS, MESH_EDGE_LIST });
        Mesh_Classifier window;
        window.mesh = &mesh;
        window.spMode = mode[0] == 'd';
        window.weight = double(0.3f);
        ASSERT_TRUE(window.classify());
        const int n = window.numPatches;
        ASSERT_TRUE(window.partition(n));
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(j["numPatches"].get<int>(), n);
        EXPECT_EQ(j["seeds"].get<std::vector<int>>(),
            std::vector<int>(window.seeds.begin(), window.seeds.begin() + n));
        EXPECT_EQ(j["patch"].get<std::vector<int>>(), window.patchOfFace);
    }
    for (const std::string& bad :
        { "--weight 2 " + in, "--mode fast " + in, "--patches 0 " + in, "--patches 51 " + in,
            "--load-table " + dir.file("missing.spt") + " " + in, std::string() })
        EXPECT_EQ(run(bad).second, 1) << bad;
}
