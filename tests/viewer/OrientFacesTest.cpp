#include "TestMeshes.h"

#include "mesh/engine/Build.h"

#include <gtest/gtest.h>

// Only a face whose corner order disagrees with its stored normal is turned, and
// every face stays linked to its own record and vertices.
TEST(OrientFaces, swapsOnlyFacesAgainstTheirNormal)
{
    Mesh mesh = makeMesh({ { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 1, 1, 0 }, { 0, 0, 1 } },
        { { 0, 1, 2 }, { 1, 3, 2 }, { 0, 4, 1 } });
    build(mesh, { MESH_CENTROIDS, MESH_VERTEX_NORMALS });
    mesh.faces[1].normal = Vector(0.0f, 0.0f, -1.0f, 0.0f);
    mesh.facePtrs[0] = mesh.facePtrs[1] = nullptr;
    mesh.orientFaces();
    const int expected[3][3] = { { 0, 1, 2 }, { 1, 2, 3 }, { 0, 4, 1 } };
    for (int f = 0; f < 3; ++f) {
        const Face& face = mesh.faces[std::size_t(f)];
        EXPECT_EQ(mesh.facePtrs[std::size_t(f)], &face);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(face.index[k], expected[f][k]) << "face " << f;
            EXPECT_EQ(face.vertex[k], mesh.vertices.data() + face.index[k]);
        }
    }
}
