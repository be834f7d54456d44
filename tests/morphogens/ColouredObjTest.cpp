// Coloured meshes survive a save: the optional "vc" lines of the OBJ writer and
// the flag that says whether a mesh's colours are its own.
#include "TestUtil.h"

#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/WriteObj.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <random>

TEST(ColouredObj, SavedColoursReadBackAsTheSameFloats)
{
    // Arbitrary finite bit patterns: tiny, huge, subnormal.
    std::mt19937 random(13);
    std::uniform_int_distribution<std::uint32_t> bits;
    std::vector<Vector> points;
    std::vector<std::array<int, 3>> faces;
    for (int i = 0; i < 3000; ++i)
        points.emplace_back(float(i), float(i % 7), 0.0f);
    for (int i = 0; i < 3000; i += 3)
        faces.push_back({ i, i + 1, i + 2 });
    Mesh mesh;
    testutil::makeMesh(mesh, points, faces);
    for (std::size_t i = 0; i < points.size(); ++i)
        for (float* c :
            { &mesh.vertexColours[i].x, &mesh.vertexColours[i].y, &mesh.vertexColours[i].z })
            do
                *c = std::bit_cast<float>(bits(random));
            while (!std::isfinite(*c));

    testutil::TempDir dir;
    const std::string plain = dir.file("plain.obj"), coloured = dir.file("coloured.obj");
    testutil::captureStdout([&] {
        ASSERT_TRUE(writeObj(mesh, plain));
        ASSERT_TRUE(writeObj(mesh, coloured, { .vertexColours = true }));
    });

    for (const auto& [path, own] : { std::pair { plain, false }, std::pair { coloured, true } }) {
        Mesh back;
        testutil::captureStdout([&] { ASSERT_TRUE(openMeshFile(back, path)); });
        EXPECT_EQ(back.vertexColoursSet, own);
        Mesh copy;
        copy.copyFrom(back);
        EXPECT_EQ(copy.vertexColoursSet, own);
        for (std::size_t i = 0; own && i < points.size(); ++i) // x, y, z bit for bit
            ASSERT_EQ(std::memcmp(&mesh.vertexColours[i], &back.vertexColours[i], 12), 0) << i;
    }
}
