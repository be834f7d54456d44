// filtering_bench [--quick]: full runs of mean shift, sphere jump and the median
// filter as the view's Apply does them, on the largest shared mesh (and the
// bunny), with the plain list-walking versions as the peer where they finish in
// reasonable time.
#include "ReferenceFilters.h"
#include "common/BenchMeshes.h"
#include "common/CpuTime.h"
#include "mesh/QuietStdout.h"

#include "filtering/engine/MeanShiftFilter.h"
#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Mesh.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>

namespace {

struct Timing
{
    double wall = -1.0;
    double cpu = -1.0;
};

// Wall and process CPU time: on a shared, loaded machine the CPU time is the
// steadier figure.
Timing timed(const std::function<void()>& f)
{
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = cpuMs();
    f();
    return { std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
        (cpuMs() - cpuStart) / 1e3 };
}

bool load(Mesh& mesh, const std::string& name)
{
    const std::string path = benchMeshPath(name);
    if (path.empty())
        return false;
    QuietStdout quiet;
    return openMeshFile(mesh, path);
}

void row(const char* mesh, int faces, const char* filter, int slider, Timing ours, Timing peer,
    std::size_t regions)
{
    std::printf("| %-18s | %7d | %-11s | %3d | %7.3f | %7.3f | ", mesh, faces, filter, slider,
        ours.wall, ours.cpu);
    if (peer.wall >= 0.0)
        std::printf("%7.3f | %7.3f | ", peer.wall, peer.cpu);
    else
        std::printf("      - |       - | ");
    if (regions)
        std::printf("%6zu |\n", regions);
    else
        std::printf("     - |\n");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    const bool quick = argc > 1 && !std::strcmp(argv[1], "--quick");
    std::printf("| mesh | faces | filter | slider | ours wall s | ours cpu s | plain wall s | "
                "plain cpu s | regions |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|\n");
    struct Case
    {
        const char* name;
        bool peer;
    };
    const Case meshes[] = { { "stanford-bunny.obj", true }, { "horse-loop1.obj", false } };
    for (const Case& m : meshes) {
        Mesh loaded;
        if (!load(loaded, m.name)) {
            std::printf("(%s not present)\n", m.name);
            continue;
        }
        const char* names[] = { "mean shift", "sphere jump", "median" };
        struct Run
        {
            int algorithm;
            int slider;
        };
        const Run runs[] = { { MEAN_SHIFT, 10 }, { SHPERE_JUMP, 10 }, { MEDIAN_FILTER, 3 },
            { MEDIAN_FILTER, 10 } };
        for (const Run& run : runs) {
            if (quick && run.slider == 10 && run.algorithm == MEDIAN_FILTER)
                continue;
            Mesh mesh;
            load(mesh, m.name);
            MeanShiftFilter filter(&mesh);
            Timing ours;
            {
                QuietStdout quiet;
                ours = timed([&] {
                    filter.run(
                        kernelFromSlider(float(run.slider), mesh), FILTER_FULL, run.algorithm);
                });
            }
            Timing peer;
            // The plain median searches every neighbourhood afresh with an
            // ordered set: depth 3 only.
            if (m.peer && !quick && run.slider * (run.algorithm == MEDIAN_FILTER) <= 3) {
                Mesh plain;
                load(plain, m.name);
                const float r = kernelFromSlider(float(run.slider), plain).x;
                peer = timed([&] {
                    if (run.algorithm == MEDIAN_FILTER)
                        referenceMedian(plain, run.slider);
                    else
                        referenceRegions(plain, r, run.algorithm == MEAN_SHIFT);
                });
            }
            row(m.name, mesh.numFaces, names[run.algorithm], run.slider, ours, peer,
                filter.regions.size());
        }
    }
    std::printf("peak memory: %.0f MB\n", double(peakRssBytes()) / 1048576.0);
    return 0;
}
