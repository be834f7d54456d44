// The subdivision and simplification written the plain way: linear searches of
// the edge table, a linear scan for the cheapest vertex, vertex ids renumbered
// on every removal, lists of pointers. Slow, and easy to check by reading.
#include "TestMeshes.h"

#include "mesh/engine/Build.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace {

struct EdgeTable
{
    std::vector<int> vertices;
    std::vector<int> faces;
    int count() const { return int(vertices.size() / 2); }
    int find(int i, int j) const
    {
        for (int e = 0; e < count(); ++e) {
            const int a = vertices[std::size_t(2 * e)], b = vertices[std::size_t(2 * e + 1)];
            if ((a == i && b == j) || (a == j && b == i))
                return e;
        }
        return -1;
    }
};

int cornerOf(const Mesh& m, int f, int k)
{
    return int(m.facePtrs[std::size_t(f)]->vertex[k] - m.vertices.data());
}

int otherCorner(const Mesh& m, int f, int x, int y)
{
    for (int k = 0; k < 3; ++k) {
        const int c = cornerOf(m, f, k);
        if (c != x && c != y)
            return c;
    }
    return -1;
}

// The corner across edge {x, y} on the face of that edge that is neither f1 nor f2.
int wing(const Mesh& m, const EdgeTable& table, int x, int y, int f1, int f2)
{
    const int e = table.find(x, y);
    if (e < 0)
        return -1;
    for (int s = 0; s < 2; ++s) {
        const int g = table.faces[std::size_t(2 * e + s)];
        if (g >= 0 && g != f1 && g != f2)
            return otherCorner(m, g, x, y);
    }
    return -1;
}

} // namespace

std::unique_ptr<Mesh> referenceSubdivide(const Mesh& source, int levels, float w)
{
    if (levels == 0)
        return nullptr;
    std::unique_ptr<Mesh> m = source.clone();
    for (int level = 0; level < levels; ++level) {
        EdgeTable table;
        for (int f = 0; f < m->numFaces; ++f) {
            for (int k = 0; k < 3; ++k) {
                const int i = cornerOf(*m, f, k), j = cornerOf(*m, f, (k + 1) % 3);
                const int e = table.find(i, j);
                if (e >= 0) {
                    table.faces[std::size_t(2 * e + 1)] = f;
                } else {
                    table.vertices.insert(table.vertices.end(), { i, j });
                    table.faces.insert(table.faces.end(), { f, -1 });
                }
            }
        }
        const int V = m->numVertices, E = table.count();
        auto n = std::make_unique<Mesh>();
        n->allocateVertices(V + E);
        for (int v = 0; v < V; ++v)
            n->vertices[std::size_t(v)] = m->vertices[std::size_t(v)];
        for (int e = 0; e < E; ++e) {
            const int a = table.vertices[std::size_t(2 * e)],
                      b = table.vertices[std::size_t(2 * e + 1)];
            const int f1 = table.faces[std::size_t(2 * e)],
                      f2 = table.faces[std::size_t(2 * e + 1)];
            const Vector &pa = m->vertices[std::size_t(a)], &pb = m->vertices[std::size_t(b)];
            Vector& out = n->vertices[std::size_t(V + e)];
            out = Vector((pa.x + pb.x) * 0.5f, (pa.y + pb.y) * 0.5f, (pa.z + pb.z) * 0.5f);
            if (f1 < 0 || f2 < 0)
                continue;
            const int c = otherCorner(*m, f1, a, b), d = otherCorner(*m, f2, a, b);
            if (c < 0 || d < 0)
                continue;
            if (table.find(a, c) < 0 || table.find(a, d) < 0 || table.find(b, c) < 0
                || table.find(b, d) < 0)
                continue;
            const int e1 = wing(*m, table, a, c, f1, f2), e2 = wing(*m, table, a, d, f1, f2);
            const int e3 = wing(*m, table, b, c, f1, f2), e4 = wing(*m, table, b, d, f1, f2);
            if (e1 < 0 || e2 < 0 || e3 < 0 || e4 < 0)
                continue;
            auto at = [&](int i) { return m->vertices[std::size_t(i)]; };
            const float near = 2.0f * w + 0.125f, far = -0.0625f - w;
            out.x = out.x + (at(c).x + at(d).x) * near
                + (at(e1).x + at(e2).x + at(e3).x + at(e4).x) * far;
            out.y = out.y + (at(c).y + at(d).y) * near
                + (at(e1).y + at(e2).y + at(e3).y + at(e4).y) * far;
            out.z = out.z + (at(c).z + at(d).z) * near
                + (at(e1).z + at(e2).z + at(e3).z + at(e4).z) * far;
        }
        n->allocateFaces(4 * m->numFaces);
        for (int i = 0; i < m->numFaces; ++i) {
            const int P = cornerOf(*m, i, 0), Q = cornerOf(*m, i, 1), R = cornerOf(*m, i, 2);
            const int pq = V + table.find(P, Q), qr = V + table.find(Q, R),
                      rp = V + table.find(R, P);
            const int corners[4][3]
                = { { P, pq, rp }, { pq, Q, qr }, { rp, qr, R }, { pq, qr, rp } };
            for (int s = 0; s < 4; ++s) {
                Face& face = n->faces[std::size_t(4 * i + s)];
                face = m->faces[std::size_t(i)];
                for (int k = 0; k < 3; ++k)
                    face.index[k] = corners[s][k];
                n->linkFace(4 * i + s);
            }
        }
        m = std::move(n);
    }
    build(*m, { MESH_VERTEX_NORMALS, MESH_TEXCOORDS });
    return m;
}

void referenceSubdivideMesh(Mesh& mesh, int levels, float weight)
{
    std::unique_ptr<Mesh> source = mesh.clone();
    std::unique_ptr<Mesh> result = referenceSubdivide(*source, levels, weight);
    mesh.clear();
    mesh.copyFrom(*result->clone());
    build(mesh, { MESH_EDGE_LIST, MESH_VERTEX_NORMALS });
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
        if (length != 0.0f) {
            normal.x /= length;
            normal.y /= length;
            normal.z /= length;
        }
    }
    // A corner repeated in a degenerate triangle counts once.
    bool firstAt(int i) const
    {
        for (int j = 0; j < i; ++j) {
            if (vertex[j] == vertex[i])
                return false;
        }
        return true;
    }
};

template <class T> void removeItem(std::vector<T*>& list, T* item)
{
    auto it = std::find(list.begin(), list.end(), item);
    if (it != list.end())
        list.erase(it);
}

template <class T> void addUnique(std::vector<T*>& list, T* item)
{
    if (std::find(list.begin(), list.end(), item) == list.end())
        list.push_back(item);
}

struct Reference
{
    // Off: the plain rule, which lets collapses turn triangles over.
    bool foldGuard = true;
    // Candidates the guard turned away.
    int refusals = 0;

    std::vector<std::unique_ptr<RVertex>> vertexStore;
    std::vector<std::unique_ptr<RTriangle>> triangleStore;
    std::vector<RVertex*> vertices;
    std::vector<RTriangle*> triangles;

    void removeIfNonNeighbour(RVertex* a, RVertex* b)
    {
        if (std::find(a->neighbours.begin(), a->neighbours.end(), b) == a->neighbours.end())
            return;
        for (RTriangle* t : a->faces) {
            if (t->has(b))
                return;
        }
        removeItem(a->neighbours, b);
    }
    void deleteTriangle(RTriangle* t)
    {
        removeItem(triangles, t);
        for (int i = 0; i < 3; ++i) {
            if (t->firstAt(i))
                removeItem(t->vertex[i]->faces, t);
        }
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
        for (RTriangle* t : u->faces) {
            if (t->has(v))
                sides.push_back(t);
        }
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
        if (!foldGuard)
            return false;
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
        if (u->neighbours.empty()) {
            u->cost = -0.01f;
            u->collapse = nullptr;
            return;
        }
        u->cost = std::numeric_limits<float>::infinity();
        u->collapse = nullptr;
        for (RVertex* v : u->neighbours) {
            if (wouldFold(u, v))
                continue;
            const float c = collapseCost(u, v);
            if (c < u->cost) {
                u->cost = c;
                u->collapse = v;
            }
        }
        if (!u->collapse) {
            // Only costs that are not numbers: take the first such candidate.
            for (RVertex* v : u->neighbours) {
                if (wouldFold(u, v))
                    continue;
                u->cost = collapseCost(u, v);
                u->collapse = v;
                break;
            }
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
        for (std::size_t i = u->faces.size(); i-- > 0;) {
            if (u->faces[i]->has(v))
                deleteTriangle(u->faces[i]);
        }
        for (std::size_t i = u->faces.size(); i-- > 0;) {
            RTriangle* t = u->faces[i];
            for (RVertex*& c : t->vertex) {
                if (c == u)
                    c = v;
            }
            removeItem(u->faces, t);
            v->faces.push_back(t);
            for (int k = 0; k < 3; ++k) {
                removeIfNonNeighbour(u, t->vertex[k]);
                removeIfNonNeighbour(t->vertex[k], u);
            }
            for (int a = 0; a < 3; ++a) {
                for (int b = 0; b < 3; ++b) {
                    if (a != b && t->vertex[a] != t->vertex[b])
                        addUnique(t->vertex[a]->neighbours, t->vertex[b]);
                }
            }
            t->computeNormal();
        }
        deleteVertex(u);
        for (RVertex* n : remembered)
            computeCost(n);
    }
};

} // namespace

void referenceSimplify(Mesh& mesh, float fraction, bool foldGuard, int* refusals)
{
    Reference r;
    for (int i = 0; i < mesh.numVertices; ++i) {
        r.vertexStore.push_back(std::make_unique<RVertex>());
        r.vertexStore.back()->position = mesh.vertices[std::size_t(i)];
        r.vertexStore.back()->id = i;
        r.vertices.push_back(r.vertexStore.back().get());
    }
    for (int f = 0; f < mesh.numFaces; ++f) {
        const Face& face = *mesh.facePtrs[std::size_t(f)];
        r.triangleStore.push_back(std::make_unique<RTriangle>());
        RTriangle* t = r.triangleStore.back().get();
        for (int k = 0; k < 3; ++k)
            t->vertex[k] = r.vertices[std::size_t(face.index[k])];
        t->computeNormal();
        r.triangles.push_back(t);
        for (int i = 0; i < 3; ++i) {
            if (t->firstAt(i))
                t->vertex[i]->faces.push_back(t);
            for (int j = 0; j < 3; ++j) {
                if (j != i && t->vertex[j] != t->vertex[i])
                    addUnique(t->vertex[i]->neighbours, t->vertex[j]);
            }
        }
    }
    r.foldGuard = foldGuard;
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
        for (RVertex* v : r.vertices) {
            if (v->cost < u->cost)
                u = v;
        }
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
        mesh.linkFace(int(f));
    }
    if (refusals)
        *refusals = r.refusals;
}
