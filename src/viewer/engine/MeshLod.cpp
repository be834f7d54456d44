#include "viewer/engine/MeshLod.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <limits>

namespace {

// Above this many faces an input is clustered rather than collapsed: the
// collapses would take many seconds and gigabytes there.
constexpr std::size_t kCollapseLimit = 2000000;

bool stopped(const std::atomic<bool>* stop)
{
    return stop && stop->load(std::memory_order_relaxed);
}

// The faces around each vertex, as lists in one array.
struct Incidence
{
    std::vector<std::uint32_t> start;
    std::vector<std::uint32_t> faces;

    explicit Incidence(const LodSource& source)
    {
        const std::size_t nv = source.positions.size() / 3;
        start.assign(nv + 1, 0);
        for (std::uint32_t v : source.corners)
            ++start[v + 1];
        for (std::size_t v = 0; v < nv; ++v)
            start[v + 1] += start[v];
        faces.resize(source.corners.size());
        std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
        for (std::size_t c = 0; c < source.corners.size(); ++c)
            faces[fill[source.corners[c]]++] = std::uint32_t(c / 3);
    }
};

// About `target` triangles from `corners`, over the source's vertices. The
// vertices the input uses are numbered afresh first, so that the simplifier's
// own tables are the size of the input, not of the whole mesh.
std::vector<std::uint32_t> simplify(
    const std::vector<std::uint32_t>& corners, const LodSource& source, std::size_t target)
{
    const std::size_t nv = source.positions.size() / 3;
    std::vector<std::uint32_t> local(nv, std::numeric_limits<std::uint32_t>::max());
    std::vector<std::uint32_t> global;
    std::vector<float> positions;
    std::vector<std::uint32_t> in(corners.size());
    for (std::size_t c = 0; c < corners.size(); ++c) {
        std::uint32_t& id = local[corners[c]];
        if (id == std::numeric_limits<std::uint32_t>::max()) {
            id = std::uint32_t(global.size());
            global.push_back(corners[c]);
            const float* p = &source.positions[std::size_t(corners[c]) * 3];
            positions.insert(positions.end(), p, p + 3);
        }
        in[c] = id;
    }
    std::vector<std::uint32_t>().swap(local);

    std::vector<std::uint32_t> out(in.size());
    std::size_t count = 0;
    // An error bound of the whole size lets the face count alone decide.
    if (in.size() / 3 <= kCollapseLimit)
        count = meshopt_simplify(out.data(), in.data(), in.size(), positions.data(), global.size(),
            3 * sizeof(float), target * 3, 1.0f, 0, nullptr);
    if (count == 0 || count / 3 > target + target / 2)
        count = meshopt_simplifySloppy(out.data(), in.data(), in.size(), positions.data(),
            global.size(), 3 * sizeof(float), target * 3, 1.0f, nullptr);
    out.resize(count);
    for (std::uint32_t& c : out)
        c = global[c];
    return out;
}

// The source face each triangle stands for: of the faces around its corners,
// the one whose centroid lies nearest to the triangle's (the lower number on
// a tie).
std::vector<std::int32_t> sourceFaces(const std::vector<std::uint32_t>& corners,
    const LodSource& source, const Incidence& around, const std::atomic<bool>* stop)
{
    const auto centroidOf = [&](const std::uint32_t* c, float out[3]) {
        for (int a = 0; a < 3; ++a)
            out[a] = (source.positions[std::size_t(c[0]) * 3 + std::size_t(a)]
                         + source.positions[std::size_t(c[1]) * 3 + std::size_t(a)]
                         + source.positions[std::size_t(c[2]) * 3 + std::size_t(a)])
                / 3.0f;
    };
    std::vector<std::int32_t> faces(corners.size() / 3);
    for (std::size_t t = 0; t < faces.size(); ++t) {
        if ((t & 65535) == 0 && stopped(stop))
            return {};
        float mid[3];
        centroidOf(&corners[t * 3], mid);
        float best = std::numeric_limits<float>::infinity();
        std::uint32_t bestFace = std::numeric_limits<std::uint32_t>::max();
        for (int k = 0; k < 3; ++k) {
            const std::uint32_t v = corners[t * 3 + std::size_t(k)];
            for (std::uint32_t i = around.start[v]; i < around.start[v + 1]; ++i) {
                const std::uint32_t f = around.faces[i];
                float c[3];
                centroidOf(&source.corners[std::size_t(f) * 3], c);
                const float d = (c[0] - mid[0]) * (c[0] - mid[0])
                    + (c[1] - mid[1]) * (c[1] - mid[1]) + (c[2] - mid[2]) * (c[2] - mid[2]);
                if (d < best || (d == best && f < bestFace)) {
                    best = d;
                    bestFace = f;
                }
            }
        }
        faces[t] = std::int32_t(bestFace);
    }
    return faces;
}

} // namespace

LodSource LodSource::of(const Mesh& mesh)
{
    LodSource source;
    source.positions.resize(std::size_t(mesh.numVertices) * 3);
    for (std::size_t v = 0; v < std::size_t(mesh.numVertices); ++v) {
        source.positions[v * 3] = mesh.vertices[v].x;
        source.positions[v * 3 + 1] = mesh.vertices[v].y;
        source.positions[v * 3 + 2] = mesh.vertices[v].z;
    }
    source.corners.resize(std::size_t(mesh.numFaces) * 3);
    for (std::size_t f = 0; f < std::size_t(mesh.numFaces); ++f)
        for (std::size_t k = 0; k < 3; ++k)
            source.corners[f * 3 + k] = std::uint32_t(mesh.faces[f].index[k]);
    return source;
}

std::vector<LodLevel> buildLodLevels(const LodSource& source, const std::atomic<bool>* stop)
{
    std::vector<LodLevel> levels;
    const int faces = source.faceCount();
    if (faces < kLodLeastFaces)
        return levels;
    const Incidence around(source);
    const std::vector<std::uint32_t>* from = &source.corners;
    for (int target = std::min(faces / 8, kLodFinestFaces); target >= kLodCoarsestFaces;
         target /= 4) {
        if (stopped(stop))
            return {};
        LodLevel level;
        level.corners = simplify(*from, source, std::size_t(target));
        if (level.corners.empty() || level.corners.size() >= from->size())
            break;
        level.sourceFace = sourceFaces(level.corners, source, around, stop);
        if (level.sourceFace.empty())
            return {};
        levels.push_back(std::move(level));
        from = &levels.back().corners;
    }
    return levels;
}

void LodMesh::build(const Mesh& full, const LodLevel& level)
{
    std::vector<int> local(std::size_t(full.numVertices), -1);
    fullVertex.clear();
    for (std::uint32_t v : level.corners) {
        if (local[v] < 0) {
            local[v] = int(fullVertex.size());
            fullVertex.push_back(int(v));
        }
    }
    mesh.clear();
    mesh.allocateVertices(int(fullVertex.size()));
    mesh.allocateFaces(level.faceCount());
    // Nothing draws texture coordinates.
    LargeVector<Vector>().swap(mesh.texCoords);
    for (std::size_t i = 0; i < fullVertex.size(); ++i)
        mesh.vertices[i] = full.vertices[std::size_t(fullVertex[i])];
    for (int f = 0; f < level.faceCount(); ++f)
        for (int k = 0; k < 3; ++k)
            mesh.faces[std::size_t(f)].index[k]
                = local[level.corners[std::size_t(f) * 3 + std::size_t(k)]];
    refreshAttributes(full, level);
    mesh.centre = full.centre;
    mesh.extent = full.extent;
    std::copy(std::begin(full.boxCorners), std::end(full.boxCorners), std::begin(mesh.boxCorners));
    mesh.selected = -1;
}

void LodMesh::refreshAttributes(const Mesh& full, const LodLevel& level)
{
    for (std::size_t i = 0; i < fullVertex.size(); ++i) {
        const std::size_t v = std::size_t(fullVertex[i]);
        if (v < full.vertexNormals.size())
            mesh.vertexNormals[i] = full.vertexNormals[v];
        if (v < full.vertexColours.size())
            mesh.vertexColours[i] = full.vertexColours[v];
    }
    mesh.vertexColoursSet = full.vertexColoursSet;
    // Each face takes the marks of the face it stands for, where there are any.
    const auto take = [&level, n = std::size_t(mesh.numFaces)](auto& marks, const auto& from) {
        marks.clear();
        if (from.empty())
            return;
        marks.resize(n);
        for (std::size_t f = 0; f < n; ++f)
            marks[f] = from[std::size_t(level.sourceFace[f])];
    };
    take(mesh.faceColours, full.faceColours);
    take(mesh.faceTraversed, full.faceTraversed);
    take(mesh.faceSegments, full.faceSegments);
    for (int f = 0; f < mesh.numFaces; ++f) {
        const std::size_t source = std::size_t(level.sourceFace[std::size_t(f)]);
        Face& face = mesh.faces[std::size_t(f)];
        const int index[3] = { face.index[0], face.index[1], face.index[2] };
        face = full.faces[source];
        std::copy(index, index + 3, face.index);
        mesh.centroids[std::size_t(f)]
            = source < full.centroids.size() ? full.centroids[source] : Vector();
    }
}

std::size_t LodMesh::bytes() const
{
    return (mesh.vertices.capacity() + mesh.vertexNormals.capacity() + mesh.vertexColours.capacity()
               + mesh.texCoords.capacity())
        * sizeof(Vector)
        + mesh.faces.capacity() * sizeof(Face) + mesh.faceColours.capacity() * sizeof(PackedVector)
        + (mesh.faceTraversed.capacity() + mesh.faceSegments.capacity()) * sizeof(int)
        + mesh.centroids.capacity() * sizeof(Vector) + fullVertex.capacity() * sizeof(int);
}
