// The terrain command and the height-map image code it shares with the Terrain
// page: the same PNG gives the same mesh, bytes included.
#include "CliCommon.h"
#include "Commands.h"
#include "TestUtil.h"

#include "mesh/engine/Mesh.h"
#include "mesh/engine/ReadObj.h"
#include "mesh/engine/WriteObj.h"
#include "terrain/engine/HeightColours.h"
#include "terrain/engine/TerrainBuilder.h"
#include "terrain/ui/HeightMapImage.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <fstream>

using testutil::readFile;

TEST(TerrainCli, WritesTheEnginesMeshAndRefusesBadArguments)
{
    QTemporaryDir dir;
    const std::string out = dir.filePath("cli.obj").toStdString();
    const std::string png = dir.filePath("map.png").toStdString();
    QImage noise(300, 170, QImage::Format_RGB32);
    for (int y = 0; y < 170; ++y)
        for (int x = 0; x < 300; ++x)
            noise.setPixel(x, y, qRgb(x * 7 % 256, y * 13 % 256, x * y % 256));
    ASSERT_TRUE(noise.save(QString::fromStdString(png), "PNG"));
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    for (const Args& bad : std::vector<Args> {
             { "--heightmap", png, "--resolution", "0", "--scale", "1", "--height", "1", out },
             { "--heightmap", png, "--resolution", "4", "--scale", "x", "--height", "1", out },
             { "--heightmap", png, "--resolution", "4", "--scale", "1", out },
             { "--heightmap", out, "--resolution", "4", "--scale", "1", "--height", "1", out } })
        EXPECT_EQ(runTerrain(bad), 1);
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(QFile::exists(QString::fromStdString(out)));

    const Args good
        = { "--heightmap", png, "--resolution", "100", "--scale", "200", "--height", "50", out };
    ASSERT_EQ(runTerrain(good), 0);
    Mesh mesh;
    QImage image;
    ASSERT_TRUE(loadHeightMapImage(QString::fromStdString(png), image));
    ASSERT_TRUE(buildTerrainMesh(mesh, heightMapFromImage(image), { 100, 200, 50 }));
    ASSERT_TRUE(writeObj(mesh, out + ".engine"));
    EXPECT_EQ(readFile(out), readFile(out + ".engine"));

    Args coloured = good;
    coloured.insert(coloured.begin(), "--colour-by-height");
    ASSERT_EQ(runTerrain(coloured), 0);
    colourByHeight(mesh, {}, false);
    Mesh back;
    ASSERT_TRUE(readObj(back, out));
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(back.numVertices, mesh.numVertices);
    for (int i = 0; i < mesh.numVertices; i += 97)
        EXPECT_NEAR(back.vertexColours[i].y, mesh.vertexColours[i].y, 1e-5f);
}

// A PNG's header is read before Qt decodes anything: a file of a few bytes that
// claims 100000 x 100000 pixels (40 GB decoded) is refused at once, in one line.
TEST(TerrainCli, AnImageTooLargeToDecodeIsRefusedFromItsHeader)
{
    QTemporaryDir dir;
    const std::string png = dir.filePath("huge.png").toStdString();
    const std::string out = dir.filePath("huge.obj").toStdString();
    QImage small(2, 2, QImage::Format_RGB32);
    small.fill(Qt::gray);
    ASSERT_TRUE(small.save(QString::fromStdString(png), "PNG"));
    // Width and height of the IHDR chunk, with its checksum left as it was: the
    // check needs none of the rest.
    std::string bytes = readFile(png);
    for (int at : { 16, 20 }) {
        const unsigned side = 100000;
        for (int k = 0; k < 4; ++k)
            bytes[std::size_t(at + k)] = char(side >> (24 - 8 * k) & 0xff);
    }
    std::ofstream(png, std::ios::binary) << bytes;

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(runTerrain({ "--heightmap", png, "--resolution", "4", "--scale", "1", "--height", "1",
                  out }),
        1);
    const std::string err = testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("cannot read '" + png + "': the image is 100000 x 100000 pixels"),
        std::string::npos)
        << err;
    EXPECT_FALSE(QFile::exists(QString::fromStdString(out)));
}
