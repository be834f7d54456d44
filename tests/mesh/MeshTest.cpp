#include "TestUtil.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/Mesh.h"

#include <gtest/gtest.h>

namespace {

using testutil::expectLinked;
using testutil::makeTetrahedron;

TEST(Mesh, ClearAndReallocateLeaveNoStaleDataAndRefuseNegativeSizes)
{
    Mesh mesh;
    makeTetrahedron(mesh);
    mesh.morphogenNames = { "a", "b" };
    mesh.allocateMorphogens(4, 2);
    testutil::captureStdout([&] { build(mesh, { MESH_EDGE_LIST, MESH_BB }); });
    mesh.clear();
    EXPECT_EQ(mesh.numVertices + mesh.numFaces + mesh.numEdges, 0);
    EXPECT_TRUE(mesh.vertices.empty() && mesh.vertexNormals.empty() && mesh.faces.empty()
        && mesh.facePtrs.empty() && mesh.centroids.empty() && mesh.edgeVertices.empty()
        && mesh.edgeFaces.empty() && mesh.morphogenValues.empty());
    EXPECT_TRUE(mesh.boxCorners[0] == Vector(0, 0, 0));
    // Names and adjacency wait for the next load and build.
    EXPECT_EQ(mesh.morphogenNames.size(), 2u);

    ASSERT_TRUE(mesh.allocateVertices(3));
    mesh.vertices[0] = Vector(5, 5, 5);
    ASSERT_TRUE(mesh.allocateVertices(2));
    EXPECT_TRUE(mesh.vertices[0] == Vector(0, 0, 0) && mesh.vertices[0].w == 1.0f);
    ASSERT_TRUE(mesh.allocateMorphogens(3, 2));
    EXPECT_EQ(mesh.morphogenValues[2], std::vector<float>({ 0.0f, 0.0f }));
    EXPECT_FALSE(mesh.allocateVertices(-1));
    EXPECT_EQ(mesh.numVertices, 0);
    EXPECT_FALSE(mesh.allocateFaces(-5));
    EXPECT_EQ(mesh.numFaces, 0);
}

TEST(Mesh, CopyFromTakesOwnGeometryButNotFaceRecords)
{
    Mesh source;
    makeTetrahedron(source);
    source.vertexColours[2] = Vector(1, 0, 0, 1);
    source.faces[0].colour = Vector(0.1f, 0.2f, 0.3f, 1.0f);
    source.faces[0].segment = 4;
    source.allocateMorphogens(4, 1);
    testutil::captureStdout([&] { build(source, { MESH_FACE_NORMALS, MESH_EDGE_LIST }); });

    Mesh copy;
    copy.copyFrom(source);
    expectLinked(copy);
    EXPECT_EQ(testutil::triangles(copy), testutil::triangles(source));
    EXPECT_TRUE(copy.vertexColours[2] == Vector(1, 0, 0));
    EXPECT_TRUE(copy.vertexNormals[0] == source.vertexNormals[0]);
    EXPECT_TRUE(copy.faces[0].colour == Vector(0.75f, 0.75f, 1.0f));
    EXPECT_EQ(copy.faces[0].segment, 0);
    EXPECT_TRUE(copy.faces[0].normal == Vector(0, 0, 0));
    EXPECT_TRUE(copy.morphogenValues.empty());
    EXPECT_EQ(copy.numEdges, 0);
    copy.vertices[1].x = 42.0f;
    EXPECT_FLOAT_EQ(source.vertices[1].x, 1.0f);
    EXPECT_FLOAT_EQ(copy.faces[0].vertex[2]->x, 42.0f);

    copy.copyFrom(copy);
    EXPECT_EQ(copy.numFaces, 4);
    expectLinked(copy);
    copy.copyFrom(Mesh());
    EXPECT_EQ(copy.numVertices + copy.numFaces, 0);
}

TEST(Mesh, CloneCopiesFaceRecordsAndFollowsTheCornerPointers)
{
    Mesh source;
    makeTetrahedron(source);
    testutil::captureStdout([&] { build(source, { MESH_FACE_NORMALS, MESH_TEXCOORDS }); });
    source.faces[2].colour = Vector(0.5f, 0.5f, 0.5f, 1.0f);
    source.faces[2].traversed = 1;
    source.faces[2].segment = 3;
    source.faces[1].vertex[0] = source.vertices.data() + 2;

    const auto copy = source.clone();
    expectLinked(*copy);
    EXPECT_TRUE(copy->faces[2].colour == Vector(0.5f, 0.5f, 0.5f));
    EXPECT_EQ(copy->faces[2].traversed, 1);
    EXPECT_EQ(copy->faces[2].segment, 3);
    EXPECT_TRUE(copy->vertexNormals[0] == source.vertexNormals[0]);
    EXPECT_TRUE(copy->texCoords[1] == Vector(0, 0, 0));
    EXPECT_EQ(copy->faces[1].index[0], 2);
    copy->vertices[0].z = -9.0f;
    EXPECT_FLOAT_EQ(source.vertices[0].z, 0.0f);
}

TEST(Mesh, TruncateAndMoveKeepFacesPointingIntoTheirOwnVertices)
{
    Mesh mesh;
    makeTetrahedron(mesh);
    mesh.truncateFaces(2);
    EXPECT_EQ(mesh.centroids.size(), 2u);
    expectLinked(mesh);
    mesh.truncateFaces(5);
    EXPECT_EQ(mesh.numFaces, 2);
    Mesh moved(std::move(mesh));
    expectLinked(moved);
}

} // namespace
