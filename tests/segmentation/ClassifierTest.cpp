#include "ReferenceClassifier.h"
#include "SegmentationTestMeshes.h"
#include "TestUtil.h"

#include "mesh/engine/Mesh.h"
#include "segmentation/engine/Mesh_Classifier.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace {

// Classifies mesh quietly; the console text is returned.
std::string classify(Mesh_Classifier& k, Mesh& mesh, int spMode = 0, double weight = 0.5)
{
    k.mesh = &mesh;
    k.spMode = spMode;
    k.weight = weight;
    return testutil::captureStdout([&] { k.classify(); });
}

} // namespace

// A bumpy grid, then the real meshes when present (suzanne has three parts).
struct RealMeshes : testing::Test
{
    Mesh grid = bumpyGrid(14), cross, suzanne;
    std::vector<Mesh*> meshes { &grid };
    void SetUp() override
    {
        for (auto [mesh, name] : { std::pair { &cross, "cross.obj" }, { &suzanne, "suzanne.obj" } })
            if (loadRealMesh(*mesh, name))
                meshes.push_back(mesh);
    }
};

// The whole table, costs included, bit for bit; a coplanar strip, a tetrahedron
// (every bend over 1 radian: no angle term) and two faces sharing no edge try the
// fallbacks of the means, weight 0 a cost of 0 that joins nothing.
TEST_F(RealMeshes, FastFloydIsThePlainLoopAndDijkstraAgrees)
{
    Mesh strip = flatStrip(1);
    Mesh tetra
        = segMesh(tetraPositions(0.0f), { { 0, 1, 2 }, { 0, 3, 1 }, { 0, 2, 3 }, { 1, 3, 2 } });
    Mesh apart
        = segMesh({ { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 5, 0, 0 }, { 6, 0, 0 }, { 5, 1, 0 } },
            { { 0, 1, 2 }, { 3, 4, 5 } });
    meshes.insert(meshes.end(), { &strip, &tetra, &apart });
    for (Mesh* mesh : meshes)
        for (double weight : { 0.5, 0.0 }) {
            Mesh_Classifier floyd, dijkstra;
            classify(floyd, *mesh, 0, weight);
            classify(dijkstra, *mesh, 1, weight);
            const int n = mesh->numFaces;
            if (n < 700) {
                ReferenceClassifier plain(*mesh);
                plain.weight = weight;
                plain.buildCosts();
                plain.floyd();
                ASSERT_EQ(0,
                    std::memcmp(
                        plain.dist.data(), floyd.table.data(), plain.dist.size() * sizeof(float)))
                    << n << " faces, weight " << weight;
            }
            int unreachable = 0;
            for (int i = 0; i < n; ++i)
                for (int j = 0; j <= i; ++j) {
                    const float a = floyd.distance(i, j), b = dijkstra.distance(i, j);
                    unreachable += a == 1e9f;
                    ASSERT_NEAR(a, b, 2e-6f * a) << i << ", " << j;
                }
            if (mesh == &suzanne || mesh == &apart) {
                EXPECT_GT(unreachable, 0); // parts apart
            }
            // No angle term or no edge at all: the mean falls back to 1.
            EXPECT_TRUE(mesh != &tetra || floyd.meanAngle == 1.0f);
            EXPECT_TRUE(mesh != &apart || floyd.meanLength == 1.0f);
        }
}

// The plain loops run on the distances the engine built. Two parts apart: the
// searches start at infinity (from 1e6, past sums of 1e9, every refined seed
// fell onto one face).
TEST_F(RealMeshes, SeedsMembershipsAndPatchesMatchThePlainLoops)
{
    std::vector<Vector> two = tetraPositions(0.0f);
    for (const Vector& v : tetraPositions(10.0f))
        two.push_back(v);
    Mesh parts = segMesh(two,
        { { 0, 1, 2 }, { 0, 3, 1 }, { 0, 2, 3 }, { 1, 3, 2 }, { 4, 5, 6 }, { 4, 7, 5 }, { 4, 6, 7 },
            { 5, 7, 6 } });
    meshes.push_back(&parts);
    for (Mesh* mesh : meshes) {
        Mesh_Classifier k;
        classify(k, *mesh, 1);
        ReferenceClassifier plain(*mesh);
        plain.dist.assign(
            k.table.data(), k.table.data() + ShortestPathTable::rowStart(mesh->numFaces));
        plain.classify();
        ASSERT_EQ(k.numPatches, plain.numPatches) << mesh->numFaces;
        ASSERT_EQ(k.seeds, plain.seeds) << mesh->numFaces;
        ASSERT_EQ(k.memberships, plain.memberships);
        ASSERT_TRUE(k.partition(k.numPatches));
        plain.partition(plain.numPatches);
        ASSERT_EQ(k.seeds, plain.seeds);
        ASSERT_EQ(k.patchOfFace, plain.patchOfFace);
        for (int f = 0; f < mesh->numFaces; ++f) {
            const Vector& want = k.patchColours[std::size_t(k.patchOfFace[std::size_t(f)])];
            const Vector got = mesh->colour(std::size_t(f));
            ASSERT_TRUE(got.x == want.x && got.y == want.y && got.z == want.z && got.w == 1.0f);
        }
    }
}

TEST(Mesh_Classifier, EqualCostsGoToTheLaterFaceAndBadTableFilesAreRefusedAndRebuilt)
{
    // Four faces in a row with equal costs (weight 0, coplanar).
    Mesh strip = flatStrip(2);
    Mesh_Classifier k;
    const std::string out = classify(k, strip, 0, 0.0);
    // Central seed: faces 1 and 2 tie, the later wins; farthest points then
    // take the later of equal faces.
    EXPECT_NE(out.find("Eval FUZZY\n2\n0\n3\n1\n3\n3\n"), std::string::npos) << out;
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

    // Table files: a good one reads back; bad ones are refused and the table rebuilt.
    Mesh grid = bumpyGrid(6);
    Mesh_Classifier t;
    classify(t, grid);
    const std::vector<int> seeds = t.seeds;
    const std::vector<float> before(t.table.data(), t.table.data() + t.table.size);
    const testutil::TempDir dir;
    const std::string file = dir.file("t.spt");
    testing::internal::CaptureStdout();
    ASSERT_TRUE(t.save(file));
    ASSERT_TRUE(t.load(file));
    EXPECT_EQ(t.rebuild, 0);
    EXPECT_EQ(0, std::memcmp(before.data(), t.table.data(), before.size() * sizeof(float)));

    // A file of the wrong size or none at all: refused, and the next
    // classification builds its own table.
    std::filesystem::resize_file(file, 4u * std::uintmax_t(t.table.size) - 4);
    for (const std::string& bad : { file, dir.file("missing.spt") }) {
        t.rebuild = 0;
        EXPECT_FALSE(t.load(bad)) << bad;
        EXPECT_EQ(t.rebuild, 1) << bad;
    }

    // A table that does not fit: nothing classified, nothing changed.
    t.table.memoryLimit = 4000;
    EXPECT_FALSE(t.classify());
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(t.seeds, seeds);
}
