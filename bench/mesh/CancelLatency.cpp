// How soon each long engine stops once asked: the engine runs on its own
// thread on horse-loop1 (388k faces), a stop is requested after 0.3 s (and a
// little later on further rounds, to land in other phases), and the time
// until RunCancelled reaches the thread is taken. The window's Cancel button
// needs this well under 100 ms.
// Usage: mesh_cancel_latency [ROUNDS] [FILE.obj]
#include "common/BenchMeshes.h"
#include "QuietStdout.h"

#include "filtering/engine/MeanShiftFilter.h"
#include "mesh/engine/Build.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/Progress.h"
#include "mesh/engine/ReadObj.h"
#include "mesh/engine/WriteObj.h"
#include "refinement/engine/Simplify.h"
#include "refinement/engine/Subdivider.h"
#include "segmentation/engine/Mesh_Classifier.h"
#include "terrain/engine/TerrainBuilder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Engine
{
    const char* name;
    // Makes its input (not timed) and returns the run to time.
    std::function<std::function<void(Progress&)>()> prepare;
};

// Milliseconds from the stop request to RunCancelled, or -1 when the run ended
// on its own first.
double latencyOnce(const Engine& engine, double delaySeconds)
{
    const std::function<void(Progress&)> run = engine.prepare();
    Progress progress;
    std::atomic<bool> cancelled { false };
    Clock::time_point caught;
    std::thread worker([&] {
        try {
            run(progress);
        } catch (const RunCancelled&) {
            caught = Clock::now();
            cancelled = true;
        }
    });
    std::this_thread::sleep_for(std::chrono::duration<double>(delaySeconds));
    const Clock::time_point asked = Clock::now();
    progress.requestStop();
    worker.join();
    if (!cancelled)
        return -1.0;
    return std::chrono::duration<double, std::milli>(caught - asked).count();
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string path = argc > 2 ? argv[2] : benchMeshPath("horse-loop1.obj");
    if (path.empty()) {
        std::fprintf(stderr, "mesh_cancel_latency: horse-loop1 is not there; nothing measured\n");
        return 0;
    }
    Mesh source;
    Mesh small;
    {
        QuietStdout quiet;
        if (!readObj(source, path))
            return 1;
        build(source, { MESH_CENTRE, MESH_CENTROIDS, MESH_EDGE_LIST, MESH_VERTEX_NORMALS, MESH_BB });
        // The classifier's table is quadratic: a few thousand faces of the same shape.
        small.copyFrom(source);
        simplifyMesh(small, 1.5f);
        build(small, { MESH_CENTROIDS, MESH_BB });
    }
    const std::string out = (std::filesystem::temp_directory_path()
        / ("facetra-cancel-" + std::to_string(::getpid()) + ".obj"))
                                .string();

    const auto copyOf = [](const Mesh& m) {
        auto copy = std::make_shared<Mesh>();
        copy->copyFrom(m);
        return copy;
    };
    const std::vector<Engine> engines = {
        { "subdivide 1 level",
            [&] {
                auto mesh = copyOf(source);
                return [mesh](Progress& p) {
                    Subdivider subdivider;
                    subdivideMesh(*mesh, subdivider, 1, 0.0f, &p);
                };
            } },
        { "simplify to 10%",
            [&] {
                auto mesh = copyOf(source);
                return [mesh](Progress& p) { simplifyMesh(*mesh, 10.0f, &p); };
            } },
        { "build edges, normals",
            [&] {
                auto mesh = copyOf(source);
                return [mesh](Progress& p) {
                    for (;;)
                        build(*mesh, { MESH_EDGE_LIST, MESH_VERTEX_NORMALS, MESH_CENTROIDS }, &p);
                };
            } },
        { "mean shift r10",
            [&] {
                auto mesh = copyOf(source);
                return [mesh](Progress& p) {
                    MeanShiftFilter filter(mesh.get());
                    filter.run(kernelFromSlider(10.0f, *mesh), FILTER_FULL, MEAN_SHIFT, &p);
                };
            } },
        { "median depth 6",
            [&] {
                auto mesh = copyOf(source);
                return [mesh](Progress& p) {
                    MeanShiftFilter filter(mesh.get());
                    filter.run(kernelFromSlider(6.0f, *mesh), FILTER_FULL, MEDIAN_FILTER, &p);
                };
            } },
        { "classify floyd",
            [&] {
                auto mesh = copyOf(small);
                return [mesh](Progress& p) {
                    Mesh_Classifier classifier;
                    classifier.mesh = mesh.get();
                    classifier.progress = &p;
                    classifier.classify();
                    classifier.partition(classifier.numPatches);
                };
            } },
        { "classify dijkstra",
            [&] {
                auto mesh = copyOf(small);
                return [mesh](Progress& p) {
                    Mesh_Classifier classifier;
                    classifier.mesh = mesh.get();
                    classifier.spMode = 1;
                    classifier.progress = &p;
                    classifier.classify();
                    classifier.partition(classifier.numPatches);
                };
            } },
        { "terrain 1024",
            [&] {
                return [](Progress& p) {
                    HeightMap map = HeightMap::black();
                    Mesh mesh;
                    buildTerrainMesh(mesh, map, { 1024, 256, 64 }, &p);
                };
            } },
        { "write OBJ",
            [&] {
                auto mesh = copyOf(source);
                return [mesh, out](Progress& p) {
                    for (;;)
                        writeObj(*mesh, out, {}, &p);
                };
            } },
    };

    std::printf("%zu faces; classifier on %d faces; %d rounds, stop asked after 0.3 s + 0.1 s "
                "per round\n",
        std::size_t(source.numFaces), small.numFaces, rounds);
    std::printf("%-22s %10s %10s %s\n", "engine", "median ms", "max ms", "");
    for (const Engine& engine : engines) {
        std::vector<double> ms;
        int early = 0;
        for (int r = 0; r < rounds; ++r) {
            QuietStdout quiet;
            const double t = latencyOnce(engine, 0.3 + 0.1 * r);
            if (t < 0)
                ++early;
            else
                ms.push_back(t);
        }
        std::sort(ms.begin(), ms.end());
        if (ms.empty()) {
            std::printf("%-22s %10s %10s ended before every stop\n", engine.name, "-", "-");
            continue;
        }
        std::printf("%-22s %10.2f %10.2f %s\n", engine.name, ms[ms.size() / 2], ms.back(),
            early ? "(some rounds ended before the stop)" : "");
        std::fflush(stdout);
    }
    std::filesystem::remove(out);
    return 0;
}
