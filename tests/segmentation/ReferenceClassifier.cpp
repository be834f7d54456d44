#include "ReferenceClassifier.h"

#include "mesh/engine/Mesh.h"

#include <algorithm>
#include <cmath>

ReferenceClassifier::ReferenceClassifier(Mesh& m)
    : mesh(m)
    , n(m.numFaces)
{ }

void ReferenceClassifier::buildCosts()
{
    std::vector<Vector> centroids;
    for (const Face& face : mesh.faces) {
        Vector c = mesh.corner(face, 0);
        c += mesh.corner(face, 1);
        c += mesh.corner(face, 2);
        centroids.push_back(Vector(c.x / 3.0f, c.y / 3.0f, c.z / 3.0f));
    }
    std::vector<float> length(std::size_t(mesh.numEdges)), angle(std::size_t(mesh.numEdges));
    double sumL = 0.0, sumA = 0.0;
    for (int e = 0; e < mesh.numEdges; ++e) {
        const int f1 = mesh.edgeFaces[std::size_t(2 * e)],
                  f2 = mesh.edgeFaces[std::size_t(2 * e + 1)];
        if (f2 == -1)
            continue;
        Vector v = centroids[std::size_t(f1)];
        v -= centroids[std::size_t(f2)];
        length[std::size_t(e)] = v.getLength();
        float dot = mesh.faces[std::size_t(f1)].normal.dot(mesh.faces[std::size_t(f2)].normal);
        dot = std::isnan(dot) ? 1.0f : std::clamp(dot, -1.0f, 1.0f);
        angle[std::size_t(e)] = std::max(0.0f, float(0.05 * (1.0 - double(std::acos(dot)))));
        sumL += length[std::size_t(e)];
        sumA += angle[std::size_t(e)];
    }
    float meanL = float(sumL / mesh.numEdges), meanA = float(sumA / mesh.numEdges);
    meanL = meanL > 0.0f ? meanL : 1.0f;
    meanA = meanA > 0.0f ? meanA : 1.0f;
    cost.assign(std::size_t(n) * (n + 1) / 2, 0.0f);
    for (int e = 0; e < mesh.numEdges; ++e) {
        const int f1 = mesh.edgeFaces[std::size_t(2 * e)],
                  f2 = mesh.edgeFaces[std::size_t(2 * e + 1)];
        if (f2 == -1)
            continue;
        const int hi = std::max(f1, f2), lo = std::min(f1, f2);
        cost[std::size_t(hi) * (hi + 1) / 2 + lo]
            = float((double(length[std::size_t(e)]) / meanL) * weight
                + (1.0 - weight) * (double(angle[std::size_t(e)]) / meanA));
    }
}

void ReferenceClassifier::floyd(int steps)
{
    dist.assign(cost.size(), 0.0f);
    for (int i = 0; i < n; ++i)
        for (int j = i; j < n; ++j) {
            const float c = cost[std::size_t(j) * (j + 1) / 2 + i];
            d(i, j) = c == 0.0f ? 1e9f : c;
        }
    for (int i = 0; i < n; ++i)
        d(i, i) = 0.0f;
    const int last = steps >= 0 ? std::min(steps, n) : n;
    for (int k = 0; k < last; ++k)
        for (int i = 0; i < n; ++i)
            for (int j = i; j < n; ++j) {
                const float candidate = d(i, k) + d(k, j);
                if (d(i, j) > candidate)
                    d(i, j) = candidate;
            }
}

void ReferenceClassifier::fuzzy(int count)
{
    numPatches = count;
    memberships.assign(static_cast<std::size_t>(count), std::vector<float>(std::size_t(n), 0.0f));
    for (int p = 0; p < count; ++p) {
        for (int f = 0; f < n; ++f) {
            float u = 1.0f;
            if (f != seeds[std::size_t(p)]) {
                float s = 0.0f;
                for (int q = 0; q < count; ++q) {
                    float e = d(seeds[std::size_t(q)], f);
                    s += 1.0f / (e == 1e7f ? 0.0f : e);
                }
                u = (1.0f / d(seeds[std::size_t(p)], f)) / s;
            }
            memberships[std::size_t(p)][std::size_t(f)] = u;
        }
    }
}

void ReferenceClassifier::classify()
{
    seeds.clear();
    double best = start;
    int bestFace = 0;
    for (int i = 0; i < n; ++i) {
        double sum = 0.0;
        for (int j = 0; j < n; ++j)
            if (d(i, j) != 1e8f)
                sum += d(i, j);
        if (sum <= best) {
            best = sum;
            bestFace = i;
        }
    }
    seeds.push_back(bestFace);
    for (int pass = 0; pass < 50; ++pass) {
        float bestMin = 0.0f;
        for (int f = 0; f < n; ++f) {
            float m = 1e9f;
            for (int s : seeds)
                m = std::min(m, d(s, f));
            if (m > bestMin)
                bestMin = m;
            if (m == bestMin)
                bestFace = f;
        }
        seeds.push_back(bestFace);
    }
    std::vector<float> radius(seeds.size(), 1e9f);
    for (std::size_t k = 1; k < seeds.size(); ++k)
        for (std::size_t s = 0; s < k; ++s)
            radius[k] = std::min(radius[k], d(seeds[k], seeds[s]));
    float maxDrop = 0.0f;
    int bestK = 0;
    for (std::size_t k = 2; k < seeds.size(); ++k)
        if (radius[k - 1] - radius[k] >= maxDrop) {
            maxDrop = radius[k - 1] - radius[k];
            bestK = int(k);
        }
    fuzzy(bestK);
    // Each seed's nearest other seed (the later of equals), before any moves.
    std::vector<int> nearest(static_cast<std::size_t>(bestK), 0);
    for (int p = 0; p < bestK; ++p) {
        float b1 = start;
        for (int q = 0; q < bestK; ++q)
            if (q != p && d(seeds[std::size_t(p)], seeds[std::size_t(q)]) <= b1) {
                b1 = d(seeds[std::size_t(p)], seeds[std::size_t(q)]);
                nearest[std::size_t(p)] = q;
            }
    }
    int newP = 0, newNb = 0;
    for (int p = 0; p < bestK; ++p) {
        int cur = seeds[std::size_t(p)];
        const int nb = nearest[std::size_t(p)];
        int curNb = seeds[std::size_t(nb)];
        double bestA = start, bestB = start;
        for (;;) {
            fuzzy(bestK);
            const auto& u = memberships[std::size_t(p)];
            const auto& v = memberships[std::size_t(nb)];
            for (int f = 0; f < n; ++f) {
                if (std::find(seeds.begin(), seeds.begin() + p, f) != seeds.begin() + p)
                    continue;
                double a = 0.0, b = 0.0;
                for (int g = 0; g < n; ++g) {
                    if (g == f)
                        continue;
                    const float den = u[std::size_t(f)] + v[std::size_t(g)];
                    a += double(float(u[std::size_t(f)] / den)) * double(d(f, g));
                    b += double(d(f, g)) * double(float(v[std::size_t(g)] / den));
                }
                if (a <= bestA) {
                    bestA = a;
                    newP = f;
                }
                if (b <= bestB) {
                    bestB = b;
                    newNb = f;
                }
            }
            const bool settled = newP == cur && newNb == curNb;
            cur = newP;
            curNb = newNb;
            if (settled)
                break;
        }
        seeds[std::size_t(p)] = cur;
    }
    fuzzy(bestK);
}

void ReferenceClassifier::partition(int count)
{
    std::vector<int> newSeed(static_cast<std::size_t>(count), 0);
    for (int iteration = 0;;) {
        std::vector<std::vector<int>> clusters(static_cast<std::size_t>(count));
        int patch = 0;
        patchOfFace.assign(static_cast<std::size_t>(n), 0);
        for (int f = 0; f < n; ++f) {
            float best = start;
            for (int p = 0; p < count; ++p) {
                const float e = seeds[std::size_t(p)] == f ? 0.0f : d(seeds[std::size_t(p)], f);
                if (e <= best) {
                    best = e;
                    patch = p;
                }
            }
            clusters[std::size_t(patch)].push_back(f);
            patchOfFace[std::size_t(f)] = patch;
        }
        for (int p = 0; p < count; ++p) {
            double best = start;
            for (int f : clusters[std::size_t(p)]) {
                double s = 0.0;
                for (int g : clusters[std::size_t(p)])
                    s += g == f ? 0.0 : double(d(f, g));
                if (s <= best) {
                    best = s;
                    newSeed[std::size_t(p)] = f;
                }
            }
        }
        if (std::equal(newSeed.begin(), newSeed.end(), seeds.begin()))
            break;
        std::copy(newSeed.begin(), newSeed.end(), seeds.begin());
        if (++iteration >= 500)
            break;
    }
    fuzzy(count);
}
