// Every long engine stops when its progress asks it to, and listening to a
// progress changes nothing in what it computes.
#include "TestUtil.h"

#include "filtering/engine/MeanShiftFilter.h"
#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Progress.h"
#include "mesh/engine/WriteObj.h"
#include "refinement/engine/Simplify.h"
#include "refinement/engine/Subdivider.h"
#include "segmentation/engine/Mesh_Classifier.h"
#include "terrain/engine/TerrainBuilder.h"

#include <algorithm>
#include <cmath>
#include <functional>

using namespace testutil;

namespace {

// A bumpy n x n sample grid: varied normals and curvature for every engine.
Mesh bumpyGrid(int n)
{
    Mesh mesh;
    makeGrid(mesh, n, [](int j, int i) { return std::sin(0.7f * j) * std::cos(0.45f * i); });
    return mesh;
}

// What a run leaves behind, as numbers to compare bit for bit.
std::vector<float> snapshot(const Mesh& mesh)
{
    std::vector<float> out;
    for (std::size_t v = 0; v < mesh.vertices.size(); ++v) {
        const Vector& p = mesh.vertices[v];
        out.insert(out.end(), { p.x, p.y, p.z });
        if (v < mesh.vertexNormals.size()) {
            const Vector& n = mesh.vertexNormals[v];
            out.insert(out.end(), { n.x, n.y, n.z });
        }
    }
    for (std::size_t i = 0; i < mesh.faces.size(); ++i) {
        const Face& f = mesh.faces[i];
        const PackedVector colour = mesh.colour(i);
        out.insert(out.end(),
            { float(f.index[0]), float(f.index[1]), float(f.index[2]), f.normal.x, f.normal.y,
                f.normal.z, colour.x, colour.y });
    }
    out.push_back(float(mesh.numEdges));
    return out;
}

std::vector<float> filterRun(int algorithm, float slider, Progress* progress)
{
    Mesh mesh = bumpyGrid(40);
    build(mesh, { MESH_CENTROIDS, MESH_FACE_NORMALS, MESH_EDGE_LIST, MESH_BB });
    MeanShiftFilter(&mesh).run(kernelFromSlider(slider, mesh), FILTER_FULL, algorithm, progress);
    return snapshot(mesh);
}

std::vector<float> classifyRun(int mode, Progress* progress)
{
    // 450 faces: just enough for the table work to be shared among threads.
    Mesh mesh = bumpyGrid(16);
    build(mesh, { MESH_VERTEX_NORMALS, MESH_EDGE_LIST });
    Mesh_Classifier classifier;
    classifier.mesh = &mesh;
    classifier.spMode = mode;
    classifier.progress = progress;
    EXPECT_TRUE(classifier.classify() && classifier.partition(std::max(classifier.numPatches, 2)));
    std::vector<float> out = snapshot(mesh);
    out.insert(out.end(), classifier.seeds.begin(), classifier.seeds.end());
    out.insert(out.end(), classifier.patchOfFace.begin(), classifier.patchOfFace.end());
    for (int i = 0; i < classifier.table.count; i += 7)
        out.push_back(classifier.table.at(i, classifier.table.count - 1 - i));
    return out;
}

using Run = std::function<std::vector<float>(Progress*)>;
const std::pair<const char*, Run> kEngines[] = {
    { "subdivide",
        [](Progress* progress) {
            Mesh mesh = bumpyGrid(48);
            Subdivider subdivider;
            EXPECT_TRUE(subdivideMesh(mesh, subdivider, 2, 0.01f, progress));
            return snapshot(mesh);
        } },
    { "simplify",
        [](Progress* progress) {
            Mesh mesh = bumpyGrid(64);
            EXPECT_TRUE(simplifyMesh(mesh, 20.0f, progress));
            return snapshot(mesh);
        } },
    { "build",
        [](Progress* progress) {
            Mesh mesh = bumpyGrid(200);
            build(mesh,
                { MESH_CENTRE, MESH_CENTROIDS, MESH_EDGE_LIST, MESH_VERTEX_NORMALS, MESH_TEXCOORDS,
                    MESH_BB },
                progress);
            return snapshot(mesh);
        } },
    { "mean shift", [](Progress* p) { return filterRun(MEAN_SHIFT, 4, p); } },
    { "median", [](Progress* p) { return filterRun(MEDIAN_FILTER, 3, p); } },
    { "classify floyd", [](Progress* p) { return classifyRun(0, p); } },
    { "classify dijkstra", [](Progress* p) { return classifyRun(1, p); } },
    { "terrain",
        [](Progress* progress) {
            HeightMap map = HeightMap::black();
            for (std::size_t i = 0; i < map.rgb.size(); ++i)
                map.rgb[i] = std::uint8_t(i * 7 % 251);
            Mesh mesh;
            EXPECT_TRUE(buildTerrainMesh(mesh, map, { 200, 256, 64 }, progress));
            return snapshot(mesh);
        } },
};

// Standard output of the engines, held back for the length of a test.
struct QuietStdout
{
    QuietStdout() { testing::internal::CaptureStdout(); }
    ~QuietStdout() { testing::internal::GetCapturedStdout(); }
};

} // namespace

TEST(Cancel, EveryEngineStopsWhenAskedAndComputesTheSameWhenNot)
{
    QuietStdout quiet;
    for (const auto& [name, run] : kEngines) {
        SCOPED_TRACE(name);
        StoppingProgress counter;
        const std::vector<float> plain = run(nullptr), heard = run(&counter);
        ASSERT_FALSE(plain.empty());
        // Bit for bit: NaN-free meshes, so plain equality is exact.
        EXPECT_TRUE(plain == heard);
        EXPECT_GE(counter.reports, 3);

        // Asked before it starts, at the first report and in later stages. (Which
        // thread reports in the Dijkstra build varies, so the last reports are
        // not relied on.)
        for (int k : { 0, 1, counter.reports / 3, counter.reports * 2 / 3 }) {
            SCOPED_TRACE(k);
            StoppingProgress stopping(k);
            if (k == 0)
                stopping.requestStop();
            EXPECT_THROW(run(&stopping), RunCancelled);
        }
    }
}

TEST(Cancel, StoppedWriteLeavesTheOldFileAndNoTemporary)
{
    QuietStdout quiet;
    TempDir dir;
    const std::string path = dir.file("out.obj");
    const Mesh mesh = bumpyGrid(120);
    ASSERT_TRUE(writeObj(mesh, path));
    const std::string plain = readFile(path);
    StoppingProgress counter;
    ASSERT_TRUE(writeObj(mesh, path, {}, &counter));
    EXPECT_EQ(readFile(path), plain);

    for (int k : { 0, 1, counter.reports }) {
        // The old file is replaced by a different one only if the write is not stopped.
        ASSERT_TRUE(writeFileReplacing(path, "old\n"));
        StoppingProgress stopping(k);
        if (k == 0)
            stopping.requestStop();
        EXPECT_THROW(writeObj(mesh, path, {}, &stopping), RunCancelled);
        EXPECT_EQ(readFile(path), "old\n");
    }
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string> { "out.obj" });
}

// A read, a subdivision and the load builds after it name every stretch of
// their work, and within a stage the bar only moves on; the read's bytes come
// before its parse and the last "Reading" says all of it.
TEST(Cancel, LongWorkNamesItsStagesAndTheirBarsMoveOn)
{
    struct Recorder : Progress
    {
        std::vector<std::pair<std::string, double>> heard;
        void show(std::string_view stage, double fraction) override
        {
            heard.emplace_back(stage, fraction);
        }
    } recorder;
    QuietStdout quiet;
    TempDir dir;
    Mesh mesh = bumpyGrid(200);
    ASSERT_TRUE(writeObj(mesh, dir.file("grid.obj")));
    ASSERT_TRUE(openMeshFile(mesh, dir.file("grid.obj"), nullptr, nullptr, &recorder));
    Subdivider subdivider;
    ASSERT_TRUE(subdivideMesh(mesh, subdivider, 1, 0.0f, &recorder));
    buildLoadData(mesh, &recorder);

    std::vector<std::string> stages;
    double lastRead = 0;
    for (std::size_t i = 0; i < recorder.heard.size(); ++i) {
        const auto& [stage, fraction] = recorder.heard[i];
        if (i == 0 || recorder.heard[i - 1].first != stage)
            stages.push_back(stage);
        else
            EXPECT_GE(fraction, recorder.heard[i - 1].second) << stage << " at report " << i;
        if (stage == "Reading")
            lastRead = fraction;
    }
    EXPECT_EQ(lastRead, 1.0);
    const auto at
        = [&](const char* named) { return std::find(stages.begin(), stages.end(), named); };
    EXPECT_LT(at("Reading"), at("Parsing"));
    for (const char* named : { "Parsing", "Subdividing", "Building the refined mesh",
             "Building edges", "Orienting faces" })
        EXPECT_NE(at(named), stages.end()) << named;
}
