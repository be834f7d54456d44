// The command-line filter against the view's Apply on the same loaded mesh.
#include "FilterMeshes.h"

#include "CliCommon.h"
#include "Commands.h"

#include "filtering/engine/MeanShiftFilter.h"
#include "mesh/engine/WriteObj.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

std::string scratch(const std::string& name)
{
    const auto dir = std::filesystem::temp_directory_path()
        / ("facetra-filter-" + std::to_string(::getpid()) + "-" + name);
    std::filesystem::create_directories(dir);
    return dir.string();
}

} // namespace

TEST(FilterCli, WritesTheNormalsApplyGives)
{
    const std::string dir = scratch("cli");
    std::string in = std::string(FACETRA_MESH_DIR) + "/spot.obj";
    if (!std::filesystem::exists(in)) {
        in = dir + "/grid.obj";
        Mesh grid = rippledGrid(8);
        ASSERT_TRUE(writeObj(grid, in));
    }
    struct Case
    {
        const char* name;
        int algorithm;
        int slider;
    };
    for (const Case& c : { Case { "meanshift", MEAN_SHIFT, 10 }, Case { "spherejump", SHPERE_JUMP, 25 },
             Case { "median", MEDIAN_FILTER, 2 } }) {
        const std::string out = dir + "/" + c.name + ".txt";
        int status = -1;
        // The console lines go to standard error, none to standard output.
        EXPECT_EQ(captureStdout([&] {
            status = runFilter({ "--algorithm", c.name, "--radius", std::to_string(c.slider),
                "--normals-out", out, in });
        }),
            "");
        ASSERT_EQ(status, 0);

        Mesh mesh;
        ASSERT_TRUE(loadForTool(mesh, in));
        MeanShiftFilter filter(&mesh);
        captureStdout(
            [&] { filter.run(kernelFromSlider(float(c.slider), mesh), FILTER_FULL, c.algorithm); });
        std::ifstream file(out);
        for (int f = 0; f < mesh.numFaces; ++f) {
            float x, y, z;
            ASSERT_TRUE(file >> x >> y >> z);
            const Vector& n = mesh.faces[std::size_t(f)].normal;
            ASSERT_TRUE(x == n.x && y == n.y && z == n.z) << c.name << " face " << f;
        }
        float extra;
        EXPECT_FALSE(file >> extra);
    }
    for (const Args& bad : { Args { "--algorithm", "meanshift", "--radius", "0", "--normals-out",
                                 dir + "/x.txt", in },
             Args { "--algorithm", "blur", "--radius", "5", "--normals-out", dir + "/x.txt", in },
             Args { "--algorithm", "median", "--radius", "5", in } }) {
        EXPECT_EQ(runFilter(bad), 1);
    }
    EXPECT_FALSE(std::filesystem::exists(dir + "/x.txt"));
    std::filesystem::remove_all(dir);
}
