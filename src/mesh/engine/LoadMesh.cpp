#include "mesh/engine/LoadMesh.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/Gzip.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/ReadGts.h"
#include "mesh/engine/ReadLibraryMesh.h"
#include "mesh/engine/ReadNet.h"
#include "mesh/engine/ReadObj.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <utility>

MeshFileKind meshFileKind(const std::string& fullName)
{
    const std::string name = withoutGzipSuffix(fullName);
    std::string tail = name.size() > 4 ? name.substr(name.size() - 4) : name;
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (tail == ".ply")
        return MeshFileKind::Ply;
    if (tail == ".stl")
        return MeshFileKind::Stl;
    if (tail == ".off")
        return MeshFileKind::Off;
    if (tail == ".gts")
        return MeshFileKind::Gts;
    if (tail.find("obj") != std::string::npos)
        return MeshFileKind::Obj;
    if (tail.find("net") != std::string::npos)
        return MeshFileKind::Net;
    return MeshFileKind::None;
}

bool readMeshFile(Mesh& mesh, const std::string& name, ObjReadReport* report)
{
    const MeshFileKind kind = meshFileKind(name);
    switch (kind) {
    case MeshFileKind::Obj:
        mesh.clear();
        return readObj(mesh, name, report);
    case MeshFileKind::Net:
        mesh.clear();
        return readNet(mesh, name);
    case MeshFileKind::Ply:
    case MeshFileKind::Stl:
    case MeshFileKind::Off:
        mesh.clear();
        return readLibraryMesh(mesh, name, kind, report);
    case MeshFileKind::Gts:
        mesh.clear();
        return readGts(mesh, name);
    case MeshFileKind::None:
        break;
    }
    return true;
}

const char* readableMeshPatterns()
{
    return "*.obj *.net *.ply *.stl *.off *.gts *.obj.gz *.net.gz *.ply.gz *.stl.gz *.off.gz "
           "*.gts.gz";
}

void paintDefaultColours(Mesh& mesh)
{
    std::fill(mesh.vertexColours.begin(), mesh.vertexColours.end(), Face().colour);
    mesh.vertexColoursSet = false;
}

std::string irregularFileProblem(const std::string& name)
{
    std::error_code error;
    const auto status = std::filesystem::status(name, error);
    if (error || status.type() == std::filesystem::file_type::not_found
        || status.type() == std::filesystem::file_type::regular)
        return {};
    return name + " is not a regular file";
}

std::string noFacesProblem(const std::string& name)
{
    // Text mesh files hold printable characters and line ends only; a control
    // byte (NUL above all) in the first few kilobytes means a binary file.
    bool binary = false;
    if (std::FILE* file = std::fopen(name.c_str(), "rb")) {
        unsigned char head[4096];
        const std::size_t got = std::fread(head, 1, sizeof head, file);
        std::fclose(file);
        binary = std::any_of(head, head + got, [](unsigned char c) {
            return (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v')
                || c == 0x7f;
        });
    }
    return name + (binary ? " is not a text mesh file" : " holds no faces");
}

namespace {

bool refuse(const std::string& message, std::string* problem)
{
    std::fflush(stdout);
    std::cerr << message << std::endl;
    if (problem)
        *problem = message;
    return false;
}

} // namespace

bool openMeshFile(Mesh& mesh, const std::string& name, ObjReadReport* report, std::string* problem)
{
    const MeshFileKind kind = meshFileKind(name);
    if (const std::string irregular = irregularFileProblem(name); !irregular.empty())
        return refuse(irregular, problem);
    if (kind != MeshFileKind::None) {
        Mesh loaded;
        ObjReadReport objReport;
        if (!readMeshFile(loaded, name, &objReport)) {
            if (problem)
                *problem = name + " could not be read";
            return false;
        }
        if (loaded.numFaces <= 0)
            return refuse(noFacesProblem(name), problem);
        if (kind != MeshFileKind::Net && objReport.coloursRead == 0)
            paintDefaultColours(loaded);
        mesh = std::move(loaded);
        if (report)
            *report = objReport;
    }
    mesh.selected = -1;
    buildLoadData(mesh);
    return true;
}

void buildLoadData(Mesh& mesh, Progress* progress)
{
    build(mesh, { MESH_CENTRE, MESH_CENTROIDS, MESH_EDGE_LIST, MESH_VERTEX_NORMALS, MESH_BB },
        progress);
    mesh.orientFaces();
    build(mesh, { MESH_VERTEX_NORMALS }, progress);
}
