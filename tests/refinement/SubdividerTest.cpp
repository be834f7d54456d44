#include "TestMeshes.h"

#include "mesh/engine/Build.h"
#include "refinement/engine/Subdivider.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <tuple>

namespace {

std::unique_ptr<Mesh> subdivided(const Mesh& mesh, int levels, float weight)
{
    Subdivider s;
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
    ASSERT_TRUE(std::equal(a.faces.begin(), a.faces.end(), b.faces.begin(), b.faces.end(),
        [](const Face& p, const Face& q) { return std::equal(p.index, p.index + 3, q.index); }));
}

} // namespace

// New vertices on P-Q, Q-R, R-P, children around them in order, each carrying its
// parent's record; with a second face the butterfly stencil moves them, old vertices stay.
TEST(Subdivider, ChildrenAroundTheMidpointsAndTheButterflyStencil)
{
    Mesh tri = makeMesh({ { 0, 0, 0 }, { 2, 0, 0 }, { 0, 2, 0 } }, { { 0, 1, 2 } });
    tri.faces[0].colour = Vector(0.1f, 0.2f, 0.3f, 1.0f);
    const auto r = subdivided(tri, 1, 0.0f);
    ASSERT_EQ(r->numVertices, 6);
    for (const auto& [v, x, y] : { std::tuple { 3, 1, 0 }, { 4, 1, 1 }, { 5, 0, 1 } })
        expectVector(r->vertices[std::size_t(v)], float(x), float(y), 0);
    const int expected[4][3] = { { 0, 3, 5 }, { 3, 1, 4 }, { 5, 4, 2 }, { 3, 4, 5 } };
    for (int f = 0; f < 4; ++f) {
        const Face& face = *r->facePtrs[std::size_t(f)];
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(face.vertex[k], r->vertices.data() + expected[f][k]);
        EXPECT_FLOAT_EQ(face.colour.x, 0.1f);
    }

    const Mesh octa = octahedron();
    for (float w : { 0.0f, 0.05f, -0.125f, 0.125f }) {
        const auto o = subdivided(octa, 1, w);
        // Edge 0 is (+x, +y): c = (0, 0, 2), d = (0, 0, -1); the wings are -y, -y, -x, -x.
        const float near = 2 * w + 0.125f, far = -0.0625f - w;
        expectVector(o->vertices[6], 0.5f - 2 * far, 0.5f - 2 * far, near);
        EXPECT_TRUE(std::equal(octa.vertices.begin(), octa.vertices.end(), o->vertices.begin()));
    }
}

TEST(Subdivider, ViewOperationLeavesAClosedLinkedMeshWithFreshRecords)
{
    Mesh mesh = octahedron();
    mesh.faces[0].colour = Vector(1.0f, 0.0f, 0.0f, 1.0f);
    mesh.vertexColours[0] = Vector(1.0f, 1.0f, 0.0f, 1.0f);
    mesh.allocateMorphogens(6, 1);
    build(mesh, { MESH_CENTRE, MESH_EDGE_LIST, MESH_VERTEX_NORMALS, MESH_BB });
    Subdivider s;
    ASSERT_TRUE(subdivideMesh(mesh, s, 2, 0.0f));
    EXPECT_FALSE(s.source || s.result);
    EXPECT_EQ(mesh.numFaces, 8 * 16);
    // Closed genus 0: V - E + F stays 2, and every edge has two faces.
    EXPECT_EQ(mesh.numVertices - mesh.numEdges + mesh.numFaces, 2);
    EXPECT_EQ(std::count(mesh.edgeFaces.begin(), mesh.edgeFaces.end(), -1), 0);
    EXPECT_TRUE(mesh.faces[0].colour.x == 0.75f && mesh.vertexColours[0].x == 0.0f);
    EXPECT_TRUE(mesh.morphogenValues.empty());
    EXPECT_EQ(mesh.faces[127].vertex[2], mesh.vertices.data() + mesh.faces[127].index[2]);
}

// No levels, no source or an empty mesh leave everything as it was; a result
// that cannot fit is refused from the counts alone, before anything is allocated.
TEST(Subdivider, NothingToDoOrNoRoomLeavesTheMeshAsItWas)
{
    Subdivider s;
    EXPECT_TRUE(s.subdivide());
    Mesh octa = octahedron(), empty;
    EXPECT_TRUE(subdivideMesh(octa, s, 0, 0.0f) && subdivideMesh(empty, s, 3, 0.0f));
    EXPECT_EQ(octa.numFaces + empty.numFaces, 8);
    Mesh tri = makeMesh({ { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 } }, { { 0, 1, 2 } });
    EXPECT_NE(subdivisionRefusal(tri, 16).find("4294967296 faces"), std::string::npos);
    EXPECT_TRUE(subdivisionRefusal(tri, 10).empty());

    Mesh grid = flatGrid(24); // 1058 faces; ten levels ask for over a billion
    const Mesh before = std::move(*grid.clone());
    testing::internal::CaptureStdout();
    EXPECT_FALSE(subdivideMesh(grid, s, 10, 0.0f));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("1109393408 faces"), std::string::npos);
    expectSameGeometry(grid, before);
}

// The hash-numbered table and the split from the faces' own edges against the
// linear table searches, on real meshes: identical meshes.
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
        ++compared;
    }
    if (compared == 0)
        GTEST_SKIP() << "no real meshes";
}
