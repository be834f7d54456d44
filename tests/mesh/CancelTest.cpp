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
void makeBumpyGrid(Mesh& mesh, int n)
{
    makeGrid(mesh, n, [](int j, int i) { return std::sin(0.7f * j) * std::cos(0.45f * i); });
}

// What a run leaves behind, as numbers to compare bit for bit.
std::vector<float> snapshot(const Mesh& mesh)
{
    std::vector<float> out;
    for (int v = 0; v < mesh.numVertices; ++v) {
        const Vector& p = mesh.vertices[std::size_t(v)];
        out.insert(out.end(), { p.x, p.y, p.z });
        if (std::size_t(v) < mesh.vertexNormals.size()) {
            const Vector& n = mesh.vertexNormals[std::size_t(v)];
            out.insert(out.end(), { n.x, n.y, n.z });
        }
    }
    for (const Face& f : mesh.faces) {
        out.insert(out.end(), { float(f.index[0]), float(f.index[1]), float(f.index[2]) });
        out.insert(out.end(), { f.normal.x, f.normal.y, f.normal.z, f.colour.x, f.colour.y });
    }
    out.push_back(float(mesh.numEdges));
    return out;
}

void filterRun(int algorithm, float slider, Progress* progress, std::vector<float>& out)
{
    Mesh mesh;
    makeBumpyGrid(mesh, 40);
    build(mesh, { MESH_CENTROIDS, MESH_FACE_NORMALS, MESH_EDGE_LIST, MESH_BB });
    MeanShiftFilter filter(&mesh);
    filter.run(kernelFromSlider(slider, mesh), FILTER_FULL, algorithm, progress);
    out = snapshot(mesh);
}

void classifyRun(int mode, Progress* progress, std::vector<float>& out)
{
    Mesh mesh;
    // 450 faces: just enough for the table work to be shared among threads.
    makeBumpyGrid(mesh, 16);
    build(mesh, { MESH_VERTEX_NORMALS, MESH_EDGE_LIST });
    Mesh_Classifier classifier;
    classifier.mesh = &mesh;
    classifier.spMode = mode;
    classifier.progress = progress;
    ASSERT_TRUE(classifier.classify());
    ASSERT_TRUE(classifier.partition(std::max(classifier.numPatches, 2)));
    out = snapshot(mesh);
    for (int s : classifier.seeds)
        out.push_back(float(s));
    for (int p : classifier.patchOfFace)
        out.push_back(float(p));
    for (int i = 0; i < classifier.table.count; i += 7)
        out.push_back(classifier.table.at(i, classifier.table.count - 1 - i));
}

using Run = std::function<void(Progress*, std::vector<float>&)>;
const std::pair<const char*, Run> kEngines[] = {
    { "subdivide",
        [](Progress* progress, std::vector<float>& out) {
            Mesh mesh;
            makeBumpyGrid(mesh, 48);
            Subdivider subdivider;
            ASSERT_TRUE(subdivideMesh(mesh, subdivider, 2, 0.01f, progress));
            out = snapshot(mesh);
        } },
    { "simplify",
        [](Progress* progress, std::vector<float>& out) {
            Mesh mesh;
            makeBumpyGrid(mesh, 64);
            ASSERT_TRUE(simplifyMesh(mesh, 20.0f, progress));
            out = snapshot(mesh);
        } },
    { "build",
        [](Progress* progress, std::vector<float>& out) {
            Mesh mesh;
            makeBumpyGrid(mesh, 200);
            build(mesh,
                { MESH_CENTRE, MESH_CENTROIDS, MESH_EDGE_LIST, MESH_VERTEX_NORMALS, MESH_TEXCOORDS,
                    MESH_BB },
                progress);
            out = snapshot(mesh);
        } },
    { "mean shift",
        [](Progress* p, std::vector<float>& out) { filterRun(MEAN_SHIFT, 4, p, out); } },
    { "median", [](Progress* p, std::vector<float>& out) { filterRun(MEDIAN_FILTER, 3, p, out); } },
    { "classify floyd", [](Progress* p, std::vector<float>& out) { classifyRun(0, p, out); } },
    { "classify dijkstra", [](Progress* p, std::vector<float>& out) { classifyRun(1, p, out); } },
    { "terrain",
        [](Progress* progress, std::vector<float>& out) {
            HeightMap map = HeightMap::black();
            for (std::size_t i = 0; i < map.rgb.size(); ++i)
                map.rgb[i] = std::uint8_t(i * 7 % 251);
            Mesh mesh;
            ASSERT_TRUE(buildTerrainMesh(mesh, map, { 200, 256, 64 }, progress));
            out = snapshot(mesh);
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
        std::vector<float> plain, heard;
        run(nullptr, plain);
        StoppingProgress counter;
        run(&counter, heard);
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
            std::vector<float> out;
            EXPECT_THROW(run(&stopping, out), RunCancelled);
        }
    }
}

TEST(Cancel, StoppedWriteLeavesTheOldFileAndNoTemporary)
{
    QuietStdout quiet;
    TempDir dir;
    const std::string path = (dir.path() / "out.obj").string();
    Mesh mesh;
    makeBumpyGrid(mesh, 120);
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
    Mesh mesh;
    makeBumpyGrid(mesh, 200);
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
