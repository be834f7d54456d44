#include "TestUtil.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/Mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using testutil::captureStdout;
using testutil::makeMesh;

void expectVector(const Vector& v, float x, float y, float z, float w, float tol = 1e-5f)
{
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
    EXPECT_NEAR(v.w, w, tol);
}

TEST(Build, PrintsTheNamesOfTheCodesItRuns)
{
    Mesh mesh;
    testutil::makeTetrahedron(mesh);
    EXPECT_EQ(captureStdout([&] { build(mesh, {}); }), "BUILDING: \n\n");
    EXPECT_EQ(captureStdout([&] {
        build(mesh, { 2, 99, 7, 6, 0, 3, 8, 4, 5, 2, -1 });
    }),
        "BUILDING: MESH_CENTRE MESH_CENTROIDS MESH_EDGE_LIST MESH_VERTEX_NORMALS MESH_BB "
        "MESH_FACE_NORMALS MESH_TEXCOORDS MESH_CENTRE \n\n");
    const std::vector<int> codes = { MESH_BB };
    EXPECT_EQ(captureStdout([&] { build(mesh, codes); }), "BUILDING: MESH_BB \n\n");
}

TEST(Build, NoCodesChangeNothing)
{
    Mesh mesh;
    testutil::makeTetrahedron(mesh);
    captureStdout([&] { build(mesh, {}); });
    EXPECT_EQ(mesh.numEdges, 0);
    EXPECT_FLOAT_EQ(mesh.extent, 1.0f);
    EXPECT_TRUE(mesh.faces[0].normal == Vector(0, 0, 0));
}

TEST(Build, CodesRunInTheOrderGiven)
{
    Mesh mesh;
    makeMesh(mesh, { { 0, 0, 0 }, { 2, 0, 0 }, { 0, 2, 0 } }, { { 0, 1, 2 } });
    mesh.centre.w = 7.0f;
    captureStdout([&] { build(mesh, { MESH_CENTRE }); });
    expectVector(mesh.centre, 1, 1, 0, 7);
    // Moving a vertex between two runs of the same code: the later run wins.
    mesh.vertices[1].x = 4;
    captureStdout([&] { build(mesh, { MESH_CENTRE, MESH_CENTROIDS }); });
    expectVector(mesh.centre, 2, 1, 0, 7);
    expectVector(mesh.centroids[0], 4.0f / 3.0f, 2.0f / 3.0f, 0, 1);
}

TEST(Build, EmptyMeshIsLeftAlone)
{
    Mesh mesh;
    captureStdout([&] { build(mesh, { 2, 3, 4, 5, 6, 7, 8 }); });
    EXPECT_FLOAT_EQ(mesh.extent, 1.0f);
    EXPECT_EQ(mesh.numEdges, 0);
    EXPECT_TRUE(mesh.centre == Vector(0, 0, 0));

    // Vertices without faces: no normals to add, no edges.
    makeMesh(mesh, { { 1, 2, 3 } }, {});
    captureStdout([&] { build(mesh, { 2, 3, 5, 6, 7, 8 }); });
    expectVector(mesh.vertexNormals[0], 0, 0, 0, 0);
    expectVector(mesh.centre, 1, 2, 3, 1);
    EXPECT_FLOAT_EQ(mesh.extent, 0.0f);
    EXPECT_EQ(mesh.numEdges, 0);
    EXPECT_EQ(mesh.vertexEdgeRefs.size(), 1u);
}

TEST(Build, SingleTriangleNormals)
{
    Mesh mesh;
    makeMesh(mesh, { { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 5, 5, 5 } }, { { 0, 1, 2 } });
    captureStdout([&] { build(mesh, { MESH_VERTEX_NORMALS }); });
    expectVector(mesh.faces[0].normal, 0, 0, 1, 0);
    for (int i = 0; i < 3; ++i)
        expectVector(mesh.vertexNormals[std::size_t(i)], 0, 0, 1, 0);
    // A vertex used by no face keeps the zero normal.
    expectVector(mesh.vertexNormals[3], 0, 0, 0, 0);

    // Code 4 is the same builder, and it starts from zero every time.
    mesh.vertexNormals[3] = Vector(1, 1, 1, 1);
    captureStdout([&] { build(mesh, { MESH_FACE_NORMALS, MESH_FACE_NORMALS }); });
    expectVector(mesh.vertexNormals[0], 0, 0, 1, 0);
    expectVector(mesh.vertexNormals[3], 0, 0, 0, 0);
}

TEST(Build, VertexNormalsDependOnFaceOrder)
{
    // Faces at the origin with normals +z, +x and +y.
    Mesh mesh;
    makeMesh(mesh, { { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 0, 0, 1 } },
        { { 0, 1, 2 }, { 0, 2, 3 }, { 0, 3, 1 } });
    const float h = std::sqrt(0.5f);

    Mesh two;
    makeMesh(
        two, { { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 0, 0, 1 } }, { { 0, 1, 2 }, { 0, 2, 3 } });
    captureStdout([&] { build(two, { MESH_VERTEX_NORMALS }); });
    expectVector(two.vertexNormals[0], h, 0, h, 0);

    captureStdout([&] { build(mesh, { MESH_VERTEX_NORMALS }); });
    expectVector(mesh.faces[0].normal, 0, 0, 1, 0);
    expectVector(mesh.faces[1].normal, 1, 0, 0, 0);
    expectVector(mesh.faces[2].normal, 0, 1, 0, 0);
    // Renormalised after every face, not averaged.
    expectVector(mesh.vertexNormals[0], 0.5f, h, 0.5f, 0);

    // The builder visits faces in facePtrs order.
    std::swap(mesh.facePtrs[0], mesh.facePtrs[2]);
    std::swap(mesh.facePtrs[1], mesh.facePtrs[2]);
    captureStdout([&] { build(mesh, { MESH_VERTEX_NORMALS }); });
    // Order now +y, +z, +x.
    expectVector(mesh.vertexNormals[0], h, 0.5f, 0.5f, 0);
}

TEST(Build, CentreAndCentroids)
{
    Mesh mesh;
    makeMesh(mesh, { { -1, 10, 3 }, { 5, -2, 3 }, { 0, 0, -7 } }, { { 0, 1, 2 }, { 2, 1, 0 } });
    captureStdout([&] { build(mesh, { MESH_CENTRE, MESH_CENTROIDS }); });
    expectVector(mesh.centre, 2, 4, -2, 1);
    expectVector(mesh.centroids[0], 4.0f / 3.0f, 8.0f / 3.0f, -1.0f / 3.0f, 1);
    expectVector(mesh.centroids[1], 4.0f / 3.0f, 8.0f / 3.0f, -1.0f / 3.0f, 1);
}

TEST(Build, TextureCoordinates)
{
    Mesh mesh;
    makeMesh(mesh, { { -1, 0, 3 }, { 1, 4, -3 }, { 0, 2, 9 } }, { { 0, 1, 2 } });
    mesh.texCoords[2] = Vector(9, 9, 9, 9);
    captureStdout([&] { build(mesh, { MESH_TEXCOORDS }); });
    expectVector(mesh.texCoords[0], 0, 0, 0, 1);
    expectVector(mesh.texCoords[1], 2, 2, 0, 1);
    expectVector(mesh.texCoords[2], 1, 1, 0, 1);

    // No range in x: u is 0, v still spans 0 .. 2.
    makeMesh(mesh, { { 3, 0, 0 }, { 3, 1, 0 }, { 3, 2, 5 } }, { { 0, 1, 2 } });
    captureStdout([&] { build(mesh, { MESH_TEXCOORDS }); });
    expectVector(mesh.texCoords[0], 0, 0, 0, 1);
    expectVector(mesh.texCoords[1], 0, 1, 0, 1);
    expectVector(mesh.texCoords[2], 0, 2, 0, 1);
    for (const Vector& t : mesh.texCoords)
        EXPECT_TRUE(std::isfinite(t.x) && std::isfinite(t.y));
}

TEST(Build, BoundingBoxCornersAndExtent)
{
    Mesh mesh;
    // A box 2 x 5 x 3 from (1, -2, 0) to (3, 3, 3).
    makeMesh(mesh, { { 1, 3, 0 }, { 3, -2, 1 }, { 2, 0, 3 } }, { { 0, 1, 2 } });
    captureStdout([&] { build(mesh, { MESH_BB }); });
    EXPECT_FLOAT_EQ(mesh.extent, 5.0f);
    const float expected[8][3] = {
        { 3, -2, 3 },
        { 3, 3, 3 },
        { 1, 3, 3 },
        { 1, -2, 3 },
        { 1, -2, 0 },
        { 1, 3, 0 },
        { 3, 3, 0 },
        { 3, -2, 0 },
    };
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        // Only x, y and z are written; w keeps the construction value.
        expectVector(mesh.boxCorners[i], expected[i][0], expected[i][1], expected[i][2], 0);
    }

    // The longest side wins in each direction.
    makeMesh(mesh, { { 0, 0, 0 }, { 7, 1, 1 } }, {});
    captureStdout([&] { build(mesh, { MESH_BB }); });
    EXPECT_FLOAT_EQ(mesh.extent, 7.0f);
    makeMesh(mesh, { { 0, 0, 0 }, { 1, 1, -8 } }, {});
    captureStdout([&] { build(mesh, { MESH_BB }); });
    EXPECT_FLOAT_EQ(mesh.extent, 8.0f);
}

} // namespace
