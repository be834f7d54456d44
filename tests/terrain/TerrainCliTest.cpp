// The terrain command's refusals. That it writes the engine's mesh, coloured by
// height or not: test_terrain_from_an_array_is_the_terrain_of_its_image (Python),
// WindowBatchTest::terrain; the page's build from the same PNG:
// PagesTest::heightMapsLoadSwappedAndBuildTheCommandsMesh.
#include "CliCommon.h"
#include "Commands.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <fstream>

using testutil::readFile;

// A PNG's header is read before Qt decodes anything: a file of a few bytes that
// claims 100000 x 100000 pixels (40 GB decoded) is refused at once, in one line.
TEST(TerrainCli, RefusesBadArgumentsAndImagesTooLargeToDecodeWithoutWriting)
{
    QTemporaryDir dir;
    const std::string out = dir.filePath("cli.obj").toStdString();
    const std::string png = dir.filePath("map.png").toStdString();
    const std::string huge = dir.filePath("huge.png").toStdString();
    QImage map(8, 8, QImage::Format_RGB32);
    map.fill(Qt::gray);
    ASSERT_TRUE(map.save(QString::fromStdString(png), "PNG"));
    // Width and height of the IHDR chunk, with its checksum left as it was: the
    // check needs none of the rest.
    std::string bytes = readFile(png);
    for (int at : { 16, 20 })
        for (int k = 0; k < 4; ++k)
            bytes[std::size_t(at + k)] = char(100000u >> (24 - 8 * k) & 0xff);
    std::ofstream(huge, std::ios::binary) << bytes;

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    for (const Args& bad : std::vector<Args> {
             { "--heightmap", png, "--resolution", "0", "--scale", "1", "--height", "1", out },
             { "--heightmap", png, "--resolution", "4", "--scale", "x", "--height", "1", out },
             { "--heightmap", png, "--resolution", "4", "--scale", "1", out },
             { "--heightmap", out, "--resolution", "4", "--scale", "1", "--height", "1", out } })
        EXPECT_EQ(runTerrain(bad), 1);
    testing::internal::GetCapturedStderr();
    testing::internal::CaptureStderr();
    EXPECT_EQ(runTerrain({ "--heightmap", huge, "--resolution", "4", "--scale", "1", "--height",
                  "1", out }),
        1);
    const std::string err = testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("cannot read '" + huge + "': the image is 100000 x 100000 pixels"),
        std::string::npos)
        << err;
    EXPECT_FALSE(QFile::exists(QString::fromStdString(out)));
}
