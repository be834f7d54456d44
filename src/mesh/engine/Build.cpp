#include "mesh/engine/Build.h"

#include "mesh/engine/Mesh.h"
#include "mesh/engine/Progress.h"
#include "mesh/engine/Workers.h"

#include <algorithm>
#include <cstdio>

namespace {

const char* buildName(int code)
{
    switch (code) {
    case MESH_CENTRE:
        return "MESH_CENTRE ";
    case MESH_VERTEX_NORMALS:
        return "MESH_VERTEX_NORMALS ";
    case MESH_FACE_NORMALS:
        return "MESH_FACE_NORMALS ";
    case MESH_TEXCOORDS:
        return "MESH_TEXCOORDS ";
    case MESH_EDGE_LIST:
        return "MESH_EDGE_LIST ";
    case MESH_CENTROIDS:
        return "MESH_CENTROIDS ";
    case MESH_BB:
        return "MESH_BB ";
    default:
        return nullptr;
    }
}

void runBuilders(
    Mesh& mesh, std::span<const int> codes, Progress* progress, bool faceNormalsOnly = false);

void announceAndBuild(
    Mesh& mesh, std::span<const int> codes, Progress* progress, bool faceNormalsOnly)
{
    std::printf("BUILDING: ");
    try {
        runBuilders(mesh, codes, progress, faceNormalsOnly);
    } catch (const RunCancelled&) {
        std::printf("\n\n");
        throw;
    }
    std::printf("\n\n");
}

} // namespace

Box boundingBox(const Mesh& mesh)
{
    if (mesh.numVertices <= 0)
        return {};
    Box box { mesh.vertices[0], mesh.vertices[0] };
    for (int i = 1; i < mesh.numVertices; ++i) {
        const Vector& p = mesh.vertices[std::size_t(i)];
        box.min.x = std::min(box.min.x, p.x);
        box.min.y = std::min(box.min.y, p.y);
        box.min.z = std::min(box.min.z, p.z);
        box.max.x = std::max(box.max.x, p.x);
        box.max.y = std::max(box.max.y, p.y);
        box.max.z = std::max(box.max.z, p.z);
    }
    return box;
}

void build(Mesh& mesh, std::span<const int> codes, Progress* progress)
{
    announceAndBuild(mesh, codes, progress, false);
}

void buildFaceNormalsOnly(Mesh& mesh, std::initializer_list<int> codes, Progress* progress)
{
    announceAndBuild(mesh, std::span<const int>(codes.begin(), codes.size()), progress, true);
}

void build(Mesh& mesh, std::initializer_list<int> codes, Progress* progress)
{
    build(mesh, std::span<const int>(codes.begin(), codes.size()), progress);
}

namespace {

void runBuilders(Mesh& mesh, std::span<const int> codes, Progress* progress, bool faceNormalsOnly)
{
    for (int code : codes) {
        const char* name = buildName(code);
        if (!name)
            continue;
        std::printf("%s", name);
        std::fflush(stdout);
        switch (code) {
        case MESH_CENTRE:
            buildCentre(mesh);
            break;
        case MESH_VERTEX_NORMALS:
        case MESH_FACE_NORMALS:
            buildNormals(mesh, progress, faceNormalsOnly);
            break;
        case MESH_TEXCOORDS:
            buildTexCoords(mesh, progress);
            break;
        case MESH_EDGE_LIST:
            buildEdgeList(mesh, progress);
            break;
        case MESH_CENTROIDS:
            buildCentroids(mesh, progress);
            break;
        case MESH_BB:
            buildBoundingBox(mesh);
            break;
        default:
            break;
        }
    }
}

} // namespace

void buildCentre(Mesh& mesh)
{
    if (mesh.numVertices == 0)
        return;
    const Box box = boundingBox(mesh);
    mesh.centre.x = (box.min.x + box.max.x) * 0.5f;
    mesh.centre.y = (box.min.y + box.max.y) * 0.5f;
    mesh.centre.z = (box.min.z + box.max.z) * 0.5f;
}

void buildCentroids(Mesh& mesh, Progress* progress)
{
    forEachShared(
        std::size_t(mesh.numFaces), progress, "Building centroids", 65535, [&mesh](std::size_t f) {
            const Face& face = mesh.faces[f];
            const Vector& p = mesh.corner(face, 0);
            const Vector& q = mesh.corner(face, 1);
            const Vector& r = mesh.corner(face, 2);
            Vector& c = mesh.centroids[f];
            c.x = (p.x + q.x + r.x) / 3.0f;
            c.y = (p.y + q.y + r.y) / 3.0f;
            c.z = (p.z + q.z + r.z) / 3.0f;
        });
}

void buildNormals(Mesh& mesh, Progress* progress, bool faceNormalsOnly)
{
    // The face normals first, shared among the workers by faces.
    const std::size_t nf = std::size_t(mesh.numFaces);
    forEachShared(nf, progress, "Building face normals", 16383,
        [&mesh](std::size_t f) { mesh.faces[f].computeNormal(mesh.vertices.data()); });
    if (faceNormalsOnly)
        return;
    // Each vertex normal is the face normals around it added face by face, in
    // face order, and normalised after each; the workers share the vertices,
    // so every vertex sees the same sums in the same order as on one thread.
    const std::size_t nv = mesh.vertexNormals.size();
    const unsigned workers = workerCount(double(nf));
    runWorkers(workers, [&](unsigned w) {
        const std::size_t begin = nv * w / workers, end = nv * (w + 1) / workers;
        for (std::size_t v = begin; v < end; ++v)
            mesh.vertexNormals[v] = Vector(0);
        for (std::size_t f = 0; f < nf; ++f) {
            if ((f & 16383) == 0
                && !checkIn(progress, w, "Building normals", double(f) / double(nf)))
                return;
            const Face& face = mesh.faces[f];
            for (int k = 0; k < 3; ++k) {
                const std::size_t v = std::size_t(face.index[k]);
                if (v < begin || v >= end)
                    continue;
                Vector& n = mesh.vertexNormals[v];
                n += face.normal;
                n.normalise();
            }
        }
    });
}

void buildTexCoords(Mesh& mesh, Progress* progress)
{
    LargeVector<Vector>(std::size_t(mesh.numVertices)).swap(mesh.texCoords);
    if (mesh.numVertices == 0)
        return;
    const Box box = boundingBox(mesh);
    const float rangeX = box.max.x - box.min.x;
    const float rangeY = box.max.y - box.min.y;
    // A flat direction has no range to divide by; it maps to 0.
    for (int i = 0; i < mesh.numVertices; ++i) {
        reportPeriodically(progress, "Building texture coordinates", std::size_t(i),
            std::size_t(mesh.numVertices), 65535);
        const Vector& p = mesh.vertices[std::size_t(i)];
        Vector& t = mesh.texCoords[std::size_t(i)];
        t.x = rangeX > 0.0f ? (p.x - box.min.x) / rangeX * 2.0f : 0.0f;
        t.y = rangeY > 0.0f ? (p.y - box.min.y) / rangeY * 2.0f : 0.0f;
    }
}

void buildBoundingBox(Mesh& mesh)
{
    if (mesh.numVertices == 0)
        return;
    const Box b = boundingBox(mesh);
    const float xs[8] = { b.max.x, b.max.x, b.min.x, b.min.x, b.min.x, b.min.x, b.max.x, b.max.x };
    const float ys[8] = { b.min.y, b.max.y, b.max.y, b.min.y, b.min.y, b.max.y, b.max.y, b.min.y };
    const float zs[8] = { b.max.z, b.max.z, b.max.z, b.max.z, b.min.z, b.min.z, b.min.z, b.min.z };
    for (int i = 0; i < 8; ++i) {
        mesh.boxCorners[i].x = xs[i];
        mesh.boxCorners[i].y = ys[i];
        mesh.boxCorners[i].z = zs[i];
    }
    mesh.extent = 0.0f;
    Vector sides[3] = { mesh.boxCorners[0] - mesh.boxCorners[1],
        mesh.boxCorners[1] - mesh.boxCorners[2], mesh.boxCorners[1] - mesh.boxCorners[6] };
    for (Vector& side : sides)
        mesh.extent = std::max(mesh.extent, side.getLength());
}
