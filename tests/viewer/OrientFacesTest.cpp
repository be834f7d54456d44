#include "TestMeshes.h"

#include "mesh/engine/Build.h"

#include <gtest/gtest.h>

TEST(OrientFaces, swapsOnlyFacesAgainstTheirNormal)
{
    Mesh mesh = makeMesh({ { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 1, 1, 0 } },
                         { { 0, 1, 2 }, { 1, 3, 2 } });
    build(mesh, { MESH_CENTROIDS, MESH_VERTEX_NORMALS });
    // Face 1's stored normal now disagrees with its corner order.
    mesh.faces[1].normal = Vector(0.0f, 0.0f, -1.0f, 0.0f);
    mesh.facePtrs[0] = mesh.facePtrs[1] = nullptr;
    mesh.orientFaces();

    EXPECT_EQ(mesh.faces[0].index[1], 1);
    EXPECT_EQ(mesh.faces[0].index[2], 2);
    EXPECT_EQ(mesh.faces[1].index[0], 1);
    EXPECT_EQ(mesh.faces[1].index[1], 2);
    EXPECT_EQ(mesh.faces[1].index[2], 3);
    for (int f = 0; f < 2; ++f) {
        const Face& face = mesh.faces[std::size_t(f)];
        EXPECT_EQ(mesh.facePtrs[std::size_t(f)], &face);
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(face.vertex[k], mesh.vertices.data() + face.index[k]);
    }
    // After the swap the corners agree with the stored normal.
    Face copy = mesh.faces[1];
    copy.computeNormal();
    EXPECT_FLOAT_EQ(copy.normal.z, -1.0f);
}

TEST(OrientFaces, freshNormalsLeaveEveryFaceAlone)
{
    Mesh mesh = makeMesh({ { 0, 0, 0 }, { 2, 0, 0 }, { 0, 3, 0 }, { 0, 0, 1 } },
                         { { 0, 2, 1 }, { 0, 1, 3 }, { 1, 2, 3 }, { 0, 3, 2 } });
    build(mesh, { MESH_CENTROIDS, MESH_VERTEX_NORMALS });
    mesh.orientFaces();
    const int expected[4][3] = { { 0, 2, 1 }, { 0, 1, 3 }, { 1, 2, 3 }, { 0, 3, 2 } };
    for (int f = 0; f < 4; ++f)
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(mesh.faces[std::size_t(f)].index[k], expected[f][k]);
}
