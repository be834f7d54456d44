#include "mesh/engine/LoadMesh.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/Gzip.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/Progress.h"
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

bool readMeshFile(Mesh& mesh, const std::string& name, ObjReadReport* report, std::string* problem,
    Progress* progress)
{
    const MeshFileKind kind = meshFileKind(name);
    switch (kind) {
    case MeshFileKind::Obj:
        mesh.clear();
        return readObj(mesh, name, report, problem, progress);
    case MeshFileKind::Net:
        mesh.clear();
        return readNet(mesh, name, report, problem, progress);
    case MeshFileKind::Ply:
    case MeshFileKind::Stl:
    case MeshFileKind::Off:
        mesh.clear();
        return readLibraryMesh(mesh, name, kind, report, problem, progress);
    case MeshFileKind::Gts:
        mesh.clear();
        return readGts(mesh, name, report, problem, progress);
    case MeshFileKind::None:
        break;
    }
    return readFailed(name, "no reader for this kind of file", problem);
}

const char* readableMeshPatterns()
{
    return "*.obj *.net *.ply *.stl *.off *.gts *.obj.gz *.net.gz *.ply.gz *.stl.gz *.off.gz "
           "*.gts.gz";
}

void paintDefaultColours(Mesh& mesh)
{
    std::fill(mesh.vertexColours.begin(), mesh.vertexColours.end(), Vector(Face::defaultColour()));
    mesh.vertexColoursSet = false;
}

std::string irregularFileProblem(const std::string& name)
{
    std::error_code error;
    const auto type = std::filesystem::status(name, error).type();
    if (error || type == std::filesystem::file_type::not_found
        || type == std::filesystem::file_type::regular || type == std::filesystem::file_type::fifo)
        return {};
    return name + ": is not a regular file";
}

std::string noFacesProblem(const std::string& name)
{
    // Text mesh files hold printable characters and line ends only; a control
    // byte (NUL above all) in the first few kilobytes means a binary file. Only
    // a plain file is looked at again: a FIFO's bytes are gone, and compressed
    // or binary formats say nothing this way.
    const MeshFileKind kind = meshFileKind(name);
    bool binary = false;
    std::error_code error;
    if ((kind == MeshFileKind::Obj || kind == MeshFileKind::Net) && !hasGzipSuffix(name)
        && std::filesystem::is_regular_file(name, error)) {
        if (std::FILE* file = std::fopen(name.c_str(), "rb")) {
            unsigned char head[4096];
            const std::size_t got = std::fread(head, 1, sizeof head, file);
            std::fclose(file);
            binary = std::any_of(head, head + got, [](unsigned char c) {
                return (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v')
                    || c == 0x7f;
            });
        }
    }
    return name + (binary ? ": is not a text mesh file" : ": holds no faces");
}

bool openMeshFile(Mesh& mesh, const std::string& name, ObjReadReport* report, std::string* problem,
    Progress* progress)
{
    const MeshFileKind kind = meshFileKind(name);
    const auto refuse = [&](const std::string& line) {
        if (problem) {
            *problem = line;
        } else {
            std::fflush(stdout);
            std::cerr << line << std::endl;
        }
        return false;
    };
    if (const std::string irregular = irregularFileProblem(name); !irregular.empty())
        return refuse(irregular);
    Mesh loaded;
    ObjReadReport readReport;
    std::string why;
    if (!readMeshFile(loaded, name, &readReport, &why, progress))
        return refuse(why);
    if (loaded.numFaces <= 0)
        return refuse(noFacesProblem(name));
    if (kind != MeshFileKind::Net && readReport.coloursRead == 0)
        paintDefaultColours(loaded);
    loaded.selected = -1;
    buildLoadData(loaded, progress);
    mesh = std::move(loaded);
    if (report)
        *report = std::move(readReport);
    return true;
}

void buildLoadData(Mesh& mesh, Progress* progress)
{
    // The orientation reads the face normals only, and the vertex normals are
    // built again once it is done: the first build leaves them out.
    buildFaceNormalsOnly(mesh,
        { MESH_CENTRE, MESH_CENTROIDS, MESH_EDGE_LIST, MESH_VERTEX_NORMALS, MESH_BB }, progress);
    mesh.orientFaces(progress);
    build(mesh, { MESH_VERTEX_NORMALS }, progress);
}
