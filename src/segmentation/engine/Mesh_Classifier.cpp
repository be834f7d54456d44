#include "segmentation/engine/Mesh_Classifier.h"
#include "mesh/engine/Refusal.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/HsvToRgb.h"
#include "mesh/engine/LargeArrays.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/Progress.h"
#include "mesh/engine/Workers.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>

namespace {

constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr double kInfinityD = std::numeric_limits<double>::infinity();

Vector hueColour(int p, int n)
{
    float r = 0.0f, g = 0.0f, b = 0.0f;
    hsvToRgb(float(double(p) / double(n) * 359.0), 1.0f, 1.0f, r, g, b);
    return Vector(r, g, b, 1.0f);
}

// Per-face sums over the whole table, read in storage order: row r adds its
// entries (r, c), c < r, to face r's sum in order and to each face c's sum, so
// every face still adds its terms in ascending order of the other face, as a
// plain double loop over (f, g) would. rowTerm(r, c, d) is face r's term for
// g = c, colTerm(r, c, d) face c's term for g = r; the diagonal is left out.
// Returns false, the sums unfinished, when progress asks to stop: the sweep may
// run on a worker thread, so it never throws.
template <class RowTerm, class ColTerm>
bool sweepSums(const ShortestPathTable& table, std::vector<double>& sums, RowTerm rowTerm,
    ColTerm colTerm, const Progress* progress)
{
    const int n = table.count;
    sums.assign(static_cast<std::size_t>(n), 0.0);
    double* s = sums.data();
    for (int r = 0; r < n; ++r) {
        if (progress && (r & 63) == 0 && progress->stopRequested())
            return false;
        const float* row = table.row(r);
        for (int c = 0; c < r; ++c)
            s[c] += colTerm(r, c, row[c]);
        double acc = 0.0;
        for (int c = 0; c < r; ++c)
            acc += rowTerm(r, c, row[c]);
        s[r] = acc;
    }
    return true;
}

} // namespace

void Mesh_Classifier::reset()
{
    rebuild = 1;
    weight = 0.5;
    meanLength = meanAngle = 0.0f;
    seedRounds = 0;
    numPatches = 0;
    currentPatch = -1;
    patchThreshold = 0;
    seeds.clear();
    patchColours.clear();
    centroids.clear();
    memberships.clear();
    neighbours.clear();
    patchOfFace.clear();
}

void Mesh_Classifier::buildCentroids()
{
    std::printf("Building Centroids\n");
    centroids.clear();
    centroids.reserve(std::size_t(mesh->numFaces));
    for (int f = 0; f < mesh->numFaces; ++f) {
        const Face& face = mesh->faces[std::size_t(f)];
        Vector c = mesh->corner(face, 0);
        c += mesh->corner(face, 1);
        c += mesh->corner(face, 2);
        c.x /= 3.0f;
        c.y /= 3.0f;
        c.z /= 3.0f;
        centroids.push_back(c);
    }
}

void Mesh_Classifier::buildDistances()
{
    std::printf("Building Distances\n");
    struct Term
    {
        int f1, f2;
        float length, angle;
    };
    std::vector<Term> terms;
    double lengthSum = 0.0, angleSum = 0.0;
    for (int e = 0; e < mesh->numEdges; ++e) {
        const int f1 = mesh->edgeFaces[std::size_t(2 * e)];
        const int f2 = mesh->edgeFaces[std::size_t(2 * e + 1)];
        if (f2 == -1 || f1 < 0)
            continue;
        Vector between = centroids[std::size_t(f1)];
        between -= centroids[std::size_t(f2)];
        const float length = between.getLength();
        // Coplanar unit normals can meet at a dot product a rounding above 1,
        // and a degenerate face has no normal at all: both are "no bend" rather
        // than a NaN cost.
        float dot = mesh->faces[std::size_t(f1)].normal.dot(mesh->faces[std::size_t(f2)].normal);
        dot = std::isnan(dot) ? 1.0f : std::clamp(dot, -1.0f, 1.0f);
        const float theta = std::acos(dot);
        float angle = float(0.05 * (1.0 - double(theta)));
        if (angle < 0.0f)
            angle = 0.0f;
        terms.push_back({ f1, f2, length, angle });
        lengthSum += length;
        angleSum += angle;
    }
    const double edges = mesh->numEdges > 0 ? double(mesh->numEdges) : 1.0;
    meanLength = float(lengthSum / edges);
    meanAngle = float(angleSum / edges);
    if (!(meanLength > 0.0f))
        meanLength = 1.0f;
    if (!(meanAngle > 0.0f))
        meanAngle = 1.0f;
    for (const Term& t : terms) {
        const double cost = (double(t.length) / double(meanLength)) * weight
            + (1.0 - weight) * (double(t.angle) / double(meanAngle));
        table.setCost(t.f1, t.f2, float(cost));
    }
    centroids.clear();
}

void Mesh_Classifier::copyAllButTable(const Mesh_Classifier& other)
{
    static_cast<ClassifierState&>(*this) = other;
    table.memoryLimit = other.table.memoryLimit;
}

bool Mesh_Classifier::classifyMesh(Mesh& m, Progress* reportTo)
{
    build(m, { MESH_VERTEX_NORMALS, MESH_EDGE_LIST }, reportTo);
    mesh = &m;
    Progress* const kept = progress;
    progress = reportTo;
    try {
        const bool done = classify();
        progress = kept;
        return done;
    } catch (...) {
        progress = kept;
        throw;
    }
}

bool Mesh_Classifier::tableWillBeBuilt() const
{
    // A table loaded or built for another mesh would be read out of range.
    return rebuild == 1 || table.empty() || !mesh || table.count != mesh->numFaces;
}

bool Mesh_Classifier::prepareTable()
{
    const int n = mesh->numFaces;
    if (!tableWillBeBuilt())
        return true;
    std::printf(spMode == 0 ? "Using Floyd Shortest Path\n" : "Using Dijkstra Shortest Path\n");
    if (!table.allocate(n)) {
        std::fflush(stdout);
        return false;
    }
    buildCentroids();
    buildDistances();
    std::fflush(stdout);
    if (spMode == 0)
        table.floyd(progress);
    else
        table.dijkstra(progress);
    return true;
}

bool Mesh_Classifier::classify()
{
    if (!mesh || mesh->numFaces <= 0) {
        sayRefusal("Nothing to classify: the mesh has no faces");
        std::fflush(stdout);
        return false;
    }
    const bool building = tableWillBeBuilt();
    try {
        return classifyPrepared();
    } catch (const RunCancelled&) {
        // A half-built table may not be used later, nor seeds picked from it; a
        // table only read stays.
        if (building) {
            table.clear();
            rebuild = 1;
        }
        seeds.clear();
        memberships.clear();
        neighbours.clear();
        patchOfFace.clear();
        numPatches = 0;
        std::fflush(stdout);
        throw;
    }
}

bool Mesh_Classifier::classifyPrepared()
{
    if (!prepareTable())
        return false;
    seedRounds = 50;
    seeds.clear();
    neighbours.clear();
    patchOfFace.clear();
    pickSeeds();
    choosePatchCount();
    fuzzyMemberships(numPatches);
    findNeighbours();
    refineSeeds();
    if (numPatches > 0) {
        for (int p = 0; p < numPatches; ++p)
            mesh->colourOf(std::size_t(seeds[std::size_t(p)])) = Vector(1.0f, 1.0f, 0.0f, 1.0f);
        colourFinal();
    }
    std::fflush(stdout);
    return true;
}

void Mesh_Classifier::pickSeeds()
{
    std::printf("Building Patches\n");
    const int n = mesh->numFaces;
    const float skipped = 1e8f;
    std::vector<double> sums;
    if (!sweepSums(
            table, sums, [&](int, int, float d) { return d != skipped ? double(d) : 0.0; },
            [&](int, int, float d) { return d != skipped ? double(d) : 0.0; }, progress))
        progress->checkStop();
    double best = kInfinityD;
    int bestFace = 0;
    for (int i = 0; i < n; ++i) {
        if (sums[std::size_t(i)] <= best) {
            best = sums[std::size_t(i)];
            bestFace = i;
        }
    }
    seeds.push_back(bestFace);

    // The nearest seed of every face, kept up to date one new seed at a time.
    std::vector<float> nearest(static_cast<std::size_t>(n), ShortestPathTable::kUnreachable);
    std::vector<float> seedRow(static_cast<std::size_t>(n));
    for (int pass = 0; pass < seedRounds; ++pass) {
        reportProgress(progress, "Picking seeds", double(pass) / seedRounds);
        table.fullRow(seeds.back(), seedRow.data());
        for (int f = 0; f < n; ++f)
            nearest[std::size_t(f)] = std::min(nearest[std::size_t(f)], seedRow[std::size_t(f)]);
        float bestMin = 0.0f;
        for (int f = 0; f < n; ++f) {
            const float m = nearest[std::size_t(f)];
            if (m > bestMin)
                bestMin = m;
            if (m == bestMin)
                bestFace = f;
        }
        seeds.push_back(bestFace);
    }
}

void Mesh_Classifier::choosePatchCount()
{
    const std::size_t count = seeds.size();
    std::vector<float> radius(count, ShortestPathTable::kUnreachable);
    for (std::size_t k = 1; k < count; ++k)
        for (std::size_t s = 0; s < k; ++s)
            radius[k] = std::min(radius[k], distance(seeds[k], seeds[s]));
    float maxDrop = 0.0f;
    int best = 0;
    for (std::size_t k = 2; k < count; ++k) {
        const float drop = radius[k - 1] - radius[k];
        if (drop >= maxDrop) {
            maxDrop = drop;
            best = int(k);
        }
    }
    numPatches = std::min(best, int(count));
    std::printf("Optimal Number of Patches:%d\n", numPatches);
}

void Mesh_Classifier::fuzzyMemberships(int n)
{
    const int faces = mesh ? mesh->numFaces : 0;
    n = std::clamp(n, 0, int(seeds.size()));
    numPatches = n;
    memberships.assign(static_cast<std::size_t>(n), std::vector<float>(std::size_t(faces), 0.0f));
    patchColours.assign(static_cast<std::size_t>(n), Vector(0.0f, 0.0f, 0.0f, 1.0f));
    if (n == 0)
        return;
    std::vector<std::vector<float>> seedRows(
        static_cast<std::size_t>(n), std::vector<float>(std::size_t(faces)));
    for (int q = 0; q < n; ++q) {
        if (progress)
            progress->checkStop();
        table.fullRow(seeds[std::size_t(q)], seedRows[std::size_t(q)].data());
    }
    // The inverse-distance sum of a face is the same for every patch.
    std::vector<float> inverseSum(static_cast<std::size_t>(faces), 0.0f);
    for (int q = 0; q < n; ++q) {
        const float* e = seedRows[std::size_t(q)].data();
        for (int f = 0; f < faces; ++f)
            inverseSum[std::size_t(f)] += 1.0f / (e[f] == 1e7f ? 0.0f : e[f]);
    }
    for (int p = 0; p < n; ++p) {
        const int seed = seeds[std::size_t(p)];
        const float* e = seedRows[std::size_t(p)].data();
        float* u = memberships[std::size_t(p)].data();
        for (int f = 0; f < faces; ++f)
            u[f] = f == seed ? 1.0f : (1.0f / e[f]) / inverseSum[std::size_t(f)];
        patchColours[std::size_t(p)] = hueColour(p, n);
    }
}

void Mesh_Classifier::findNeighbours()
{
    neighbours.assign(static_cast<std::size_t>(numPatches), { 0, 0 });
    for (int p = 0; p < numPatches; ++p) {
        const int sp = seeds[std::size_t(p)];
        float best = kInfinity;
        int nearest = 0;
        for (int q = 0; q < numPatches; ++q) {
            const float d = distance(sp, seeds[std::size_t(q)]);
            if (q != p && d <= best) {
                best = d;
                nearest = q;
            }
        }
        best = kInfinity;
        int second = 0;
        for (int q = 0; q < numPatches; ++q) {
            const float d = distance(sp, seeds[std::size_t(q)]);
            if (q != p && q != nearest && d <= best) {
                best = d;
                second = q;
            }
        }
        neighbours[std::size_t(p)] = { nearest, second };
    }
    for (int p = 0; p < numPatches; ++p)
        std::printf("neigbour: %d\n", neighbours[std::size_t(p)][1]);
}

void Mesh_Classifier::refineSeeds()
{
    std::printf("Eval FUZZY\n");
    for (int s : seeds)
        std::printf("%d\n", s);
    std::fflush(stdout);
    const int n = mesh->numFaces;
    int newP = 0, newNb = 0;
    std::vector<double> sumA, sumB;
    std::vector<char> excluded(static_cast<std::size_t>(n), 0);
    for (int p = 0; p < numPatches; ++p) {
        if (progress)
            progress->report("Refining seeds", double(p) / numPatches);
        int cur = seeds[std::size_t(p)];
        const int nb = neighbours[std::size_t(p)][0];
        int curNb = seeds[std::size_t(nb)];
        double bestA = kInfinityD, bestB = kInfinityD;
        // Memberships depend only on the seeds, which stay as they are until
        // this patch is done: every pass of the loop would find the same sums.
        fuzzyMemberships(numPatches);
        const float* u = memberships[std::size_t(p)].data();
        const float* v = memberships[std::size_t(nb)].data();
        const auto termA = [u, v](int f, int g, float d) {
            return double(float(u[f] / (u[f] + v[g]))) * double(d);
        };
        const auto termB = [u, v](int f, int g, float d) {
            return double(d) * double(float(v[g] / (u[f] + v[g])));
        };
        const unsigned workers = std::min(2u, workerCount(double(n) * n));
        runWorkers(workers, [&](unsigned w) {
            if (w == 0 || workers == 1)
                sweepSums(
                    table, sumA, [&](int r, int c, float d) { return termA(r, c, d); },
                    [&](int r, int c, float d) { return termA(c, r, d); }, progress);
            if (w == 1 || workers == 1)
                sweepSums(
                    table, sumB, [&](int r, int c, float d) { return termB(r, c, d); },
                    [&](int r, int c, float d) { return termB(c, r, d); }, progress);
        });
        if (progress)
            progress->checkStop();
        if (p > 0)
            excluded[std::size_t(seeds[std::size_t(p - 1)])] = 1;
        for (int pass = 0; pass < 100; ++pass) {
            for (int f = 0; f < n; ++f) {
                if (excluded[std::size_t(f)])
                    continue;
                if (sumA[std::size_t(f)] <= bestA) {
                    bestA = sumA[std::size_t(f)];
                    newP = f;
                }
                if (sumB[std::size_t(f)] <= bestB) {
                    bestB = sumB[std::size_t(f)];
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
    for (int s : seeds)
        std::printf("%d\n", s);
    fuzzyMemberships(numPatches);
}

void Mesh_Classifier::colourFinal()
{
    // Each face shows its own patch (the one it belongs to most) when the
    // nearest neighbouring patch has little claim on it, that neighbour when it
    // has a strong claim, and grey in between; the seeds are yellow.
    const Vector grey(0.5f, 0.5f, 0.5f, 1.0f);
    const float low = 0.099999994f, high = 0.9f;
    assignLarge(mesh->faceColours, mesh->faces.size(), PackedVector(0.0f, 0.0f, 0.0f, 0.0f));
    for (int f = 0; f < mesh->numFaces; ++f) {
        int own = -1;
        float most = -1.0f;
        for (int p = 0; p < numPatches; ++p) {
            const float u = memberships[std::size_t(p)][std::size_t(f)];
            if (u > most) {
                most = u;
                own = p;
            }
        }
        Vector colour = grey;
        if (own >= 0) {
            const int nb = neighbours[std::size_t(own)][0];
            const float u = memberships[std::size_t(nb)][std::size_t(f)];
            if (u < low)
                colour = patchColours[std::size_t(own)];
            else if (u > high)
                colour = patchColours[std::size_t(nb)];
        }
        mesh->faceColours[std::size_t(f)] = colour;
    }
    for (int p = 0; p < numPatches; ++p)
        mesh->colourOf(std::size_t(seeds[std::size_t(p)])) = Vector(1.0f, 1.0f, 0.0f, 1.0f);
}

bool Mesh_Classifier::partition(int n)
{
    if (!mesh || n < 1 || n > int(seeds.size()) || table.empty() || table.count != mesh->numFaces)
        return false;
    // The medoids replace the seeds as they go: a stopped run puts them back.
    const std::vector<int> startSeeds = seeds;
    try {
        partitionFrom(n);
    } catch (const RunCancelled&) {
        seeds = startSeeds;
        patchOfFace.clear();
        std::fflush(stdout);
        throw;
    }
    return true;
}

void Mesh_Classifier::partitionFrom(int n)
{
    const int faces = mesh->numFaces;
    if (int(patchColours.size()) < n)
        patchColours.resize(static_cast<std::size_t>(n));
    for (int p = 0; p < n; ++p)
        patchColours[std::size_t(p)] = hueColour(p, n);

    std::vector<std::vector<int>> clusters(static_cast<std::size_t>(n));
    std::vector<int> newSeed(static_cast<std::size_t>(n), 0);
    std::vector<std::vector<float>> seedRows(
        static_cast<std::size_t>(n), std::vector<float>(std::size_t(faces)));
    patchOfFace.assign(static_cast<std::size_t>(faces), 0);
    for (int iteration = 0;;) {
        reportProgress(progress, "Partitioning", iteration / 500.0);
        for (int p = 0; p < n; ++p)
            table.fullRow(seeds[std::size_t(p)], seedRows[std::size_t(p)].data());
        for (auto& cluster : clusters)
            cluster.clear();
        int patch = 0;
        for (int f = 0; f < faces; ++f) {
            float best = kInfinity;
            for (int p = 0; p < n; ++p) {
                const float e
                    = seeds[std::size_t(p)] == f ? 0.0f : seedRows[std::size_t(p)][std::size_t(f)];
                if (e <= best) {
                    best = e;
                    patch = p;
                }
            }
            clusters[std::size_t(patch)].push_back(f);
            patchOfFace[std::size_t(f)] = patch;
        }
        // The medoid of each cluster: the member with the least distance sum,
        // the sums read row by row as the table is stored.
        double work = 0.0;
        for (const auto& cluster : clusters)
            work += double(cluster.size()) * double(cluster.size());
        std::atomic<int> next { 0 };
        runWorkers(workerCount(work / 2.0), [&](unsigned) {
            std::vector<double> sums;
            for (int p = next++; p < n; p = next++) {
                const std::vector<int>& members = clusters[std::size_t(p)];
                const std::size_t m = members.size();
                sums.assign(m, 0.0);
                for (std::size_t a = 0; a < m; ++a) {
                    if (progress && (a & 63) == 0 && progress->stopRequested())
                        return;
                    const float* row = table.row(members[a]);
                    double acc = 0.0;
                    for (std::size_t b = 0; b < a; ++b) {
                        const double d = row[members[b]];
                        acc += d;
                        sums[b] += d;
                    }
                    sums[a] = acc;
                }
                double best = kInfinityD;
                for (std::size_t a = 0; a < m; ++a) {
                    if (sums[a] <= best) {
                        best = sums[a];
                        newSeed[std::size_t(p)] = members[a];
                    }
                }
            }
        });
        if (progress)
            progress->checkStop();
        if (std::equal(newSeed.begin(), newSeed.end(), seeds.begin()))
            break;
        std::copy(newSeed.begin(), newSeed.end(), seeds.begin());
        if (++iteration >= 500) {
            std::printf("WARNING: MAX ITERATIONS REACHED!!!\n");
            break;
        }
    }
    for (int p = 0; p < n; ++p)
        for (int f : clusters[std::size_t(p)])
            mesh->colourOf(std::size_t(f)) = patchColours[std::size_t(p)];
    fuzzyMemberships(n);
    std::fflush(stdout);
}

bool Mesh_Classifier::load(const std::string& name)
{
    std::printf("Loading Shortest Path Table\n");
    const int n = mesh ? mesh->numFaces : 0;
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(name, error);
    // Whatever goes wrong, the next classification builds its own table rather
    // than reading distances that are not there.
    rebuild = 1;
    if (error) {
        std::printf("ERROR: could not open file... [Mesh_Classifier::load()]\n");
        std::fflush(stdout);
        return false;
    }
    const std::int64_t expected = ShortestPathTable::entriesFor(n) * std::int64_t(sizeof(float));
    if (n <= 0 || std::int64_t(bytes) != expected) {
        sayRefusal("Shortest path table refused: the file holds %llu bytes, a table for %d "
                   "faces takes %lld",
            static_cast<unsigned long long>(bytes), n, static_cast<long long>(expected));
        std::fflush(stdout);
        return false;
    }
    if (!table.allocate(n))
        return false;
    if (table.readFile(name) != ShortestPathTable::ReadResult::Ok) {
        std::printf("ERROR: could not open file... [Mesh_Classifier::load()]\n");
        std::fflush(stdout);
        table.clear();
        return false;
    }
    rebuild = 0;
    std::fflush(stdout);
    return true;
}

bool Mesh_Classifier::save(const std::string& name)
{
    std::printf("Saving Shortest Path Table\n");
    if (table.empty()) {
        sayRefusal("No shortest path table to save: classify the mesh first");
        std::fflush(stdout);
        return false;
    }
    if (!table.writeFile(name, progress)) {
        std::printf("ERROR: could not open file... [Mesh_Classifier::save()]\n");
        std::fflush(stdout);
        return false;
    }
    std::fflush(stdout);
    return true;
}
