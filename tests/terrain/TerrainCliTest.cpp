// The terrain command and the height-map image code it shares with the Terrain
// page: the same PNG gives the same mesh, bytes included.
#include "CliCommon.h"
#include "Commands.h"

#include "mesh/engine/Mesh.h"
#include "mesh/engine/ReadObj.h"
#include "mesh/engine/WriteObj.h"
#include "terrain/engine/HeightColours.h"
#include "terrain/engine/TerrainBuilder.h"
#include "terrain/ui/HeightMapImage.h"

#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <unistd.h>

namespace {

class Scratch
{
public:
    Scratch()
        : dir(std::filesystem::temp_directory_path()
            / ("facetra-terrain-" + std::to_string(::getpid())))
    {
        std::filesystem::create_directories(dir);
    }
    ~Scratch() { std::filesystem::remove_all(dir); }
    std::string operator/(const std::string& name) const { return (dir / name).string(); }

private:
    std::filesystem::path dir;
};

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string savePng(const QImage& image, const std::string& path)
{
    EXPECT_TRUE(image.save(QString::fromStdString(path), "PNG"));
    return path;
}

QImage noiseImage(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    std::mt19937 random(7);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, random() | 0xff000000u);
    return image;
}

HeightMap loaded(const std::string& path)
{
    QImage image;
    EXPECT_TRUE(loadHeightMapImage(QString::fromStdString(path), image));
    return heightMapFromImage(image);
}

} // namespace

TEST(TerrainImage, ChannelsAreSwappedAndImagesStretched)
{
    const Scratch scratch;
    // The file's red weighs 5, its green 16 and its blue 11.
    const struct
    {
        QRgb file;
        int grey;
    } cases[] = { { qRgb(255, 0, 0), 39 }, { qRgb(0, 255, 0), 127 }, { qRgb(0, 0, 255), 87 },
        { qRgb(255, 255, 255), 255 } };
    for (const auto& c : cases) {
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(c.file);
        const HeightMap map = loaded(savePng(image, scratch / "plain.png"));
        ASSERT_EQ(map.width, 256);
        ASSERT_EQ(map.height, 256);
        EXPECT_EQ(map.grey(0, 0), c.grey);
        EXPECT_EQ(map.grey(255, 255), c.grey);
    }

    // 512 x 64, black left half, white right half: stretched to 256 x 256 the
    // edge runs down the middle, whatever the aspect ratio.
    QImage wide(512, 64, QImage::Format_RGB32);
    wide.fill(Qt::black);
    for (int y = 0; y < 64; ++y)
        for (int x = 256; x < 512; ++x)
            wide.setPixel(x, y, qRgb(255, 255, 255));
    const HeightMap map = loaded(savePng(wide, scratch / "wide.png"));
    for (int y : { 0, 128, 255 }) {
        EXPECT_EQ(map.grey(100, y), 0);
        EXPECT_EQ(map.grey(156, y), 255);
    }

    // Not a PNG, whatever the name: refused, the image untouched.
    std::ofstream(scratch / "text.png") << "not an image\n";
    QImage kept(2, 2, QImage::Format_RGB32);
    EXPECT_FALSE(loadHeightMapImage(QString::fromStdString(scratch / "text.png"), kept));
    EXPECT_EQ(kept.size(), QSize(2, 2));
}

TEST(TerrainCli, WritesTheMeshThePageBuilds)
{
    const Scratch scratch;
    const std::string png = savePng(noiseImage(300, 170), scratch / "map.png");
    testing::internal::CaptureStdout();
    ASSERT_EQ(runTerrain({ "--heightmap", png, "--resolution", "100", "--scale", "200", "--height",
                  "50", scratch / "cli.obj" }),
        0);
    ASSERT_EQ(runTerrain({ "--colour-by-height", "--heightmap", png, "--resolution", "100",
                  "--scale", "200", "--height", "50", scratch / "coloured.obj" }),
        0);

    Mesh mesh;
    ASSERT_TRUE(buildTerrainMesh(mesh, loaded(png), { 100, 200, 50 }));
    ASSERT_TRUE(writeObj(mesh, scratch / "page.obj"));
    EXPECT_EQ(readFile(scratch / "cli.obj"), readFile(scratch / "page.obj"));

    colourByHeight(mesh, {}, false);
    Mesh back;
    ASSERT_TRUE(readObj(back, scratch / "coloured.obj"));
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(back.numVertices, mesh.numVertices);
    for (int i = 0; i < mesh.numVertices; i += 97) {
        EXPECT_NEAR(back.vertexColours[i].x, mesh.vertexColours[i].x, 1e-5f);
        EXPECT_NEAR(back.vertexColours[i].y, mesh.vertexColours[i].y, 1e-5f);
        EXPECT_NEAR(back.vertexColours[i].z, mesh.vertexColours[i].z, 1e-5f);
    }
}

TEST(TerrainCli, BadArgumentsFailWithoutWriting)
{
    const Scratch scratch;
    const std::string png = savePng(noiseImage(8, 8), scratch / "map.png");
    std::ofstream(scratch / "bad.png") << "nope";
    const std::string out = scratch / "out.obj";
    const std::vector<Args> bad = {
        { "--heightmap", png, "--resolution", "0", "--scale", "1", "--height", "1", out },
        { "--heightmap", png, "--resolution", "x", "--scale", "1", "--height", "1", out },
        { "--heightmap", png, "--resolution", "4", "--scale", "-2", "--height", "1", out },
        { "--heightmap", png, "--resolution", "4", "--scale", "1", "--height", "0", out },
        { "--heightmap", png, "--resolution", "4", "--scale", "1", out },
        { "--heightmap", png, "--resolution", "4", "--scale", "1", "--height", "1" },
        { "--resolution", "4", "--scale", "1", "--height", "1", out },
        { "--heightmap", scratch / "bad.png", "--resolution", "4", "--scale", "1", "--height", "1",
            out },
        { "--heightmap", png, "--resolution", "1", "--scale", "1", "--height", "1", out },
        { "--heightmap" },
    };
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    for (const Args& args : bad)
        EXPECT_EQ(runTerrain(args), 1) << args.size();
    testing::internal::GetCapturedStdout();
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("as a PNG image"), std::string::npos);
    EXPECT_NE(errors.find("(empty mesh)"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(out));
}
