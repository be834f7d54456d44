// facetra-cli morphogens against the page and view: same setting, same bytes.
#include "TestUtil.h"

#include "CliCommon.h"
#include "Commands.h"

#include "mesh/engine/WriteObj.h"
#include "morphogens/engine/MorphogenColouring.h"

#include <gtest/gtest.h>

TEST(MorphogensCli, WritesWhatTheViewWouldSaveOrNothing)
{
    testutil::TempDir dir;
    // Two names, three values per vertex: the third has no row on the page.
    const std::string in = dir.write("in.obj",
        "mn alpha beta\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
        "m 1 0 5\nm 0.5 0.5 5\nm 0 1 5\nf 1 2 3\n");
    const std::string mor = dir.write("set.mor",
        "SIZE 2\nBASECOL 10 20 30\nMIXMODE 1\n"
        "MORPHO\t255 0 0 1\nMORPHO\t0 0 255 1\n");
    const std::string out = dir.file("out.obj"), gui = dir.file("gui.obj");
    testutil::captureStdout([&] {
        ASSERT_EQ(runMorphogens({ "--settings", mor, in, out }), 0);
        Mesh mesh;
        ASSERT_TRUE(loadForTool(mesh, in));
        colourByMorphogens(mesh, { 1, { 10, 20, 30 }, { { 255, 0, 0 }, { 0, 0, 255 } }, { 1, 1 } });
        ASSERT_TRUE(writeObj(mesh, gui, { .vertexColours = true }));
    });
    EXPECT_EQ(testutil::readFile(out), testutil::readFile(gui));
    EXPECT_NE(testutil::readFile(out).find("\nvc "), std::string::npos);

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
