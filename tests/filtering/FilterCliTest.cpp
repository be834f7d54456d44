// The command-line filter against the view's Apply on the same loaded mesh.
#include "FilterTestUtil.h"

#include "CliCommon.h"
#include "Commands.h"

#include "filtering/engine/MeanShiftFilter.h"
#include "mesh/engine/WriteObj.h"

TEST(FilterCli, WritesTheNormalsApplyGivesAndRefusesBadArguments)
{
    testutil::TempDir dir;
    const std::string in = dir.file("grid.obj"), out = dir.file("normals.txt");
    ASSERT_TRUE(writeObj(rippledGrid(12), in));
    const char* names[] = { "meanshift", "spherejump", "median" };
    for (int algorithm : { MEAN_SHIFT, SHPERE_JUMP, MEDIAN_FILTER }) {
        ASSERT_EQ(runFilter({ "--algorithm", names[algorithm], "--radius", "20", "--normals-out",
                      out, in }),
            0);
        Mesh mesh;
        ASSERT_TRUE(loadForTool(mesh, in));
        MeanShiftFilter filter(&mesh);
        captureStdout([&] { filter.run(kernelFromSlider(20.0f, mesh), FILTER_FULL, algorithm); });
        std::ifstream file(out);
        float x, y, z;
        for (const Face& face : mesh.faces) {
            ASSERT_TRUE(file >> x >> y >> z);
            ASSERT_TRUE(x == face.normal.x && y == face.normal.y && z == face.normal.z);
        }
        EXPECT_FALSE(file >> x);
    }
    std::filesystem::remove(out);
    for (const char* bad : { "0", "101", "x" })
        EXPECT_EQ(
            runFilter({ "--algorithm", "median", "--radius", bad, "--normals-out", out, in }), 1);
    EXPECT_EQ(runFilter({ "--algorithm", "blur", "--radius", "5", "--normals-out", out, in }), 1);
    EXPECT_EQ(runFilter({ "--algorithm", "median", "--radius", "5", in }), 1);
    EXPECT_FALSE(std::filesystem::exists(out));
}
