#include "mesh/engine/EdgeGraph.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/LargeArrays.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/Progress.h"
#include "mesh/engine/Workers.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

void EdgeGraph::init(int vertexCount)
{
    edgeCount = 0;
    vertexNeighbours.clear();
    faceNeighbours.clear();
    recordStart.assign(std::size_t(vertexCount) + 1, 0);
}

// The edges are inserted face by face with the corner pairs (0,1), (0,2), (1,2);
// insertion number s = 3 f + pair orders every event. Rather than searching each
// lower vertex's list, the corner pairs are bucketed by lower vertex (keeping
// insertion order), then deduplicated per bucket with a marker array, which
// reproduces the incremental construction exactly. The neighbour and reference
// lists are made when first asked for (buildNeighbourLists, buildEdgeReferences).
void buildEdgeList(Mesh& mesh, Progress* progress)
{
    if (mesh.numVertices == 0)
        return;
    const std::size_t nv = std::size_t(mesh.numVertices);
    const std::size_t nf = std::size_t(mesh.numFaces);
    EdgeGraph& graph = mesh.edgeGraph;
    graph.init(mesh.numVertices);
    mesh.vertexEdgeRefs.clear();
    mesh.faceNeighbourRefs.clear();
    // The three passes below are linear; each reports every few thousand steps,
    // the fraction running once from 0 to 1 over all of them.
    constexpr int kPasses = 3;

    static constexpr int pairs[3][2] = { { 0, 1 }, { 0, 2 }, { 1, 2 } };

    // A corner pair naming no vertex (-1, or beyond the array) adds no edge.
    const auto valid = [nv](int a, int b) {
        return a >= 0 && b >= 0 && std::size_t(a) < nv && std::size_t(b) < nv;
    };

    // Bucket every corner pair by its lower vertex; within a bucket the pairs stay
    // in insertion order. Each entry keeps its insertion number. The faces are
    // shared among the workers in ranges: each counts its pairs by lower vertex,
    // then fills every bucket from its own place in it, after the pairs of the
    // ranges before its own, so that the buckets hold what one pass fills in.
    const unsigned sorters = workerCount(double(nf));
    std::vector<LargeVector<std::uint32_t>> place(sorters);
    LargeVector<std::uint32_t> bucket;
    const auto sortPass = [&](int pass, bool fill) {
        runWorkers(sorters, [&](unsigned w) {
            const std::size_t fb = nf * w / sorters, fe = nf * (w + 1) / sorters;
            LargeVector<std::uint32_t>& at = place[w];
            if (!fill)
                assignLarge(at, nv, std::uint32_t(0));
            for (std::size_t f = fb; f < fe; ++f) {
                if (((f - fb) & 16383) == 0
                    && !checkIn(progress, w, "Building edges",
                        (pass + double(f - fb) / double(fe - fb)) / kPasses))
                    return;
                const int* idx = mesh.faces[f].index;
                for (int p = 0; p < 3; ++p) {
                    const int a = idx[pairs[p][0]], b = idx[pairs[p][1]];
                    if (!valid(a, b))
                        continue;
                    std::uint32_t& slot = at[std::size_t(std::min(a, b))];
                    if (fill)
                        bucket[slot] = std::uint32_t(3 * f + std::size_t(p));
                    ++slot;
                }
            }
        });
        // A worker that saw a stop went through only part of its range: end here.
        reportProgress(progress, "Building edges", (pass + 1.0) / kPasses);
    };
    sortPass(0, false);
    LargeVector<std::uint32_t> bucketStart;
    assignLarge(bucketStart, nv + 1, std::uint32_t(0));
    for (std::size_t v = 0; v < nv; ++v) {
        std::uint32_t at = bucketStart[v];
        for (LargeVector<std::uint32_t>& counts : place)
            at += std::exchange(counts[v], at);
        bucketStart[v + 1] = at;
    }
    resizeLarge(bucket, bucketStart.back());
    sortPass(1, true);
    place.clear();

    auto endsOf = [&](std::uint32_t s, int& low, int& high) {
        const int* idx = mesh.faces[s / 3].index;
        const int a = idx[pairs[s % 3][0]], b = idx[pairs[s % 3][1]];
        low = std::min(a, b);
        high = std::max(a, b);
    };

    // Deduplicate: edges come out numbered by lower vertex, then first meeting.
    // The lower vertices are shared among the workers in ranges. A first pass
    // counts each range's edges, so that the second writes every edge straight
    // into its place in the mesh's arrays, numbered as one pass over all
    // vertices numbers them: the arrays are never held twice.
    // mark[high] is the number of the last edge met from the range to high; it
    // belongs to the present lower vertex when it is not below that vertex's
    // first edge.
    const unsigned workers = workerCount(double(bucket.size()));
    std::vector<std::size_t> firstEdge(std::size_t(workers) + 1, 0);
    const auto dedup = [&](unsigned w, bool fill) {
        const std::size_t vb = nv * w / workers, ve = nv * (w + 1) / workers;
        LargeVector<int> mark;
        assignLarge(mark, nv, -1);
        std::size_t count = fill ? firstEdge[w] : 0;
        for (std::size_t v = vb; v < ve; ++v) {
            if (((v - vb) & 16383) == 0
                && !checkIn(progress, w, "Building edges",
                    ((fill ? 2.5 : 2.0) + 0.5 * double(v - vb) / double(ve - vb)) / kPasses))
                return;
            const auto first = int(count);
            if (fill)
                graph.recordStart[v] = std::uint32_t(count);
            for (std::uint32_t i = bucketStart[v]; i < bucketStart[v + 1]; ++i) {
                const std::uint32_t s = bucket[i];
                int low, high;
                endsOf(s, low, high);
                int& m = mark[std::size_t(high)];
                if (m >= first) {
                    if (fill && mesh.edgeFaces[2 * std::size_t(m) + 1] == -1)
                        mesh.edgeFaces[2 * std::size_t(m) + 1] = int(s / 3);
                    continue;
                }
                m = int(count);
                if (fill) {
                    mesh.edgeVertices[2 * count] = low;
                    mesh.edgeVertices[2 * count + 1] = high;
                    mesh.edgeFaces[2 * count] = int(s / 3);
                    mesh.edgeFaces[2 * count + 1] = -1;
                }
                ++count;
            }
        }
        if (!fill)
            firstEdge[w + 1] = count;
    };
    runWorkers(workers, [&](unsigned w) { dedup(w, false); });
    // A worker that saw a stop counted only part of its range: end here.
    reportProgress(progress, "Building edges", 2.5 / kPasses);
    for (unsigned w = 0; w < workers; ++w)
        firstEdge[w + 1] += firstEdge[w];
    const std::size_t ne = firstEdge[workers];
    LargeVector<int>().swap(mesh.edgeVertices);
    LargeVector<int>().swap(mesh.edgeFaces);
    resizeLargeShared(2 * ne, mesh.edgeVertices, mesh.edgeFaces);
    runWorkers(workers, [&](unsigned w) { dedup(w, true); });
    LargeVector<std::uint32_t>().swap(bucket);
    LargeVector<std::uint32_t>().swap(bucketStart);
    graph.recordStart[nv] = std::uint32_t(ne);
    graph.edgeCount = int(ne);
    mesh.numEdges = int(ne);
}

namespace {

// Whether the mesh holds an edge list built for its present vertex count.
bool hasEdgeList(const Mesh& mesh)
{
    const std::size_t nv = std::size_t(std::max(mesh.numVertices, 0));
    return nv > 0 && mesh.edgeGraph.recordStart.size() == nv + 1
        && mesh.edgeVertices.size() == 2 * std::size_t(std::max(mesh.numEdges, 0))
        && mesh.edgeFaces.size() == mesh.edgeVertices.size()
        && mesh.edgeGraph.recordStart[nv] == std::uint32_t(mesh.numEdges);
}

// Sizes byVertex and byFace for one entry per edge at each of its vertices
// and, for an edge between two faces, at each of them; then opens both for
// filling in edge order.
void countEdgeEnds(const Mesh& mesh, FlatLists<int>& byVertex, FlatLists<int>& byFace)
{
    const auto& ends = mesh.edgeVertices;
    const auto& faces = mesh.edgeFaces;
    byVertex.beginCounting(std::size_t(std::max(mesh.numVertices, 0)));
    byFace.beginCounting(std::size_t(std::max(mesh.numFaces, 0)));
    for (std::size_t e = 0; e < std::size_t(mesh.numEdges); ++e) {
        byVertex.count(std::size_t(ends[2 * e]));
        byVertex.count(std::size_t(ends[2 * e + 1]));
        if (faces[2 * e + 1] != -1) {
            byFace.count(std::size_t(faces[2 * e]));
            byFace.count(std::size_t(faces[2 * e + 1]));
        }
    }
    byVertex.beginFilling();
    byFace.beginFilling();
}

} // namespace

bool buildNeighbourLists(Mesh& mesh, Progress* progress)
{
    EdgeGraph& graph = mesh.edgeGraph;
    const std::size_t nv = std::size_t(std::max(mesh.numVertices, 0));
    const std::size_t nf = std::size_t(std::max(mesh.numFaces, 0));
    if (graph.vertexNeighbours.size() == nv && graph.faceNeighbours.size() == nf && nv > 0)
        return true;
    if (!hasEdgeList(mesh))
        return false;
    const std::size_t ne = std::size_t(mesh.numEdges);
    const auto& ends = mesh.edgeVertices;
    const auto& faces = mesh.edgeFaces;
    countEdgeEnds(mesh, graph.vertexNeighbours, graph.faceNeighbours);
    // The corner pairs again in insertion order: an edge's first pair created
    // it, its second completed it, as when the edges were gathered.
    static constexpr int pairs[3][2] = { { 0, 1 }, { 0, 2 }, { 1, 2 } };
    LargeVector<unsigned char> met;
    assignLarge(met, ne, static_cast<unsigned char>(0));
    for (std::size_t f = 0; f < nf; ++f) {
        if ((f & 16383) == 0)
            reportProgress(progress, "Building neighbours", double(f) / double(nf));
        const int* idx = mesh.faces[f].index;
        for (const auto& p : pairs) {
            const int a = idx[p[0]], b = idx[p[1]];
            if (a < 0 || b < 0 || std::size_t(a) >= nv || std::size_t(b) >= nv)
                continue;
            const int low = std::min(a, b), high = std::max(a, b);
            std::size_t e = graph.recordStart[std::size_t(low)];
            while (ends[2 * e + 1] != high)
                ++e;
            if (met[e] == 0) {
                graph.vertexNeighbours.push(std::size_t(low), high);
                graph.vertexNeighbours.push(std::size_t(high), low);
            } else if (met[e] == 1) {
                graph.faceNeighbours.push(std::size_t(faces[2 * e]), faces[2 * e + 1]);
                graph.faceNeighbours.push(std::size_t(faces[2 * e + 1]), faces[2 * e]);
            }
            met[e] = static_cast<unsigned char>(std::min(met[e] + 1, 2));
        }
    }
    graph.vertexNeighbours.endFilling();
    graph.faceNeighbours.endFilling();
    return true;
}

bool Mesh::buildEdgeReferences()
{
    const std::size_t nv = std::size_t(std::max(numVertices, 0));
    const std::size_t nf = std::size_t(std::max(numFaces, 0));
    if (vertexEdgeRefs.size() == nv && faceNeighbourRefs.size() == nf && nv > 0)
        return true;
    if (!hasEdgeList(*this))
        return false;
    const std::size_t ne = std::size_t(numEdges);
    countEdgeEnds(*this, vertexEdgeRefs, faceNeighbourRefs);
    for (std::size_t e = 0; e < ne; ++e) {
        const int slot = int(2 * e);
        vertexEdgeRefs.push(std::size_t(edgeVertices[2 * e]), slot + 1);
        vertexEdgeRefs.push(std::size_t(edgeVertices[2 * e + 1]), slot);
        if (edgeFaces[2 * e + 1] != -1) {
            faceNeighbourRefs.push(std::size_t(edgeFaces[2 * e]), slot + 1);
            faceNeighbourRefs.push(std::size_t(edgeFaces[2 * e + 1]), slot);
        }
    }
    vertexEdgeRefs.endFilling();
    faceNeighbourRefs.endFilling();
    return true;
}
