// Loading speed: the OBJ reader with and without the load builds, against the
// floor of merely reading the bytes and counting lines, and against
// tinyobjloader on the same files in the same run.
#include "QuietStdout.h"
#include "common/BenchMeshes.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/ReadObj.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <filesystem>

#ifdef FACETRA_HAVE_TINYOBJ
#ifdef FACETRA_TINYOBJ_IMPLEMENTATION
#define TINYOBJLOADER_IMPLEMENTATION
#endif
#include <tiny_obj_loader.h>
#endif

namespace {

const char* const meshNames[] = { "stanford-bunny.obj", "igea.obj", "horse-loop1.obj", "million" };

std::string pathOf(int which)
{
    const std::string name = meshNames[which];
    return name == "million" ? benchMillionFacePath() : benchMeshPath(name);
}

void setBytes(benchmark::State& state, const std::string& path)
{
    const auto bytes = std::filesystem::file_size(path);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
    state.SetLabel(std::filesystem::path(path).filename().string());
}

void BM_Floor(benchmark::State& state)
{
    const std::string path = pathOf(int(state.range(0)));
    if (path.empty())
        return state.SkipWithError("mesh not found");
    for (auto _ : state) {
        LargeText text;
        readWholeFile(path, text);
        std::size_t lines = 0;
        const char* p = text.data();
        const char* end = p + text.size();
        while ((p = static_cast<const char*>(std::memchr(p, '\n', std::size_t(end - p))))) {
            ++lines;
            ++p;
        }
        benchmark::DoNotOptimize(lines);
    }
    setBytes(state, path);
}

// Loads the benchmark's mesh once per iteration, with or without the builds a
// file open runs.
void loadEachIteration(benchmark::State& state, bool withBuilds)
{
    const std::string path = pathOf(int(state.range(0)));
    if (path.empty())
        return state.SkipWithError("mesh not found");
    for (auto _ : state) {
        Mesh mesh;
        QuietStdout quiet;
        readObj(mesh, path);
        if (withBuilds)
            build(mesh,
                { MESH_CENTRE, MESH_CENTROIDS, MESH_EDGE_LIST, MESH_VERTEX_NORMALS, MESH_BB });
        benchmark::DoNotOptimize(mesh.numEdges);
    }
    setBytes(state, path);
}

void BM_ReadObj(benchmark::State& state)
{
    loadEachIteration(state, false);
}
void BM_ReadObjAndBuild(benchmark::State& state)
{
    loadEachIteration(state, true);
}

void BM_EdgeBuild(benchmark::State& state)
{
    const std::string path = pathOf(int(state.range(0)));
    if (path.empty())
        return state.SkipWithError("mesh not found");
    Mesh mesh;
    {
        QuietStdout quiet;
        readObj(mesh, path);
    }
    double seconds = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        buildEdgeList(mesh);
        benchmark::DoNotOptimize(mesh.numEdges);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.counters["faces"] = mesh.numFaces;
    state.counters["ms_per_Mface"]
        = seconds * 1000.0 / double(state.iterations()) / (double(mesh.numFaces) / 1e6);
    state.SetLabel(std::filesystem::path(path).filename().string());
}

#ifdef FACETRA_HAVE_TINYOBJ
void BM_TinyObj(benchmark::State& state)
{
    const std::string path = pathOf(int(state.range(0)));
    if (path.empty())
        return state.SkipWithError("mesh not found");
    for (auto _ : state) {
        tinyobj::attrib_t attrib;
        std::vector<tinyobj::shape_t> shapes;
        std::vector<tinyobj::material_t> materials;
        std::string warn, err;
        const bool ok = tinyobj::LoadObj(
            &attrib, &shapes, &materials, &warn, &err, path.c_str(), nullptr, true);
        // Corners naming texture coordinates the file does not have ("a/a/") stop it.
        if (!ok || shapes.empty())
            return state.SkipWithError("tinyobjloader does not read this file");
        benchmark::DoNotOptimize(shapes.data());
    }
    setBytes(state, path);
}
BENCHMARK(BM_TinyObj)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
#endif

} // namespace

BENCHMARK(BM_Floor)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadObj)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadObjAndBuild)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EdgeBuild)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
