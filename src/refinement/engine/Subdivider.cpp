#include "refinement/engine/Subdivider.h"
#include "mesh/engine/Refusal.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/MemoryInfo.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/Progress.h"
#include "refinement/engine/ReplaceGeometry.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <fstream>
#include <new>
#include <sstream>

namespace {

// Unordered vertex pair -> edge number. Open addressing with linear probing: the
// table is walked once per corner pair, so it has to be cheap, and the edge
// numbers themselves come from the caller in order of first appearance.
class EdgeHash
{
public:
    explicit EdgeHash(std::size_t expected)
    {
        std::size_t capacity = 64;
        while (capacity < expected * 2)
            capacity *= 2;
        resize(capacity);
    }

    // The number stored for {i, j}, or -1 after storing `fresh` for it.
    int findOrInsert(int i, int j, int fresh)
    {
        const std::uint64_t key = pairKey(i, j);
        std::size_t slot = home(key);
        while (keys[slot] != emptyKey) {
            if (keys[slot] == key)
                return values[slot];
            slot = (slot + 1) & mask;
        }
        keys[slot] = key;
        values[slot] = fresh;
        if (++count * 10 > keys.size() * 7)
            resize(keys.size() * 2);
        return -1;
    }

private:
    static constexpr std::uint64_t emptyKey = ~std::uint64_t(0);
    std::vector<std::uint64_t> keys;
    std::vector<int> values;
    std::size_t mask = 0;
    std::size_t count = 0;
    int shift = 0;

    static std::uint64_t pairKey(int i, int j)
    {
        const auto lo = std::uint32_t(i < j ? i : j);
        const auto hi = std::uint32_t(i < j ? j : i);
        return (std::uint64_t(lo) << 32) | hi;
    }
    std::size_t home(std::uint64_t key) const
    {
        return std::size_t((key * 0x9E3779B97F4A7C15ull) >> shift);
    }
    void resize(std::size_t capacity)
    {
        std::vector<std::uint64_t> oldKeys(capacity, emptyKey);
        std::vector<int> oldValues(capacity);
        oldKeys.swap(keys);
        oldValues.swap(values);
        mask = capacity - 1;
        shift = 64;
        for (std::size_t c = capacity; c > 1; c >>= 1)
            --shift;
        for (std::size_t s = 0; s < oldKeys.size(); ++s) {
            if (oldKeys[s] == emptyKey)
                continue;
            std::size_t slot = home(oldKeys[s]);
            while (keys[slot] != emptyKey)
                slot = (slot + 1) & mask;
            keys[slot] = oldKeys[s];
            values[slot] = oldValues[s];
        }
    }
};

// The corner indices of every face, three per face, in `faces` order.
std::vector<int> cornerIndices(const Mesh& m)
{
    std::vector<int> corners(std::size_t(m.numFaces) * 3);
    for (int f = 0; f < m.numFaces; ++f) {
        const Face& face = m.faces[std::size_t(f)];
        for (int k = 0; k < 3; ++k)
            corners[std::size_t(f) * 3 + std::size_t(k)] = face.index[k];
    }
    return corners;
}

// The first corner of face f that is neither x nor y, or -1.
int otherCorner(const int* corners, int f, int x, int y)
{
    for (int k = 0; k < 3; ++k) {
        const int c = corners[std::size_t(f) * 3 + std::size_t(k)];
        if (c != x && c != y)
            return c;
    }
    return -1;
}

// Sizes as the levels go: faces exactly, vertices and edges as upper bounds
// (an edge shared by more faces or a degenerate face only lowers them).
struct LevelSizes
{
    double faces = 0;
    double vertices = 0;
    double edges = 0;
    double previousFaces = 0;
    double previousVertices = 0;
};

LevelSizes sizesAfter(const Mesh& mesh, int levels)
{
    LevelSizes s;
    s.faces = mesh.numFaces;
    s.vertices = mesh.numVertices;
    s.edges = 3.0 * mesh.numFaces;
    s.previousFaces = s.faces;
    s.previousVertices = s.vertices;
    for (int l = 0; l < levels && s.faces < 1e18; ++l) {
        s.previousFaces = s.faces;
        s.previousVertices = s.vertices;
        const double edges = s.edges;
        s.vertices += edges;
        s.edges = 2.0 * edges + 3.0 * s.faces;
        s.faces *= 4.0;
    }
    return s;
}

// Bytes the view's subdivide operation holds at its peak for a result of this
// size: the result mesh next to either the last level's working arrays
// (positions and corners of two levels, the edge table and its hash) or the
// edge list built on the result afterwards, with a fifth more for what the
// heap keeps between blocks.
double peakBytes(const LevelSizes& s)
{
    const double result = meshBytesFor(s.faces, s.vertices);
    const double lastLevel = (s.previousVertices + s.vertices) * double(sizeof(Vector))
        + (s.previousFaces + s.faces) * 3.0 * sizeof(int) // corners
        + s.previousFaces * 3.0 * sizeof(int) // the faces' edges
        + s.previousFaces * 1.5 * (4.0 * sizeof(int) + 2.0 * 12.0); // table and hash
    const double edgeList = s.faces * 100.0;
    return (result + (lastLevel > edgeList ? lastLevel : edgeList)) * 1.2;
}

} // namespace

Subdivider::Subdivider() = default;
Subdivider::~Subdivider() = default;

bool Subdivider::subdivide(Progress* progress)
{
    result.reset();
    if (!source || levels <= 0)
        return true;
    Progress quiet;
    Progress& report = progress ? *progress : quiet;

    // The levels work on positions and corners only. Every face of a level is a
    // copy of its parent's record, so all descendants of a source face carry
    // that face's record: face j of level L descends from source face j / 4^L,
    // and the records are copied once, into the final mesh. Level 0 reads the
    // source directly, as the clone the levels would start from holds the same
    // positions, corners and records.
    const Mesh& src = *source;
    std::vector<Vector> points(src.vertices.begin(), src.vertices.begin() + src.numVertices);
    std::vector<int> corners = cornerIndices(src);
    int faceCount = src.numFaces;
    auto mesh = std::make_unique<Mesh>();
    try {
        for (int level = 0; level < levels; ++level) {
            report.report("Subdividing", double(level) / levels);
            const int oldVertices = int(points.size());
            const int oldFaces = faceCount;
            // The table, the stencils and the split take about a third of the
            // level each.
            const auto tick = [&](int phase, int i, int n) {
                if ((i & 8191) == 0)
                    report.report("Subdividing",
                        (level + (phase + double(i) / std::max(n, 1)) / 3.0) / levels);
            };

            // Edge table: a hash of the unordered pair keeps the first-appearance
            // numbering; a face met later on a known edge becomes its second face
            // (a third replaces the second).
            edgeCount = 0;
            edgeVertices.clear();
            edgeFaces.clear();
            edgeVertices.reserve(std::size_t(oldFaces) * 3 + 2);
            edgeFaces.reserve(std::size_t(oldFaces) * 3 + 2);
            faceEdges.assign(std::size_t(oldFaces) * 3, 0);
            EdgeHash table(std::size_t(oldFaces) * 3 / 2 + 16);
            for (int f = 0; f < oldFaces; ++f) {
                tick(0, f, oldFaces);
                for (int k = 0; k < 3; ++k) {
                    const int i = corners[std::size_t(f) * 3 + std::size_t(k)];
                    const int j = corners[std::size_t(f) * 3 + std::size_t((k + 1) % 3)];
                    int e = table.findOrInsert(i, j, edgeCount);
                    if (e < 0) {
                        e = edgeCount++;
                        edgeVertices.push_back(i);
                        edgeVertices.push_back(j);
                        edgeFaces.push_back(f);
                        edgeFaces.push_back(-1);
                    } else {
                        edgeFaces[std::size_t(e) * 2 + 1] = f;
                    }
                    faceEdges[std::size_t(f) * 3 + std::size_t(k)] = e;
                }
            }
            if (std::int64_t(oldVertices) + edgeCount > INT_MAX
                || std::int64_t(oldFaces) * 4 > INT_MAX) {
                sayRefusal(
                    "Subdivision stopped: level %d would exceed the mesh's counts", level + 1);
                return false;
            }

            // Butterfly rule. The old vertices keep their places; a new vertex
            // starts at the midpoint with w = 1. The four outer edges of an
            // interior edge are edges of its two faces, so they are found among
            // those faces' own edges rather than searched for.
            std::vector<Vector> nextPoints(std::size_t(oldVertices + edgeCount));
            std::copy(points.begin(), points.end(), nextPoints.begin());
            const float nearWeight = 2.0f * weight + 0.125f;
            const float farWeight = -0.0625f - weight;
            const int* cs = corners.data();
            const Vector* p = points.data();
            auto edgeOfFace = [&](int f, int x, int y) {
                for (int k = 0; k < 3; ++k) {
                    const int i = cs[std::size_t(f) * 3 + std::size_t(k)];
                    const int j = cs[std::size_t(f) * 3 + std::size_t((k + 1) % 3)];
                    if ((i == x && j == y) || (i == y && j == x))
                        return faceEdges[std::size_t(f) * 3 + std::size_t(k)];
                }
                return -1;
            };
            // The corner across edge {x, y} from the wing beyond f1 and f2, or -1.
            auto across = [&](int f, int x, int y, int f1, int f2) {
                const int e = edgeOfFace(f, x, y);
                if (e < 0)
                    return -1;
                int g = edgeFaces[std::size_t(e) * 2];
                if (g == f1 || g == f2) {
                    g = edgeFaces[std::size_t(e) * 2 + 1];
                    if (g < 0 || g == f1 || g == f2)
                        return -1;
                }
                return otherCorner(cs, g, x, y);
            };
            for (int e = 0; e < edgeCount; ++e) {
                tick(1, e, edgeCount);
                const int a = edgeVertices[std::size_t(e) * 2];
                const int b = edgeVertices[std::size_t(e) * 2 + 1];
                const int f1 = edgeFaces[std::size_t(e) * 2];
                const int f2 = edgeFaces[std::size_t(e) * 2 + 1];
                Vector& out = nextPoints[std::size_t(oldVertices) + std::size_t(e)];
                const Vector& pa = p[a];
                const Vector& pb = p[b];
                out.x = (pa.x + pb.x) * 0.5f;
                out.y = (pa.y + pb.y) * 0.5f;
                out.z = (pa.z + pb.z) * 0.5f;
                if (f1 < 0 || f2 < 0)
                    continue;
                const int c = otherCorner(cs, f1, a, b);
                const int d = otherCorner(cs, f2, a, b);
                if (c < 0 || d < 0)
                    continue;
                const int e1 = across(f1, a, c, f1, f2);
                const int e2 = across(f2, a, d, f1, f2);
                const int e3 = across(f1, b, c, f1, f2);
                const int e4 = across(f2, b, d, f1, f2);
                if (e1 < 0 || e2 < 0 || e3 < 0 || e4 < 0)
                    continue;
                const Vector &pc = p[c], &pd = p[d];
                const Vector &q1 = p[e1], &q2 = p[e2], &q3 = p[e3], &q4 = p[e4];
                out.x
                    = out.x + (pc.x + pd.x) * nearWeight + (q1.x + q2.x + q3.x + q4.x) * farWeight;
                out.y
                    = out.y + (pc.y + pd.y) * nearWeight + (q1.y + q2.y + q3.y + q4.y) * farWeight;
                out.z
                    = out.z + (pc.z + pd.z) * nearWeight + (q1.z + q2.z + q3.z + q4.z) * farWeight;
            }

            // Split rule: four children per face, 4i .. 4i + 3.
            std::vector<int> next(std::size_t(oldFaces) * 12);
            for (int f = 0; f < oldFaces; ++f) {
                tick(2, f, oldFaces);
                const int* c = cs + std::size_t(f) * 3;
                const int* fe = faceEdges.data() + std::size_t(f) * 3;
                const int pq = oldVertices + fe[0];
                const int qr = oldVertices + fe[1];
                const int rp = oldVertices + fe[2];
                const int children[12] = { c[0], pq, rp, pq, c[1], qr, rp, qr, c[2], pq, qr, rp };
                std::copy(children, children + 12, next.begin() + std::ptrdiff_t(f) * 12);
            }

            // Each level's input goes as soon as the next exists.
            points.swap(nextPoints);
            corners.swap(next);
            faceCount = oldFaces * 4;
        }
        std::vector<int>().swap(faceEdges);

        // The final mesh: new per-vertex arrays at their defaults but for the
        // positions, and each face its source face's record with its corners.
        if (!mesh->allocateVertices(int(points.size()))) {
            sayRefusal("Subdivision stopped: not enough memory");
            return false;
        }
        std::copy(points.begin(), points.end(), mesh->vertices.begin());
        std::vector<Vector>().swap(points);
        mesh->faces.reserve(std::size_t(faceCount));
        const int shift = 2 * levels;
        // Assembling the refined faces: about as long as a level's split, so
        // it has a stage of its own.
        for (int f = 0; f < faceCount; ++f) {
            if ((f & 65535) == 0)
                report.report("Building the refined mesh", double(f) / faceCount);
            mesh->faces.push_back(src.faces[std::size_t(f >> shift)]);
            for (int k = 0; k < 3; ++k)
                mesh->faces.back().index[k] = corners[std::size_t(f) * 3 + std::size_t(k)];
        }
        mesh->numFaces = faceCount;
    } catch (const std::bad_alloc&) {
        sayRefusal("Subdivision stopped: not enough memory");
        return false;
    }
    build(*mesh, { MESH_VERTEX_NORMALS, MESH_TEXCOORDS }, progress);
    result = std::move(mesh);
    report.report("Subdividing", 1.0);
    return true;
}

std::int64_t subdivisionFaceLimit(const Mesh& mesh)
{
    std::int64_t limit = INT_MAX;
    const double available = double(availableMemoryBytes());
    if (available > 0) {
        // Bytes per result face, from a one-level result (the largest ratio).
        const LevelSizes s = sizesAfter(mesh, 1);
        const double perFace = s.faces > 0 ? peakBytes(s) / s.faces : 400.0;
        const double byMemory = available / perFace;
        if (byMemory < double(limit))
            limit = std::int64_t(byMemory);
    }
    return limit;
}

double subdivisionBytes(const Mesh& mesh, int levels)
{
    return levels <= 0 ? 0.0 : peakBytes(sizesAfter(mesh, levels));
}

std::string subdivisionRefusal(const Mesh& mesh, int levels)
{
    if (levels <= 0)
        return {};
    const LevelSizes s = sizesAfter(mesh, levels);
    char line[256];
    if (s.faces > double(INT_MAX) || s.vertices > double(INT_MAX)) {
        std::snprintf(line, sizeof line,
            "Subdivision refused: %d levels would make %.0f faces, more than the "
            "%d a mesh can count",
            levels, s.faces, INT_MAX);
        return line;
    }
    const double available = double(availableMemoryBytes());
    const double needed = peakBytes(s);
    if (available > 0 && needed > available) {
        std::snprintf(line, sizeof line,
            "Subdivision refused: %d levels would make %.0f faces, needing about %.0f MB "
            "with %.0f MB of memory available",
            levels, s.faces, needed / 1048576.0, available / 1048576.0);
        return line;
    }
    return {};
}

bool subdivideMesh(const Mesh& source, Mesh& mesh, Subdivider& subdivider, int levels, float weight,
    Progress* progress, bool buildAfter)
{
    if (levels <= 0)
        return true;
    const std::string refusal = subdivisionRefusal(source, levels);
    if (!refusal.empty()) {
        sayRefusal("%s", refusal.c_str());
        return false;
    }
    subdivider.source = &source;
    subdivider.weight = weight;
    subdivider.levels = levels;
    bool ok = false;
    try {
        ok = subdivider.subdivide(progress);
    } catch (const RunCancelled&) {
        subdivider.source = nullptr;
        throw;
    }
    subdivider.source = nullptr;
    if (!ok || !subdivider.result)
        return false;

    // The view keeps what copyFrom() carries over: positions, vertex colours
    // and normals, corners. The result is reset to that in place and handed
    // over, rather than copied, so that no second mesh of the result's size is
    // ever needed.
    Mesh& result = *subdivider.result;
    const Face plain;
    for (Face& face : result.faces)
        face.normal = plain.normal;
    // Nothing reads a refined mesh's texture coordinates; its centroids are
    // allocated at their defaults only now, once the levels' arrays are gone.
    LargeVector<Vector>().swap(result.texCoords);
    releaseFreedMemory();
    try {
        result.centroids.assign(std::size_t(result.numFaces), Vector());
    } catch (const std::bad_alloc&) {
        subdivider.result.reset();
        sayRefusal("Subdivision stopped: not enough memory");
        return false;
    }
    if (&mesh != &source) {
        // What replacing the geometry keeps of a mesh, taken from the source.
        mesh.selected = source.selected;
        mesh.extent = source.extent;
        mesh.centre = source.centre;
        mesh.morphogenNames = source.morphogenNames;
    }
    replaceGeometry(mesh, result);
    subdivider.result.reset();
    if (buildAfter)
        build(mesh, { MESH_EDGE_LIST, MESH_VERTEX_NORMALS }, progress);
    return true;
}

bool subdivideMesh(Mesh& mesh, Subdivider& subdivider, int levels, float weight, Progress* progress)
{
    return subdivideMesh(mesh, mesh, subdivider, levels, weight, progress);
}
