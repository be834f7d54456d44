// The terrain builder at the largest grid the page offers, N = 512 (262,144
// vertices, 522,242 faces), against the straightforward build with an ordered
// set of positions:
//
//   terrain_bench [RUNS]
//
// Prints one line per measurement: the best of RUNS (default 5) processor times
// in milliseconds. Processor time rather than wall time because the machines
// these run on are shared.
#include "ReferenceTerrain.h"
#include "common/CpuTime.h"

#include "mesh/engine/Mesh.h"
#include "terrain/engine/HeightColours.h"
#include "terrain/engine/TerrainBuilder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <unistd.h>

namespace {

// The builders' console lines go to /dev/null while measuring.
double bestOf(int runs, const std::function<void()>& work)
{
    double best = 1e300;
    for (int r = 0; r < runs; ++r) {
        std::fflush(stdout);
        const int saved = ::dup(1);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::close(null);
        const double start = cpuMs();
        work();
        const double elapsed = cpuMs() - start;
        std::fflush(stdout);
        ::dup2(saved, 1);
        ::close(saved);
        best = std::min(best, elapsed);
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const HeightMap map = testMap(256, 256, 1);
    const TerrainParameters p { 512, 256, 64 };
    Mesh mesh;
    const double fast = bestOf(runs, [&] { buildTerrainMesh(mesh, map, p); });
    std::printf("terrain build N=512 (%d vertices, %d faces) with derived data: %.1f ms\n",
        mesh.numVertices, mesh.numFaces, fast);
    Mesh reference;
    const double slow = bestOf(runs, [&] { referenceTerrain(reference, map, p); });
    std::printf("ordered-set build N=512 with derived data:                      %.1f ms\n", slow);
    const double colour = bestOf(runs, [&] { colourByHeight(mesh, {}, false); });
    std::printf(
        "colouring by height N=512:                                      %.1f ms\n", colour);
    Mesh backup;
    const double copy = bestOf(runs, [&] { backup.copyFrom(mesh); });
    std::printf("backup copy for Reload N=512:                                   %.1f ms\n", copy);
    return 0;
}
