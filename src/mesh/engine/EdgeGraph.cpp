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

void EdgeGraph::init(int vertexCount, int faceCount)
{
    edgeCount = 0;
    vertexNeighbours.resetEmpty(std::size_t(vertexCount));
    faceNeighbours.resetEmpty(std::size_t(faceCount));
    recordStart.assign(std::size_t(vertexCount) + 1, 0);
}

// The edges are inserted face by face with the corner pairs (0,1), (0,2), (1,2);
// insertion number s = 3 f + pair orders every event. Rather than searching each
// lower vertex's list, the corner pairs are bucketed by lower vertex (keeping
// insertion order), then deduplicated per bucket with a marker array. The vertex
// and face neighbour lists are filled in insertion order of the events that
// create them, which reproduces the incremental construction exactly.
void buildEdgeList(Mesh& mesh, Progress* progress)
{
    if (mesh.numVertices == 0)
        return;
    const std::size_t nv = std::size_t(mesh.numVertices);
    const std::size_t nf = std::size_t(mesh.numFaces);
    EdgeGraph& graph = mesh.edgeGraph;
    graph.init(mesh.numVertices, mesh.numFaces);
    // The seven passes below are linear; each reports every few thousand steps,
    // the fraction running once from 0 to 1 over all of them.
    constexpr int kPasses = 7;
    const auto step = [progress](int pass, std::size_t i, std::size_t n) {
        if (progress && (i & 16383) == 0)
            progress->report("Building edges", (pass + double(i) / double(n)) / kPasses);
    };

    static constexpr int pairs[3][2] = { { 0, 1 }, { 0, 2 }, { 1, 2 } };

    // A corner pair naming no vertex (-1, or beyond the array) adds no edge.
    const auto valid = [nv](int a, int b) {
        return a >= 0 && b >= 0 && std::size_t(a) < nv && std::size_t(b) < nv;
    };

    // Bucket every corner pair by its lower vertex; within a bucket the pairs stay
    // in insertion order. Each entry keeps its insertion number.
    std::vector<std::uint32_t> bucketStart;
    assignLarge(bucketStart, nv + 1, std::uint32_t(0));
    for (std::size_t f = 0; f < nf; ++f) {
        step(0, f, nf);
        const int* idx = mesh.faces[f].index;
        for (const auto& p : pairs) {
            if (valid(idx[p[0]], idx[p[1]]))
                ++bucketStart[std::size_t(std::min(idx[p[0]], idx[p[1]])) + 1];
        }
    }
    for (std::size_t v = 0; v < nv; ++v)
        bucketStart[v + 1] += bucketStart[v];
    std::vector<std::uint32_t> bucket;
    resizeLarge(bucket, bucketStart.back());
    {
        std::vector<std::uint32_t> cursor(bucketStart.begin(), bucketStart.end() - 1);
        for (std::size_t f = 0; f < nf; ++f) {
            step(1, f, nf);
            const int* idx = mesh.faces[f].index;
            for (int p = 0; p < 3; ++p) {
                if (!valid(idx[pairs[p][0]], idx[pairs[p][1]]))
                    continue;
                const int low = std::min(idx[pairs[p][0]], idx[pairs[p][1]]);
                bucket[cursor[std::size_t(low)]++] = std::uint32_t(3 * f + std::size_t(p));
            }
        }
    }

    auto endsOf = [&](std::uint32_t s, int& low, int& high) {
        const int* idx = mesh.faces[s / 3].index;
        const int a = idx[pairs[s % 3][0]], b = idx[pairs[s % 3][1]];
        low = std::min(a, b);
        high = std::max(a, b);
    };

    // Deduplicate: edges come out numbered by lower vertex, then first meeting.
    // The lower vertices are shared among the workers in ranges, each with its
    // own marks; the ranges' edges, joined in range order, are numbered as one
    // pass over all vertices numbers them. Each range keeps its edges' ends and
    // faces as the mesh's arrays hold them, and each corner pair's event by its
    // insertion number: the edge it created (e), the edge it completed (-2 - e)
    // or none (-1), numbered within the range until the ranges are joined.
    std::vector<int> event;
    assignLarge(event, 3 * nf, -1);
    struct Part
    {
        std::vector<int> ends, faces;
    };
    const unsigned workers = workerCount(double(bucket.size()));
    std::vector<Part> parts(workers);
    const auto rangeOf = [nv, workers](unsigned w) {
        return std::pair<std::size_t, std::size_t>(nv * w / workers, nv * (w + 1) / workers);
    };
    runWorkers(workers, [&](unsigned w) {
        const auto [vb, ve] = rangeOf(w);
        Part& part = parts[w];
        const std::size_t expected = (bucketStart[ve] - bucketStart[vb]) / 2 + 1;
        reserveLarge(part.ends, 2 * expected);
        reserveLarge(part.faces, 2 * expected);
        std::vector<int> markOwner;
        assignLarge(markOwner, nv, -1);
        std::vector<int> markEdge;
        assignLarge(markEdge, nv, -1);
        for (std::size_t v = vb; v < ve; ++v) {
            if (((v - vb) & 16383) == 0
                && !checkIn(progress, w, "Building edges",
                    (2.0 + double(v - vb) / double(ve - vb)) / kPasses))
                return;
            graph.recordStart[v] = std::uint32_t(part.ends.size() / 2);
            for (std::uint32_t i = bucketStart[v]; i < bucketStart[v + 1]; ++i) {
                const std::uint32_t s = bucket[i];
                int low, high;
                endsOf(s, low, high);
                if (markOwner[std::size_t(high)] == int(v)) {
                    const int e = markEdge[std::size_t(high)];
                    if (part.faces[2 * std::size_t(e) + 1] == -1) {
                        part.faces[2 * std::size_t(e) + 1] = int(s / 3);
                        event[s] = -2 - e;
                    }
                } else {
                    const int e = int(part.ends.size() / 2);
                    markOwner[std::size_t(high)] = int(v);
                    markEdge[std::size_t(high)] = e;
                    part.ends.insert(part.ends.end(), { low, high });
                    part.faces.insert(part.faces.end(), { int(s / 3), -1 });
                    event[s] = e;
                }
            }
        }
    });
    std::vector<std::uint32_t> partStart(workers + 1, 0);
    for (unsigned w = 0; w < workers; ++w)
        partStart[w + 1] = partStart[w] + std::uint32_t(parts[w].ends.size() / 2);
    const std::size_t ne = partStart[workers];
    if (workers == 1) {
        mesh.edgeVertices = std::move(parts[0].ends);
        mesh.edgeFaces = std::move(parts[0].faces);
    } else {
        // Each range's numbers move up by the edges of the ranges before it.
        runWorkers(workers, [&](unsigned w) {
            const auto [vb, ve] = rangeOf(w);
            const int offset = int(partStart[w]);
            for (std::size_t v = vb; v < ve; ++v) {
                if (((v - vb) & 16383) == 0
                    && !checkIn(progress, w, "Building edges",
                        (3.0 + double(v - vb) / double(ve - vb)) / kPasses))
                    return;
                graph.recordStart[v] += std::uint32_t(offset);
                for (std::uint32_t i = bucketStart[v]; i < bucketStart[v + 1]; ++i) {
                    int& e = event[bucket[i]];
                    e = e >= 0 ? e + offset : e == -1 ? -1 : e - offset;
                }
            }
        });
        std::vector<int>().swap(mesh.edgeVertices);
        std::vector<int>().swap(mesh.edgeFaces);
        reserveLarge(mesh.edgeVertices, 2 * ne);
        reserveLarge(mesh.edgeFaces, 2 * ne);
        for (Part& part : parts) {
            mesh.edgeVertices.insert(mesh.edgeVertices.end(), part.ends.begin(), part.ends.end());
            std::vector<int>().swap(part.ends);
            mesh.edgeFaces.insert(mesh.edgeFaces.end(), part.faces.begin(), part.faces.end());
            std::vector<int>().swap(part.faces);
        }
    }
    graph.recordStart[nv] = std::uint32_t(ne);
    graph.edgeCount = int(ne);
    mesh.numEdges = int(ne);
    std::vector<std::uint32_t>().swap(bucket);
    std::vector<std::uint32_t>().swap(bucketStart);
    const std::vector<int>& ends = mesh.edgeVertices;
    const std::vector<int>& faces = mesh.edgeFaces;

    graph.vertexNeighbours.beginCounting(nv);
    for (std::size_t e = 0; e < ne; ++e) {
        graph.vertexNeighbours.count(std::size_t(ends[2 * e]));
        graph.vertexNeighbours.count(std::size_t(ends[2 * e + 1]));
    }
    graph.vertexNeighbours.beginFilling();
    for (std::size_t s = 0; s < event.size(); ++s) {
        step(4, s, event.size());
        const int e = event[s];
        if (e < 0)
            continue;
        const int low = ends[2 * std::size_t(e)], high = ends[2 * std::size_t(e) + 1];
        graph.vertexNeighbours.push(std::size_t(low), high);
        graph.vertexNeighbours.push(std::size_t(high), low);
    }
    graph.vertexNeighbours.endFilling();

    graph.faceNeighbours.beginCounting(nf);
    for (std::size_t e = 0; e < ne; ++e) {
        if (faces[2 * e + 1] == -1)
            continue;
        graph.faceNeighbours.count(std::size_t(faces[2 * e]));
        graph.faceNeighbours.count(std::size_t(faces[2 * e + 1]));
    }
    graph.faceNeighbours.beginFilling();
    for (std::size_t s = 0; s < event.size(); ++s) {
        step(5, s, event.size());
        if (event[s] >= -1)
            continue;
        const std::size_t e = std::size_t(-2 - event[s]);
        graph.faceNeighbours.push(std::size_t(faces[2 * e]), faces[2 * e + 1]);
        graph.faceNeighbours.push(std::size_t(faces[2 * e + 1]), faces[2 * e]);
    }
    graph.faceNeighbours.endFilling();
    std::vector<int>().swap(event);

    // The references of each vertex and face to its edges' slots.
    mesh.vertexEdgeRefs.beginCounting(nv);
    mesh.faceNeighbourRefs.beginCounting(nf);
    for (std::size_t e = 0; e < ne; ++e) {
        mesh.vertexEdgeRefs.count(std::size_t(ends[2 * e]));
        mesh.vertexEdgeRefs.count(std::size_t(ends[2 * e + 1]));
        if (faces[2 * e + 1] != -1) {
            mesh.faceNeighbourRefs.count(std::size_t(faces[2 * e]));
            mesh.faceNeighbourRefs.count(std::size_t(faces[2 * e + 1]));
        }
    }
    mesh.vertexEdgeRefs.beginFilling();
    mesh.faceNeighbourRefs.beginFilling();
    for (std::size_t e = 0; e < ne; ++e) {
        step(6, e, ne);
        const int slot = int(2 * e);
        mesh.vertexEdgeRefs.push(std::size_t(ends[2 * e]), slot + 1);
        mesh.vertexEdgeRefs.push(std::size_t(ends[2 * e + 1]), slot);
        if (faces[2 * e + 1] != -1) {
            mesh.faceNeighbourRefs.push(std::size_t(faces[2 * e]), slot + 1);
            mesh.faceNeighbourRefs.push(std::size_t(faces[2 * e + 1]), slot);
        }
    }
    mesh.vertexEdgeRefs.endFilling();
    mesh.faceNeighbourRefs.endFilling();
}
