#include "refinement/engine/Simplify.h"
#include "mesh/engine/Refusal.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/LargeArrays.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/Progress.h"
#include "mesh/engine/Workers.h"
#include "refinement/engine/ReplaceGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

// A vertex's neighbour or triangle list: order kept, room for a few entries
// inline, since most vertices have about six and a heap block per list would cost
// more than the entries. It stays where it was made (it points into itself).
class SmallList
{
public:
    SmallList() = default;
    SmallList(const SmallList&) = delete;
    SmallList& operator=(const SmallList&) = delete;
    ~SmallList() { release(); }

    const int* begin() const { return data; }
    const int* end() const { return data + count; }
    std::size_t size() const { return std::size_t(count); }
    bool empty() const { return count == 0; }
    int operator[](std::size_t i) const { return data[i]; }

    void push_back(int item)
    {
        if (count == capacity) {
            int* bigger = new int[std::size_t(capacity) * 2];
            std::copy(data, data + count, bigger);
            if (data != local)
                delete[] data;
            data = bigger;
            capacity *= 2;
        }
        data[count++] = item;
    }
    bool contains(int item) const { return std::find(begin(), end(), item) != end(); }
    void addUnique(int item)
    {
        if (!contains(item))
            push_back(item);
    }
    // Order-preserving removal of the first occurrence, as the working lists do.
    void removeFirst(int item)
    {
        int* it = std::find(data, data + count, item);
        if (it == data + count)
            return;
        std::copy(it + 1, data + count, it);
        --count;
    }
    void release()
    {
        if (data != local)
            delete[] data;
        data = local;
        count = 0;
        capacity = inlineCapacity;
    }

private:
    static constexpr int inlineCapacity = 8;
    int count = 0;
    int capacity = inlineCapacity;
    int* data = local;
    int local[inlineCapacity];
};

// The linked representation of one run. Vertices and triangles are numbered by
// their place in the mesh; the working lists' compaction is kept implicit, since
// removal preserves order: a vertex's place in the live list (its id) is its
// rank among the live vertices.
class Collapser
{
public:
    // x, y, z of every vertex; positions never move, a collapse only drops one.
    LargeVector<float> xyz;
    LargeVector<float> cost;
    LargeVector<int> target; // -1 for none
    // A vertex's neighbours and triangles side by side: a collapse reads both.
    struct Links
    {
        SmallList neighbours;
        SmallList faces;
    };
    // In one large block; the lists point into themselves, so they never move.
    struct LinkBlock
    {
        Links* links = nullptr;
        std::size_t count = 0;
        LinkBlock() = default;
        LinkBlock(const LinkBlock&) = delete;
        LinkBlock& operator=(const LinkBlock&) = delete;
        ~LinkBlock() { reset(0); }
        void reset(std::size_t n)
        {
            if (links) {
                std::destroy_n(links, count);
                releaseLarge(links, count * sizeof(Links));
            }
            links = nullptr;
            count = 0;
            if (n > 0) {
                links = static_cast<Links*>(allocateLarge(n * sizeof(Links)));
                std::uninitialized_default_construct_n(links, n);
                count = n;
            }
        }
        Links& operator[](std::size_t v) const { return links[v]; }
    } links;
    SmallList& neighbours(std::size_t v) { return links[v].neighbours; }
    const SmallList& neighbours(std::size_t v) const { return links[v].neighbours; }
    SmallList& faces(std::size_t v) { return links[v].faces; }
    const SmallList& faces(std::size_t v) const { return links[v].faces; }
    LargeVector<char> vertexAlive;

    struct Triangle
    {
        int vertex[3];
        float normal[3];
        bool alive;
    };
    LargeVector<Triangle> triangles;
    int liveVertices = 0;
    int liveTriangles = 0;

    // Indexed binary heap over the live vertices by (cost, place in the list).
    // The entries carry the cost so that comparisons stay within the heap.
    struct Entry
    {
        float cost;
        int vertex;
    };
    LargeVector<Entry> heap;
    LargeVector<int> heapSlot; // -1 when not in the heap
    int firstLive = 0;

    std::vector<int> remembered;

    static constexpr std::size_t maxTableFaces = 48;

    void setUp(const Mesh& mesh, Progress& progress)
    {
        const auto nv = std::size_t(mesh.numVertices);
        xyz.resize(nv * 3);
        for (std::size_t v = 0; v < nv; ++v) {
            xyz[3 * v] = mesh.vertices[v].x;
            xyz[3 * v + 1] = mesh.vertices[v].y;
            xyz[3 * v + 2] = mesh.vertices[v].z;
        }
        cost.assign(nv, 0.0f);
        target.assign(nv, -1);
        links.reset(nv);
        vertexAlive.assign(nv, 1);
        liveVertices = mesh.numVertices;
        triangles.clear();
        triangles.reserve(std::size_t(mesh.numFaces));
        for (int f = 0; f < mesh.numFaces; ++f) {
            if ((f & 16383) == 0)
                progress.checkStop();
            const Face& face = mesh.faces[std::size_t(f)];
            Triangle t { { face.index[0], face.index[1], face.index[2] }, { 0, 0, 0 }, true };
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
                    faces(std::size_t(vi)).push_back(id);
                for (int j = 0; j < 3; ++j) {
                    if (j != i && t.vertex[j] != vi)
                        neighbours(std::size_t(vi)).addUnique(t.vertex[j]);
                }
            }
        }
        liveTriangles = int(triangles.size());
        // Each vertex's first cost on its own: shared among the workers.
        const unsigned workers = workerCount(double(mesh.numFaces));
        runWorkers(workers, [&](unsigned w) {
            const int begin = int(nv * w / workers), end = int(nv * (w + 1) / workers);
            for (int v = begin; v < end; ++v) {
                if (((v - begin) & 4095) == 0) {
                    if (w == 0)
                        progress.checkStop();
                    else if (progress.stopRequested())
                        return;
                }
                computeCost(v);
            }
        });
        // A worker that saw a stop left part of its range: end here.
        progress.checkStop();
        heap.resize(nv);
        heapSlot.resize(nv);
        for (std::size_t i = 0; i < nv; ++i) {
            heap[i] = { cost[i], int(i) };
            heapSlot[i] = int(i);
        }
        for (std::size_t i = nv / 2; i-- > 0;)
            siftDown(i);
        firstLive = 0;
    }

    // Collapses the cheapest vertex until targetCount remain. Returns false when
    // it stops short: the cheapest vertex has neighbours but no collapse that
    // keeps its triangles the right way round, and nothing else is cheaper.
    bool run(int targetCount, Progress& progress)
    {
        const int start = liveVertices;
        int done = 0;
        while (liveVertices > targetCount) {
            if ((++done & 1023) == 0)
                progress.report(
                    "Simplifying", double(start - liveVertices) / (start - targetCount));
            const int u = cheapest();
            if (target[std::size_t(u)] < 0 && !neighbours(std::size_t(u)).empty())
                return false;
            collapse(u, target[std::size_t(u)]);
        }
        return true;
    }

    // Writes the survivors into fresh as the mesh's new vertices and faces.
    bool writeBack(const Mesh& mesh, Mesh& fresh) const
    {
        if (!fresh.allocateVertices(liveVertices) || !fresh.allocateFaces(liveTriangles))
            return false;
        std::vector<int> id(vertexAlive.size(), -1);
        int next = 0;
        for (std::size_t v = 0; v < vertexAlive.size(); ++v) {
            if (!vertexAlive[v])
                continue;
            fresh.vertices[std::size_t(next)] = mesh.vertices[v];
            id[v] = next++;
        }
        int f = 0;
        for (const Triangle& t : triangles) {
            if (!t.alive)
                continue;
            Face& face = fresh.faces[std::size_t(f)];
            for (int k = 0; k < 3; ++k)
                face.index[k] = id[std::size_t(t.vertex[k])];
            ++f;
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

    // (Q - P) x (R - Q), made unit unless its length is 0.
    void computeNormal(int id)
    {
        Triangle& t = triangles[std::size_t(id)];
        const float* p = &xyz[std::size_t(t.vertex[0]) * 3];
        const float* q = &xyz[std::size_t(t.vertex[1]) * 3];
        const float* r = &xyz[std::size_t(t.vertex[2]) * 3];
        const float ax = q[0] - p[0], ay = q[1] - p[1], az = q[2] - p[2];
        const float bx = r[0] - q[0], by = r[1] - q[1], bz = r[2] - q[2];
        float nx = ay * bz - az * by;
        float ny = az * bx - ax * bz;
        float nz = ax * by - ay * bx;
        const float length = std::sqrt(nx * nx + ny * ny + nz * nz);
        if (length != 0.0f) {
            nx /= length;
            ny /= length;
            nz /= length;
        }
        t.normal[0] = nx;
        t.normal[1] = ny;
        t.normal[2] = nz;
    }

    // Whether collapsing u onto v turns a triangle of u that survives (one
    // without v) over: its new normal (Q - P) x (R - Q) against its current one.
    bool wouldFold(int u, int v) const
    {
        for (int f : faces(std::size_t(u))) {
            const Triangle& t = triangles[std::size_t(f)];
            if (hasVertex(t, v))
                continue;
            const float* c[3];
            for (int k = 0; k < 3; ++k)
                c[k] = &xyz[std::size_t(t.vertex[k] == u ? v : t.vertex[k]) * 3];
            const float* p = c[0];
            const float* q = c[1];
            const float* r = c[2];
            const float ax = q[0] - p[0], ay = q[1] - p[1], az = q[2] - p[2];
            const float bx = r[0] - q[0], by = r[1] - q[1], bz = r[2] - q[2];
            const float nx = ay * bz - az * by;
            const float ny = az * bx - ax * bz;
            const float nz = ax * by - ay * bx;
            if (nx * t.normal[0] + ny * t.normal[1] + nz * t.normal[2] < 0.0f)
                return true;
        }
        return false;
    }

    float edgeLength(int u, int v) const
    {
        const float* pu = &xyz[std::size_t(u) * 3];
        const float* pv = &xyz[std::size_t(v) * 3];
        const float dx = pv[0] - pu[0], dy = pv[1] - pu[1], dz = pv[2] - pu[2];
        return std::sqrt(dx * dx + dy * dy + dz * dz);
    }

    static float curvatureTermOf(const float* a, const float* b)
    {
        return (1.0f - (a[0] * b[0] + a[1] * b[1] + a[2] * b[2])) / 2.0f;
    }

    float collapseCost(int u, int v) const
    {
        const float length = edgeLength(u, v);
        const SmallList& uf = faces(std::size_t(u));
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
            const float* fn = triangles[std::size_t(f)].normal;
            float m = 1.0f;
            for (int s = 0; s < sideCount; ++s) {
                const int side = s < 64 ? sides[s] : moreSides[std::size_t(s - 64)];
                const float c = curvatureTermOf(fn, triangles[std::size_t(side)].normal);
                if (c < m)
                    m = c;
            }
            if (m > curvature)
                curvature = m;
        }
        return length * curvature;
    }

    // collapseCost(u, v) from computeCost()'s table of u's k triangles: the
    // curvature terms of every pair and the corners of each.
    float tableCost(int u, int v, std::size_t k, const float* term, const int (*corner)[3]) const
    {
        const float length = edgeLength(u, v);
        // Mostly two sides (one on a border): those cases go without the
        // general loop.
        const float* sides[maxTableFaces];
        std::size_t sideCount = 0;
        for (std::size_t i = 0; i < k; ++i) {
            if (corner[i][0] == v || corner[i][1] == v || corner[i][2] == v)
                sides[sideCount++] = term + i * k;
        }
        float curvature = 0.0f;
        if (sideCount == 2) {
            const float* a = sides[0];
            const float* b = sides[1];
            for (std::size_t i = 0; i < k; ++i) {
                float m = a[i] < 1.0f ? a[i] : 1.0f;
                m = b[i] < m ? b[i] : m;
                curvature = m > curvature ? m : curvature;
            }
        } else if (sideCount == 1) {
            const float* a = sides[0];
            for (std::size_t i = 0; i < k; ++i) {
                const float m = a[i] < 1.0f ? a[i] : 1.0f;
                curvature = m > curvature ? m : curvature;
            }
        } else {
            for (std::size_t i = 0; i < k; ++i) {
                float m = 1.0f;
                for (std::size_t s = 0; s < sideCount; ++s)
                    m = sides[s][i] < m ? sides[s][i] : m;
                curvature = m > curvature ? m : curvature;
            }
        }
        return length * curvature;
    }

    // As collapseCost() for every neighbour at once: the curvature terms of all
    // pairs of u's triangles are worked out once instead of once per neighbour.
    // The terms are the very same float expressions, so the costs are equal bit
    // for bit.
    void computeCost(int u)
    {
        const SmallList& un = neighbours(std::size_t(u));
        if (un.empty()) {
            cost[std::size_t(u)] = -0.01f;
            target[std::size_t(u)] = -1;
            return;
        }
        const SmallList& uf = faces(std::size_t(u));
        const std::size_t k = uf.size();
        // A vertex with very many triangles or neighbours takes the plain way.
        constexpr std::size_t maxKnown = 2 * maxTableFaces;
        const std::size_t n = un.size();
        const bool table = k <= maxTableFaces && n <= maxKnown;
        // term[i][j]: the curvature term of triangles i and j of u. It equals
        // term[j][i] bit for bit (the products commute and are summed in the
        // same order), so each pair is worked out once and a side's row serves
        // as its column below.
        float term[maxTableFaces * maxTableFaces];
        int corner[maxTableFaces][3];
        if (table) {
            float nx[maxTableFaces], ny[maxTableFaces], nz[maxTableFaces];
            for (std::size_t i = 0; i < k; ++i) {
                const Triangle& t = triangles[std::size_t(uf[i])];
                nx[i] = t.normal[0];
                ny[i] = t.normal[1];
                nz[i] = t.normal[2];
                corner[i][0] = t.vertex[0];
                corner[i][1] = t.vertex[1];
                corner[i][2] = t.vertex[2];
            }
            for (std::size_t i = 0; i < k; ++i) {
                float* row = term + i * k;
                const float x = nx[i], y = ny[i], z = nz[i];
                for (std::size_t j = i; j < k; ++j)
                    term[j * k + i] = row[j] = (1.0f - (x * nx[j] + y * ny[j] + z * nz[j])) / 2.0f;
            }
        }
        // The costs of all candidates first: the fold test is the costly part,
        // and the cheapest candidate seldom folds.
        float costs[maxKnown];
        if (table) {
            for (std::size_t i = 0; i < n; ++i)
                costs[i] = tableCost(u, un[i], k, term, corner);
            // The candidate the pass below would choose when one with a finite
            // cost does not fold: the first of the lowest such costs. They are
            // tried cheapest first, equal costs in list order, until one passes.
            std::size_t order[maxKnown];
            std::size_t finite = 0;
            for (std::size_t i = 0; i < n; ++i) {
                if (!(costs[i] < std::numeric_limits<float>::infinity()))
                    continue;
                std::size_t at = finite++;
                for (; at > 0 && costs[i] < costs[order[at - 1]]; --at)
                    order[at] = order[at - 1];
                order[at] = i;
            }
            for (std::size_t j = 0; j < finite; ++j) {
                const int v = un[order[j]];
                if (!wouldFold(u, v)) {
                    cost[std::size_t(u)] = costs[order[j]];
                    target[std::size_t(u)] = v;
                    return;
                }
            }
        }
        float best = std::numeric_limits<float>::infinity();
        int to = -1;
        float firstBest = 0.0f;
        int firstTo = -1;
        for (std::size_t i = 0; i < n; ++i) {
            const int v = un[i];
            const float c = table ? costs[i] : collapseCost(u, v);
            // A candidate that would change nothing below needs no fold test:
            // the test is the costly part, and the choice is the same.
            const bool matters = c < best || firstTo < 0 || c < firstBest;
            if (!matters || wouldFold(u, v))
                continue;
            if (c < best) {
                best = c;
                to = v;
            }
            if (firstTo < 0 || c < firstBest) {
                firstBest = c;
                firstTo = v;
            }
        }
        // A candidate whose cost is not a number still gives the vertex
        // somewhere to go; no candidate at all leaves it where it is, at +inf.
        if (to < 0 && firstTo >= 0) {
            best = firstBest;
            to = firstTo;
        }
        cost[std::size_t(u)] = best;
        target[std::size_t(u)] = to;
    }

    static bool before(const Entry& a, const Entry& b)
    {
        const bool na = std::isnan(a.cost), nb = std::isnan(b.cost);
        if (na != nb)
            return nb;
        if (!na && a.cost != b.cost)
            return a.cost < b.cost;
        return a.vertex < b.vertex;
    }
    void place(std::size_t slot, const Entry& e)
    {
        heap[slot] = e;
        heapSlot[std::size_t(e.vertex)] = int(slot);
    }
    void siftUp(std::size_t slot)
    {
        const Entry v = heap[slot];
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
        const Entry v = heap[slot];
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
        heap[slot].cost = cost[std::size_t(v)];
        siftUp(slot);
        siftDown(std::size_t(heapSlot[std::size_t(v)]));
    }
    void removeFromHeap(int v)
    {
        const std::size_t slot = std::size_t(heapSlot[std::size_t(v)]);
        const Entry last = heap.back();
        heap.pop_back();
        heapSlot[std::size_t(v)] = -1;
        if (last.vertex == v)
            return;
        place(slot, last);
        updateKey(last.vertex);
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
        return heap.front().vertex;
    }

    void removeIfNonNeighbour(int a, int b)
    {
        SmallList& an = neighbours(std::size_t(a));
        if (!an.contains(b))
            return;
        for (int f : faces(std::size_t(a))) {
            if (hasVertex(triangles[std::size_t(f)], b))
                return;
        }
        an.removeFirst(b);
    }

    // `dying` is the vertex the running collapse deletes. Its links are left
    // alone: deleting it takes it out of every list that holds it (its own
    // list still names them all), taking an entry out earlier or later leaves
    // the order of the others as it is, and until then no list is searched
    // for it.
    void deleteTriangle(int id, int dying)
    {
        Triangle& t = triangles[std::size_t(id)];
        t.alive = false;
        --liveTriangles;
        for (int i = 0; i < 3; ++i) {
            if (firstOccurrence(t, i))
                faces(std::size_t(t.vertex[i])).removeFirst(id);
        }
        for (int i = 0; i < 3; ++i) {
            const int a = t.vertex[i], b = t.vertex[(i + 1) % 3];
            if (a == dying || b == dying)
                continue;
            removeIfNonNeighbour(a, b);
            removeIfNonNeighbour(b, a);
        }
    }

    // Replaces u, which the running collapse deletes, by v in triangle id. The
    // unlinking from u is left to u's deletion (see deleteTriangle()).
    void replaceVertex(int id, int u, int v)
    {
        Triangle& t = triangles[std::size_t(id)];
        for (int& c : t.vertex) {
            if (c == u)
                c = v;
        }
        faces(std::size_t(u)).removeFirst(id);
        faces(std::size_t(v)).push_back(id);
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                if (j != i && t.vertex[j] != t.vertex[i])
                    neighbours(std::size_t(t.vertex[i])).addUnique(t.vertex[j]);
            }
        }
        computeNormal(id);
    }

    void deleteVertex(int u)
    {
        for (int n : neighbours(std::size_t(u)))
            neighbours(std::size_t(n)).removeFirst(u);
        neighbours(std::size_t(u)).release();
        faces(std::size_t(u)).release();
        vertexAlive[std::size_t(u)] = 0;
        --liveVertices;
        removeFromHeap(u);
    }

    void collapse(int u, int v)
    {
        SmallList& uf = faces(std::size_t(u));
        if (v < 0) {
            // Only triangles whose every corner is u can be left here.
            for (std::size_t i = uf.size(); i-- > 0;)
                deleteTriangle(uf[i], u);
            deleteVertex(u);
            return;
        }
        remembered.assign(neighbours(std::size_t(u)).begin(), neighbours(std::size_t(u)).end());
        for (std::size_t i = uf.size(); i-- > 0;) {
            if (hasVertex(triangles[std::size_t(uf[i])], v))
                deleteTriangle(uf[i], u);
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

std::string foldStopMessage(int vertices)
{
    return "Simplification stopped at " + std::to_string(vertices)
        + " vertices: every further collapse would fold the surface";
}

namespace {

// The survivors of source simplified to fraction, in fresh (empty when
// nothing survives). False, with one line printed, when it cannot be done.
bool collapse(const Mesh& source, float fraction, Progress& report, int* stoppedAt, Mesh& fresh)
{
    if (std::isnan(fraction)) {
        sayRefusal("Simplification refused: the level of detail is not a number");
        return false;
    }
    // The product is taken in float, as the level of detail is; past 2^24
    // vertices that rounds, so a whole level keeps every vertex explicitly.
    const float product = float(source.numVertices) * std::clamp(fraction, 0.0f, 1.0f);
    const int target
        = fraction >= 1.0f ? source.numVertices : std::min(int(product), source.numVertices);
    if (stoppedAt)
        *stoppedAt = -1;
    // Down to nothing every vertex goes whatever the order, so there is nothing
    // to collapse (and no fold can hold the run up).
    if (target > 0) {
        try {
            Collapser collapser;
            collapser.setUp(source, report);
            const bool reached = collapser.run(target, report);
            if (!collapser.writeBack(source, fresh))
                return false;
            if (!reached && stoppedAt)
                *stoppedAt = collapser.liveVertices;
        } catch (const std::bad_alloc&) {
            sayRefusal("Simplification stopped: not enough memory");
            return false;
        }
    }
    return true;
}

} // namespace

bool simplify(Mesh& mesh, float fraction, Progress* progress, int* stoppedAt)
{
    return simplifyInto(mesh, mesh, fraction, progress, stoppedAt);
}

bool simplifyInto(
    const Mesh& source, Mesh& result, float fraction, Progress* progress, int* stoppedAt)
{
    Progress quiet;
    Progress& report = progress ? *progress : quiet;
    Mesh fresh;
    if (!collapse(source, fraction, report, stoppedAt, fresh))
        return false;
    // What is left of a mesh whose geometry is replaced (result may be source).
    result.clear();
    result.selected = source.selected;
    result.extent = source.extent;
    result.centre = source.centre;
    result.morphogenNames = source.morphogenNames;
    replaceGeometry(result, fresh);
    report.report("Simplifying", 1.0);
    return true;
}

bool simplifyMesh(Mesh& mesh, float levelOfDetail, Progress* progress, int* stoppedAt)
{
    return simplifyMeshInto(mesh, mesh, levelOfDetail, progress, stoppedAt);
}

bool simplifyMeshInto(const Mesh& source, Mesh& result, float levelOfDetail, Progress* progress,
    int* stoppedAt, bool buildAfter)
{
    if (!simplifyInto(source, result, levelOfDetail / 100, progress, stoppedAt))
        return false;
    if (buildAfter)
        build(result, { MESH_VERTEX_NORMALS, MESH_EDGE_LIST }, progress);
    return true;
}
