#include "filtering/engine/MeanShiftFilter.h"
#include "mesh/engine/Refusal.h"

#include "filtering/engine/FaceNeighbourhoods.h"
#include "mesh/engine/Build.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/Progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>

namespace {

constexpr int kMedianSweeps = 50;

// x, y, z, w of a normal as one 16-byte value.
typedef float Lanes __attribute__((vector_size(16)));

bool finite(const Vector& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Tells the sink about every hundredth of the run, not every face, but at
// least every few thousand faces, so that a stop is heard soon on big meshes.
void reportEvery(Progress* sink, const char* stage, int i, int total)
{
    const int every = std::clamp(total / 100, 1, 4096);
    if (sink && total > 0 && i % every == 0)
        sink->report(stage, double(i) / double(total));
}

} // namespace

MeanShiftFilter::MeanShiftFilter(Mesh* mesh_)
    : mesh(mesh_)
{ }

Vector kernelFromSlider(float value, const Mesh& mesh)
{
    const float r = float(double(value) / 200.0 * double(mesh.extent));
    return { r, r, r, value };
}

void MeanShiftFilter::setProfile(const std::vector<Vector>& samples, int height)
{
    weightMode = 1;
    profileHeight = height;
    profile = samples;
    profileReach.resize(profile.size());
    float reach = -HUGE_VALF;
    for (std::size_t k = 0; k < profile.size(); ++k) {
        reach = std::max(reach, profile[k].x);
        profileReach[k] = reach;
    }
}

float MeanShiftFilter::profileWeight(float d) const
{
    const std::size_t last = profile.size() - 1;
    const float x0 = profile.front().x, x1 = profile.back().x;
    float y = profile.back().y;
    if (!(x1 > x0) || profileReach.size() != profile.size()) {
        const double position = double(d) * 100.0 + 0.5;
        y = profile[!(position < double(last)) ? last : std::size_t(std::max(position, 0.0))].y;
    } else {
        const float x = x0 + std::clamp(d, 0.0f, 1.0f) * (x1 - x0);
        const std::size_t k = std::size_t(
            std::lower_bound(profileReach.begin(), profileReach.end(), x) - profileReach.begin());
        if (k == 0) {
            y = profile.front().y;
        } else if (k <= last) {
            // Sample k is the first to reach x; sample k - 1 lies short of it.
            const Vector& a = profile[k - 1];
            const Vector& b = profile[k];
            y = a.y + (b.y - a.y) * ((x - a.x) / (b.x - a.x));
        }
    }
    const float w = 1.0f - y / float(profileHeight);
    return w < 0.0f ? 0.0f : w;
}

int MeanShiftFilter::unvisitedCount() const
{
    return needInit ? (mesh ? mesh->numFaces : 0) : unvisited;
}

bool MeanShiftFilter::run(const Vector& kernel, int mode, int algorithm_, Progress* progressSink)
{
    if (kernel.x == 0.0f && kernel.y == 0.0f && kernel.z == 0.0f)
        return false;
    algorithm = algorithm_;
    if (!mesh || algorithm < MEAN_SHIFT || algorithm > MEDIAN_FILTER)
        return false;
    const std::size_t nf = std::size_t(std::max(mesh->numFaces, 0));
    if (mesh->faces.size() < nf || mesh->centroids.size() < nf) {
        sayRefusal("Filter: the mesh has no centroids built; nothing done");
        std::fflush(stdout);
        return false;
    }
    if (algorithm == MEDIAN_FILTER) {
        if (!buildNeighbourLists(*mesh, progressSink)) {
            sayRefusal("MEDIAN_FILTER: the mesh has no edge list built; nothing done");
            std::fflush(stdout);
            return false;
        }
        radius = kernel;
        return runMedian(int(kernel.w), progressSink);
    }
    radius = kernel;
    try {
        runRegions(algorithm == MEAN_SHIFT, mode, progressSink);
    } catch (const RunCancelled&) {
        // The regions so far were written into a mesh the caller drops: the
        // next run starts from the first face again.
        needInit = 1;
        processed = 0;
        throw;
    }
    return mesh->numFaces > 0;
}

// ---- Mean shift and sphere jump

void MeanShiftFilter::initialise()
{
    regionPoints.clear();
    regions.clear();
    centre = Vector(0.0f, 0.0f, 0.0f, 0.0f);
    grew = 0;
    seed = 0;
    processed = 0;
    unvisited = mesh->numFaces;
    visited.assign(std::size_t(unvisited), 0);
    cursor = 0;
    gridRadius = -1.0f;
    needInit = 0;
}

int MeanShiftFilter::firstUnvisited()
{
    while (visited[std::size_t(cursor)])
        ++cursor;
    return cursor;
}

void MeanShiftFilter::take(int face, Progress* progressSink)
{
    visited[std::size_t(face)] = 1;
    --unvisited;
    progress.update(processed, mesh->numFaces);
    reportEvery(progressSink, "Filtering", processed, mesh->numFaces);
    ++processed;
}

void MeanShiftFilter::startRegion(Progress* progressSink)
{
    regionPoints.clear();
    regionFaces.clear();
    seed = firstUnvisited();
    const Vector& c = mesh->centroids[std::size_t(seed)];
    centre = c;
    regionPoints.push_back(Vector(c.x, c.y, c.z, float(seed)));
    regionFaces.push_back(seed);
    take(seed, progressSink);
    normalSum = mesh->faces[std::size_t(seed)].normal;
    pointSum = centre;
}

float MeanShiftFilter::weightAt(const Vector& point) const
{
    if (weightMode != 1 || profile.empty() || profileHeight <= 0)
        return 1.0f;
    Vector offset = point - centre;
    return profileWeight(offset.getLength() / radius.x);
}

void MeanShiftFilter::buildGrid(float r)
{
    gridRadius = r;
    double lo[3] = { HUGE_VAL, HUGE_VAL, HUGE_VAL }, hi[3] = { -HUGE_VAL, -HUGE_VAL, -HUGE_VAL };
    const int nf = mesh->numFaces;
    for (int f = 0; f < nf; ++f) {
        const Vector& c = mesh->centroids[std::size_t(f)];
        if (visited[std::size_t(f)] || !finite(c))
            continue;
        const double p[3] = { c.x, c.y, c.z };
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], p[a]);
            hi[a] = std::max(hi[a], p[a]);
        }
    }
    for (int a = 0; a < 3; ++a) {
        if (lo[a] > hi[a])
            lo[a] = hi[a] = 0.0;
        gridMin[a] = lo[a];
    }
    // Cells of the kernel's size, unless that makes more cells than faces: a
    // catch then reads a few more faces per cell instead of many empty cells.
    const double cap = std::max(64.0, 2.0 * double(unvisited));
    cellSize = r > 0.0f ? double(r) : 1.0;
    for (;;) {
        double count = 1.0;
        for (int a = 0; a < 3; ++a) {
            const double d = std::min(std::floor((hi[a] - lo[a]) / cellSize) + 1.0, 1.0e9);
            dims[a] = int(d);
            count *= d;
        }
        if (count <= cap)
            break;
        cellSize *= std::max(std::cbrt(count / cap), 1.01);
    }
    const std::size_t cells = std::size_t(dims[0]) * std::size_t(dims[1]) * std::size_t(dims[2]);
    cellStart.assign(cells + 1, 0);
    std::vector<std::uint32_t> cellOf(std::size_t(nf), 0);
    std::vector<std::uint8_t> inGrid(std::size_t(nf), 0);
    for (int f = 0; f < nf; ++f) {
        const Vector& c = mesh->centroids[std::size_t(f)];
        if (visited[std::size_t(f)] || !finite(c))
            continue;
        const double p[3] = { c.x, c.y, c.z };
        std::size_t index = 0;
        for (int a = 2; a >= 0; --a) {
            const double t = std::floor((p[a] - gridMin[a]) / cellSize);
            const int i = int(std::clamp(t, 0.0, double(dims[a] - 1)));
            index = index * std::size_t(dims[a]) + std::size_t(i);
        }
        cellOf[std::size_t(f)] = std::uint32_t(index);
        inGrid[std::size_t(f)] = 1;
        ++cellStart[index + 1];
    }
    for (std::size_t i = 1; i <= cells; ++i)
        cellStart[i] += cellStart[i - 1];
    cellEnd.assign(cellStart.begin(), cellStart.end() - 1);
    cellFaces.resize(cellStart[cells]);
    for (int f = 0; f < nf; ++f)
        if (inGrid[std::size_t(f)])
            cellFaces[cellEnd[cellOf[std::size_t(f)]]++] = f;
}

void MeanShiftFilter::catchInside()
{
    caught.clear();
    const float r = radius.x;
    const auto inside
        = [&](int f) { return mesh->centroids[std::size_t(f)].withinRadius(centre, r); };
    if (!finite(centre) || !std::isfinite(r * r)) {
        // Nothing a grid can bound: read every face still free, as the list would.
        for (int f = cursor; f < mesh->numFaces; ++f)
            if (!visited[std::size_t(f)] && inside(f))
                caught.push_back(f);
        return;
    }
    // The cells the sphere touches, widened so that no centroid that passes the
    // single-precision test lies in a cell left out.
    const double pad = double(r) * 1.0e-3 + 1.0e-18;
    const double c[3] = { centre.x, centre.y, centre.z };
    int lo[3], hi[3];
    for (int a = 0; a < 3; ++a) {
        const double l = std::floor((c[a] - double(r) - pad - gridMin[a]) / cellSize);
        const double h = std::floor((c[a] + double(r) + pad - gridMin[a]) / cellSize);
        if (h < 0.0 || l > double(dims[a] - 1))
            return;
        lo[a] = int(std::max(l, 0.0));
        hi[a] = int(std::min(h, double(dims[a] - 1)));
    }
    for (int z = lo[2]; z <= hi[2]; ++z) {
        for (int y = lo[1]; y <= hi[1]; ++y) {
            const std::size_t row
                = (std::size_t(z) * std::size_t(dims[1]) + std::size_t(y)) * std::size_t(dims[0]);
            for (int x = lo[0]; x <= hi[0]; ++x) {
                const std::size_t cell = row + std::size_t(x);
                std::uint32_t kept = cellStart[cell];
                for (std::uint32_t i = cellStart[cell]; i < cellEnd[cell]; ++i) {
                    const int f = cellFaces[i];
                    if (visited[std::size_t(f)])
                        continue;
                    cellFaces[kept++] = f;
                    if (inside(f))
                        caught.push_back(f);
                }
                cellEnd[cell] = kept;
            }
        }
    }
    // The list is walked in face order; so are the sums.
    std::sort(caught.begin(), caught.end());
}

void MeanShiftFilter::addCaught(Progress* progressSink)
{
    for (int f : caught) {
        const Vector& c = mesh->centroids[std::size_t(f)];
        regionPoints.push_back(Vector(c.x, c.y, c.z, float(f)));
        regionFaces.push_back(f);
        pointSum += c;
        const Vector& n = mesh->faces[std::size_t(f)].normal;
        if (weightMode == 1)
            normalSum += weightAt(c) * n;
        else
            normalSum += n;
        take(f, progressSink);
        grew = 1;
    }
}

void MeanShiftFilter::finishRegion(bool divide)
{
    if (divide)
        normalSum /= float(regionPoints.size());
    normalSum.normalise();
    // The face numbers kept as ints: w holds them as floats, exact only up to 2^24.
    for (int f : regionFaces)
        mesh->faces[std::size_t(f)].normal = normalSum;
    regions.push_back(std::move(regionPoints));
    regionPoints.clear();
    regionFaces.clear();
}

void MeanShiftFilter::runRegions(bool moving, int mode, Progress* progressSink)
{
    std::cout << (moving ? "Evaluating MEAN_SHIFT: " : "Evaluating SHPERE_JUMP: ") << std::endl;
    std::cout << "WEIGHT_MODE = " << weightMode << std::endl;
    done = 0;
    // A mesh changed under a run in progress starts afresh.
    if (!needInit && visited.size() != std::size_t(mesh->numFaces))
        needInit = 1;
    if (needInit)
        initialise();
    if (processed == mesh->numFaces)
        return;
    const float r = radius.x;
    if (gridRadius != r)
        buildGrid(r);
    while (!done) {
        // A catch can read many cells; the stop is heard between catches too.
        if (progressSink)
            progressSink->checkStop();
        if (grew == 0 || !moving)
            startRegion(progressSink);
        grew = 0;
        catchInside();
        addCaught(progressSink);
        if (moving) {
            if (grew == 1)
                centre = pointSum / float(regionPoints.size());
            if (grew == 0 || unvisited == 0)
                finishRegion(true);
        } else {
            finishRegion(false);
        }
        if (unvisited == 0) {
            needInit = 1;
            processed = 0;
            done = 1;
        }
        if (mode == FILTER_STEP) {
            std::printf("\n");
            done = 1;
        }
    }
    std::printf("\nData Size:\t\t%d \n", mesh->numFaces);
    std::printf("Mean Shift Radius:\t%f \n", double(r));
    std::printf("Number of Regions:\t%d \n", int(regions.size()));
    std::fflush(stdout);
}

// ---- Median filter

bool MeanShiftFilter::runMedian(int depth, Progress* progressSink)
{
    std::cout << "Evaluating MEDIAN_FILTER: " << std::endl;
    std::printf("depth: %d\n", depth);
    std::fflush(stdout);
    const std::size_t nf = std::size_t(std::max(mesh->numFaces, 0));
    const FaceNeighbourhoods neighbourhoods(
        mesh->edgeGraph.faceNeighbours, depth, FaceNeighbourhoods::kDefaultLimit, progressSink);
    if (!neighbourhoods.complete()) {
        // 50 sweeps over more than this would block the program for minutes.
        sayRefusal("MEDIAN_FILTER: at depth %d the neighbourhoods hold more than %zu faces in "
                   "all; nothing done, choose a smaller depth",
            depth, FaceNeighbourhoods::kDefaultLimit);
        std::fflush(stdout);
        return false;
    }
    // A packed copy, updated in place as the faces are: later faces of a sweep
    // see the new normals of earlier ones. Four lanes added at once are the
    // same four single-precision additions, in the same order.
    std::vector<Lanes> normals(nf);
    for (std::size_t f = 0; f < nf; ++f) {
        const Vector& n = mesh->faces[f].normal;
        normals[f] = Lanes { n.x, n.y, n.z, n.w };
    }
    for (int sweep = 0; sweep < kMedianSweeps; ++sweep) {
        progress.update(sweep, kMedianSweeps);
        if (progressSink)
            progressSink->report("Median filter", double(sweep) / kMedianSweeps);
        for (std::size_t f = 0; f < nf; ++f) {
            if (progressSink && (f & 4095) == 0)
                progressSink->checkStop();
            const std::span<const int> around = neighbourhoods.of(int(f));
            // A face without neighbours keeps its normal.
            if (around.empty())
                continue;
            Lanes sum = { 0.0f, 0.0f, 0.0f, 0.0f };
            for (int b : around)
                sum += normals[std::size_t(b)];
            const float count = float(around.size());
            const Lanes mean = { sum[0] / count, sum[1] / count, sum[2] / count, sum[3] };
            if (mean[0] != 0.0f || mean[1] != 0.0f || mean[2] != 0.0f)
                normals[f] = mean;
        }
    }
    // Each sweep averages unit normals into shorter vectors (a fifth of their
    // length after ten sweeps at depth 10): once the sweeps are done, every
    // face's normal is made a unit vector again, its direction kept.
    for (std::size_t f = 0; f < nf; ++f) {
        PackedVector& n = mesh->faces[f].normal;
        n.x = normals[f][0];
        n.y = normals[f][1];
        n.z = normals[f][2];
        n.w = normals[f][3];
        const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
        if (length > 0.0f) {
            n.x /= length;
            n.y /= length;
            n.z /= length;
        }
    }
    std::fflush(stdout);
    return nf > 0;
}
