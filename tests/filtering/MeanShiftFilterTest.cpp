#include "FilterMeshes.h"
#include "ReferenceFilters.h"

#include "filtering/engine/FaceNeighbourhoods.h"
#include "filtering/engine/MeanShiftFilter.h"
#include "filtering/engine/ProgressBar.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Runs the filter as the view's Apply does, its console lines swallowed.
std::string runFull(MeanShiftFilter& filter, Mesh& mesh, float slider, int algorithm)
{
    return captureStdout(
        [&] { filter.run(kernelFromSlider(slider, mesh), FILTER_FULL, algorithm); });
}

Vector normalised(Vector v)
{
    v.normalise();
    return v;
}

} // namespace

TEST(ProgressBar, RewritesOneLineWithGrowingBar)
{
    ProgressBar bar;
    const std::string out = captureStdout([&] {
        for (int i = 0; i < 20; ++i)
            bar.update(i, 20);
    });
    // Marks at 0, 2, ..., 18: the bar fills to width - 1 cells and beyond.
    EXPECT_EQ(out.substr(0, 28), "\r\rProgress = [         ]\r\rPr");
    EXPECT_NE(out.find("[*********]"), std::string::npos);
    EXPECT_EQ(std::count(out.begin(), out.end(), '['), 10);
    EXPECT_EQ(captureStdout([&] { bar.update(0, 0); }), "");
}

TEST(MeanShiftFilter, ZeroKernelIsRefused)
{
    Mesh mesh = octahedron();
    const auto before = faceNormals(mesh);
    MeanShiftFilter filter(&mesh);
    for (int algorithm : { MEAN_SHIFT, SHPERE_JUMP, MEDIAN_FILTER }) {
        EXPECT_EQ(runFull(filter, mesh, 0.0f, algorithm), "");
        EXPECT_EQ(captureStdout([&] {
            filter.run(kernelFromSlider(0.0f, mesh), FILTER_STEP, algorithm);
        }),
            "");
    }
    EXPECT_EQ(faceNormals(mesh), before);
    EXPECT_EQ(filter.algorithm, MEAN_SHIFT);
}

// Below every centroid spacing each face is its own region; above the mesh's
// size everything is one region with the mesh's mean normal.
TEST(MeanShiftFilter, RadiusExtremes)
{
    for (int algorithm : { MEAN_SHIFT, SHPERE_JUMP }) {
        Mesh mesh = rippledGrid(6);
        const auto before = faceNormals(mesh);
        MeanShiftFilter filter(&mesh);
        const std::string out = captureStdout(
            [&] { filter.run(Vector(1e-3f, 1e-3f, 1e-3f, 1.0f), FILTER_FULL, algorithm); });
        EXPECT_NE(out.find("Number of Regions:\t50 \n"), std::string::npos) << out;
        EXPECT_NE(out.find("Data Size:\t\t50 \n"), std::string::npos);
        EXPECT_NE(out.find("Mean Shift Radius:\t0.001000 \n"), std::string::npos);
        EXPECT_EQ(out.find(algorithm == MEAN_SHIFT ? "Evaluating MEAN_SHIFT: \nWEIGHT_MODE = 0\n"
                                                   : "Evaluating SHPERE_JUMP: \nWEIGHT_MODE = 0\n"),
            0u);
        for (int f = 0; f < mesh.numFaces; ++f) {
            const Vector n = normalised(Vector(before[std::size_t(f)][0],
                before[std::size_t(f)][1], before[std::size_t(f)][2], before[std::size_t(f)][3]));
            EXPECT_EQ(mesh.faces[std::size_t(f)].normal, n);
        }

        Mesh whole = rippledGrid(6);
        Vector sum(0.0f, 0.0f, 0.0f, 0.0f);
        for (const Face& face : whole.faces)
            sum += face.normal;
        MeanShiftFilter big(&whole);
        EXPECT_NE(runFull(big, whole, 100.0f * 200.0f, algorithm).find("Number of Regions:\t1 \n"),
            std::string::npos);
        for (const Face& face : whole.faces) {
            EXPECT_NEAR(face.normal.x, normalised(sum).x, 1e-6f);
            EXPECT_NEAR(face.normal.y, normalised(sum).y, 1e-6f);
            EXPECT_NEAR(face.normal.z, normalised(sum).z, 1e-6f);
        }
        EXPECT_EQ(big.needInit, 1);
        EXPECT_EQ(big.regions.size(), 1u);
        EXPECT_EQ(big.regions[0].size(), 50u);
    }
}

// Steps carry the state from call to call and end where a full run ends; the
// call after the last face starts again from the first face.
TEST(MeanShiftFilter, StepModeAcrossCallsAndRestart)
{
    for (int algorithm : { MEAN_SHIFT, SHPERE_JUMP }) {
        Mesh full = rippledGrid(9);
        MeanShiftFilter once(&full);
        runFull(once, full, 30.0f, algorithm);

        Mesh stepped = rippledGrid(9);
        MeanShiftFilter filter(&stepped);
        const Vector kernel = kernelFromSlider(30.0f, stepped);
        int calls = 0, lastProcessed = 0;
        do {
            const std::string out
                = captureStdout([&] { filter.run(kernel, FILTER_STEP, algorithm); });
            EXPECT_NE(out.find("\n\nData Size:"), std::string::npos);
            ++calls;
            if (filter.needInit == 0) {
                // A sphere-jump step is a whole region; a mean-shift step that
                // catches nothing closes its region.
                if (algorithm == SHPERE_JUMP) {
                    EXPECT_GT(filter.processed, lastProcessed);
                } else {
                    EXPECT_GE(filter.processed, lastProcessed);
                }
                lastProcessed = filter.processed;
            }
            if (algorithm == SHPERE_JUMP && filter.needInit == 0) {
                EXPECT_EQ(int(filter.regions.size()), calls);
            }
        } while (filter.needInit == 0 && calls < 1000);
        EXPECT_GT(calls, 2);
        EXPECT_EQ(filter.processed, 0);
        EXPECT_EQ(filter.unvisitedCount(), stepped.numFaces);
        EXPECT_EQ(faceNormals(stepped), faceNormals(full));
        EXPECT_EQ(filter.regions.size(), once.regions.size());

        // Again from the start: the first region grows from face 0.
        captureStdout([&] { filter.run(kernel, FILTER_STEP, algorithm); });
        EXPECT_EQ(filter.seed, 0);
        EXPECT_LE(filter.regions.size(), 1u);
        EXPECT_EQ(filter.regionPoints.empty() ? filter.regions[0][0].w : filter.regionPoints[0].w,
            0.0f);
    }
}

// The profile weighs each caught normal by 1 - y / height at the sample nearest
// to its distance; the seed counts fully.
TEST(MeanShiftFilter, ProfileWeighting)
{
    // Two faces whose centroids are 1 apart along x, normals along z and x.
    Mesh mesh = builtMesh({ { 0, 0, 0 }, { 0.3f, 0, 0 }, { 0, 0.3f, 0 }, { 1.1f, 0, -0.1f },
                              { 1.1f, 0.3f, 0 }, { 1.1f, 0, 0.1f } },
        { { 0, 1, 2 }, { 3, 4, 5 } });
    const Vector nA = mesh.faces[0].normal, nB = mesh.faces[1].normal;
    std::vector<Vector> profile;
    for (int k = 0; k < 100; ++k)
        profile.push_back(Vector(float(k), float(k), 0.0f));
    struct Case
    {
        float radius;
        float weight;
    };
    // d = 0.5: sample 50; d = 0.25: sample 25; beyond the height the weight is 0.
    for (const Case& c : { Case { 2.0f, 0.5f }, Case { 4.0f, 0.75f } }) {
        mesh.faces[0].normal = nA;
        mesh.faces[1].normal = nB;
        MeanShiftFilter filter(&mesh);
        filter.setProfile(profile, 100);
        const std::string out = captureStdout(
            [&] { filter.run(Vector(c.radius, c.radius, c.radius, 1.0f), FILTER_FULL, SHPERE_JUMP); });
        EXPECT_NE(out.find("WEIGHT_MODE = 1\n"), std::string::npos);
        Vector expected = nA + c.weight * nB;
        expected.normalise();
        EXPECT_EQ(mesh.faces[0].normal, expected) << c.radius;
        EXPECT_EQ(mesh.faces[1].normal, expected);
    }
    mesh.faces[0].normal = nA;
    mesh.faces[1].normal = nB;
    MeanShiftFilter filter(&mesh);
    filter.setProfile(std::vector<Vector>(100, Vector(0.0f, 250.0f, 0.0f)), 100);
    captureStdout([&] { filter.run(Vector(2, 2, 2, 1), FILTER_FULL, SHPERE_JUMP); });
    EXPECT_EQ(mesh.faces[1].normal, nA);
}

// The grid of centroids finds the same regions as walking the whole free list.
TEST(MeanShiftFilter, MatchesReferenceOnRealMeshes)
{
    std::vector<Vector> profile;
    for (int k = 0; k < 100; ++k)
        profile.push_back(Vector(float(k), 40.0f + 30.0f * std::sin(float(k) * 0.1f), 0.0f));
    int compared = 0;
    for (const char* name : { "spot.obj", "beetle.obj", "teapot.obj" }) {
        for (float slider : { 3.0f, 10.0f, 40.0f }) {
            for (int algorithm : { MEAN_SHIFT, SHPERE_JUMP }) {
                for (bool weighted : { false, true }) {
                    Mesh fast, slow;
                    if (!loadRealMesh(fast, name) || !loadRealMesh(slow, name))
                        GTEST_SKIP() << "real meshes not present";
                    MeanShiftFilter filter(&fast);
                    if (weighted)
                        filter.setProfile(profile, 120);
                    runFull(filter, fast, slider, algorithm);
                    const float r = kernelFromSlider(slider, slow).x;
                    const int regions = referenceRegions(slow, r, algorithm == MEAN_SHIFT,
                        weighted ? profile : std::vector<Vector> {}, 120);
                    ASSERT_EQ(int(filter.regions.size()), regions) << name << " " << slider;
                    ASSERT_EQ(faceNormals(fast), faceNormals(slow)) << name << " " << slider;
                    ++compared;
                }
            }
        }
    }
    EXPECT_EQ(compared, 36);
}

TEST(MedianFilter, DepthOneOnClosedMesh)
{
    Mesh mesh = octahedron();
    // Distinct normals so that the in-place order shows.
    for (int f = 0; f < mesh.numFaces; ++f)
        mesh.faces[std::size_t(f)].normal.x += 0.1f * float(f);
    Mesh expected = octahedron();
    for (int f = 0; f < mesh.numFaces; ++f)
        expected.faces[std::size_t(f)].normal = mesh.faces[std::size_t(f)].normal;
    for (int sweep = 0; sweep < 50; ++sweep) {
        for (int f = 0; f < mesh.numFaces; ++f) {
            const auto around = expected.edgeGraph.faceNeighbours[std::size_t(f)];
            ASSERT_EQ(around.size(), 3u);
            Vector sum(0.0f, 0.0f, 0.0f, 0.0f);
            for (int b : around)
                sum += expected.faces[std::size_t(b)].normal;
            sum /= 3.0f;
            expected.faces[std::size_t(f)].normal = sum;
        }
    }
    MeanShiftFilter filter(&mesh);
    const std::string out = runFull(filter, mesh, 1.0f, MEDIAN_FILTER);
    EXPECT_EQ(out.substr(0, 36), "Evaluating MEDIAN_FILTER: \ndepth: 1\n");
    EXPECT_EQ(faceNormals(mesh), faceNormals(expected));
    EXPECT_EQ(filter.algorithm, MEDIAN_FILTER);
}

TEST(MedianFilter, NeighbourhoodsAndReference)
{
    // Depth 2 on the octahedron: everything but the opposite face.
    Mesh octa = octahedron();
    FaceNeighbourhoods two(octa.edgeGraph.faceNeighbours, 2);
    for (int f = 0; f < 8; ++f) {
        const auto around = two.of(f);
        EXPECT_EQ(around.size(), 6u);
        EXPECT_EQ(std::count(around.begin(), around.end(), f), 0);
    }
    // Kept or recomputed, the same lists.
    Mesh grid = rippledGrid(7);
    for (int depth : { 1, 3, 5 }) {
        FaceNeighbourhoods kept(grid.edgeGraph.faceNeighbours, depth);
        FaceNeighbourhoods recomputed(grid.edgeGraph.faceNeighbours, depth, 10);
        ASSERT_TRUE(kept.stored());
        ASSERT_FALSE(recomputed.stored());
        for (int f = 0; f < grid.numFaces; ++f) {
            const auto a = kept.of(f);
            const auto b = recomputed.of(f);
            ASSERT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end()));
        }
    }
    // A face without neighbours keeps its normal.
    Mesh single = builtMesh({ { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 } }, { { 0, 1, 2 } });
    const auto before = faceNormals(single);
    MeanShiftFilter alone(&single);
    runFull(alone, single, 3.0f, MEDIAN_FILTER);
    EXPECT_EQ(faceNormals(single), before);

    for (const char* name : { "beetle.obj", "spot.obj" }) {
        for (int depth : { 1, 2, 3 }) {
            Mesh fast, slow;
            if (!loadRealMesh(fast, name) || !loadRealMesh(slow, name))
                GTEST_SKIP() << "real meshes not present";
            MeanShiftFilter filter(&fast);
            runFull(filter, fast, float(depth), MEDIAN_FILTER);
            referenceMedian(slow, depth);
            ASSERT_EQ(faceNormals(fast), faceNormals(slow)) << name << " depth " << depth;
        }
    }
}
