// One measurement per process, so that the peak resident size belongs to it:
//
//   refinement_bench subdivide          MESH LEVELS [RUNS]
//   refinement_bench openmesh-subdivide MESH LEVELS [RUNS]
//   refinement_bench simplify           MESH PERCENT [RUNS]
//   refinement_bench meshopt-simplify   MESH PERCENT [RUNS]
//
// Prints one line: tool, mesh, parameter, input and output counts, the best
// of RUNS (default 3) processor times of the work, and the peak resident size of
// the process (loading included) and after loading. Processor time rather than
// wall time because the machines these run on are shared: it leaves out the
// time spent waiting for a core.
#include "common/CpuTime.h"

#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Mesh.h"
#include "refinement/engine/Simplify.h"
#include "refinement/engine/Subdivider.h"

#include <OpenMesh/Core/Mesh/TriMesh_ArrayKernelT.hh>
#include <OpenMesh/Tools/Subdivider/Uniform/ModifiedButterFlyT.hh>
#include <meshoptimizer.h>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using OmMesh = OpenMesh::TriMesh_ArrayKernelT<>;

double peakMb()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// Runs `work` `runs` times on fresh input made by `prepare` (not timed).
double bestMs(int runs, const std::function<void()>& prepare, const std::function<void()>& work)
{
    double best = 1e300;
    for (int r = 0; r < runs; ++r) {
        prepare();
        const double start = cpuMs();
        work();
        best = std::min(best, cpuMs() - start);
    }
    return best;
}

void toOpenMesh(const Mesh& mesh, OmMesh& om)
{
    om.clear();
    std::vector<OmMesh::VertexHandle> handles;
    handles.reserve(std::size_t(mesh.numVertices));
    for (const Vector& p : mesh.vertices)
        handles.push_back(om.add_vertex(OmMesh::Point(p.x, p.y, p.z)));
    for (const Face& f : mesh.faces)
        om.add_face(handles[std::size_t(f.index[0])], handles[std::size_t(f.index[1])],
            handles[std::size_t(f.index[2])]);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr,
            "usage: %s subdivide|openmesh-subdivide|simplify|meshopt-simplify "
            "MESH PARAMETER [RUNS]\n",
            argv[0]);
        return 1;
    }
    const std::string tool = argv[1];
    const std::string path = argv[2];
    const double parameter = std::atof(argv[3]);
    const int runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 3;
    const char* name = std::strrchr(argv[2], '/') ? std::strrchr(argv[2], '/') + 1 : argv[2];

    Mesh loaded;
    std::fflush(stdout);
    // Quiet the reader and the builds: the result line is all that is wanted.
    const int savedOut = dup(1);
    std::freopen("/dev/null", "w", stdout);
    const bool ok = readMeshFile(loaded, path, nullptr);
    const double loadedMb = peakMb();
    long long inV = loaded.numVertices, inF = loaded.numFaces, outV = 0, outF = 0;
    double ms = 0;
    if (ok && tool == "subdivide") {
        Subdivider subdivider;
        ms = bestMs(
            runs, [&] { subdivider.source = &loaded; },
            [&] {
                subdivider.levels = int(parameter);
                subdivider.subdivide();
            });
        outV = subdivider.result->numVertices;
        outF = subdivider.result->numFaces;
    } else if (ok && tool == "openmesh-subdivide") {
        OmMesh om;
        OpenMesh::Subdivider::Uniform::ModifiedButterflyT<OmMesh> butterfly;
        ms = bestMs(
            runs, [&] { toOpenMesh(loaded, om); },
            [&] {
                butterfly.attach(om);
                butterfly(std::size_t(parameter));
                butterfly.detach();
            });
        outV = long(om.n_vertices());
        outF = long(om.n_faces());
    } else if (ok && tool == "simplify") {
        Mesh work;
        ms = bestMs(
            runs, [&] { work.copyFrom(loaded); }, [&] { simplify(work, float(parameter) / 100); });
        outV = work.numVertices;
        outF = work.numFaces;
    } else if (ok && tool == "meshopt-simplify") {
        // To the vertex count our simplifier reaches: ask for the face count it
        // leaves and let the error grow as far as needed.
        Mesh ours;
        ours.copyFrom(loaded);
        simplify(ours, float(parameter) / 100);
        std::vector<unsigned> indices;
        for (const Face& f : loaded.faces)
            indices.insert(indices.end(),
                { unsigned(f.index[0]), unsigned(f.index[1]), unsigned(f.index[2]) });
        std::vector<float> positions;
        for (const Vector& p : loaded.vertices)
            positions.insert(positions.end(), { p.x, p.y, p.z });
        std::vector<unsigned> out(indices.size());
        std::size_t count = 0;
        ms = bestMs(
            runs, [] {},
            [&] {
                count = meshopt_simplify(out.data(), indices.data(), indices.size(),
                    positions.data(), positions.size() / 3, 3 * sizeof(float),
                    std::size_t(ours.numFaces) * 3, 1.0f, 0, nullptr);
            });
        out.resize(count);
        std::vector<unsigned> used(out);
        std::sort(used.begin(), used.end());
        outV = long(std::unique(used.begin(), used.end()) - used.begin());
        outF = long(count / 3);
    }
    std::fflush(stdout);
    dup2(savedOut, 1);
    if (!ok) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
    }
    if (ms == 0 && outF == 0 && outV == 0) {
        std::fprintf(stderr, "unknown tool %s\n", tool.c_str());
        return 1;
    }
    std::printf("%-20s %-22s %6g  in %8lld v %8lld f  out %9lld v %9lld f  %9.1f ms  peak %7.0f MB "
                "(loaded %5.0f MB)\n",
        tool.c_str(), name, parameter, inV, inF, outV, outF, ms, peakMb(), loadedMb);
    return 0;
}
