#include "viewer/engine/Picking.h"

#include "mesh/engine/Face.h"
#include "mesh/engine/Mesh.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr float kNoHit = 1.0e28f;
constexpr int kLeafSize = 4;

// Distance from p0 to the crossing with face i, or false for no crossing. One
// place, so that the linear loop and the hierarchy compare the same numbers.
bool faceDistance(const Mesh& mesh, int i, const Vector& p0, const Vector& p1, float& distance)
{
    Vector hit;
    if (!intersectRay(mesh, mesh.faces[std::size_t(i)], p0, p1, hit)) {
        return false;
    }
    Vector d = hit - p0;
    distance = d.getLength();
    return true;
}

} // namespace

bool intersectRay(
    const Mesh& mesh, const Face& face, const Vector& p0, const Vector& p1, Vector& hit)
{
    const Vector& P = mesh.corner(face, 0);
    const Vector& Q = mesh.corner(face, 1);
    const Vector& R = mesh.corner(face, 2);
    Vector n;
    n.triangleNormal(R, Q, P);

    const float d0 = (p0 - P).dot(n);
    const float d1 = (p1 - P).dot(n);
    if (!(d0 * d1 < 0.0f)) {
        return false;
    }
    const float t = -d0 / (d1 - d0);
    const Vector x = p0 + (p1 - p0) * t;

    const Vector* corners[3] = { &P, &Q, &R };
    for (int k = 0; k < 3; ++k) {
        const Vector& s = *corners[k];
        const Vector& e = *corners[(k + 1) % 3];
        Vector side;
        side.cross(n, e - s);
        if (side.dot(x - s) < 0.0f) {
            return false;
        }
    }
    hit = x;
    return true;
}

bool clipSegment(const std::vector<std::array<double, 4>>& planes, Vector& p0, Vector& p1)
{
    const double a[3] = { p0.x, p0.y, p0.z };
    const double d[3] = { double(p1.x) - a[0], double(p1.y) - a[1], double(p1.z) - a[2] };
    double from = 0.0, to = 1.0;
    for (const std::array<double, 4>& e : planes) {
        const double s0 = e[0] * a[0] + e[1] * a[1] + e[2] * a[2] + e[3];
        const double s1 = s0 + e[0] * d[0] + e[1] * d[1] + e[2] * d[2];
        if (s0 >= 0.0 && s1 >= 0.0) {
            continue;
        }
        if (s0 < 0.0 && s1 < 0.0) {
            return false;
        }
        const double t = s0 / (s0 - s1);
        if (s0 < 0.0) {
            from = std::max(from, t);
        } else {
            to = std::min(to, t);
        }
    }
    if (from > to) {
        return false;
    }
    const auto at = [&](double t) {
        return Vector(float(a[0] + d[0] * t), float(a[1] + d[1] * t), float(a[2] + d[2] * t));
    };
    const Vector start = at(from), end = at(to);
    p0 = start;
    p1 = end;
    return true;
}

int nearestFaceLinear(const Mesh& mesh, const Vector& p0, const Vector& p1)
{
    float best = kNoHit;
    int selected = 0;
    for (int i = 0; i < mesh.numFaces; ++i) {
        float d;
        if (faceDistance(mesh, i, p0, p1, d) && d < best) {
            best = d;
            selected = i + 1;
        }
    }
    return selected;
}

FaceBvh::FaceBvh(const Mesh& mesh)
{
    const std::size_t n = std::size_t(std::max(mesh.numFaces, 0));
    if (n == 0) {
        return;
    }
    std::vector<float> boxes(n * 6);
    std::vector<float> centres(n * 3);
    float sceneLo[3] = { std::numeric_limits<float>::max(), std::numeric_limits<float>::max(),
        std::numeric_limits<float>::max() };
    float sceneHi[3] = { -sceneLo[0], -sceneLo[1], -sceneLo[2] };
    for (std::size_t i = 0; i < n; ++i) {
        const Face& f = mesh.faces[i];
        float* b = &boxes[i * 6];
        for (int a = 0; a < 3; ++a) {
            b[a] = std::numeric_limits<float>::max();
            b[a + 3] = -b[a];
        }
        for (int k = 0; k < 3; ++k) {
            const Vector& v = mesh.corner(f, k);
            const float c[3] = { v.x, v.y, v.z };
            for (int a = 0; a < 3; ++a) {
                b[a] = std::min(b[a], c[a]);
                b[a + 3] = std::max(b[a + 3], c[a]);
            }
        }
        for (int a = 0; a < 3; ++a) {
            centres[i * 3 + a] = 0.5f * (b[a] + b[a + 3]);
            sceneLo[a] = std::min(sceneLo[a], b[a]);
            sceneHi[a] = std::max(sceneHi[a], b[a + 3]);
        }
    }
    float size = 0.0f;
    for (int a = 0; a < 3; ++a) {
        size = std::max({ size, std::fabs(sceneLo[a]), std::fabs(sceneHi[a]) });
    }
    slack = size * 1.0e-5f;

    order.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        order[i] = std::int32_t(i);
    }
    nodes.reserve(2 * n / kLeafSize + 2);
    nodes.push_back(Node {});

    struct Task
    {
        std::size_t node, begin, end;
    };
    std::vector<Task> tasks { { 0, 0, n } };
    while (!tasks.empty()) {
        const Task task = tasks.back();
        tasks.pop_back();
        float lo[3] = { std::numeric_limits<float>::max(), std::numeric_limits<float>::max(),
            std::numeric_limits<float>::max() };
        float hi[3] = { -lo[0], -lo[1], -lo[2] };
        float clo[3] = { lo[0], lo[1], lo[2] };
        float chi[3] = { hi[0], hi[1], hi[2] };
        for (std::size_t k = task.begin; k < task.end; ++k) {
            const std::size_t f = std::size_t(order[k]);
            for (int a = 0; a < 3; ++a) {
                lo[a] = std::min(lo[a], boxes[f * 6 + a]);
                hi[a] = std::max(hi[a], boxes[f * 6 + a + 3]);
                clo[a] = std::min(clo[a], centres[f * 3 + a]);
                chi[a] = std::max(chi[a], centres[f * 3 + a]);
            }
        }
        Node& node = nodes[task.node];
        for (int a = 0; a < 3; ++a) {
            node.lo[a] = lo[a] - slack;
            node.hi[a] = hi[a] + slack;
        }
        const std::size_t count = task.end - task.begin;
        int axis = 0;
        for (int a = 1; a < 3; ++a) {
            if (chi[a] - clo[a] > chi[axis] - clo[axis]) {
                axis = a;
            }
        }
        if (count <= std::size_t(kLeafSize) || !(chi[axis] > clo[axis])) {
            node.start = std::int32_t(task.begin);
            node.count = std::int32_t(count);
            continue;
        }
        const std::size_t mid = task.begin + count / 2;
        std::nth_element(order.begin() + std::ptrdiff_t(task.begin),
            order.begin() + std::ptrdiff_t(mid), order.begin() + std::ptrdiff_t(task.end),
            [&](std::int32_t a, std::int32_t b) {
                return centres[std::size_t(a) * 3 + std::size_t(axis)]
                    < centres[std::size_t(b) * 3 + std::size_t(axis)];
            });
        const std::size_t left = nodes.size();
        node.start = std::int32_t(left);
        node.count = 0;
        nodes.push_back(Node {});
        nodes.push_back(Node {});
        tasks.push_back({ left, task.begin, mid });
        tasks.push_back({ left + 1, mid, task.end });
    }
}

int FaceBvh::nearestFace(const Mesh& mesh, const Vector& p0, const Vector& p1) const
{
    if (nodes.empty()) {
        return 0;
    }
    // Boxes are met in double precision over the parameter t in [0, 1]; a margin
    // covers the rounding of the hit point computed in single precision, so no
    // face the exact test would accept is skipped.
    const double origin[3] = { p0.x, p0.y, p0.z };
    const double dir[3] = { double(p1.x) - p0.x, double(p1.y) - p0.y, double(p1.z) - p0.z };
    const double segLength = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
    const double reach
        = std::max({ std::fabs(origin[0]), std::fabs(origin[1]), std::fabs(origin[2]),
            std::fabs(double(p1.x)), std::fabs(double(p1.y)), std::fabs(double(p1.z)) });
    const double margin = 1.0e-5 * (reach + segLength) + double(slack);

    const auto enter = [&](const Node& node, double& tEnter) {
        double t0 = 0.0, t1 = 1.0;
        for (int a = 0; a < 3; ++a) {
            const double lo = double(node.lo[a]) - margin;
            const double hi = double(node.hi[a]) + margin;
            if (dir[a] == 0.0) {
                if (origin[a] < lo || origin[a] > hi) {
                    return false;
                }
                continue;
            }
            double ta = (lo - origin[a]) / dir[a];
            double tb = (hi - origin[a]) / dir[a];
            if (ta > tb) {
                std::swap(ta, tb);
            }
            t0 = std::max(t0, ta);
            t1 = std::min(t1, tb);
            if (t0 > t1) {
                return false;
            }
        }
        tEnter = t0;
        return true;
    };

    float best = kNoHit;
    int bestFace = -1;
    struct Entry
    {
        std::int32_t node;
        double distance;
    };
    std::vector<Entry> stack;
    stack.reserve(64);
    double t;
    if (!enter(nodes[0], t)) {
        return 0;
    }
    stack.push_back({ 0, t * segLength });
    while (!stack.empty()) {
        const Entry entry = stack.back();
        stack.pop_back();
        if (entry.distance - margin > double(best)) {
            continue;
        }
        const Node& node = nodes[std::size_t(entry.node)];
        if (node.count > 0) {
            for (std::int32_t k = node.start; k < node.start + node.count; ++k) {
                const int f = order[std::size_t(k)];
                float d;
                if (faceDistance(mesh, f, p0, p1, d) && (d < best || (d == best && f < bestFace))) {
                    best = d;
                    bestFace = f;
                }
            }
            continue;
        }
        double ta = 0.0, tb = 0.0;
        const bool hitA = enter(nodes[std::size_t(node.start)], ta);
        const bool hitB = enter(nodes[std::size_t(node.start) + 1], tb);
        // Push the farther child first so the nearer one is searched first.
        if (hitA && hitB) {
            if (ta <= tb) {
                stack.push_back({ node.start + 1, tb * segLength });
                stack.push_back({ node.start, ta * segLength });
            } else {
                stack.push_back({ node.start, ta * segLength });
                stack.push_back({ node.start + 1, tb * segLength });
            }
        } else if (hitA) {
            stack.push_back({ node.start, ta * segLength });
        } else if (hitB) {
            stack.push_back({ node.start + 1, tb * segLength });
        }
    }
    return bestFace + 1;
}
