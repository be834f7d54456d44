// Peak memory of a loaded and built mesh of about 1.5 million faces.
// Usage: mesh_memory [FILE.obj]   (default: horse-loop1 split once)
#include "common/BenchMeshes.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/ReadObj.h"

#include <cstdio>

int main(int argc, char** argv)
{
    const std::string path = argc > 1 ? argv[1] : benchMillionFacePath();
    if (path.empty()) {
        std::fprintf(stderr, "mesh_memory: no mesh to load\n");
        return 1;
    }
    const long long before = peakRssBytes();
    Mesh mesh;
    if (!readObj(mesh, path))
        return 1;
    build(mesh, { MESH_CENTRE, MESH_CENTROIDS, MESH_EDGE_LIST, MESH_VERTEX_NORMALS, MESH_BB });
    const long long after = peakRssBytes();
    std::printf("faces %d vertices %d edges %d\n", mesh.numFaces, mesh.numVertices, mesh.numEdges);
    std::printf("peak RSS %.1f MB (%.1f MB before loading): %.0f bytes per face\n",
                double(after) / 1e6, double(before) / 1e6,
                double(after - before) / double(mesh.numFaces));
    return 0;
}
