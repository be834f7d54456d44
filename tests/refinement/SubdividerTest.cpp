#include "TestMeshes.h"

#include "refinement/engine/Subdivider.h"

#include <cstring>

namespace {

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
    ASSERT_EQ(testutil::triangles(a), testutil::triangles(b));
}

} // namespace

// The view's operation leaves a closed, linked mesh. No levels, no source or an
// empty mesh leave everything as it was; a result that cannot fit is refused from
// the counts alone, before anything is allocated.
TEST(Subdivider, ViewOperationAndNothingToDoOrNoRoom)
{
    Mesh mesh = octahedron();
    build(mesh, { MESH_CENTRE, MESH_EDGE_LIST, MESH_VERTEX_NORMALS, MESH_BB });
    Subdivider s;
    ASSERT_TRUE(subdivideMesh(mesh, s, 2, 0.0f));
    EXPECT_FALSE(s.source || s.result);
    EXPECT_EQ(mesh.numFaces, 8 * 16);
    // Closed genus 0: V - E + F stays 2, and every edge has two faces.
    EXPECT_EQ(mesh.numVertices - mesh.numEdges + mesh.numFaces, 2);
    EXPECT_EQ(std::count(mesh.edgeFaces.begin(), mesh.edgeFaces.end(), -1), 0);
    testutil::expectLinked(mesh);

    EXPECT_TRUE(s.subdivide());
    Mesh octa = octahedron(), empty;
    EXPECT_TRUE(subdivideMesh(octa, s, 0, 0.0f) && subdivideMesh(empty, s, 3, 0.0f));
    EXPECT_EQ(octa.numFaces + empty.numFaces, 8);
    Mesh tri = makeMesh({ { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 } }, { { 0, 1, 2 } });
    EXPECT_NE(subdivisionRefusal(tri, 16).find("4294967296 faces"), std::string::npos);
    EXPECT_TRUE(subdivisionRefusal(tri, 10).empty());

    Mesh grid = flatGrid(24); // 1058 faces; ten levels ask for over a billion
    const Mesh before = std::move(*grid.clone());
    testutil::captureStdout([&] { EXPECT_FALSE(subdivideMesh(grid, s, 10, 0.0f)); });
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
            Subdivider s;
            s.source = &mesh;
            s.levels = levels;
            s.weight = w;
            ASSERT_TRUE(s.subdivide());
            const auto expected = referenceSubdivide(mesh, levels, w);
            expectSameGeometry(*s.result, *expected);
            // Bit for bit: unused vertices and slivers have normals that are not numbers.
            ASSERT_TRUE(sameBits(s.result->vertexNormals, expected->vertexNormals));
        }
        ++compared;
    }
    if (compared == 0)
        GTEST_SKIP() << "no real meshes";
}
