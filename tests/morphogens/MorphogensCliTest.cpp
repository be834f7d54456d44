// facetra-cli morphogens against what the page and the view do: the same
// loaded mesh, the same setting, the same colours, written as "vc" lines.
#include "TestUtil.h"

#include "CliCommon.h"
#include "Commands.h"

#include "mesh/engine/Mesh.h"
#include "mesh/engine/WriteObj.h"
#include "morphogens/engine/MorphogenColouring.h"
#include "morphogens/engine/MorphogenSettings.h"

#include <gtest/gtest.h>

namespace {

using testutil::captureStdout;
using testutil::readFile;

// Two names, but "m" lines of three values: the third has no row on the page.
const char* const kMeshText = "mn alpha beta\n"
                              "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\n"
                              "m 1 0 5\nm 0.5 0.5 5\nm 0 1 5\nm 0.25 0 5\n"
                              "f 1 2 3\nf 2 4 3\n";

} // namespace

TEST(MorphogensCli, WritesWhatTheViewWouldSave)
{
    testutil::TempDir dir;
    const std::string in = dir.write("in.obj", kMeshText);
    const std::string mor = dir.write(
        "set.mor", "SIZE 2\nBASECOL 10 20 30\nMIXMODE 1\nMORPHO\t255 0 0 1\nMORPHO\t0 0 255 1\n");
    const std::string out = dir.file("out.obj");
    captureStdout([&] { ASSERT_EQ(runMorphogens({ "--settings", mor, in, out }), 0); });

    Mesh mesh;
    captureStdout([&] { ASSERT_TRUE(loadForTool(mesh, in)); });
    ASSERT_EQ(mesh.morphogenNames, (std::vector<std::string> { "alpha", "beta" }));
    colourByMorphogens(mesh, { 1, { 10, 20, 30 }, { { 255, 0, 0 }, { 0, 0, 255 } }, { 1, 1 } });
    ObjWriteOptions options;
    options.vertexColours = true;
    const std::string gui = dir.file("gui.obj");
    captureStdout([&] { ASSERT_TRUE(writeObj(mesh, gui, options)); });
    EXPECT_EQ(readFile(out), readFile(gui));
    EXPECT_NE(readFile(out).find("\nvc "), std::string::npos);
}

TEST(MorphogensCli, RefusesWithoutWriting)
{
    testutil::TempDir dir;
    const std::string in = dir.write("in.obj", kMeshText);
    const std::string three = dir.write("three.mor", "SIZE 3\n");
    const std::string out = dir.file("out.obj");
    testing::internal::CaptureStderr();
    std::string console = captureStdout([&] {
        EXPECT_EQ(runMorphogens({ "--settings", three, in, out }), 1);
        EXPECT_EQ(runMorphogens({ "--settings", dir.file("absent.mor"), in, out }), 1);
        EXPECT_EQ(runMorphogens({ "--settings", three, in }), 1);
        EXPECT_EQ(runMorphogens({ in, out }), 1);
        EXPECT_EQ(runMorphogens({ "--settings" }), 1);
    });
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(console.find("SIZE 3 does not match the 2 morphogens"), std::string::npos);
    EXPECT_NE(errors.find("was not applied"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(out));
}
