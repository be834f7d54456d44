#include "mesh/engine/EdgeGraph.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/LargeArrays.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/Progress.h"
#include "mesh/engine/Workers.h"

#include <algorithm>
#include <cstdint>
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
    // pass over all vertices numbers them.
    struct Edge
    {
        int low, high, face1, face2;
        std::uint32_t firstEvent, secondEvent;
    };
    const unsigned workers = workerCount(double(bucket.size()));
    std::vector<std::vector<Edge>> parts(workers);
    runWorkers(workers, [&](unsigned w) {
        const std::size_t vb = nv * w / workers, ve = nv * (w + 1) / workers;
        std::vector<Edge>& part = parts[w];
        reserveLarge(part, (bucketStart[ve] - bucketStart[vb]) / 2 + 1);
        std::vector<int> markOwner;
        assignLarge(markOwner, nv, -1);
        std::vector<int> markEdge;
        assignLarge(markEdge, nv, -1);
        for (std::size_t v = vb; v < ve; ++v) {
            if (((v - vb) & 16383) == 0
                && !checkIn(progress, w, "Building edges",
                    (2.0 + double(v - vb) / double(ve - vb)) / kPasses))
                return;
            // Numbered within the range for now.
            graph.recordStart[v] = std::uint32_t(part.size());
            for (std::uint32_t i = bucketStart[v]; i < bucketStart[v + 1]; ++i) {
                const std::uint32_t s = bucket[i];
                int low, high;
                endsOf(s, low, high);
                const int face = int(s / 3);
                if (markOwner[std::size_t(high)] == int(v)) {
                    Edge& e = part[std::size_t(markEdge[std::size_t(high)])];
                    if (e.face2 == -1) {
                        e.face2 = face;
                        e.secondEvent = s;
                    }
                } else {
                    markOwner[std::size_t(high)] = int(v);
                    markEdge[std::size_t(high)] = int(part.size());
                    part.push_back({ low, high, face, -1, s, 0 });
                }
            }
        }
    });
    std::vector<Edge> edges;
    if (workers == 1) {
        edges = std::move(parts[0]);
    } else {
        std::size_t total = 0;
        for (const std::vector<Edge>& part : parts)
            total += part.size();
        reserveLarge(edges, total);
        for (unsigned w = 0; w < workers; ++w) {
            const std::size_t vb = nv * w / workers, ve = nv * (w + 1) / workers;
            for (std::size_t v = vb; v < ve; ++v)
                graph.recordStart[v] += std::uint32_t(edges.size());
            edges.insert(edges.end(), parts[w].begin(), parts[w].end());
            std::vector<Edge>().swap(parts[w]);
        }
    }
    graph.recordStart[nv] = std::uint32_t(edges.size());
    graph.edgeCount = int(edges.size());
    std::vector<std::uint32_t>().swap(bucket);
    std::vector<std::uint32_t>().swap(bucketStart);

    // Events in insertion order: for each insertion number, the edge it created
    // or completed (-1 for none).
    std::vector<int> created, completed;
    assignLarge(created, 3 * nf, -1);
    assignLarge(completed, 3 * nf, -1);
    for (std::size_t e = 0; e < edges.size(); ++e) {
        step(3, e, edges.size());
        created[edges[e].firstEvent] = int(e);
        if (edges[e].face2 != -1)
            completed[edges[e].secondEvent] = int(e);
    }

    graph.vertexNeighbours.beginCounting(nv);
    for (const Edge& e : edges) {
        graph.vertexNeighbours.count(std::size_t(e.low));
        graph.vertexNeighbours.count(std::size_t(e.high));
    }
    graph.vertexNeighbours.beginFilling();
    for (std::size_t s = 0; s < created.size(); ++s) {
        step(4, s, created.size());
        const int e = created[s];
        if (e < 0)
            continue;
        graph.vertexNeighbours.push(
            std::size_t(edges[std::size_t(e)].low), edges[std::size_t(e)].high);
        graph.vertexNeighbours.push(
            std::size_t(edges[std::size_t(e)].high), edges[std::size_t(e)].low);
    }
    graph.vertexNeighbours.endFilling();

    graph.faceNeighbours.beginCounting(nf);
    for (const Edge& e : edges) {
        if (e.face2 == -1)
            continue;
        graph.faceNeighbours.count(std::size_t(e.face1));
        graph.faceNeighbours.count(std::size_t(e.face2));
    }
    graph.faceNeighbours.beginFilling();
    for (std::size_t s = 0; s < completed.size(); ++s) {
        step(5, s, completed.size());
        const int e = completed[s];
        if (e < 0)
            continue;
        graph.faceNeighbours.push(
            std::size_t(edges[std::size_t(e)].face1), edges[std::size_t(e)].face2);
        graph.faceNeighbours.push(
            std::size_t(edges[std::size_t(e)].face2), edges[std::size_t(e)].face1);
    }
    graph.faceNeighbours.endFilling();
    std::vector<int>().swap(created);
    std::vector<int>().swap(completed);

    // Flatten into the mesh's arrays.
    const std::size_t ne = edges.size();
    assignLarge(mesh.edgeVertices, 2 * ne, 0);
    assignLarge(mesh.edgeFaces, 2 * ne, 0);
    mesh.numEdges = int(ne);
    mesh.vertexEdgeRefs.beginCounting(nv);
    mesh.faceNeighbourRefs.beginCounting(nf);
    for (const Edge& e : edges) {
        mesh.vertexEdgeRefs.count(std::size_t(e.low));
        mesh.vertexEdgeRefs.count(std::size_t(e.high));
        if (e.face2 != -1) {
            mesh.faceNeighbourRefs.count(std::size_t(e.face1));
            mesh.faceNeighbourRefs.count(std::size_t(e.face2));
        }
    }
    mesh.vertexEdgeRefs.beginFilling();
    mesh.faceNeighbourRefs.beginFilling();
    for (std::size_t i = 0; i < ne; ++i) {
        step(6, i, ne);
        const Edge& e = edges[i];
        const int slot = int(2 * i);
        mesh.edgeVertices[2 * i] = e.low;
        mesh.edgeVertices[2 * i + 1] = e.high;
        mesh.edgeFaces[2 * i] = e.face1;
        mesh.edgeFaces[2 * i + 1] = e.face2;
        mesh.vertexEdgeRefs.push(std::size_t(e.low), slot + 1);
        mesh.vertexEdgeRefs.push(std::size_t(e.high), slot);
        if (e.face2 != -1) {
            mesh.faceNeighbourRefs.push(std::size_t(e.face1), slot + 1);
            mesh.faceNeighbourRefs.push(std::size_t(e.face2), slot);
        }
    }
    mesh.vertexEdgeRefs.endFilling();
    mesh.faceNeighbourRefs.endFilling();
}
