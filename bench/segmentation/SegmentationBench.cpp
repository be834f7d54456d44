// Face distance tables and whole classifications on a real mesh reduced to
// given face counts: the plain Floyd loop, the fast Floyd and the Dijkstra mode
// side by side, then a classification in Dijkstra mode.
//   segmentation_bench MESH [--no-plain] [--plain-steps K] FACES...
// The plain loop costs the same for every pass of its outer loop; with
// --plain-steps it is timed over the first K passes and scaled to all n.
#include "ReferenceClassifier.h"
#include "common/BenchMeshes.h"
#include "common/CpuTime.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Mesh.h"
#include "refinement/engine/Simplify.h"
#include "segmentation/engine/Mesh_Classifier.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

// Wall seconds and processor seconds (all threads) of one run of f: the
// machine may be shared, and then the two part.
struct Timing
{
    double wall = -1.0, cpu = -1.0;
};
template <class F> Timing timed(F f)
{
    const auto t0 = std::chrono::steady_clock::now();
    const double c0 = cpuMs();
    f();
    return { std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(),
        (cpuMs() - c0) / 1e3 };
}

// Runs f with the engines' console lines thrown away.
template <class F> void quietly(F f)
{
    std::fflush(stdout);
    const int saved = ::dup(1);
    std::FILE* null = std::fopen("/dev/null", "w");
    ::dup2(::fileno(null), 1);
    f();
    std::fflush(stdout);
    ::dup2(saved, 1);
    ::close(saved);
    std::fclose(null);
}

// The mesh simplified until it has about `faces` faces.
bool reduced(const std::string& path, int faces, Mesh& mesh)
{
    bool ok = false;
    quietly([&] {
        ok = openMeshFile(mesh, path);
        for (int round = 0; ok && round < 6 && mesh.numFaces > faces * 1.02; ++round) {
            const float lod = std::max(1.0f, 100.0f * float(faces) / float(mesh.numFaces));
            ok = simplifyMesh(mesh, lod);
        }
        if (ok)
            build(mesh, { MESH_CENTRE, MESH_CENTROIDS, MESH_EDGE_LIST, MESH_VERTEX_NORMALS });
    });
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: segmentation_bench MESH [--no-plain] FACES...\n");
        return 1;
    }
    std::string path = benchMeshPath(argv[1]);
    if (path.empty())
        path = argv[1];
    bool plain = true;
    int plainSteps = -1;
    std::printf("seconds as wall/processor (all threads)\n%-16s %6s %15s %13s %13s %7s %7s %9s "
                "%13s %8s\n",
        "mesh", "faces", "plain Floyd", "Floyd", "Dijkstra", "x Floyd", "x Dijk", "rel diff",
        "classify", "patches");
    for (int a = 2; a < argc; ++a) {
        if (!std::strcmp(argv[a], "--no-plain")) {
            plain = false;
            continue;
        }
        if (!std::strcmp(argv[a], "--plain-steps") && a + 1 < argc) {
            plainSteps = std::atoi(argv[++a]);
            continue;
        }
        Mesh mesh;
        if (!reduced(path, std::atoi(argv[a]), mesh)) {
            std::fprintf(stderr, "cannot load %s\n", path.c_str());
            return 1;
        }
        const int n = mesh.numFaces;
        Timing plainT, floydT, dijkstraT, classifyT;
        int patches = 0;
        float worst = 0.0f;
        Mesh_Classifier floyd, dijkstra;
        floyd.mesh = dijkstra.mesh = &mesh;
        dijkstra.spMode = 1;
        quietly([&] {
            const bool withFloyd = n <= 8000;
            if (plain && withFloyd) {
                ReferenceClassifier reference(mesh);
                reference.buildCosts();
                const int steps = plainSteps > 0 && plainSteps < n ? plainSteps : n;
                plainT = timed([&] { reference.floyd(steps); });
                plainT.wall *= double(n) / steps;
                plainT.cpu *= double(n) / steps;
            }
            if (withFloyd) {
                floyd.table.allocate(n);
                floyd.buildCentroids();
                floyd.buildDistances();
                floydT = timed([&] { floyd.table.floyd(); });
            }
            dijkstra.table.allocate(n);
            dijkstra.buildCentroids();
            dijkstra.buildDistances();
            dijkstraT = timed([&] { dijkstra.table.dijkstra(); });
            if (withFloyd)
                for (std::int64_t i = 0; i < ShortestPathTable::rowStart(n); ++i) {
                    const float a = floyd.table.data()[i], b = dijkstra.table.data()[i];
                    if (a != b)
                        worst = std::max(worst, std::fabs(a - b) / std::max(a, b));
                }
            floyd.table.clear();
            dijkstra.table.clear();
            // The whole of Apply and the re-partition, table included.
            Mesh_Classifier whole;
            whole.mesh = &mesh;
            whole.spMode = 1;
            classifyT = timed([&] {
                whole.classify();
                whole.partition(std::max(1, whole.numPatches));
            });
            patches = whole.numPatches;
        });
        char name[17];
        std::snprintf(name, sizeof name, "%s", argv[1]);
        const auto pair = [](Timing t) {
            static char text[4][32];
            static int next = 0;
            char* out = text[next++ % 4];
            if (t.wall < 0)
                std::snprintf(out, 32, "-");
            else
                std::snprintf(out, 32, "%.2f/%.2f", t.wall, t.cpu);
            return out;
        };
        std::printf("%-16s %6d %15s %13s %13s %7.1f %7.1f %9.1e %13s %8d\n", name, n, pair(plainT),
            pair(floydT), pair(dijkstraT),
            plainT.wall > 0 && floydT.wall > 0 ? plainT.wall / floydT.wall : 0.0,
            plainT.wall > 0 ? plainT.wall / dijkstraT.wall : 0.0, double(worst), pair(classifyT),
            patches);
        std::fflush(stdout);
    }
    return 0;
}
