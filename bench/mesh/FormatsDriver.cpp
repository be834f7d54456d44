// Loads one mesh file, file to built mesh, and prints the processor time and the
// peak memory of this process: one process per load, so that peaks do not mix.
// Usage: mesh_formats [--assimp] FILE
//        mesh_formats --write-all DIR   (horse-loop1 and its split as .obj, .obj.gz, .ply)
#include "common/BenchMeshes.h"
#include "common/CpuTime.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/ReadObj.h"
#include "mesh/engine/WriteMeshFile.h"

#ifdef FACETRA_HAVE_ASSIMP
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

#ifdef FACETRA_HAVE_ASSIMP
// The peer: Assimp reads the file and joins equal vertices; its first mesh is
// copied into ours and built as every load is.
bool loadWithAssimp(Mesh& mesh, const std::string& path)
{
    Assimp::Importer importer;
    const aiScene* scene
        = importer.ReadFile(path, aiProcess_JoinIdenticalVertices | aiProcess_Triangulate);
    if (!scene || scene->mNumMeshes == 0)
        return false;
    const aiMesh* m = scene->mMeshes[0];
    if (!mesh.allocateVertices(int(m->mNumVertices)) || !mesh.allocateFaces(int(m->mNumFaces)))
        return false;
    for (unsigned i = 0; i < m->mNumVertices; ++i)
        mesh.vertices[i] = Vector(m->mVertices[i].x, m->mVertices[i].y, m->mVertices[i].z, 1.0f);
    int f = 0;
    for (unsigned i = 0; i < m->mNumFaces; ++i) {
        if (m->mFaces[i].mNumIndices != 3)
            continue;
        for (int k = 0; k < 3; ++k)
            mesh.faces[std::size_t(f)].index[k] = int(m->mFaces[i].mIndices[k]);
            ++f;
    }
    mesh.truncateFaces(f);
    build(mesh, { MESH_CENTRE, MESH_CENTROIDS, MESH_EDGE_LIST, MESH_VERTEX_NORMALS, MESH_BB });
    mesh.orientFaces();
    build(mesh, { MESH_VERTEX_NORMALS });
    return true;
}
#endif

int writeAll(const std::string& dir)
{
    const std::string sources[] = { benchMeshPath("horse-loop1.obj"), benchMillionFacePath() };
    const char* names[] = { "horse", "horse-split" };
    for (int i = 0; i < 2; ++i) {
        Mesh mesh;
        if (sources[i].empty() || !readObj(mesh, sources[i]))
            return 1;
        const std::string base = dir + "/" + names[i];
        writeMeshFile(mesh, base + ".obj");
        writeMeshFile(mesh, base + ".ply");
        writeMeshFile(mesh, base + ".stl");
        const std::string gz = "gzip -kf '" + base + ".obj'";
        if (std::system(gz.c_str()) != 0)
            return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--write-all")
        return writeAll(argv[2]);
    const bool assimp = argc == 3 && std::string(argv[1]) == "--assimp";
    if (argc != 2 && !assimp) {
        std::fprintf(stderr, "usage: mesh_formats [--assimp] FILE | --write-all DIR\n");
        return 2;
    }
    const std::string path = argv[argc - 1];
    std::FILE* console = std::fopen("/dev/null", "w");
    const int saved = dup(1);
    dup2(fileno(console), 1); // the readers' console lines are not part of the figure
    const long long before = peakRssBytes();
    const double start = cpuMs();
    Mesh mesh;
    bool ok = false;
#ifdef FACETRA_HAVE_ASSIMP
    if (assimp)
        ok = loadWithAssimp(mesh, path);
    else
#endif
        ok = !assimp && openMeshFile(mesh, path);
    const double ms = cpuMs() - start;
    std::fflush(stdout);
    dup2(saved, 1);
    if (!ok) {
        std::fprintf(stderr, "mesh_formats: cannot load %s\n", path.c_str());
        return 1;
    }
    std::printf("%-8s %-40s v %8d f %8d  cpu %8.1f ms  peak %7.1f MB (+%.1f)\n",
        assimp ? "assimp" : "facetra", path.c_str(), mesh.numVertices, mesh.numFaces, ms,
        double(peakRssBytes()) / 1e6, double(peakRssBytes() - before) / 1e6);
    return 0;
}
