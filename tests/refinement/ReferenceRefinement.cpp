// The subdivision and simplification written the plain way: linear searches of
// the edge table, a linear scan for the cheapest vertex, vertex ids renumbered
// on every removal, lists of pointers. Slow, and easy to check by reading.
#include "TestMeshes.h"

#include "mesh/engine/Build.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <limits>
#include <memory>

std::unique_ptr<Mesh> referenceSubdivide(const Mesh& source, int levels, float w)
{
    if (levels == 0)
        return nullptr;
    std::unique_ptr<Mesh> m = source.clone();
    for (int level = 0; level < levels; ++level) {
        const auto corner = [&](int f, int k) { return m->faces[std::size_t(f)].index[k]; };
        // Per edge: its vertices in the orientation first met, its first and last face.
        std::vector<std::array<int, 4>> edges;
        const auto find = [&](int i, int j) {
            for (std::size_t e = 0; e < edges.size(); ++e)
                if ((edges[e][0] == i && edges[e][1] == j)
                    || (edges[e][0] == j && edges[e][1] == i))
                    return int(e);
            return -1;
        };
        for (int f = 0; f < m->numFaces; ++f) {
            for (int k = 0; k < 3; ++k) {
                const int i = corner(f, k), j = corner(f, (k + 1) % 3), e = find(i, j);
                if (e >= 0)
                    edges[std::size_t(e)][3] = f;
                else
                    edges.push_back({ i, j, f, -1 });
            }
        }
        const auto opposite = [&](int f, int a, int b) {
            for (int k = 0; k < 3; ++k)
                if (corner(f, k) != a && corner(f, k) != b)
                    return corner(f, k);
            return -1;
        };
        // The corner across edge {x, y} on its face that is neither f1 nor f2.
        const auto wing = [&](int x, int y, int f1, int f2) {
            const int e = find(x, y);
            if (e < 0)
                return -1;
            for (int g : { edges[std::size_t(e)][2], edges[std::size_t(e)][3] })
                if (g >= 0 && g != f1 && g != f2)
                    return opposite(g, x, y);
            return -1;
        };
        const int V = m->numVertices, E = int(edges.size());
        auto n = std::make_unique<Mesh>();
        n->allocateVertices(V + E);
        std::copy(m->vertices.begin(), m->vertices.end(), n->vertices.begin());
        for (int e = 0; e < E; ++e) {
            const auto [a, b, f1, f2] = edges[std::size_t(e)];
            const auto at = [&](int i) { return m->vertices[std::size_t(i)]; };
            Vector& out = n->vertices[std::size_t(V + e)];
            out = (at(a) + at(b)) * 0.5f;
            if (f1 < 0 || f2 < 0)
                continue;
            const int c = opposite(f1, a, b), d = opposite(f2, a, b);
            if (c < 0 || d < 0)
                continue;
            const int e1 = wing(a, c, f1, f2), e2 = wing(a, d, f1, f2);
            const int e3 = wing(b, c, f1, f2), e4 = wing(b, d, f1, f2);
            if (e1 < 0 || e2 < 0 || e3 < 0 || e4 < 0)
                continue;
            const float near = 2.0f * w + 0.125f, far = -0.0625f - w;
            const Vector sum
                = out + (at(c) + at(d)) * near + (at(e1) + at(e2) + at(e3) + at(e4)) * far;
            out = Vector(sum.x, sum.y, sum.z);
        }
        n->allocateFaces(4 * m->numFaces);
        for (int i = 0; i < m->numFaces; ++i) {
            const int P = corner(i, 0), Q = corner(i, 1), R = corner(i, 2);
            const int pq = V + find(P, Q), qr = V + find(Q, R), rp = V + find(R, P);
            const int children[4][3]
                = { { P, pq, rp }, { pq, Q, qr }, { rp, qr, R }, { pq, qr, rp } };
            for (int s = 0; s < 4; ++s) {
                Face& face = n->faces[std::size_t(4 * i + s)];
                face = m->faces[std::size_t(i)];
                std::copy(children[s], children[s] + 3, face.index);
            }
        }
        m = std::move(n);
    }
    build(*m, { MESH_VERTEX_NORMALS, MESH_TEXCOORDS });
    return m;
}

namespace {

struct RTriangle;

struct RVertex
{
    Vector position;
    int id = 0;
    std::vector<RVertex*> neighbours;
    std::vector<RTriangle*> faces;
    float cost = 0.0f;
    RVertex* collapse = nullptr;
};

struct RTriangle
{
    RVertex* vertex[3] = { nullptr, nullptr, nullptr };
    Vector normal;
    bool has(const RVertex* v) const { return vertex[0] == v || vertex[1] == v || vertex[2] == v; }
    void computeNormal()
    {
        const Vector p = vertex[0]->position, q = vertex[1]->position, r = vertex[2]->position;
        normal.cross(q - p, r - q);
        const float length = normal.getLength();
        if (length != 0.0f)
            normal = Vector(normal.x / length, normal.y / length, normal.z / length, normal.w);
    }
    // A corner repeated in a degenerate triangle counts once.
    bool firstAt(int i) const
    {
        for (int j = 0; j < i; ++j)
            if (vertex[j] == vertex[i])
                return false;
        return true;
    }
};

template <class T> void removeItem(std::vector<T*>& list, T* item)
{
    if (auto it = std::find(list.begin(), list.end(), item); it != list.end())
        list.erase(it);
}

template <class T> void addUnique(std::vector<T*>& list, T* item)
{
    if (std::find(list.begin(), list.end(), item) == list.end())
        list.push_back(item);
}

struct Reference
{
    // Candidates turned away for turning a triangle over.
    int refusals = 0;

    std::deque<RVertex> vertexStore;
    std::deque<RTriangle> triangleStore;
    std::vector<RVertex*> vertices;
    std::vector<RTriangle*> triangles;

    static void removeIfNonNeighbour(RVertex* a, RVertex* b)
    {
        if (std::none_of(a->faces.begin(), a->faces.end(), [&](RTriangle* t) { return t->has(b); }))
            removeItem(a->neighbours, b);
    }
    // Every two distinct corners of t are neighbours.
    static void linkCorners(RTriangle* t)
    {
        for (int a = 0; a < 3; ++a) {
            for (int b = 0; b < 3; ++b)
                if (a != b && t->vertex[a] != t->vertex[b])
                    addUnique(t->vertex[a]->neighbours, t->vertex[b]);
        }
    }
    void deleteTriangle(RTriangle* t)
    {
        removeItem(triangles, t);
        for (int i = 0; i < 3; ++i)
            if (t->firstAt(i))
                removeItem(t->vertex[i]->faces, t);
        for (int i = 0; i < 3; ++i) {
            removeIfNonNeighbour(t->vertex[i], t->vertex[(i + 1) % 3]);
            removeIfNonNeighbour(t->vertex[(i + 1) % 3], t->vertex[i]);
        }
    }
    void deleteVertex(RVertex* u)
    {
        for (RVertex* n : u->neighbours)
            removeItem(n->neighbours, u);
        u->neighbours.clear();
        removeItem(vertices, u);
    }
    static float collapseCost(RVertex* u, RVertex* v)
    {
        const Vector d = v->position - u->position;
        const float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
        std::vector<RTriangle*> sides;
        for (RTriangle* t : u->faces)
            if (t->has(v))
                sides.push_back(t);
        float curvature = 0.0f;
        for (RTriangle* f : u->faces) {
            float m = 1.0f;
            for (RTriangle* s : sides)
                m = std::min(m, (1.0f - f->normal.dot(s->normal)) / 2.0f);
            curvature = std::max(curvature, m);
        }
        return length * curvature;
    }
    // Collapsing u onto v turns a triangle of u without v over.
    bool wouldFold(RVertex* u, RVertex* v)
    {
        for (RTriangle* t : u->faces) {
            if (t->has(v))
                continue;
            Vector c[3];
            for (int k = 0; k < 3; ++k)
                c[k] = (t->vertex[k] == u ? v : t->vertex[k])->position;
            Vector n;
            n.cross(c[1] - c[0], c[2] - c[1]);
            if (n.dot(t->normal) < 0.0f) {
                ++refusals;
                return true;
            }
        }
        return false;
    }
    void computeCost(RVertex* u)
    {
        u->cost = u->neighbours.empty() ? -0.01f : std::numeric_limits<float>::infinity();
        u->collapse = nullptr;
        RVertex* first = nullptr; // taken when every cost is not a number
        float firstCost = 0.0f;
        for (RVertex* v : u->neighbours) {
            if (wouldFold(u, v))
                continue;
            const float c = collapseCost(u, v);
            if (!first)
                first = v, firstCost = c;
            if (c < u->cost) {
                u->cost = c;
                u->collapse = v;
            }
        }
        if (!u->collapse && first) {
            u->cost = firstCost;
            u->collapse = first;
        }
    }
    void collapse(RVertex* u, RVertex* v)
    {
        if (!v) {
            while (!u->faces.empty())
                deleteTriangle(u->faces.back());
            deleteVertex(u);
            return;
        }
        const std::vector<RVertex*> remembered = u->neighbours;
        for (std::size_t i = u->faces.size(); i-- > 0;)
            if (u->faces[i]->has(v))
                deleteTriangle(u->faces[i]);
        for (std::size_t i = u->faces.size(); i-- > 0;) {
            RTriangle* t = u->faces[i];
            for (RVertex*& c : t->vertex)
                if (c == u)
                    c = v;
            removeItem(u->faces, t);
            v->faces.push_back(t);
            for (int k = 0; k < 3; ++k) {
                removeIfNonNeighbour(u, t->vertex[k]);
                removeIfNonNeighbour(t->vertex[k], u);
            }
            linkCorners(t);
            t->computeNormal();
        }
        deleteVertex(u);
        for (RVertex* n : remembered)
            computeCost(n);
    }
};

} // namespace

void referenceSimplify(Mesh& mesh, float fraction, int* refusals)
{
    Reference r;
    for (int i = 0; i < mesh.numVertices; ++i) {
        RVertex& v = r.vertexStore.emplace_back();
        v.position = mesh.vertices[std::size_t(i)];
        v.id = i;
        r.vertices.push_back(&v);
    }
    for (int f = 0; f < mesh.numFaces; ++f) {
        const Face& face = mesh.faces[std::size_t(f)];
        RTriangle* t = &r.triangleStore.emplace_back();
        for (int k = 0; k < 3; ++k)
            t->vertex[k] = r.vertices[std::size_t(face.index[k])];
        t->computeNormal();
        r.triangles.push_back(t);
        for (int i = 0; i < 3; ++i)
            if (t->firstAt(i))
                t->vertex[i]->faces.push_back(t);
        Reference::linkCorners(t);
    }
    for (RVertex* v : r.vertices)
        r.computeCost(v);
    const int target = fraction >= 1.0f ? mesh.numVertices
                                        : int(float(mesh.numVertices) * std::max(fraction, 0.0f));
    if (target == 0) {
        r.vertices.clear();
        r.triangles.clear();
    }
    while (int(r.vertices.size()) > target) {
        RVertex* u = r.vertices.front();
        for (RVertex* v : r.vertices)
            if (v->cost < u->cost)
                u = v;
        if (!u->collapse && !u->neighbours.empty())
            break;
        for (std::size_t i = std::size_t(u->id) + 1; i < r.vertices.size(); ++i)
            --r.vertices[i]->id;
        r.collapse(u, u->collapse);
    }
    mesh.clear();
    mesh.allocateVertices(int(r.vertices.size()));
    mesh.allocateFaces(int(r.triangles.size()));
    for (std::size_t i = 0; i < r.vertices.size(); ++i)
        mesh.vertices[i] = r.vertices[i]->position;
    for (std::size_t f = 0; f < r.triangles.size(); ++f) {
        for (int k = 0; k < 3; ++k)
            mesh.faces[f].index[k] = r.triangles[f]->vertex[k]->id;
    }
    if (refusals)
        *refusals = r.refusals;
}
