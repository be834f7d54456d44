#include "TestMeshes.h"

#include "mesh/engine/Build.h"
#include "refinement/engine/Subdivider.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

std::unique_ptr<Mesh> subdivided(
    const Mesh& mesh, int levels, float weight, Subdivider* keep = nullptr)
{
    Subdivider local;
    Subdivider& s = keep ? *keep : local;
    s.source = mesh.clone();
    s.levels = levels;
    s.weight = weight;
    EXPECT_TRUE(s.subdivide());
    return std::move(s.result);
}

void expectVector(const Vector& v, float x, float y, float z)
{
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

// x, y, z and w bit for bit (not-a-number included), not the cached length.
bool sameBits(const std::vector<Vector>& a, const std::vector<Vector>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Vector& p, const Vector& q) {
        return std::memcmp(&p, &q, 4 * sizeof(float)) == 0;
    });
}

void expectSameGeometry(const Mesh& a, const Mesh& b)
{
    ASSERT_TRUE(sameBits(a.vertices, b.vertices));
    ASSERT_EQ(a.numFaces, b.numFaces);
    for (int f = 0; f < a.numFaces; ++f) {
        for (int k = 0; k < 3; ++k)
            ASSERT_EQ(a.faces[std::size_t(f)].index[k], b.faces[std::size_t(f)].index[k])
                << "face " << f;
    }
}

} // namespace

TEST(Subdivider, ChildrenAroundTheMidpointsInOrderCarryingTheFaceRecord)
{
    Mesh tri = makeMesh({ { 0, 0, 0 }, { 2, 0, 0 }, { 0, 2, 0 } }, { { 0, 1, 2 } });
    tri.faces[0].colour = Vector(0.1f, 0.2f, 0.3f, 1.0f);
    tri.faces[0].segment = 3;
    const auto r = subdivided(tri, 1, 0.0f);
    ASSERT_EQ(r->numVertices, 6);
    // New vertices on P-Q, Q-R, R-P: no second face, so plain midpoints.
    expectVector(r->vertices[3], 1, 0, 0);
    expectVector(r->vertices[4], 1, 1, 0);
    expectVector(r->vertices[5], 0, 1, 0);
    const int expected[4][3] = { { 0, 3, 5 }, { 3, 1, 4 }, { 5, 4, 2 }, { 3, 4, 5 } };
    for (int f = 0; f < 4; ++f) {
        const Face& face = r->faces[std::size_t(f)];
        EXPECT_EQ(r->facePtrs[std::size_t(f)], &face);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(face.index[k], expected[f][k]);
            EXPECT_EQ(face.vertex[k], r->vertices.data() + expected[f][k]);
        }
        EXPECT_FLOAT_EQ(face.colour.x, 0.1f);
        EXPECT_EQ(face.segment, 3);
        expectVector(face.normal, 0, 0, 1);
    }
    expectVector(r->texCoords[4], 1, 1, 0);
}

TEST(Subdivider, EdgeTableKeepsFirstOrientationAndAThirdFaceReplacesTheSecond)
{
    // Three triangles on edge 1-2; the shared edge's wings are missing, so it stays a midpoint.
    Mesh fan = makeMesh({ { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 1, 1, 0 }, { 1, 1, 1 } },
        { { 0, 1, 2 }, { 2, 1, 3 }, { 1, 2, 4 } });
    Subdivider s;
    const auto r = subdivided(fan, 1, 0.1f, &s);
    EXPECT_EQ(s.edgeVertices, (std::vector<int> { 0, 1, 1, 2, 2, 0, 1, 3, 3, 2, 2, 4, 4, 1 }));
    EXPECT_EQ(s.edgeFaces, (std::vector<int> { 0, -1, 0, 2, 0, -1, 1, -1, 1, -1, 2, -1, 2, -1 }));
    expectVector(r->vertices[5 + 1], 0.5f, 0.5f, 0.0f);
    // Face 1 (2, 1, 3) uses edge 1 for its first side: child 4 is (2, m(1,2), m(2,3)).
    const int* child = r->faces[4].index;
    EXPECT_TRUE(child[0] == 2 && child[1] == 5 + 1 && child[2] == 5 + 4);
}

TEST(Subdivider, ClosedMeshFollowsTheButterflyStencilAndKeepsOldVertices)
{
    const Mesh octa = octahedron();
    for (float w : { 0.0f, 0.05f, -0.125f, 0.125f }) {
        const auto r = subdivided(octa, 1, w);
        // Edge 0 is (+x, +y): c = (0, 0, 2), d = (0, 0, -1); the wings are -y, -y, -x, -x.
        const float near = 2 * w + 0.125f, far = -0.0625f - w;
        expectVector(r->vertices[6], 0.5f - 2 * far, 0.5f - 2 * far, near);
        for (int v = 0; v < 6; ++v)
            EXPECT_EQ(r->vertices[std::size_t(v)], octa.vertices[std::size_t(v)]);
    }
    // At the slider's quarter (-1/16) every new vertex is the plain midpoint.
    Mesh mesh;
    if (!loadRealMesh(mesh, "spot.obj"))
        mesh = octahedron();
    Subdivider s;
    const auto r = subdivided(mesh, 1, -0.0625f, &s);
    for (int e = 0; e < s.edgeCount; ++e) {
        const Vector& a = mesh.vertices[std::size_t(s.edgeVertices[std::size_t(2 * e)])];
        const Vector& b = mesh.vertices[std::size_t(s.edgeVertices[std::size_t(2 * e + 1)])];
        const Vector m = r->vertices[std::size_t(mesh.numVertices + e)] - (a + b) * 0.5f;
        ASSERT_LT(std::max({ std::abs(m.x), std::abs(m.y), std::abs(m.z) }), 1e-6f) << e;
    }
}

TEST(Subdivider, NoLevelsOrNoSourceLeavesEverythingAsItWas)
{
    Subdivider s;
    EXPECT_TRUE(s.subdivide());
    EXPECT_FALSE(s.result);
    s.source = octahedron().clone();
    EXPECT_TRUE(s.subdivide());
    EXPECT_FALSE(s.result);
    Mesh mesh = octahedron(), empty;
    EXPECT_TRUE(subdivideMesh(mesh, s, 0, 0.0f));
    EXPECT_EQ(mesh.numFaces, 8);
    EXPECT_TRUE(subdivideMesh(empty, s, 3, 0.0f));
    EXPECT_EQ(empty.numVertices + empty.numFaces, 0);
}

TEST(Subdivider, ViewOperationLeavesAClosedLinkedMeshWithFreshRecords)
{
    Mesh mesh = octahedron();
    mesh.faces[0].colour = Vector(1.0f, 0.0f, 0.0f, 1.0f);
    mesh.faces[0].segment = 2;
    mesh.vertexColours[0] = Vector(1.0f, 1.0f, 0.0f, 1.0f);
    mesh.allocateMorphogens(6, 1);
    build(mesh, { MESH_CENTRE, MESH_EDGE_LIST, MESH_VERTEX_NORMALS, MESH_BB });
    Subdivider s;
    ASSERT_TRUE(subdivideMesh(mesh, s, 2, 0.0f));
    EXPECT_FALSE(s.source || s.result);
    EXPECT_EQ(mesh.numFaces, 8 * 16);
    // Closed genus 0: V - E + F stays 2, and every edge has two faces.
    EXPECT_EQ(mesh.numVertices - mesh.numEdges + mesh.numFaces, 2);
    for (int e = 0; e < mesh.numEdges; ++e)
        ASSERT_GE(mesh.edgeFaces[std::size_t(2 * e + 1)], 0);
    EXPECT_NEAR(mesh.vertexNormals[0].getLength(), 1.0f, 1e-5f);
    EXPECT_FLOAT_EQ(mesh.faces[0].colour.x, 0.75f);
    EXPECT_EQ(mesh.faces[0].segment, 0);
    EXPECT_FLOAT_EQ(mesh.vertexColours[0].x, 0.0f);
    EXPECT_TRUE(mesh.morphogenValues.empty());
    for (int f = 0; f < mesh.numFaces; ++f) {
        for (int k = 0; k < 3; ++k)
            ASSERT_EQ(mesh.faces[std::size_t(f)].vertex[k],
                mesh.vertices.data() + mesh.faces[std::size_t(f)].index[k]);
    }
}

TEST(Subdivider, RefusesResultsThatCannotFitBeforeAllocating)
{
    Mesh tri = makeMesh({ { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 } }, { { 0, 1, 2 } });
    const std::string tooMany = subdivisionRefusal(tri, 16);
    EXPECT_NE(tooMany.find("4294967296 faces"), std::string::npos) << tooMany;
    EXPECT_TRUE(subdivisionRefusal(tri, 10).empty());

    Mesh grid = flatGrid(24); // 1058 faces; ten levels ask for over a billion
    const Mesh before = std::move(*grid.clone());
    Subdivider s;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(subdivideMesh(grid, s, 10, 0.0f));
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("1109393408 faces"), std::string::npos) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1);
    expectSameGeometry(grid, before);
    EXPECT_LT(subdivisionFaceLimit(grid), 1109393408);
    EXPECT_GT(subdivisionFaceLimit(grid), 1000000);
}

// The hash-numbered table and the split from the faces' own edges against the
// linear table searches, on real meshes: identical meshes and identical files.
TEST(Subdivider, MatchesTheStraightforwardVersionOnRealMeshes)
{
    const std::pair<const char*, int> cases[] = { { "cross.obj", 3 }, { "suzanne.obj", 2 },
        { "beetle.obj", 2 }, { "african_head.obj", 1 }, { "teapot.obj", 1 }, { "spot.obj", 1 } };
    int compared = 0;
    for (const auto& [name, levels] : cases) {
        SCOPED_TRACE(name);
        Mesh mesh;
        if (!loadRealMesh(mesh, name))
            continue;
        for (float w : { 0.0f, 0.1f }) {
            const auto expected = referenceSubdivide(mesh, levels, w);
            const auto actual = subdivided(mesh, levels, w);
            expectSameGeometry(*actual, *expected);
            // Bit for bit: unused vertices and slivers have normals that are not numbers.
            ASSERT_TRUE(sameBits(actual->vertexNormals, expected->vertexNormals));
        }
        Mesh fast, slow;
        fast.copyFrom(mesh);
        slow.copyFrom(mesh);
        Subdivider s;
        ASSERT_TRUE(subdivideMesh(fast, s, levels, 0.0f));
        referenceSubdivideMesh(slow, levels, 0.0f);
        ASSERT_EQ(objBytes(fast), objBytes(slow));
        ++compared;
    }
    if (compared == 0)
        GTEST_SKIP() << "no real meshes";
}
