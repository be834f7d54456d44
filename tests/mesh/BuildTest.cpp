#include "TestUtil.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/Mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using testutil::captureStdout;
using testutil::makeMesh;

void expectVector(const Vector& v, float x, float y, float z, float w)
{
    EXPECT_NEAR(v.x, x, 1e-5f);
    EXPECT_NEAR(v.y, y, 1e-5f);
    EXPECT_NEAR(v.z, z, 1e-5f);
    EXPECT_NEAR(v.w, w, 1e-5f);
}

TEST(Build, RunsAndNamesTheKnownCodesInTheOrderGiven)
{
    Mesh mesh;
    makeMesh(mesh, { { 0, 0, 0 }, { 2, 0, 0 }, { 0, 2, 0 } }, { { 0, 1, 2 } });
    mesh.centre.w = 7.0f;
    EXPECT_EQ(captureStdout([&] {
        build(mesh, { 2, 99, 7, 6, 0, 3, 8, 4, 5, 2, -1 });
    }),
        "BUILDING: MESH_CENTRE MESH_CENTROIDS MESH_EDGE_LIST MESH_VERTEX_NORMALS MESH_BB "
        "MESH_FACE_NORMALS MESH_TEXCOORDS MESH_CENTRE \n\n");
    expectVector(mesh.centre, 1, 1, 0, 7); // the box's centre
    // Moving a vertex between two runs of the same code: the later run wins.
    mesh.vertices[1].x = 4;
    captureStdout([&] { build(mesh, { MESH_CENTRE, MESH_CENTROIDS }); });
    expectVector(mesh.centre, 2, 1, 0, 7);
    expectVector(mesh.centroids[0], 4.0f / 3.0f, 2.0f / 3.0f, 0, 1);
    EXPECT_EQ(captureStdout([&] { build(mesh, {}); }), "BUILDING: \n\n");

    // Nothing to build on: no division by zero, no edges.
    Mesh lone;
    makeMesh(lone, { { 1, 2, 3 } }, {});
    captureStdout([&] { build(lone, { 2, 3, 5, 6, 7, 8 }); });
    expectVector(lone.vertexNormals[0], 0, 0, 0, 0);
    expectVector(lone.centre, 1, 2, 3, 1);
    EXPECT_FLOAT_EQ(lone.extent, 0.0f);
    EXPECT_EQ(lone.numEdges, 0);
}

TEST(Build, VertexNormalsAreRenormalisedAfterEachFaceInFacePtrsOrder)
{
    // Faces at the origin with normals +z, +x and +y, and an unused vertex.
    Mesh mesh;
    makeMesh(mesh, { { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 0, 0, 1 }, { 5, 5, 5 } },
        { { 0, 1, 2 }, { 0, 2, 3 }, { 0, 3, 1 } });
    mesh.vertexNormals[4] = Vector(1, 1, 1, 1);
    const float h = std::sqrt(0.5f);
    captureStdout([&] { build(mesh, { MESH_VERTEX_NORMALS }); });
    expectVector(mesh.faces[1].normal, 1, 0, 0, 0);
    expectVector(mesh.vertexNormals[0], 0.5f, h, 0.5f, 0);
    expectVector(mesh.vertexNormals[1], 0, h, h, 0);
    expectVector(mesh.vertexNormals[4], 0, 0, 0, 0);
    // Order now +y, +z, +x; code 4 is the same builder.
    std::swap(mesh.facePtrs[0], mesh.facePtrs[2]);
    std::swap(mesh.facePtrs[1], mesh.facePtrs[2]);
    captureStdout([&] { build(mesh, { MESH_FACE_NORMALS }); });
    expectVector(mesh.vertexNormals[0], h, 0.5f, 0.5f, 0);
}

TEST(Build, TextureCoordinatesBoxCornersAndExtentFollowTheBox)
{
    Mesh mesh;
    // A box 2 x 5 x 3 from (1, -2, 0) to (3, 3, 3).
    makeMesh(mesh, { { 1, 3, 0 }, { 3, -2, 1 }, { 2, 0, 3 } }, { { 0, 1, 2 } });
    captureStdout([&] { build(mesh, { MESH_BB, MESH_TEXCOORDS }); });
    EXPECT_FLOAT_EQ(mesh.extent, 5.0f);
    const float corners[8][3] = { { 3, -2, 3 }, { 3, 3, 3 }, { 1, 3, 3 }, { 1, -2, 3 },
        { 1, -2, 0 }, { 1, 3, 0 }, { 3, 3, 0 }, { 3, -2, 0 } };
    // Only x, y and z are written; w keeps its 0.
    for (int i = 0; i < 8; ++i)
        expectVector(mesh.boxCorners[i], corners[i][0], corners[i][1], corners[i][2], 0);
    // u and v span 0 .. 2 over the box's x and y.
    expectVector(mesh.texCoords[0], 0, 2, 0, 1);
    expectVector(mesh.texCoords[1], 2, 0, 0, 1);
    expectVector(mesh.texCoords[2], 1, 0.8f, 0, 1);

    // No range in x: u is 0 rather than a division by zero.
    makeMesh(mesh, { { 3, 0, 0 }, { 3, 1, 0 }, { 3, 2, -8 } }, { { 0, 1, 2 } });
    captureStdout([&] { build(mesh, { MESH_TEXCOORDS, MESH_BB }); });
    expectVector(mesh.texCoords[1], 0, 1, 0, 1);
    EXPECT_FLOAT_EQ(mesh.extent, 8.0f);
}

} // namespace
