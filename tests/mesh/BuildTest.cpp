#include "TestUtil.h"

#include "mesh/engine/Build.h"

#include <cmath>

namespace {

using testutil::captureStdout;
using testutil::makeMesh;

bool near(const Vector& v, float x, float y, float z, float w)
{
    return std::abs(v.x - x) < 1e-5f && std::abs(v.y - y) < 1e-5f && std::abs(v.z - z) < 1e-5f
        && std::abs(v.w - w) < 1e-5f;
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
    EXPECT_TRUE(near(mesh.vertexNormals[0], 0.5f, h, 0.5f, 0));
    EXPECT_TRUE(near(mesh.vertexNormals[4], 0, 0, 0, 0));
    // Order now +y, +z, +x; code 4 is the same builder.
    std::swap(mesh.facePtrs[0], mesh.facePtrs[2]);
    std::swap(mesh.facePtrs[1], mesh.facePtrs[2]);
    captureStdout([&] { build(mesh, { MESH_FACE_NORMALS }); });
    EXPECT_TRUE(near(mesh.vertexNormals[0], h, 0.5f, 0.5f, 0));
}

// Unknown codes are skipped, a later run sees moved vertices, and a flat or
// single-point mesh divides nothing by zero.
TEST(Build, UnknownCodesSkippedRunsRecomputeAndFlatMeshesDivideNothingByZero)
{
    Mesh mesh;
    makeMesh(mesh, { { 3, 0, 0 }, { 3, 1, 0 }, { 3, 2, -8 } }, { { 0, 1, 2 } });
    mesh.centre.w = 7.0f;
    captureStdout([&] { build(mesh, { MESH_TEXCOORDS, 99, MESH_BB, 0, MESH_CENTRE, -1 }); });
    EXPECT_TRUE(near(mesh.texCoords[1], 0, 1, 0, 1)); // u and v span 0 .. 2; no range in x
    EXPECT_FLOAT_EQ(mesh.extent, 8.0f);
    EXPECT_TRUE(near(mesh.centre, 3, 1, -4, 7)); // the box's centre; w untouched
    mesh.vertices[1].x = 6;
    captureStdout([&] { build(mesh, { MESH_CENTRE, MESH_CENTROIDS }); });
    EXPECT_TRUE(near(mesh.centre, 4.5f, 1, -4, 7));
    EXPECT_TRUE(near(mesh.centroids[0], 4, 1, -8.0f / 3.0f, 1));
    makeMesh(mesh, { { 1, 2, 3 } }, {});
    captureStdout([&] { build(mesh, { 2, 3, 5, 6, 7, 8 }); });
    EXPECT_TRUE(near(mesh.vertexNormals[0], 0, 0, 0, 0) && near(mesh.centre, 1, 2, 3, 7));
    EXPECT_FLOAT_EQ(mesh.extent, 0.0f);
}

} // namespace
