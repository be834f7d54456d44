#include "FilterTestUtil.h"

#include "filtering/engine/FaceNeighbourhoods.h"
#include "filtering/engine/MeanShiftFilter.h"

namespace {

std::string run(MeanShiftFilter& filter, float slider, int algorithm, int mode = FILTER_FULL)
{
    return captureStdout(
        [&] { filter.run(kernelFromSlider(slider, *filter.mesh), mode, algorithm); });
}

} // namespace

// A kernel of 0 is refused silently. Below every centroid spacing each face is
// its own region (its normal normalised); beyond the mesh's size one region
// holds the mean normal.
TEST(MeanShiftFilter, ZeroTinyAndHugeKernels)
{
    const Mesh fresh = rippledGrid(6);
    for (int algorithm : { MEAN_SHIFT, SHPERE_JUMP, MEDIAN_FILTER }) {
        Mesh mesh = rippledGrid(6);
        MeanShiftFilter filter(&mesh);
        EXPECT_EQ(run(filter, 0.0f, algorithm), "");
        EXPECT_EQ(run(filter, 0.0f, algorithm, FILTER_STEP), "");
        EXPECT_EQ(faceNormals(mesh), faceNormals(fresh));
        if (algorithm == MEDIAN_FILTER)
            continue;
        captureStdout([&] { filter.run(Vector(1e-3f, 1e-3f, 1e-3f, 1.0f), FILTER_FULL, algorithm); });
        EXPECT_EQ(filter.regions.size(), 50u);
        Vector sum(0.0f, 0.0f, 0.0f, 0.0f);
        for (int f = 0; f < 50; ++f) {
            Vector n = fresh.faces[std::size_t(f)].normal;
            sum += n;
            n.normalise();
            EXPECT_EQ(mesh.faces[std::size_t(f)].normal, n);
        }
        sum.normalise();
        EXPECT_NE(run(filter, 4000.0f, algorithm).find("Regions:\t1 \n"), std::string::npos);
        for (const Face& face : mesh.faces)
            EXPECT_LT(std::abs(face.normal.dot(sum) - 1.0f), 1e-6f);
    }
}

// Steps carry the state from call to call and end where a full run ends (a
// sphere jump step is one whole region); the call after the last face starts
// again from face 0.
TEST(MeanShiftFilter, StepsEndWhereAFullRunEndsThenRestart)
{
    for (int algorithm : { MEAN_SHIFT, SHPERE_JUMP }) {
        Mesh full = rippledGrid(9), stepped = rippledGrid(9);
        MeanShiftFilter once(&full), filter(&stepped);
        run(once, 30.0f, algorithm);
        int calls = 0;
        do {
            run(filter, 30.0f, algorithm, FILTER_STEP);
            EXPECT_TRUE(algorithm != SHPERE_JUMP || filter.needInit == 1
                || int(filter.regions.size()) == calls + 1);
        } while (filter.needInit == 0 && ++calls < 1000);
        EXPECT_GT(calls, 2);
        EXPECT_EQ(faceNormals(stepped), faceNormals(full));
        EXPECT_EQ(filter.regions.size(), once.regions.size());
        run(filter, 30.0f, algorithm, FILTER_STEP);
        EXPECT_EQ(filter.seed, 0);
        EXPECT_LE(filter.regions.size(), 1u);
    }
}

// Each caught normal counts 1 - y / height of the sample nearest to its
// distance, never below 0; the seed counts fully.
TEST(MeanShiftFilter, ProfileWeightsByDistanceClampedAtZero)
{
    // Two faces with centroids 1 apart along x.
    Mesh mesh = builtMesh({ { 0, 0, 0 }, { 0.3f, 0, 0 }, { 0, 0.3f, 0 }, { 1.1f, 0, -0.1f },
                              { 1.1f, 0.3f, 0 }, { 1.1f, 0, 0.1f } },
        { { 0, 1, 2 }, { 3, 4, 5 } });
    const Vector nA = mesh.faces[0].normal, nB = mesh.faces[1].normal;
    std::vector<Vector> rising;
    for (int k = 0; k < 100; ++k)
        rising.push_back(Vector(float(k), float(k), 0.0f));
    const std::vector<Vector> tooHigh(100, Vector(0.0f, 250.0f, 0.0f));
    for (auto [profile, radius, weight] :
        { std::tuple { rising, 2.0f, 0.5f }, { rising, 4.0f, 0.75f }, { tooHigh, 2.0f, 0.0f } }) {
        mesh.faces[0].normal = nA;
        mesh.faces[1].normal = nB;
        MeanShiftFilter filter(&mesh);
        filter.setProfile(profile, 100);
        captureStdout([&] { filter.run(Vector(radius, radius, radius, 1.0f), FILTER_FULL, SHPERE_JUMP); });
        Vector expected = nA + weight * nB;
        expected.normalise();
        EXPECT_EQ(mesh.faces[0].normal, expected) << radius;
        EXPECT_EQ(mesh.faces[1].normal, expected) << radius;
    }
}

// The grid of centroids finds the regions that walking the whole list finds.
TEST(MeanShiftFilter, MatchesReferenceOnRealMeshes)
{
    std::vector<Vector> profile;
    for (int k = 0; k < 100; ++k)
        profile.push_back(Vector(float(k), 40.0f + 30.0f * std::sin(float(k) * 0.1f), 0.0f));
    for (const char* name : { "beetle.obj", "teapot.obj" })
        for (float slider : { 4.0f, 15.0f, 40.0f })
            for (int algorithm : { MEAN_SHIFT, SHPERE_JUMP })
                for (bool weighted : { false, true }) {
                    Mesh fast, slow;
                    if (!loadRealMesh(fast, name) || !loadRealMesh(slow, name))
                        GTEST_SKIP() << "real meshes not present";
                    MeanShiftFilter filter(&fast);
                    if (weighted)
                        filter.setProfile(profile, 120);
                    run(filter, slider, algorithm);
                    const int regions = referenceRegions(slow, kernelFromSlider(slider, slow).x,
                        algorithm == MEAN_SHIFT, weighted ? profile : std::vector<Vector> {}, 120);
                    ASSERT_EQ(int(filter.regions.size()), regions) << name << " " << slider;
                    ASSERT_EQ(faceNormals(fast), faceNormals(slow)) << name << " " << slider;
                }
}

// Whole neighbourhoods, each face once, and past a size budget none kept; the
// normals equal searching every neighbourhood afresh; a lone face keeps its own.
TEST(MedianFilter, MatchesReferenceAndKeepsLoneFaces)
{
    Mesh grid = rippledGrid(7);
    EXPECT_EQ(FaceNeighbourhoods(grid.edgeGraph.faceNeighbours, 40).totalSize(),
        std::size_t(grid.numFaces * (grid.numFaces - 1)));
    EXPECT_FALSE(FaceNeighbourhoods(grid.edgeGraph.faceNeighbours, 40, 5000).complete());

    const auto single = [] { return builtMesh({ { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 } }, { { 0, 1, 2 } }); };
    Mesh lone = single();
    MeanShiftFilter alone(&lone);
    run(alone, 3.0f, MEDIAN_FILTER);
    EXPECT_EQ(faceNormals(lone), faceNormals(single()));

    for (const char* name : { "", "beetle.obj", "african_head.obj" })
        for (int depth : { 1, 3 }) {
            Mesh fast, slow;
            if (!*name)
                fast = rippledGrid(9), slow = rippledGrid(9);
            else if (!loadRealMesh(fast, name) || !loadRealMesh(slow, name))
                GTEST_SKIP() << "real meshes not present";
            MeanShiftFilter filter(&fast);
            run(filter, float(depth), MEDIAN_FILTER);
            referenceMedian(slow, depth);
            ASSERT_EQ(faceNormals(fast), faceNormals(slow)) << name << " depth " << depth;
        }
}
