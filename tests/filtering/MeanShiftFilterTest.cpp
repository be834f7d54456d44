#include "FilterMeshes.h"
#include "ReferenceFilters.h"

#include "filtering/engine/FaceNeighbourhoods.h"
#include "filtering/engine/MeanShiftFilter.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

std::string run(MeanShiftFilter& filter, const Vector& kernel, int mode, int algorithm)
{
    return captureStdout([&] { filter.run(kernel, mode, algorithm); });
}

std::string runSlider(MeanShiftFilter& filter, float slider, int algorithm)
{
    return run(filter, kernelFromSlider(slider, *filter.mesh), FILTER_FULL, algorithm);
}

} // namespace

// A kernel of 0 is refused silently. Below every centroid spacing each face is
// its own region (its normal normalised); beyond the mesh's size one region
// holds the mean normal.
TEST(MeanShiftFilter, RadiusExtremes)
{
    for (int algorithm : { MEAN_SHIFT, SHPERE_JUMP }) {
        Mesh mesh = rippledGrid(6);
        MeanShiftFilter filter(&mesh);
        EXPECT_EQ(run(filter, kernelFromSlider(0.0f, mesh), FILTER_FULL, algorithm), "");
        EXPECT_EQ(run(filter, kernelFromSlider(0.0f, mesh), FILTER_STEP, algorithm), "");
        EXPECT_EQ(faceNormals(mesh), faceNormals(rippledGrid(6)));
        const std::string out
            = run(filter, Vector(1e-3f, 1e-3f, 1e-3f, 1.0f), FILTER_FULL, algorithm);
        EXPECT_EQ(out.find(algorithm == MEAN_SHIFT ? "Evaluating MEAN_SHIFT: \nWEIGHT_MODE = 0\n"
                                                   : "Evaluating SHPERE_JUMP: \nWEIGHT_MODE = 0\n"),
            0u);
        EXPECT_NE(
            out.find("\r\rProgress = [         ]\r\rProgress = [*        ]"), std::string::npos);
        EXPECT_NE(out.find("\nData Size:\t\t50 \nMean Shift Radius:\t0.001000 \nNumber of "
                           "Regions:\t50 \n"),
            std::string::npos);
        const Mesh fresh = rippledGrid(6);
        Vector sum(0.0f, 0.0f, 0.0f, 0.0f);
        for (int f = 0; f < 50; ++f) {
            Vector n = fresh.faces[std::size_t(f)].normal;
            sum += n;
            n.normalise();
            EXPECT_EQ(mesh.faces[std::size_t(f)].normal, n);
        }
        sum.normalise();
        EXPECT_NE(runSlider(filter, 4000.0f, algorithm).find("Regions:\t1 \n"), std::string::npos);
        for (const Face& face : mesh.faces)
            EXPECT_LT(std::abs(face.normal.dot(sum) - 1.0f), 1e-6f);
    }
}

// Steps carry the state from call to call and end where a full run ends; the
// call after the last face starts again from face 0.
TEST(MeanShiftFilter, StepModeAcrossCallsAndRestart)
{
    for (int algorithm : { MEAN_SHIFT, SHPERE_JUMP }) {
        Mesh full = rippledGrid(9), stepped = rippledGrid(9);
        MeanShiftFilter once(&full), filter(&stepped);
        runSlider(once, 30.0f, algorithm);
        const Vector kernel = kernelFromSlider(30.0f, stepped);
        int calls = 0;
        do {
            const int before = filter.processed;
            run(filter, kernel, FILTER_STEP, algorithm);
            // A sphere jump step is one whole region.
            if (algorithm == SHPERE_JUMP && filter.needInit == 0) {
                EXPECT_GT(filter.processed, before);
                EXPECT_EQ(int(filter.regions.size()), calls + 1);
            }
        } while (filter.needInit == 0 && ++calls < 1000);
        EXPECT_GT(calls, 2);
        EXPECT_EQ(faceNormals(stepped), faceNormals(full));
        EXPECT_EQ(filter.regions.size(), once.regions.size());
        run(filter, kernel, FILTER_STEP, algorithm);
        EXPECT_EQ(filter.seed, 0);
        EXPECT_LE(filter.regions.size(), 1u);
    }
}

// Each caught normal counts 1 - y / height of the sample nearest to its
// distance, never below 0; the seed counts fully.
TEST(MeanShiftFilter, ProfileWeighting)
{
    // Two faces with centroids 1 apart along x.
    Mesh mesh = builtMesh({ { 0, 0, 0 }, { 0.3f, 0, 0 }, { 0, 0.3f, 0 }, { 1.1f, 0, -0.1f },
                              { 1.1f, 0.3f, 0 }, { 1.1f, 0, 0.1f } },
        { { 0, 1, 2 }, { 3, 4, 5 } });
    const Vector nA = mesh.faces[0].normal, nB = mesh.faces[1].normal;
    std::vector<Vector> rising;
    for (int k = 0; k < 100; ++k)
        rising.push_back(Vector(float(k), float(k), 0.0f));
    struct Case
    {
        std::vector<Vector> profile;
        float radius, weight;
    };
    const Case cases[] = { { rising, 2.0f, 0.5f }, { rising, 4.0f, 0.75f },
        { std::vector<Vector>(100, Vector(0.0f, 250.0f, 0.0f)), 2.0f, 0.0f } };
    for (const Case& c : cases) {
        mesh.faces[0].normal = nA;
        mesh.faces[1].normal = nB;
        MeanShiftFilter filter(&mesh);
        filter.setProfile(c.profile, 100);
        const Vector kernel(c.radius, c.radius, c.radius, 1.0f);
        EXPECT_NE(run(filter, kernel, FILTER_FULL, SHPERE_JUMP).find("WEIGHT_MODE = 1\n"),
            std::string::npos);
        Vector expected = nA + c.weight * nB;
        expected.normalise();
        EXPECT_EQ(mesh.faces[0].normal, expected) << c.radius;
        EXPECT_EQ(mesh.faces[1].normal, expected);
    }
}

// The grid of centroids finds the regions that walking the whole list finds.
TEST(MeanShiftFilter, MatchesReferenceOnRealMeshes)
{
    std::vector<Vector> profile;
    for (int k = 0; k < 100; ++k)
        profile.push_back(Vector(float(k), 40.0f + 30.0f * std::sin(float(k) * 0.1f), 0.0f));
    for (const char* name : { "beetle.obj", "teapot.obj" }) {
        for (float slider : { 4.0f, 15.0f, 40.0f }) {
            for (int algorithm : { MEAN_SHIFT, SHPERE_JUMP }) {
                for (bool weighted : { false, true }) {
                    Mesh fast, slow;
                    if (!loadRealMesh(fast, name) || !loadRealMesh(slow, name))
                        GTEST_SKIP() << "real meshes not present";
                    MeanShiftFilter filter(&fast);
                    if (weighted)
                        filter.setProfile(profile, 120);
                    runSlider(filter, slider, algorithm);
                    const int regions = referenceRegions(slow, kernelFromSlider(slider, slow).x,
                        algorithm == MEAN_SHIFT, weighted ? profile : std::vector<Vector> {}, 120);
                    ASSERT_EQ(int(filter.regions.size()), regions) << name << " " << slider;
                    ASSERT_EQ(faceNormals(fast), faceNormals(slow)) << name << " " << slider;
                }
            }
        }
    }
}

// Whole neighbourhoods, each face once: kept or recomputed the same lists, and
// the same normals as searching every neighbourhood afresh. Depth 1 on a closed
// mesh is the mean of the three edge neighbours; a lone face keeps its normal.
TEST(MedianFilter, NeighbourhoodsMatchReference)
{
    Mesh octa = octahedron(), expected = octahedron();
    FaceNeighbourhoods two(octa.edgeGraph.faceNeighbours, 2);
    for (int f = 0; f < 8; ++f) {
        EXPECT_EQ(two.of(f).size(), 6u); // all but itself and its opposite
        for (Mesh* m : { &octa, &expected })
            m->faces[std::size_t(f)].normal.x += 0.1f * float(f);
    }
    for (int sweep = 0; sweep < 50; ++sweep) {
        for (int f = 0; f < 8; ++f) {
            Vector sum(0.0f, 0.0f, 0.0f, 0.0f);
            for (int b : expected.edgeGraph.faceNeighbours[std::size_t(f)])
                sum += expected.faces[std::size_t(b)].normal;
            expected.faces[std::size_t(f)].normal = sum / 3.0f;
        }
    }
    MeanShiftFilter filter(&octa);
    EXPECT_EQ(run(filter, Vector(0), FILTER_FULL, MEDIAN_FILTER), "");
    EXPECT_EQ(runSlider(filter, 1.0f, MEDIAN_FILTER).substr(0, 36),
        "Evaluating MEDIAN_FILTER: \ndepth: 1\n");
    EXPECT_EQ(faceNormals(octa), faceNormals(expected));
    Mesh single = builtMesh({ { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 } }, { { 0, 1, 2 } });
    MeanShiftFilter alone(&single);
    runSlider(alone, 3.0f, MEDIAN_FILTER);
    EXPECT_EQ(faceNormals(single),
        faceNormals(builtMesh({ { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 } }, { { 0, 1, 2 } })));
    Mesh grid = rippledGrid(7);
    const FaceNeighbourhoods deep(grid.edgeGraph.faceNeighbours, 40);
    EXPECT_EQ(deep.totalSize(), std::size_t(grid.numFaces * (grid.numFaces - 1)));
    EXPECT_FALSE(FaceNeighbourhoods(grid.edgeGraph.faceNeighbours, 40, 5000).complete());
    for (const char* name : { "beetle.obj", "african_head.obj" }) {
        for (int depth : { 1, 3 }) {
            Mesh fast, slow;
            if (!loadRealMesh(fast, name) || !loadRealMesh(slow, name))
                GTEST_SKIP() << "real meshes not present";
            MeanShiftFilter filter(&fast);
            runSlider(filter, float(depth), MEDIAN_FILTER);
            referenceMedian(slow, depth);
            ASSERT_EQ(faceNormals(fast), faceNormals(slow)) << name << " depth " << depth;
        }
    }
}
