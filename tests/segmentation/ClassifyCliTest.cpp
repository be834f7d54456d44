// facetra-cli classify against what the window does with the same file.
#include "../cli/CliProcess.h"
#include "SegmentationTestMeshes.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/WriteObj.h"
#include "segmentation/engine/Mesh_Classifier.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using clitest::runCli;

TEST(ClassifyCli, GivesTheWindowsResultAndRefusesBadArguments)
{
    const testutil::TempDir dir;
    const std::string in = dir.file("grid.obj");
    ASSERT_TRUE(writeObj(bumpyGrid(9), in));

    for (const char* mode : { "floyd", "dijkstra" }) {
        const clitest::CliRun cli
            = runCli({ "classify", "--json", "--mode", mode, "--weight", "0.3", in });
        ASSERT_EQ(cli.status, 0) << cli.err;
        const nlohmann::json j = nlohmann::json::parse(cli.out);

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
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>> {
             { "--weight", "2", in }, { "--mode", "fast", in }, { "--patches", "0", in },
             { "--patches", "51", in }, { "--load-table", dir.file("missing.spt"), in }, {} }) {
        std::vector<std::string> args { "classify" };
        args.insert(args.end(), bad.begin(), bad.end());
        EXPECT_EQ(runCli(args).status, 1) << (bad.empty() ? "" : bad[0]);
    }
}
