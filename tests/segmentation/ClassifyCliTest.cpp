// facetra-cli classify refuses bad arguments. What it finds is the engine's:
// test_classify_gives_facetra_cli_classify_seeds_and_patches (Python) compares
// its seeds and patches, CliRunReal.ScriptsWriteWhatTheOneStepVerbsWrite the
// verb with run, WindowBatchTest::classifyPickAndMark run with the window; the
// two modes agree in RealMeshes.FastFloydIsThePlainLoopAndDijkstraAgrees.
#include "../cli/CliProcess.h"
#include "SegmentationTestMeshes.h"

#include "mesh/engine/WriteObj.h"

#include <gtest/gtest.h>

using clitest::runCli;

TEST(ClassifyCli, RefusesBadArguments)
{
    const testutil::TempDir dir;
    const std::string in = dir.file("grid.obj");
    ASSERT_TRUE(writeObj(bumpyGrid(9), in));

    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>> {
             { "--weight", "2", in }, { "--mode", "fast", in }, { "--patches", "0", in },
             { "--patches", "51", in }, { "--load-table", dir.file("missing.spt"), in }, {} }) {
        std::vector<std::string> args { "classify" };
        args.insert(args.end(), bad.begin(), bad.end());
        EXPECT_EQ(runCli(args).status, 1) << (bad.empty() ? "" : bad[0]);
    }
}
