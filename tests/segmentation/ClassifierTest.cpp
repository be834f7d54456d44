#include "ReferenceClassifier.h"
#include "SegmentationTestMeshes.h"

#include "mesh/engine/Mesh.h"
#include "segmentation/engine/Mesh_Classifier.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

std::string tempFile(const std::string& name)
{
    return (std::filesystem::temp_directory_path()
        / ("facetra-seg-" + std::to_string(::getpid()) + "-" + name))
        .string();
}

// Classifies quietly; the console text is returned.
std::string classifyCapturing(Mesh_Classifier& c)
{
    testing::internal::CaptureStdout();
    c.classify();
    return testing::internal::GetCapturedStdout();
}

Mesh twoTetrahedra()
{
    std::vector<Vector> p = tetraPositions(0.0f);
    for (const Vector& v : tetraPositions(10.0f))
        p.push_back(v);
    return segMesh(p,
        { { 0, 1, 2 }, { 0, 3, 1 }, { 0, 2, 3 }, { 1, 3, 2 }, { 4, 5, 6 }, { 4, 7, 5 }, { 4, 6, 7 },
            { 5, 7, 6 } });
}

} // namespace

TEST(ShortestPathTable, SizingLinesAndLayout)
{
    const struct
    {
        int n;
        std::int64_t size;
    } cases[] = { { 1, 1 }, { 3, 7 }, { 100, 5100 }, { 14021, 98308241 } };
    for (const auto& c : cases)
        EXPECT_EQ(ShortestPathTable::entriesFor(c.n), c.size) << c.n;
    ShortestPathTable t;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(t.allocate(3));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
        "MAX mesh triangles: 14021\nAllocating: 0.00MB\nSize: 7\n");
    t.at(2, 0) = 5.0f;
    EXPECT_EQ(t.data()[3], 5.0f);
    EXPECT_EQ(t.at(0, 2), 5.0f);

    // Too big for the room given: refused before allocating, with its size.
    t.memoryLimit = 1000;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(t.allocate(100));
    const std::string refusal = testing::internal::GetCapturedStdout();
    EXPECT_NE(refusal.find("Size: 5100\nShortest path table refused: 0.03MB needed for 100 faces, "
                           "0.00MB available\n"),
        std::string::npos)
        << refusal;
    EXPECT_TRUE(t.empty());
}

TEST(ShortestPathTable, CostsReachTheTable)
{
    // One interior edge among five; coplanar, so its angle term is 0.05.
    Mesh strip = flatStrip(1);
    Mesh tetra
        = segMesh(tetraPositions(0.0f), { { 0, 1, 2 }, { 0, 3, 1 }, { 0, 2, 3 }, { 1, 3, 2 } });
    Mesh apart
        = segMesh({ { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 5, 0, 0 }, { 6, 0, 0 }, { 5, 1, 0 } },
            { { 0, 1, 2 }, { 3, 4, 5 } });
    const float stripLength = std::sqrt(2.0f) / 3.0f;
    const struct
    {
        const char* name;
        Mesh* mesh;
        double weight;
        float meanLength, meanAngle, d01;
    } cases[] = {
        { "coplanar, weight 0.5", &strip, 0.5, stripLength / 5, 0.01f, 0.5f * 5 + 0.5f * 5 },
        { "coplanar, weight 1", &strip, 1.0, stripLength / 5, 0.01f, 5.0f },
        { "coplanar, weight 0", &strip, 0.0, stripLength / 5, 0.01f, 5.0f },
        // Every bend over 1 radian: no angle term, its mean falls back to 1.
        { "tetrahedron", &tetra, 0.5, 0.0f, 1.0f, 0.5f },
        { "tetrahedron, weight 0 joins nothing", &tetra, 0.0, 0.0f, 1.0f, 1e9f },
        { "no shared edge", &apart, 0.5, 1.0f, 1.0f, 1e9f },
    };
    for (const auto& c : cases) {
        for (int mode : { 0, 1 }) {
            Mesh_Classifier k;
            k.mesh = c.mesh;
            k.weight = c.weight;
            k.spMode = mode;
            classifyCapturing(k);
            if (c.meanLength > 0.0f) {
                EXPECT_FLOAT_EQ(k.meanLength, c.meanLength) << c.name;
            }
            EXPECT_FLOAT_EQ(k.meanAngle, c.meanAngle) << c.name;
            EXPECT_FLOAT_EQ(k.distance(0, 1), c.d01) << c.name << " mode " << mode;
            EXPECT_EQ(k.distance(1, 1), 0.0f);
        }
    }
}

TEST(ShortestPathTable, FastFloydIsThePlainLoopAndDijkstraAgrees)
{
    Mesh grid = bumpyGrid(18);
    Mesh cross, suzanne;
    const bool real = loadRealMesh(cross, "cross.obj") && loadRealMesh(suzanne, "suzanne.obj");
    std::vector<Mesh*> meshes { &grid };
    if (real) {
        meshes.push_back(&cross);
        meshes.push_back(&suzanne);
    }
    for (Mesh* mesh : meshes) {
        Mesh_Classifier floyd, dijkstra;
        floyd.mesh = dijkstra.mesh = mesh;
        dijkstra.spMode = 1;
        classifyCapturing(floyd);
        classifyCapturing(dijkstra);
        const int n = mesh->numFaces;
        if (n < 700) {
            ReferenceClassifier plain(*mesh, kInf);
            plain.buildCosts();
            plain.floyd();
            ASSERT_EQ(0,
                std::memcmp(
                    plain.dist.data(), floyd.table.data(), plain.dist.size() * sizeof(float)))
                << n << " faces";
        }
        int unreachable = 0;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j <= i; ++j) {
                const float a = floyd.distance(i, j), b = dijkstra.distance(i, j);
                unreachable += a == 1e9f;
                ASSERT_NEAR(a, b, 2e-6f * a) << i << ", " << j;
            }
        if (mesh == &suzanne) {
            EXPECT_GT(unreachable, 0); // three parts
        }
    }
    if (!real)
        GTEST_SKIP() << "real meshes not present";
}

TEST(Mesh_Classifier, MatchesThePlainClassification)
{
    Mesh grid = bumpyGrid(12);
    Mesh cross, suzanne;
    std::vector<Mesh*> meshes { &grid };
    if (loadRealMesh(cross, "cross.obj"))
        meshes.push_back(&cross);
    if (loadRealMesh(suzanne, "suzanne.obj"))
        meshes.push_back(&suzanne);
    Mesh parts = twoTetrahedra();
    meshes.push_back(&parts);
    for (Mesh* mesh : meshes) {
        Mesh_Classifier k;
        k.mesh = mesh;
        k.spMode = 1;
        classifyCapturing(k);
        ReferenceClassifier plain(*mesh, kInf);
        plain.dist.assign(
            k.table.data(), k.table.data() + ShortestPathTable::rowStart(mesh->numFaces));
        plain.classify();
        ASSERT_EQ(k.numPatches, plain.numPatches) << mesh->numFaces;
        ASSERT_EQ(k.seeds, plain.seeds) << mesh->numFaces;
        ASSERT_EQ(k.memberships, plain.memberships);
        if (k.numPatches == 0)
            continue;
        ASSERT_TRUE(k.partition(k.numPatches));
        plain.partition(plain.numPatches);
        ASSERT_EQ(k.seeds, plain.seeds);
        ASSERT_EQ(k.patchOfFace, plain.patchOfFace);
        for (int f = 0; f < mesh->numFaces; ++f) {
            const Vector& want = k.patchColours[std::size_t(k.patchOfFace[std::size_t(f)])];
            const Vector& got = mesh->faces[std::size_t(f)].colour;
            ASSERT_TRUE(got.x == want.x && got.y == want.y && got.z == want.z && got.w == 1.0f);
        }
    }
}

TEST(Mesh_Classifier, SearchesStartAtInfinity)
{
    // Under 1e6 the first start value gives the same seeds...
    Mesh grid = bumpyGrid(8);
    Mesh_Classifier small;
    small.mesh = &grid;
    classifyCapturing(small);
    ReferenceClassifier first(grid, 1e6f);
    first.dist.assign(
        small.table.data(), small.table.data() + ShortestPathTable::rowStart(grid.numFaces));
    first.classify();
    EXPECT_EQ(small.seeds, first.seeds);

    // ...past it (two parts: sums of 1e9) every refined seed fell onto one face.
    Mesh parts = twoTetrahedra();
    Mesh_Classifier k;
    k.mesh = &parts;
    classifyCapturing(k);
    ReferenceClassifier old(parts, 1e6f);
    old.dist.assign(k.table.data(), k.table.data() + ShortestPathTable::rowStart(8));
    old.classify();
    ASSERT_GE(k.numPatches, 2);
    for (int p = 0; p < old.numPatches; ++p) {
        EXPECT_EQ(old.seeds[std::size_t(p)], old.seeds[0]);
    }
    ASSERT_TRUE(k.partition(2));
    EXPECT_NE(k.patchOfFace[0], k.patchOfFace[4]);
    for (int f = 0; f < 8; ++f)
        EXPECT_EQ(k.patchOfFace[std::size_t(f)], k.patchOfFace[std::size_t(f < 4 ? 0 : 4)]);
}

TEST(Mesh_Classifier, TieRulesAndConsole)
{
    // Four faces in a row with equal costs (weight 0, coplanar).
    Mesh strip = flatStrip(2);
    Mesh_Classifier k;
    k.mesh = &strip;
    k.weight = 0.0;
    const std::string out = classifyCapturing(k);
    // Central seed: faces 1 and 2 tie, the later wins; farthest points then
    // take the later of equal faces.
    EXPECT_NE(out.find("Eval FUZZY\n2\n0\n3\n1\n3\n3\n"), std::string::npos) << out;
    const char* order[]
        = { "Using Floyd Shortest Path\n", "MAX mesh triangles: ", "Allocating: ", "Size: 12\n",
              "Building Centroids\n", "Building Distances\n", "Building Patches\n",
              "Optimal Number of Patches:", "neigbour: ", "Eval FUZZY\n" };
    std::size_t at = 0;
    for (const char* line : order) {
        const std::size_t found = out.find(line, at);
        ASSERT_NE(found, std::string::npos) << line;
        at = found;
    }
    // k-medoids: face 1 lies as far from seed 0 as from seed 2 and goes to
    // the later patch.
    k.seeds[0] = 0;
    k.seeds[1] = 2;
    ASSERT_TRUE(k.partition(2));
    EXPECT_EQ(k.patchOfFace, (std::vector<int> { 0, 1, 1, 1 }));
    EXPECT_EQ(k.seeds[1], 2);
    // n outside the seeds available does nothing.
    EXPECT_FALSE(k.partition(0));
    EXPECT_FALSE(k.partition(int(k.seeds.size()) + 1));
    Mesh_Classifier fresh;
    fresh.mesh = &strip;
    EXPECT_FALSE(fresh.partition(1));
}

TEST(Mesh_Classifier, TableFilesAndRefusals)
{
    Mesh grid = bumpyGrid(6);
    Mesh_Classifier k;
    k.mesh = &grid;
    classifyCapturing(k);
    const std::vector<int> seeds = k.seeds;
    const std::string file = tempFile("t.spt");
    testing::internal::CaptureStdout();
    ASSERT_TRUE(k.save(file));
    EXPECT_EQ(std::filesystem::file_size(file), 4u * std::uintmax_t(k.table.size));
    std::vector<float> before(k.table.data(), k.table.data() + k.table.size);
    ASSERT_TRUE(k.load(file));
    EXPECT_EQ(k.rebuild, 0);
    EXPECT_EQ(0, std::memcmp(before.data(), k.table.data(), before.size() * sizeof(float)));
    k.classify();
    EXPECT_EQ(k.seeds, seeds);

    // A file of the wrong size or none at all: refused, and the next
    // classification builds its own table.
    std::filesystem::resize_file(file, 4u * std::uintmax_t(k.table.size) - 4);
    EXPECT_FALSE(k.load(file));
    EXPECT_EQ(k.rebuild, 1);
    k.rebuild = 0;
    EXPECT_FALSE(k.load(tempFile("missing.spt")));
    EXPECT_EQ(k.rebuild, 1);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Saving Shortest Path Table\n"), std::string::npos);
    EXPECT_NE(out.find("refused: the file holds 5196 bytes, a table for 50 faces takes 5200"),
        std::string::npos)
        << out;
    EXPECT_NE(
        out.find("ERROR: could not open file... [Mesh_Classifier::load()]"), std::string::npos);
    std::filesystem::remove(file);

    // A table that does not fit: nothing classified, nothing changed.
    k.table.memoryLimit = 4000;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(k.classify());
    out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Shortest path table refused"), std::string::npos);
    EXPECT_EQ(k.seeds, seeds);
}
