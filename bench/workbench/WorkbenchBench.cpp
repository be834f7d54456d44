// What a step through the workbench costs over the engine it runs:
//
//   workbench_bench [MESH]        (default: horse-loop1)
//
// For subdivide, simplify and the median filter, the best of three processor
// times of the engine called alone on a copy of the loaded mesh, and of the
// same step run through a Workbench (the copy for the run, the load builds on
// the new geometry, the history step), both silent. Processor time rather than
// wall time: the machines these run on are shared.
#include "common/BenchMeshes.h"
#include "common/CpuTime.h"
#include "mesh/QuietStdout.h"

#include <memory>

#include "filtering/engine/MeanShiftFilter.h"
#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Mesh.h"
#include "refinement/engine/Simplify.h"
#include "refinement/engine/Subdivider.h"
#include "workbench/engine/Workbench.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

namespace {

double best(int runs, const std::function<void()>& work)
{
    double fastest = 1e300;
    for (int i = 0; i < runs; ++i) {
        const double start = cpuMs();
        work();
        fastest = std::min(fastest, cpuMs() - start);
    }
    return fastest;
}

Step parse(const char* line)
{
    Step step;
    std::string problem;
    parseStepLine(line, step, problem);
    return step;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string path = argc > 1 ? argv[1] : benchMeshPath("horse-loop1.obj");
    if (path.empty()) {
        std::printf("no mesh to measure\n");
        return 1;
    }
    Workbench bench;
    {
        QuietStdout quiet;
        if (!bench.open(path))
            return 1;
    }
    std::printf("%s: %d vertices, %d faces\n", path.c_str(), bench.mesh.numVertices,
        bench.mesh.numFaces);

    struct Case
    {
        const char* name;
        const char* line;
        std::function<void(Mesh&)> engine;
    };
    const Case cases[] = {
        { "subdivide 1", "subdivide levels=1 weight=0",
            [](Mesh& m) {
                Subdivider s;
                subdivideMesh(m, s, 1, 0.0f);
            } },
        { "simplify 50%", "simplify lod=50", [](Mesh& m) { simplifyMesh(m, 50.0f); } },
        { "median filter 2", "filter algorithm=median radius=2",
            [](Mesh& m) {
                MeanShiftFilter f(&m);
                f.run(kernelFromSlider(2.0f, m), FILTER_FULL, MEDIAN_FILTER);
            } },
    };
    std::printf("%-16s %12s %12s %8s\n", "step", "engine ms", "workbench ms", "ratio");
    for (const Case& c : cases) {
        double alone = 0.0, stepped = 0.0;
        {
            QuietStdout quiet;
            // Both on a copy of the mesh as loaded; the step then goes back
            // with Undo, a swap.
            alone = best(3, [&] {
                std::unique_ptr<Mesh> copy = bench.mesh.duplicate();
                c.engine(*copy);
            });
            stepped = best(3, [&] {
                bench.run(parse(c.line));
                bench.run(parse("undo"));
            });
        }
        std::printf("%-16s %12.0f %12.0f %8.2f\n", c.name, alone, stepped, stepped / alone);
    }
    return 0;
}
