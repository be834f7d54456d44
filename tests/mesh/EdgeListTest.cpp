#include "ObjTestUtil.h"
#include "TestUtil.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/ReadObj.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <map>
#include <random>
#include <vector>

namespace {

using testutil::makeMesh;
using Lists = std::vector<std::vector<int>>;

// The edge graph exactly as first described: per lower vertex a list of edge
// records searched linearly, filled by incremental insertion, then flattened.
struct ReferenceEdges
{
    struct Record
    {
        int other, low, high, face1, face2;
    };
    int edgeCount = 0;
    Lists vertexNeighbours, faceNeighbours;
    std::vector<std::vector<Record>> records;
    std::vector<int> edgeVertices, edgeFaces;
    Lists vertexEdgeRefs, faceNeighbourRefs;

    void addEdge(int a, int b, int face)
    {
        if (a == -1 || b == -1)
            return;
        const int low = std::min(a, b), high = std::max(a, b);
        for (Record& r : records[std::size_t(low)]) {
            if (r.other != high)
                continue;
            if (r.face2 == -1) {
                r.face2 = face;
                faceNeighbours[std::size_t(r.face1)].push_back(face);
                faceNeighbours[std::size_t(face)].push_back(r.face1);
            }
            return;
        }
        records[std::size_t(low)].push_back({ high, low, high, face, -1 });
        vertexNeighbours[std::size_t(low)].push_back(high);
        vertexNeighbours[std::size_t(high)].push_back(low);
        ++edgeCount;
    }

    explicit ReferenceEdges(const Mesh& mesh)
    {
        const std::size_t nv = std::size_t(mesh.numVertices), nf = std::size_t(mesh.numFaces);
        vertexNeighbours.assign(nv, {});
        records.assign(nv, {});
        faceNeighbours.assign(nf, {});
        for (std::size_t f = 0; f < nf; ++f) {
            const int* i = mesh.faces[f].index;
            addEdge(i[0], i[1], int(f));
            addEdge(i[0], i[2], int(f));
            addEdge(i[1], i[2], int(f));
        }
        vertexEdgeRefs.assign(nv, {});
        faceNeighbourRefs.assign(nf, {});
        int e = 0;
        for (std::size_t v = 0; v < nv; ++v) {
            for (const Record& r : records[v]) {
                edgeVertices.push_back(r.low);
                edgeVertices.push_back(r.high);
                edgeFaces.push_back(r.face1);
                edgeFaces.push_back(r.face2);
                vertexEdgeRefs[std::size_t(r.low)].push_back(2 * e + 1);
                vertexEdgeRefs[std::size_t(r.high)].push_back(2 * e);
                if (r.face2 != -1) {
                    faceNeighbourRefs[std::size_t(r.face1)].push_back(2 * e + 1);
                    faceNeighbourRefs[std::size_t(r.face2)].push_back(2 * e);
                }
                ++e;
            }
        }
    }
};

Lists toLists(const FlatLists<int>& flat)
{
    Lists out(flat.size());
    for (std::size_t i = 0; i < flat.size(); ++i)
        out[i].assign(flat[i].begin(), flat[i].end());
    return out;
}

// Field by field, with the first difference named.
void expectSameAsReference(const Mesh& mesh)
{
    const ReferenceEdges ref(mesh);
    ASSERT_EQ(mesh.numEdges, ref.edgeCount);
    ASSERT_EQ(mesh.edgeGraph.edgeCount, ref.edgeCount);
    ASSERT_EQ(mesh.edgeVertices.size(), ref.edgeVertices.size());
    for (std::size_t i = 0; i < ref.edgeVertices.size(); ++i)
        ASSERT_EQ(mesh.edgeVertices[i], ref.edgeVertices[i]) << "edgeVertices slot " << i;
    for (std::size_t i = 0; i < ref.edgeFaces.size(); ++i)
        ASSERT_EQ(mesh.edgeFaces[i], ref.edgeFaces[i]) << "edgeFaces slot " << i;
    const auto compare = [](const Lists& got, const Lists& want, const char* what) {
        ASSERT_EQ(got.size(), want.size()) << what;
        for (std::size_t i = 0; i < want.size(); ++i)
            ASSERT_EQ(got[i], want[i]) << what << " " << i;
    };
    compare(toLists(mesh.vertexEdgeRefs), ref.vertexEdgeRefs, "vertexEdgeRefs of vertex");
    compare(toLists(mesh.faceNeighbourRefs), ref.faceNeighbourRefs, "faceNeighbourRefs of face");
    compare(toLists(mesh.edgeGraph.vertexNeighbours), ref.vertexNeighbours,
        "graph vertex neighbours of vertex");
    compare(toLists(mesh.edgeGraph.faceNeighbours), ref.faceNeighbours,
        "graph face neighbours of face");
    // The records of each lower vertex are the edges numbered for it.
    ASSERT_EQ(mesh.edgeGraph.recordStart.size(), std::size_t(mesh.numVertices) + 1);
    int e = 0;
    for (std::size_t v = 0; v < ref.records.size(); ++v) {
        ASSERT_EQ(mesh.edgeGraph.recordStart[v], std::uint32_t(e)) << "records of vertex " << v;
        e += int(ref.records[v].size());
    }
    ASSERT_EQ(mesh.edgeGraph.recordStart.back(), std::uint32_t(e));
}

void buildEdges(Mesh& mesh)
{
    testutil::captureStdout([&] { build(mesh, { MESH_EDGE_LIST }); });
}

TEST(EdgeList, TwoTrianglesSharingAnEdge)
{
    Mesh mesh;
    makeMesh(
        mesh, { { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 1, 1, 0 } }, { { 0, 1, 2 }, { 2, 1, 3 } });
    buildEdges(mesh);
    ASSERT_EQ(mesh.numEdges, 5);
    EXPECT_EQ(mesh.edgeVertices, (std::vector<int> { 0, 1, 0, 2, 1, 2, 1, 3, 2, 3 }));
    EXPECT_EQ(mesh.edgeFaces, (std::vector<int> { 0, -1, 0, -1, 0, 1, 1, -1, 1, -1 }));
    EXPECT_EQ(toLists(mesh.faceNeighbourRefs), (Lists { { 5 }, { 4 } }));
    EXPECT_EQ(mesh.edgeFaces[std::size_t(mesh.faceNeighbourRefs[0][0])], 1);
    EXPECT_EQ(mesh.edgeFaces[std::size_t(mesh.faceNeighbourRefs[1][0])], 0);

    // Vertex 1: edges (0,1), (1,2), (1,3) with neighbours 0, 2, 3.
    const auto refs = mesh.vertexEdgeRefs[1];
    ASSERT_EQ(refs.size(), 3u);
    std::vector<int> edges, neighbours;
    for (int slot : refs) {
        edges.push_back(slot / 2);
        neighbours.push_back(mesh.edgeVertices[std::size_t(slot)]);
    }
    EXPECT_EQ(edges, (std::vector<int> { 0, 2, 3 }));
    EXPECT_EQ(neighbours, (std::vector<int> { 0, 2, 3 }));

    // The graph keeps insertion order: vertex 3 met (2,3) before (1,3), while
    // its references follow the edge numbers.
    EXPECT_EQ(toLists(mesh.edgeGraph.vertexNeighbours),
        (Lists { { 1, 2 }, { 0, 2, 3 }, { 0, 1, 3 }, { 2, 1 } }));
    EXPECT_EQ(toLists(mesh.edgeGraph.faceNeighbours), (Lists { { 1 }, { 0 } }));
    EXPECT_EQ(
        toLists(mesh.vertexEdgeRefs), (Lists { { 1, 3 }, { 0, 5, 7 }, { 2, 4, 9 }, { 6, 8 } }));
    expectSameAsReference(mesh);
}

TEST(EdgeList, AThirdFaceOnAnEdgeIsDropped)
{
    Mesh mesh;
    makeMesh(mesh, { { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 1, 1, 0 }, { 0, 0, 1 } },
        { { 0, 1, 2 }, { 2, 1, 3 }, { 1, 2, 4 } });
    buildEdges(mesh);
    ASSERT_EQ(mesh.numEdges, 7);
    // Edge 2 is (1,2).
    EXPECT_EQ(mesh.edgeVertices[4], 1);
    EXPECT_EQ(mesh.edgeVertices[5], 2);
    EXPECT_EQ(mesh.edgeFaces[4], 0);
    EXPECT_EQ(mesh.edgeFaces[5], 1);
    EXPECT_TRUE(mesh.faceNeighbourRefs[2].empty());
    EXPECT_EQ(toLists(mesh.edgeGraph.faceNeighbours), (Lists { { 1 }, { 0 }, {} }));
    expectSameAsReference(mesh);
}

TEST(EdgeList, SingleTriangleAndUnusedVertex)
{
    Mesh mesh;
    makeMesh(mesh, { { 0, 0, 0 }, { 9, 9, 9 }, { 1, 0, 0 }, { 0, 1, 0 } }, { { 0, 2, 3 } });
    buildEdges(mesh);
    ASSERT_EQ(mesh.numEdges, 3);
    for (int e = 0; e < 3; ++e)
        EXPECT_EQ(mesh.edgeFaces[std::size_t(2 * e + 1)], -1);
    EXPECT_TRUE(mesh.faceNeighbourRefs[0].empty());
    EXPECT_TRUE(mesh.edgeGraph.faceNeighbours[0].empty());
    EXPECT_TRUE(mesh.vertexEdgeRefs[1].empty());
    EXPECT_TRUE(mesh.edgeGraph.vertexNeighbours[1].empty());
    expectSameAsReference(mesh);
}

TEST(EdgeList, RebuildReplacesEverything)
{
    Mesh mesh;
    testutil::makeTetrahedron(mesh);
    buildEdges(mesh);
    ASSERT_EQ(mesh.numEdges, 6);
    for (int e = 0; e < 6; ++e)
        EXPECT_NE(mesh.edgeFaces[std::size_t(2 * e + 1)], -1);
    buildEdges(mesh);
    expectSameAsReference(mesh);

    makeMesh(mesh, { { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 } }, { { 0, 1, 2 } });
    buildEdges(mesh);
    EXPECT_EQ(mesh.numEdges, 3);
    EXPECT_EQ(mesh.vertexEdgeRefs.size(), 3u);
    EXPECT_EQ(mesh.faceNeighbourRefs.size(), 1u);
    expectSameAsReference(mesh);

    // A mesh without vertices is left untouched.
    Mesh empty;
    buildEdges(empty);
    EXPECT_EQ(empty.numEdges, 0);
    EXPECT_TRUE(empty.edgeGraph.recordStart.empty());
}

TEST(EdgeList, RandomMeshesWithDegenerateAndRepeatedFaces)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 200; ++round) {
        const int nv = 1 + int(random() % 12);
        const int nf = int(random() % 30);
        const std::vector<Vector> points(static_cast<std::size_t>(nv));
        std::vector<std::array<int, 3>> faces;
        faces.reserve(std::size_t(nf));
        for (int f = 0; f < nf; ++f)
            faces.push_back({ int(random() % unsigned(nv)), int(random() % unsigned(nv)),
                int(random() % unsigned(nv)) });
        Mesh mesh;
        makeMesh(mesh, points, faces);
        buildEdges(mesh);
        SCOPED_TRACE("round " + std::to_string(round));
        expectSameAsReference(mesh);
        if (testing::Test::HasFatalFailure())
            return;
    }
}

TEST(EdgeList, SameAsReferenceOnRealMeshes)
{
    const testutil::RealMeshes meshes;
    if (!meshes.present())
        GTEST_SKIP() << "no real meshes at " << FACETRA_MESH_DIR;

    // The counts each file should give, counted independently.
    std::map<std::string, nlohmann::json> reference;
    std::ifstream lines(meshes.referencePath());
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty()) {
            const auto j = nlohmann::json::parse(line);
            reference[j.at("file").get<std::string>()] = j;
        }
    }
    for (const auto& file : meshes.files()) {
        SCOPED_TRACE(file.name);
        Mesh mesh;
        ObjReadReport report;
        bool ok = false;
        testutil::captureStdout([&] { ok = readObj(mesh, file.path, &report); });
        ASSERT_TRUE(ok);
        testutil::expectLinked(mesh);
        buildEdges(mesh);
        expectSameAsReference(mesh);
        if (reference.count(file.name)) {
            const auto& want = reference[file.name];
            EXPECT_EQ(mesh.numVertices, want.at("vertices").get<int>());
            EXPECT_EQ(mesh.numFaces, want.at("faces").get<int>());
            EXPECT_EQ(report.droppedFaces, want.at("dropped_faces").get<long long>());
            EXPECT_EQ(mesh.numEdges, want.at("edges").get<int>());
        } else {
            ADD_FAILURE() << "no reference line for " << file.name;
        }
    }
}

} // namespace
