#pragma once

// Shared by the reader fuzz targets: the readers take a path, so every input is
// written to a private temporary file first; after a successful read the mesh
// must hold its invariants and survive the load builds.

#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Mesh.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>

namespace fuzzing {

// A file name private to this process: the temporary folder, the process id
// and name.
inline std::string scratchPath(const std::string& name)
{
    std::error_code ec;
    auto dir = std::filesystem::temp_directory_path(ec);
    if (ec)
        dir = ".";
    return (dir / ("facetra-fuzz-" + std::to_string(::getpid()) + "." + name)).string();
}

// The file every input is written to, removed at exit.
inline const std::string& inputPath(const char* extension)
{
    static const std::string path = [extension] {
        // The readers' console lines would drown the fuzzer's own output.
        if (!std::getenv("FACETRA_FUZZ_VERBOSE"))
            (void)std::freopen("/dev/null", "w", stdout);
        return scratchPath(extension);
    }();
    static const struct Remover
    {
        ~Remover() { std::remove(path.c_str()); }
    } remover;
    return path;
}

inline bool writeInput(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool ok = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
}

// Aborts (so the fuzzer reports the input) when a reader left a mesh that the
// rest of the program could not trust.
inline void checkMesh(Mesh& mesh)
{
    const auto require = [](bool ok) {
        if (!ok)
            std::abort();
    };
    const std::size_t nv = std::size_t(mesh.numVertices);
    const std::size_t nf = std::size_t(mesh.numFaces);
    require(mesh.numVertices >= 0 && mesh.numFaces >= 0);
    require(mesh.vertices.size() == nv && mesh.vertexNormals.size() == nv
        && mesh.vertexColours.size() == nv && mesh.texCoords.empty());
    require(mesh.faces.size() == nf && mesh.centroids.size() == nf);
    require(mesh.morphogenValues.empty() || mesh.morphogenValues.size() == nv);
    for (const auto& row : mesh.morphogenValues)
        require(row.size() == mesh.morphogenValues.front().size());
    for (std::size_t f = 0; f < nf; ++f) {
        const Face& face = mesh.faces[f];
        for (int k = 0; k < 3; ++k) {
            require(face.index[k] >= 0 && std::size_t(face.index[k]) < nv);
        }
    }
    build(mesh,
        { MESH_CENTRE, MESH_CENTROIDS, MESH_EDGE_LIST, MESH_VERTEX_NORMALS, MESH_BB,
            MESH_TEXCOORDS });
    if (nv > 0) {
        require(mesh.edgeVertices.size() == 2 * std::size_t(mesh.numEdges));
        require(mesh.edgeFaces.size() == 2 * std::size_t(mesh.numEdges));
        require(mesh.buildEdgeReferences() && buildNeighbourLists(mesh));
        require(mesh.vertexEdgeRefs.size() == nv && mesh.faceNeighbourRefs.size() == nf);
        // Every triangle side appears once per face on one edge, or the face was
        // the third one on it.
        require(mesh.vertexEdgeRefs.totalSize() == 2 * std::size_t(mesh.numEdges));
    }
}

// One input through the reader its file name asks for ("ply", "stl", "gts",
// "obj.gz", ...), then the checks above.
inline int readAsFile(const char* extension, const std::uint8_t* data, std::size_t size)
{
    const std::string& path = inputPath(extension);
    if (!writeInput(path, data, size))
        return 0;
    Mesh mesh;
    if (readMeshFile(mesh, path))
        checkMesh(mesh);
    return 0;
}

// A mesh from OBJ text through the OBJ reader, for the targets whose files
// belong to a mesh: read once per text and duplicated for every input. Call
// after inputPath(), which quiets the console.
inline std::unique_ptr<Mesh> meshFromText(const char* obj)
{
    static std::map<const char*, std::unique_ptr<Mesh>> read;
    std::unique_ptr<Mesh>& mesh = read[obj];
    if (!mesh) {
        const std::string path = scratchPath("mesh.obj");
        const std::string text(obj);
        mesh = std::make_unique<Mesh>();
        const bool ok
            = writeInput(path, reinterpret_cast<const std::uint8_t*>(text.data()), text.size())
            && readMeshFile(*mesh, path);
        std::remove(path.c_str());
        if (!ok)
            std::abort();
    }
    return mesh->duplicate();
}

} // namespace fuzzing
