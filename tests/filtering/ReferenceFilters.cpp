#include "ReferenceFilters.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/Mesh.h"

#include <algorithm>
#include <cmath>
#include <list>
#include <set>

int referenceRegions(
    Mesh& mesh, float r, bool moving, const std::vector<Vector>& profile, int profileHeight)
{
    std::list<int> unvisited;
    for (int f = 0; f < mesh.numFaces; ++f)
        unvisited.push_back(f);
    std::vector<int> region;
    Vector centre, pointSum, normalSum;
    int regions = 0;
    bool grew = false;
    const auto centroid = [&](int f) { return mesh.centroids[std::size_t(f)]; };
    const auto normal = [&](int f) { return mesh.faces[std::size_t(f)].normal; };
    const auto finish = [&](bool divide) {
        if (divide)
            normalSum /= float(region.size());
        normalSum.normalise();
        for (int f : region)
            mesh.faces[std::size_t(f)].normal = normalSum;
        ++regions;
    };
    while (!unvisited.empty()) {
        if (!grew || !moving) {
            const int seed = unvisited.front();
            unvisited.pop_front();
            region = { seed };
            centre = centroid(seed);
            normalSum = normal(seed);
            pointSum = centre;
        }
        grew = false;
        for (auto it = unvisited.begin(); it != unvisited.end();) {
            const Vector c = centroid(*it);
            const float dx = c.x - centre.x, dy = c.y - centre.y, dz = c.z - centre.z;
            if (dx * dx + dy * dy + dz * dz > r * r) {
                ++it;
                continue;
            }
            float w = 1.0f;
            if (!profile.empty()) {
                // The curve's height where it first reaches the distance's
                // share of the way from the first sample to the last.
                const float d = std::min(std::sqrt(dx * dx + dy * dy + dz * dz) / r, 1.0f);
                const float x = profile.front().x + d * (profile.back().x - profile.front().x);
                std::size_t k = 0;
                while (profile[k].x < x)
                    ++k;
                float y = profile[k].y;
                if (k > 0) {
                    const Vector &a = profile[k - 1], &b = profile[k];
                    y = a.y + (b.y - a.y) * ((x - a.x) / (b.x - a.x));
                }
                w = std::max(1.0f - y / float(profileHeight), 0.0f);
            }
            region.push_back(*it);
            pointSum += c;
            normalSum += w * normal(*it);
            it = unvisited.erase(it);
            grew = true;
        }
        if (!moving) {
            finish(false);
            continue;
        }
        if (grew)
            centre = pointSum / float(region.size());
        if (!grew || unvisited.empty())
            finish(true);
    }
    return regions;
}

void referenceMedian(Mesh& mesh, int depth)
{
    buildNeighbourLists(mesh);
    for (int sweep = 0; sweep < 50; ++sweep)
        for (int f = 0; f < mesh.numFaces; ++f) {
            std::set<int> seen { f };
            std::vector<int> ring { f }, around;
            for (int level = 0; level < depth; ++level) {
                std::vector<int> next;
                for (int a : ring)
                    for (int b : mesh.edgeGraph.faceNeighbours[std::size_t(a)])
                        if (seen.insert(b).second)
                            next.push_back(b);
                around.insert(around.end(), next.begin(), next.end());
                ring = next;
            }
            if (around.empty())
                continue;
            Vector sum(0.0f, 0.0f, 0.0f, 0.0f);
            for (int b : around)
                sum += mesh.faces[std::size_t(b)].normal;
            sum /= float(around.size());
            if (!(sum.x == 0.0f && sum.y == 0.0f && sum.z == 0.0f))
                mesh.faces[std::size_t(f)].normal = sum;
        }
}
