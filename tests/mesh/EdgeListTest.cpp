#include "TestUtil.h"

#include "mesh/engine/Build.h"

#include <algorithm>
#include <random>

namespace {

using testutil::makeMesh;
using Lists = std::vector<std::vector<int>>;

// The edge graph as first described: per lower vertex a list of edge records
// searched linearly and filled face by face, then numbered vertex by vertex.
struct ReferenceEdges
{
    struct Record
    {
        int high, face1, face2;
    };
    std::vector<std::vector<Record>> records;
    Lists vertexNeighbours, faceNeighbours, vertexEdgeRefs, faceNeighbourRefs;
    std::vector<int> edgeVertices, edgeFaces;

    explicit ReferenceEdges(const Mesh& mesh)
        : records(std::size_t(mesh.numVertices))
        , vertexNeighbours(records.size())
        , faceNeighbours(std::size_t(mesh.numFaces))
        , vertexEdgeRefs(records.size())
        , faceNeighbourRefs(faceNeighbours.size())
    {
        for (int f = 0; f < mesh.numFaces; ++f) {
            const int* i = mesh.faces[std::size_t(f)].index;
            for (const auto& [a, b] : { std::pair { i[0], i[1] }, { i[0], i[2] }, { i[1], i[2] } })
                add(std::min(a, b), std::max(a, b), f);
        }
        for (std::size_t low = 0; low < records.size(); ++low) {
            for (const Record& r : records[low]) {
                const int e = int(edgeFaces.size() / 2);
                edgeVertices.insert(edgeVertices.end(), { int(low), r.high });
                edgeFaces.insert(edgeFaces.end(), { r.face1, r.face2 });
                vertexEdgeRefs[low].push_back(2 * e + 1);
                vertexEdgeRefs[std::size_t(r.high)].push_back(2 * e);
                if (r.face2 != -1) {
                    faceNeighbourRefs[std::size_t(r.face1)].push_back(2 * e + 1);
                    faceNeighbourRefs[std::size_t(r.face2)].push_back(2 * e);
                }
            }
        }
    }
    void add(int low, int high, int face)
    {
        for (Record& r : records[std::size_t(low)]) {
            if (r.high != high)
                continue;
            // A third face on an edge is dropped.
            if (r.face2 == -1) {
                r.face2 = face;
                faceNeighbours[std::size_t(r.face1)].push_back(face);
                faceNeighbours[std::size_t(face)].push_back(r.face1);
            }
            return;
        }
        records[std::size_t(low)].push_back({ high, face, -1 });
        vertexNeighbours[std::size_t(low)].push_back(high);
        vertexNeighbours[std::size_t(high)].push_back(low);
    }
};

Lists toLists(const FlatLists<int>& flat)
{
    Lists out(flat.size());
    for (std::size_t i = 0; i < flat.size(); ++i)
        out[i].assign(flat[i].begin(), flat[i].end());
    return out;
}

void buildAndCompareWithReference(Mesh& mesh)
{
    testutil::captureStdout([&] { build(mesh, { MESH_EDGE_LIST }); });
    const ReferenceEdges ref(mesh);
    ASSERT_EQ(mesh.numEdges, int(ref.edgeFaces.size() / 2));
    ASSERT_EQ(mesh.edgeGraph.edgeCount, mesh.numEdges);
    ASSERT_TRUE(std::ranges::equal(mesh.edgeVertices, ref.edgeVertices));
    ASSERT_TRUE(std::ranges::equal(mesh.edgeFaces, ref.edgeFaces));
    // The lists made on demand, from the edge list alone.
    ASSERT_TRUE(mesh.vertexEdgeRefs.empty() && mesh.edgeGraph.faceNeighbours.empty());
    ASSERT_TRUE(mesh.buildEdgeReferences() && buildNeighbourLists(mesh));
    ASSERT_EQ(toLists(mesh.vertexEdgeRefs), ref.vertexEdgeRefs);
    ASSERT_EQ(toLists(mesh.faceNeighbourRefs), ref.faceNeighbourRefs);
    ASSERT_EQ(toLists(mesh.edgeGraph.vertexNeighbours), ref.vertexNeighbours);
    ASSERT_EQ(toLists(mesh.edgeGraph.faceNeighbours), ref.faceNeighbours);
}

TEST(EdgeList, SameAsReferenceOnRandomMeshesWithDegenerateRepeatedAndUnusedPartsAndOnRebuild)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 200 && !testing::Test::HasFatalFailure(); ++round) {
        const unsigned nv = 1 + random() % 12;
        std::vector<std::array<int, 3>> faces(random() % 30);
        for (auto& f : faces)
            f = { int(random() % nv), int(random() % nv), int(random() % nv) };
        Mesh mesh;
        makeMesh(mesh, std::vector<Vector>(nv), faces);
        SCOPED_TRACE("round " + std::to_string(round));
        buildAndCompareWithReference(mesh);
        buildAndCompareWithReference(mesh); // a rebuild leaves nothing stale
    }
}

} // namespace
