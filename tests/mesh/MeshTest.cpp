#include "TestUtil.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/Mesh.h"

#include <gtest/gtest.h>

namespace {

using testutil::expectLinked;
using testutil::makeTetrahedron;

TEST(Mesh, ReallocationLeavesNoStaleDataAndNegativeSizesAreRefused)
{
    Mesh mesh;
    makeTetrahedron(mesh);
    testutil::captureStdout([&] { build(mesh, { MESH_EDGE_LIST, MESH_BB }); });
    mesh.clear();
    EXPECT_TRUE(mesh.numEdges == 0 && mesh.facePtrs.empty() && mesh.edgeFaces.empty());
    ASSERT_TRUE(mesh.allocateVertices(3));
    mesh.vertices[0] = Vector(5, 5, 5);
    ASSERT_TRUE(mesh.allocateVertices(2));
    EXPECT_TRUE(mesh.vertices[0] == Vector(0, 0, 0) && mesh.vertices[0].w == 1.0f);
    EXPECT_FALSE(mesh.allocateVertices(-1) || mesh.allocateFaces(-5));
    EXPECT_EQ(mesh.numVertices + mesh.numFaces, 0);
}

// The tools rely on copyFrom starting face records afresh and on clone keeping
// them; both must own their vertices, even when copying onto themselves.
TEST(Mesh, CopiesOwnTheirVerticesAndTakeFaceRecordsOnlyWhenCloned)
{
    Mesh source;
    makeTetrahedron(source);
    source.vertexColours[2] = Vector(1, 0, 0, 1);
    source.faces[0].colour = Vector(0.1f, 0.2f, 0.3f, 1.0f);
    source.faces[0].segment = 4;
    testutil::captureStdout([&] { build(source, { MESH_FACE_NORMALS, MESH_EDGE_LIST }); });

    Mesh copy;
    copy.copyFrom(source);
    source.faces[1].vertex[0] = source.vertices.data() + 2; // indices follow the pointers
    const auto clone = source.clone();
    for (const Mesh* m : { &copy, clone.get() }) {
        expectLinked(*m);
        EXPECT_TRUE(m->vertexColours[2] == Vector(1, 0, 0));
        EXPECT_TRUE(m->vertexNormals[0] == source.vertexNormals[0]);
        EXPECT_EQ(m->numEdges, 0);
    }
    EXPECT_TRUE(copy.faces[0].colour == Vector(0.75f, 0.75f, 1.0f));
    EXPECT_EQ(copy.faces[0].segment, 0);
    EXPECT_TRUE(clone->faces[0].colour == Vector(0.1f, 0.2f, 0.3f));
    EXPECT_EQ(clone->faces[0].segment, 4);
    EXPECT_EQ(clone->faces[1].index[0], 2);
    copy.vertices[1].x = 42.0f;
    clone->vertices[1].x = 43.0f;
    EXPECT_FLOAT_EQ(source.vertices[1].x, 1.0f);
    EXPECT_FLOAT_EQ(copy.faces[0].vertex[2]->x, 42.0f);

    copy.copyFrom(copy);
    EXPECT_EQ(copy.numFaces, 4);
    expectLinked(copy);
    copy.truncateFaces(2);
    expectLinked(copy);
    Mesh moved(std::move(copy));
    expectLinked(moved);
}

} // namespace
