// Edge traversal at the page's largest depth and the segmented export of a
// segmented mesh, on horse-loop1 (388k faces). The export is set against the
// plain way of writing it (a scan of all faces per file, an ordered map of
// positions, a standard stream), which is what the fast path must equal.
#include "QuietStdout.h"
#include "common/BenchMeshes.h"

#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Mesh.h"
#include "segmentation/engine/EdgeTraversal.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <unistd.h>

namespace {

Mesh* horse()
{
    static Mesh mesh;
    static bool tried = false;
    if (!tried) {
        tried = true;
        const std::string path = benchMeshPath("horse-loop1.obj");
        QuietStdout quiet;
        if (path.empty() || !openMeshFile(mesh, path))
            mesh.clear();
    }
    return mesh.numFaces > 0 ? &mesh : nullptr;
}

std::string outputDir()
{
    const auto dir = std::filesystem::temp_directory_path()
        / ("facetra-segment-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return dir.string();
}

// Sixteen segments grown from faces spread over the mesh, as a user would mark
// them, over a mesh whose other faces stay unsegmented.
EdgeTraversal& segmented(Mesh& mesh)
{
    static EdgeTraversal traversal(&mesh);
    if (traversal.segmentCount == 0) {
        for (int k = 0; k < 16; ++k) {
            mesh.selected = 1 + k * (mesh.numFaces / 16);
            traversal.run(120, 40);
            traversal.markCurrent();
        }
    }
    return traversal;
}

void BM_Traverse(benchmark::State& state)
{
    Mesh* mesh = horse();
    if (!mesh)
        return state.SkipWithError("horse-loop1.obj not found");
    EdgeTraversal traversal(mesh);
    mesh->selected = 1;
    const int angle = int(state.range(0));
    int reached = 0;
    for (auto _ : state) {
        traversal.run(5000, angle);
        benchmark::DoNotOptimize(mesh->faces.data());
    }
    for (const int flag : mesh->faceTraversed)
        reached += flag;
    state.counters["faces_reached"] = reached;
}
BENCHMARK(BM_Traverse)->Arg(360)->Arg(30)->Unit(benchmark::kMillisecond);

void BM_SaveAll(benchmark::State& state)
{
    Mesh* mesh = horse();
    if (!mesh)
        return state.SkipWithError("horse-loop1.obj not found");
    EdgeTraversal& traversal = segmented(*mesh);
    const std::string dir = outputDir();
    for (auto _ : state) {
        QuietStdout quiet;
        benchmark::DoNotOptimize(traversal.saveAll(dir));
    }
    state.counters["files"] = traversal.segmentCount + 2;
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SaveAll)->Unit(benchmark::kMillisecond);

void BM_SaveAllOrderedMap(benchmark::State& state)
{
    Mesh* mesh = horse();
    if (!mesh)
        return state.SkipWithError("horse-loop1.obj not found");
    const int segments = segmented(*mesh).segmentCount;
    const std::string dir = outputDir();
    for (auto _ : state) {
        for (int id = 0; id <= segments + 1; ++id) {
            std::map<Vector, int> index;
            std::ostringstream vertexLines, faceLines;
            for (std::size_t f = 0; f < mesh->faces.size(); ++f) {
                const Face& face = mesh->faces[f];
                const int segment = mesh->segment(f);
                if (id <= segments ? segment != id : segment <= 0)
                    continue;
                int n[3];
                for (int k = 0; k < 3; ++k) {
                    const Vector& p = mesh->vertices[std::size_t(face.index[k])];
                    const auto [it, added] = index.try_emplace(p, int(index.size()));
                    if (added)
                        vertexLines << "v " << p.x << " " << p.y << " " << p.z << "\n";
                    n[k] = it->second + 1;
                }
                faceLines << "f " << n[0] << "/" << n[0] << "/" << n[0] << " " << n[1] << "/"
                          << n[1] << "/" << n[1] << " " << n[2] << "/" << n[2] << "/" << n[2]
                          << "\n";
            }
            std::ofstream out(dir + "/plain_" + std::to_string(id) + ".obj");
            out << vertexLines.str() << faceLines.str();
        }
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SaveAllOrderedMap)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
