#include "refinement/engine/Simplify.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/Progress.h"
#include "refinement/engine/ReplaceGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <vector>

namespace {

// Order-preserving removal of the first occurrence, as the working lists do.
void removeFirst(std::vector<int>& list, int item)
{
    const auto it = std::find(list.begin(), list.end(), item);
    if (it != list.end())
        list.erase(it);
}

bool contains(const std::vector<int>& list, int item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

void addUnique(std::vector<int>& list, int item)
{
    if (!contains(list, item))
        list.push_back(item);
}

// The linked representation of one run. Vertices and triangles are numbered by
// their place in the mesh; the working lists' compaction is kept implicit, since
// removal preserves order: a vertex's place in the live list (its id) is its
// rank among the live vertices.
class Collapser
{
public:
    std::vector<Vector> position;
    std::vector<float> cost;
    std::vector<int> target; // -1 for none
    std::vector<std::vector<int>> neighbours;
    std::vector<std::vector<int>> faces;
    std::vector<char> vertexAlive;

    struct Triangle
    {
        int vertex[3];
        Vector normal;
        bool alive;
    };
    std::vector<Triangle> triangles;
    int liveVertices = 0;
    int liveTriangles = 0;

    // Indexed binary heap over the live vertices by (cost, place in the list).
    std::vector<int> heap;
    std::vector<int> heapSlot; // -1 when not in the heap
    int firstLive = 0;

    void setUp(const Mesh& mesh)
    {
        const auto nv = std::size_t(mesh.numVertices);
        position.assign(mesh.vertices.begin(), mesh.vertices.begin() + std::ptrdiff_t(nv));
        cost.assign(nv, 0.0f);
        target.assign(nv, -1);
        neighbours.assign(nv, {});
        faces.assign(nv, {});
        vertexAlive.assign(nv, 1);
        liveVertices = mesh.numVertices;
        triangles.clear();
        triangles.reserve(std::size_t(mesh.numFaces));
        for (int f = 0; f < mesh.numFaces; ++f) {
            const Face& face = *mesh.facePtrs[std::size_t(f)];
            Triangle t { { face.index[0], face.index[1], face.index[2] }, Vector(), true };
            bool inRange = true;
            for (int v : t.vertex)
                inRange = inRange && v >= 0 && v < mesh.numVertices;
            if (!inRange)
                continue;
            const int id = int(triangles.size());
            triangles.push_back(t);
            computeNormal(id);
            for (int i = 0; i < 3; ++i) {
                const int vi = t.vertex[i];
                // A corner repeated in a degenerate triangle is one corner here:
                // the triangle is listed once and a vertex is never its own
                // neighbour.
                if (firstOccurrence(t, i))
                    faces[std::size_t(vi)].push_back(id);
                for (int j = 0; j < 3; ++j) {
                    if (j != i && t.vertex[j] != vi)
                        addUnique(neighbours[std::size_t(vi)], t.vertex[j]);
                }
            }
        }
        liveTriangles = int(triangles.size());
        for (int v = 0; v < mesh.numVertices; ++v)
            computeCost(v);
        heap.resize(nv);
        heapSlot.resize(nv);
        for (std::size_t i = 0; i < nv; ++i) {
            heap[i] = int(i);
            heapSlot[i] = int(i);
        }
        for (std::size_t i = nv / 2; i-- > 0;)
            siftDown(i);
        firstLive = 0;
    }

    void run(int targetCount, Progress& progress)
    {
        const int start = liveVertices;
        int done = 0;
        while (liveVertices > targetCount) {
            if ((++done & 4095) == 0)
                progress.report(
                    "Simplifying", double(start - liveVertices) / (start - targetCount));
            const int u = cheapest();
            collapse(u, target[std::size_t(u)]);
        }
    }

    // Writes the survivors into fresh as the mesh's new vertices and faces.
    bool writeBack(Mesh& fresh) const
    {
        if (!fresh.allocateVertices(liveVertices) || !fresh.allocateFaces(liveTriangles))
            return false;
        std::vector<int> id(position.size(), -1);
        int next = 0;
        for (std::size_t v = 0; v < position.size(); ++v) {
            if (!vertexAlive[v])
                continue;
            fresh.vertices[std::size_t(next)] = position[v];
            id[v] = next++;
        }
        int f = 0;
        for (const Triangle& t : triangles) {
            if (!t.alive)
                continue;
            Face& face = fresh.faces[std::size_t(f)];
            for (int k = 0; k < 3; ++k)
                face.index[k] = id[std::size_t(t.vertex[k])];
            fresh.linkFace(f++);
        }
        return true;
    }

private:
    bool firstOccurrence(const Triangle& t, int i) const
    {
        for (int j = 0; j < i; ++j) {
            if (t.vertex[j] == t.vertex[i])
                return false;
        }
        return true;
    }
    static bool hasVertex(const Triangle& t, int v)
    {
        return t.vertex[0] == v || t.vertex[1] == v || t.vertex[2] == v;
    }

    void computeNormal(int id)
    {
        Triangle& t = triangles[std::size_t(id)];
        const Vector& p = position[std::size_t(t.vertex[0])];
        const Vector& q = position[std::size_t(t.vertex[1])];
        const Vector& r = position[std::size_t(t.vertex[2])];
        Vector n;
        n.cross(q - p, r - q);
        const float length = n.getLength();
        if (length != 0.0f) {
            n.x /= length;
            n.y /= length;
            n.z /= length;
        }
        t.normal = n;
    }

    float collapseCost(int u, int v) const
    {
        const Vector d = position[std::size_t(v)] - position[std::size_t(u)];
        const float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
        const std::vector<int>& uf = faces[std::size_t(u)];
        int sides[64];
        std::vector<int> moreSides;
        int sideCount = 0;
        for (int f : uf) {
            if (!hasVertex(triangles[std::size_t(f)], v))
                continue;
            if (sideCount < 64)
                sides[sideCount] = f;
            else
                moreSides.push_back(f);
            ++sideCount;
        }
        float curvature = 0.0f;
        for (int f : uf) {
            const Vector& fn = triangles[std::size_t(f)].normal;
            float m = 1.0f;
            for (int s = 0; s < sideCount; ++s) {
                const int side = s < 64 ? sides[s] : moreSides[std::size_t(s - 64)];
                const float c = (1.0f - fn.dot(triangles[std::size_t(side)].normal)) / 2.0f;
                if (c < m)
                    m = c;
            }
            if (m > curvature)
                curvature = m;
        }
        return length * curvature;
    }

    void computeCost(int u)
    {
        const std::vector<int>& un = neighbours[std::size_t(u)];
        if (un.empty()) {
            cost[std::size_t(u)] = -0.01f;
            target[std::size_t(u)] = -1;
            return;
        }
        float best = 1000000.0f;
        int to = -1;
        float firstBest = 0.0f;
        int firstTo = -1;
        for (int v : un) {
            const float c = collapseCost(u, v);
            if (c < best) {
                best = c;
                to = v;
            }
            if (firstTo < 0 || c < firstBest) {
                firstBest = c;
                firstTo = v;
            }
        }
        // A vertex with triangles must always have somewhere to go, also when
        // every collapse costs a million or more (a very large mesh).
        if (to < 0) {
            best = firstBest;
            to = firstTo;
        }
        cost[std::size_t(u)] = best;
        target[std::size_t(u)] = to;
    }

    bool before(int a, int b) const
    {
        const float ca = cost[std::size_t(a)], cb = cost[std::size_t(b)];
        const bool na = std::isnan(ca), nb = std::isnan(cb);
        if (na != nb)
            return nb;
        if (!na && ca != cb)
            return ca < cb;
        return a < b;
    }
    void place(std::size_t slot, int v)
    {
        heap[slot] = v;
        heapSlot[std::size_t(v)] = int(slot);
    }
    void siftUp(std::size_t slot)
    {
        const int v = heap[slot];
        while (slot > 0) {
            const std::size_t parent = (slot - 1) / 2;
            if (!before(v, heap[parent]))
                break;
            place(slot, heap[parent]);
            slot = parent;
        }
        place(slot, v);
    }
    void siftDown(std::size_t slot)
    {
        const int v = heap[slot];
        const std::size_t n = heap.size();
        for (;;) {
            std::size_t child = slot * 2 + 1;
            if (child >= n)
                break;
            if (child + 1 < n && before(heap[child + 1], heap[child]))
                ++child;
            if (!before(heap[child], v))
                break;
            place(slot, heap[child]);
            slot = child;
        }
        place(slot, v);
    }
    void updateKey(int v)
    {
        const std::size_t slot = std::size_t(heapSlot[std::size_t(v)]);
        siftUp(slot);
        siftDown(std::size_t(heapSlot[std::size_t(v)]));
    }
    void removeFromHeap(int v)
    {
        const std::size_t slot = std::size_t(heapSlot[std::size_t(v)]);
        const int last = heap.back();
        heap.pop_back();
        heapSlot[std::size_t(v)] = -1;
        if (last == v)
            return;
        place(slot, last);
        updateKey(last);
    }

    // The vertex a scan of the live list would pick: the first of the smallest
    // costs. A cost that is not a number is never smaller than anything, so it
    // wins only as the scan's starting candidate, the first live vertex.
    int cheapest()
    {
        while (!vertexAlive[std::size_t(firstLive)])
            ++firstLive;
        if (std::isnan(cost[std::size_t(firstLive)]))
            return firstLive;
        return heap.front();
    }

    void removeIfNonNeighbour(int a, int b)
    {
        std::vector<int>& an = neighbours[std::size_t(a)];
        if (!contains(an, b))
            return;
        for (int f : faces[std::size_t(a)]) {
            if (hasVertex(triangles[std::size_t(f)], b))
                return;
        }
        removeFirst(an, b);
    }

    void deleteTriangle(int id)
    {
        Triangle& t = triangles[std::size_t(id)];
        t.alive = false;
        --liveTriangles;
        for (int i = 0; i < 3; ++i) {
            if (firstOccurrence(t, i))
                removeFirst(faces[std::size_t(t.vertex[i])], id);
        }
        for (int i = 0; i < 3; ++i) {
            const int a = t.vertex[i], b = t.vertex[(i + 1) % 3];
            removeIfNonNeighbour(a, b);
            removeIfNonNeighbour(b, a);
        }
    }

    void replaceVertex(int id, int u, int v)
    {
        Triangle& t = triangles[std::size_t(id)];
        for (int& c : t.vertex) {
            if (c == u)
                c = v;
        }
        removeFirst(faces[std::size_t(u)], id);
        faces[std::size_t(v)].push_back(id);
        for (int i = 0; i < 3; ++i) {
            removeIfNonNeighbour(u, t.vertex[i]);
            removeIfNonNeighbour(t.vertex[i], u);
        }
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                if (j != i && t.vertex[j] != t.vertex[i])
                    addUnique(neighbours[std::size_t(t.vertex[i])], t.vertex[j]);
            }
        }
        computeNormal(id);
    }

    void deleteVertex(int u)
    {
        for (int n : neighbours[std::size_t(u)])
            removeFirst(neighbours[std::size_t(n)], u);
        std::vector<int>().swap(neighbours[std::size_t(u)]);
        std::vector<int>().swap(faces[std::size_t(u)]);
        vertexAlive[std::size_t(u)] = 0;
        --liveVertices;
        removeFromHeap(u);
    }

    void collapse(int u, int v)
    {
        std::vector<int>& uf = faces[std::size_t(u)];
        if (v < 0) {
            // Only triangles whose every corner is u can be left here.
            for (std::size_t i = uf.size(); i-- > 0;)
                deleteTriangle(uf[i]);
            deleteVertex(u);
            return;
        }
        const std::vector<int> remembered = neighbours[std::size_t(u)];
        for (std::size_t i = uf.size(); i-- > 0;) {
            if (hasVertex(triangles[std::size_t(uf[i])], v))
                deleteTriangle(uf[i]);
        }
        for (std::size_t i = uf.size(); i-- > 0;)
            replaceVertex(uf[i], u, v);
        deleteVertex(u);
        for (int n : remembered) {
            computeCost(n);
            updateKey(n);
        }
    }
};

} // namespace

bool simplify(Mesh& mesh, float fraction, Progress* progress)
{
    if (std::isnan(fraction)) {
        std::printf("Simplification refused: the level of detail is not a number\n");
        return false;
    }
    Progress quiet;
    Progress& report = progress ? *progress : quiet;
    // The product is taken in float, as the level of detail is; past 2^24
    // vertices that rounds, so a whole level keeps every vertex explicitly.
    const float product = float(mesh.numVertices) * std::clamp(fraction, 0.0f, 1.0f);
    const int target
        = fraction >= 1.0f ? mesh.numVertices : std::min(int(product), mesh.numVertices);
    Mesh fresh;
    try {
        Collapser collapser;
        collapser.setUp(mesh);
        collapser.run(target, report);
        if (!collapser.writeBack(fresh))
            return false;
    } catch (const std::bad_alloc&) {
        std::printf("Simplification stopped: not enough memory\n");
        return false;
    }
    replaceGeometry(mesh, fresh);
    report.report("Simplifying", 1.0);
    return true;
}

bool simplifyMesh(Mesh& mesh, float levelOfDetail, Progress* progress)
{
    if (!simplify(mesh, levelOfDetail / 100, progress))
        return false;
    build(mesh, { MESH_VERTEX_NORMALS, MESH_EDGE_LIST });
    return true;
}
