// The mean shift, sphere jump and median filters against the plain versions.
// That facetra-cli filter writes the normals the view's Apply gives:
// CliRunReal.ScriptsWriteWhatTheOneStepVerbsWrite and WindowBatchTest::refineAndFilter.
#include "ReferenceFilters.h"
#include "mesh/TestUtil.h"

#include "filtering/engine/MeanShiftFilter.h"
#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"

#include <cmath>

using testutil::captureStdout;

namespace {

// Derived data as a load builds it.
Mesh built(Mesh mesh)
{
    captureStdout([&] {
        build(mesh, { MESH_CENTRE, MESH_CENTROIDS, MESH_EDGE_LIST, MESH_VERTEX_NORMALS, MESH_BB });
    });
    return mesh;
}

// An n x n grid of unit cells, heights rippled so that neighbouring normals differ.
Mesh rippledGrid(int n)
{
    Mesh mesh;
    testutil::makeGrid(mesh, n,
        [](int x, int y) { return 0.3f * std::sin(float(x) * 0.9f) * std::cos(float(y) * 0.7f); });
    return built(std::move(mesh));
}

// Two copies of a shared real mesh loaded as the workbench does (false when it is
// absent), or of a 9 x 9 rippled grid for an empty name.
bool loadTwice(Mesh& a, Mesh& b, const std::string& name)
{
    const std::string path = std::string(FACETRA_MESH_DIR) + "/" + name;
    bool ok = true;
    if (name.empty())
        a = rippledGrid(9), b = rippledGrid(9);
    else
        captureStdout([&] {
            ok = std::filesystem::exists(path) && openMeshFile(a, path) && openMeshFile(b, path);
        });
    return ok;
}

std::vector<std::array<float, 4>> faceNormals(const Mesh& mesh)
{
    std::vector<std::array<float, 4>> out;
    for (const Face& face : mesh.faces)
        out.push_back({ face.normal.x, face.normal.y, face.normal.z, face.normal.w });
    return out;
}

std::string run(MeanShiftFilter& filter, float slider, int algorithm, int mode = FILTER_FULL)
{
    return captureStdout(
        [&] { filter.run(kernelFromSlider(slider, *filter.mesh), mode, algorithm); });
}

} // namespace

// A zero kernel is refused silently. Steps carry the state from call to call
// and end where a full run ends (a sphere jump step is one whole region); the
// call after the last face starts again from face 0.
TEST(MeanShiftFilter, ZeroKernelIsRefusedSilentlyAndStepsEndWhereAFullRunEndsThenRestart)
{
    for (int algorithm : { MEAN_SHIFT, SHPERE_JUMP, MEDIAN_FILTER }) {
        Mesh mesh = rippledGrid(6);
        MeanShiftFilter zero(&mesh);
        EXPECT_EQ(run(zero, 0.0f, algorithm), "");
        EXPECT_EQ(run(zero, 0.0f, algorithm, FILTER_STEP), "");
        EXPECT_EQ(faceNormals(mesh), faceNormals(rippledGrid(6)));
        if (algorithm == MEDIAN_FILTER)
            continue;

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

// The grid of centroids finds the regions that walking the whole list finds, with
// and without a profile (one that also clamps weights at 0, and turns back on
// itself horizontally).
TEST(MeanShiftFilter, MatchesReference)
{
    std::vector<Vector> profile;
    for (int k = 0; k < 100; ++k)
        profile.push_back(Vector(float(k) + 4.0f * std::sin(float(k) * 0.5f),
            40.0f + 30.0f * std::sin(float(k) * 0.1f), 0.0f));
    for (const char* name : { "beetle.obj", "teapot.obj" })
        for (float slider : { 4.0f, 15.0f, 40.0f })
            for (int algorithm : { MEAN_SHIFT, SHPERE_JUMP })
                for (bool weighted : { false, true }) {
                    Mesh fast, slow;
                    if (!loadTwice(fast, slow, name))
                        GTEST_SKIP() << "real meshes not present";
                    MeanShiftFilter filter(&fast);
                    if (weighted)
                        filter.setProfile(profile, 60);
                    run(filter, slider, algorithm);
                    const int regions = referenceRegions(slow, kernelFromSlider(slider, slow).x,
                        algorithm == MEAN_SHIFT, weighted ? profile : std::vector<Vector> {}, 60);
                    ASSERT_EQ(int(filter.regions.size()), regions) << name << " " << slider;
                    ASSERT_EQ(faceNormals(fast), faceNormals(slow)) << name << " " << slider;
                }
}

// The normals point where searching every neighbourhood afresh and sweeping
// points them, and are unit vectors; a lone face keeps its own.
TEST(MedianFilter, MatchesReferenceAndKeepsLoneFaces)
{
    const auto single = [] {
        Mesh mesh;
        testutil::makeMesh(mesh, { { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 } }, { { 0, 1, 2 } });
        return built(std::move(mesh));
    };
    Mesh lone = single();
    MeanShiftFilter alone(&lone);
    run(alone, 3.0f, MEDIAN_FILTER);
    EXPECT_EQ(faceNormals(lone), faceNormals(single()));

    for (const char* name : { "", "beetle.obj", "african_head.obj" })
        for (int depth : { 1, 3 }) {
            Mesh fast, slow;
            if (!loadTwice(fast, slow, name))
                GTEST_SKIP() << "real meshes not present";
            MeanShiftFilter filter(&fast);
            run(filter, float(depth), MEDIAN_FILTER);
            referenceMedian(slow, depth);
            for (int f = 0; f < fast.numFaces; ++f) {
                const Vector& got = fast.faces[std::size_t(f)].normal;
                const Vector& swept = slow.faces[std::size_t(f)].normal;
                const double length = std::hypot(swept.x, swept.y, swept.z);
                ASSERT_NEAR(std::hypot(got.x, got.y, got.z), 1.0, 1e-6) << name << " " << f;
                ASSERT_NEAR(got.x, swept.x / length, 1e-6) << name << " " << f;
                ASSERT_NEAR(got.y, swept.y / length, 1e-6) << name << " " << f;
                ASSERT_NEAR(got.z, swept.z / length, 1e-6) << name << " " << f;
            }
        }
}
