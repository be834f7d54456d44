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

void expectSameGeometry(const Mesh& a, const Mesh& b)
{
    ASSERT_EQ(a.numVertices, b.numVertices);
    ASSERT_EQ(a.numFaces, b.numFaces);
    for (int i = 0; i < a.numVertices; ++i) {
        const Vector &p = a.vertices[std::size_t(i)], &q = b.vertices[std::size_t(i)];
        ASSERT_TRUE(p.x == q.x && p.y == q.y && p.z == q.z && p.w == q.w) << "vertex " << i;
    }
    for (int f = 0; f < a.numFaces; ++f) {
        for (int k = 0; k < 3; ++k)
            ASSERT_EQ(a.faces[std::size_t(f)].index[k], b.faces[std::size_t(f)].index[k])
                << "face " << f;
    }
}

} // namespace

TEST(Subdivider, SingleTriangleSplitsIntoFourAroundTheMidpoints)
{
    Mesh tri = makeMesh({ { 0, 0, 0 }, { 2, 0, 0 }, { 0, 2, 0 } }, { { 0, 1, 2 } });
    tri.faces[0].colour = Vector(0.1f, 0.2f, 0.3f, 1.0f);
    tri.faces[0].segment = 3;
    tri.faces[0].traversed = 1;
    const auto r = subdivided(tri, 1, 0.0f);
    ASSERT_TRUE(r);
    ASSERT_EQ(r->numVertices, 6);
    ASSERT_EQ(r->numFaces, 4);
    expectVector(r->vertices[3], 1, 0, 0); // P-Q, edge 0
    expectVector(r->vertices[4], 1, 1, 0); // Q-R, edge 1
    expectVector(r->vertices[5], 0, 1, 0); // R-P, edge 2
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
        EXPECT_EQ(face.traversed, 1);
        expectVector(face.normal, 0, 0, 1); // built on the result
    }
    // Texture coordinates span 0 .. 2 over the box; new vertices have default colours.
    expectVector(r->texCoords[4], 1, 1, 0);
    expectVector(r->vertexColours[0], 0, 0, 0);
    EXPECT_EQ(r->vertexColours[0].w, 1.0f);
}

TEST(Subdivider, EdgeTableKeepsFirstOrientationAndLetsAThirdFaceReplaceTheSecond)
{
    // Three triangles on edge 1-2; the first two also share nothing else.
    Mesh fan = makeMesh({ { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 1, 1, 0 }, { 1, 1, 1 } },
        { { 0, 1, 2 }, { 2, 1, 3 }, { 1, 2, 4 } });
    Subdivider s;
    const auto r = subdivided(fan, 1, 0.0f, &s);
    ASSERT_TRUE(r);
    ASSERT_EQ(s.edgeCount, 7);
    const std::vector<int> vertices = { 0, 1, 1, 2, 2, 0, 1, 3, 3, 2, 2, 4, 4, 1 };
    const std::vector<int> faces = { 0, -1, 0, 2, 0, -1, 1, -1, 1, -1, 2, -1, 2, -1 };
    EXPECT_EQ(s.edgeVertices, vertices);
    EXPECT_EQ(s.edgeFaces, faces);
    EXPECT_EQ(r->numVertices, 5 + 7);
    // Face 1 (2, 1, 3) uses edge 1 for its first side: child 4 is (2, m(1,2), m(2,3)).
    EXPECT_EQ(r->faces[4].index[0], 2);
    EXPECT_EQ(r->faces[4].index[1], 5 + 1);
    EXPECT_EQ(r->faces[4].index[2], 5 + 4);
}

TEST(Subdivider, SharedEdgeOfTwoTrianglesStaysAtTheMidpoint)
{
    Mesh pair = makeMesh(
        { { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 1, 1, 1 } }, { { 0, 1, 2 }, { 2, 1, 3 } });
    const auto r = subdivided(pair, 1, 0.1f);
    ASSERT_TRUE(r);
    expectVector(r->vertices[4 + 1], 0.5f, 0.5f, 0.0f);
}

TEST(Subdivider, ClosedMeshFollowsTheButterflyStencil)
{
    const Mesh octa = octahedron();
    for (float w : { 0.0f, 0.05f, -0.125f, 0.125f }) {
        const auto r = subdivided(octa, 1, w);
        ASSERT_TRUE(r);
        // Edge 0 is (+x, +y): c = (0, 0, 2), d = (0, 0, -1); the wings are -y, -y, -x, -x.
        const float near = 2 * w + 0.125f, far = -0.0625f - w;
        expectVector(r->vertices[6], 0.5f - 2 * far, 0.5f - 2 * far, 1.0f * near);
        for (int v = 0; v < 6; ++v)
            EXPECT_EQ(r->vertices[std::size_t(v)], octa.vertices[std::size_t(v)]);
    }
}

TEST(Subdivider, SliderQuarterGivesPlainMidpoints)
{
    Mesh mesh;
    if (!loadRealMesh(mesh, "spot.obj"))
        mesh = octahedron();
    Subdivider s;
    const auto r = subdivided(mesh, 1, -0.0625f, &s);
    ASSERT_TRUE(r);
    ASSERT_EQ(r->numVertices, mesh.numVertices + s.edgeCount);
    for (int e = 0; e < s.edgeCount; ++e) {
        const Vector& a = mesh.vertices[std::size_t(s.edgeVertices[std::size_t(2 * e)])];
        const Vector& b = mesh.vertices[std::size_t(s.edgeVertices[std::size_t(2 * e + 1)])];
        const Vector& m = r->vertices[std::size_t(mesh.numVertices + e)];
        ASSERT_NEAR(m.x, (a.x + b.x) * 0.5f, 1e-6f);
        ASSERT_NEAR(m.y, (a.y + b.y) * 0.5f, 1e-6f);
        ASSERT_NEAR(m.z, (a.z + b.z) * 0.5f, 1e-6f);
    }
}

TEST(Subdivider, LevelZeroOrNoSourceLeavesNoResult)
{
    Subdivider s;
    EXPECT_TRUE(s.subdivide());
    EXPECT_FALSE(s.result);
    s.source = octahedron().clone();
    s.levels = 0;
    EXPECT_TRUE(s.subdivide());
    EXPECT_FALSE(s.result);

    Mesh mesh = octahedron();
    Subdivider view;
    EXPECT_TRUE(subdivideMesh(mesh, view, 0, 0.0f));
    EXPECT_EQ(mesh.numFaces, 8);

    Mesh empty;
    EXPECT_TRUE(subdivideMesh(empty, view, 3, 0.0f));
    EXPECT_EQ(empty.numVertices, 0);
    EXPECT_EQ(empty.numFaces, 0);
}

TEST(Subdivider, ViewOperationReplacesTheMeshWithFreshDerivedData)
{
    Mesh mesh = octahedron();
    mesh.faces[0].colour = Vector(1.0f, 0.0f, 0.0f, 1.0f);
    mesh.faces[0].segment = 2;
    mesh.faces[0].traversed = 1;
    mesh.vertexColours[0] = Vector(1.0f, 1.0f, 0.0f, 1.0f);
    mesh.morphogenNames = { "a" };
    mesh.allocateMorphogens(6, 1);
    build(mesh, { MESH_CENTRE, MESH_EDGE_LIST, MESH_VERTEX_NORMALS, MESH_BB });
    Subdivider s;
    ASSERT_TRUE(subdivideMesh(mesh, s, 2, 0.0f));
    EXPECT_FALSE(s.source);
    EXPECT_FALSE(s.result);
    EXPECT_EQ(mesh.numFaces, 8 * 16);
    // Closed genus 0: V - E + F stays 2, and every edge has two faces.
    EXPECT_EQ(mesh.numVertices - mesh.numEdges + mesh.numFaces, 2);
    for (int e = 0; e < mesh.numEdges; ++e)
        EXPECT_GE(mesh.edgeFaces[std::size_t(2 * e + 1)], 0);
    EXPECT_NEAR(mesh.vertexNormals[0].getLength(), 1.0f, 1e-5f);
    // copyFrom carries no face colours and the subdivider makes no vertex colours.
    EXPECT_FLOAT_EQ(mesh.faces[0].colour.x, 0.75f);
    EXPECT_EQ(mesh.faces[0].segment, 0);
    EXPECT_EQ(mesh.faces[0].traversed, 0);
    EXPECT_FLOAT_EQ(mesh.vertexColours[0].x, 0.0f);
    // Nor texture coordinates or centroids: those wait for their builds.
    for (int v = 0; v < mesh.numVertices; ++v)
        ASSERT_EQ(mesh.texCoords[std::size_t(v)], Vector(0.0f, 0.0f, 0.0f));
    for (int f = 0; f < mesh.numFaces; ++f)
        ASSERT_EQ(mesh.centroids[std::size_t(f)], Vector(0.0f, 0.0f, 0.0f));
    EXPECT_TRUE(mesh.morphogenValues.empty());
    EXPECT_EQ(mesh.morphogenNames.size(), 1u);
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
    const struct
    {
        const char* name;
        int levels;
    } cases[] = { { "cross.obj", 3 }, { "suzanne.obj", 2 }, { "beetle.obj", 2 },
        { "african_head.obj", 1 }, { "teapot.obj", 1 }, { "spot.obj", 1 } };
    int compared = 0;
    for (const auto& c : cases) {
        Mesh mesh;
        if (!loadRealMesh(mesh, c.name))
            continue;
        for (float w : { 0.0f, 0.1f }) {
            const auto expected = referenceSubdivide(mesh, c.levels, w);
            const auto actual = subdivided(mesh, c.levels, w);
            SCOPED_TRACE(c.name);
            expectSameGeometry(*actual, *expected);
            // Bit for bit: unused vertices and slivers have normals that are not numbers.
            for (int v = 0; v < actual->numVertices; ++v)
                ASSERT_EQ(std::memcmp(&actual->vertexNormals[std::size_t(v)],
                              &expected->vertexNormals[std::size_t(v)], 4 * sizeof(float)),
                    0);
        }
        Mesh fast;
        fast.copyFrom(mesh);
        Mesh slow;
        slow.copyFrom(mesh);
        Subdivider s;
        ASSERT_TRUE(subdivideMesh(fast, s, c.levels, 0.0f));
        referenceSubdivideMesh(slow, c.levels, 0.0f);
        ASSERT_EQ(objBytes(fast), objBytes(slow)) << c.name;
        ++compared;
    }
    if (compared == 0)
        GTEST_SKIP() << "no real meshes";
}
