// facetra-cli morphogens refuses a damaged setting file, or none, and writes
// nothing. The colours it writes are the engine's:
// test_morphogen_colours_from_a_file_and_from_values_match_facetra_cli (Python),
// CliRunReal.ScriptsWriteWhatTheOneStepVerbsWrite and WindowBatchTest::colours.
#include "TestUtil.h"

#include "CliCommon.h"
#include "Commands.h"

#include <gtest/gtest.h>

TEST(MorphogensCli, ADamagedSettingOrNoneWritesNothing)
{
    testutil::TempDir dir;
    // A setting file cut short after its size, or none at all.
    const std::string in = dir.write("in.obj",
        "mn alpha beta\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
        "m 1 0 5\nm 0.5 0.5 5\nm 0 1 5\nf 1 2 3\n");
    const std::string refused = dir.file("refused.obj");
    testutil::captureStderr([&] {
        testutil::captureStdout([&] {
            EXPECT_EQ(
                runMorphogens({ "--settings", dir.write("3.mor", "SIZE 3"), in, refused }), 1);
            EXPECT_EQ(runMorphogens({ in, refused }), 1);
        });
    });
    EXPECT_FALSE(std::filesystem::exists(refused));
}
