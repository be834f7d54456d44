#include "TestUtil.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/Mesh.h"

#include <gtest/gtest.h>

namespace {

using testutil::expectLinked;
using testutil::makeTetrahedron;

TEST(Mesh, ConstructionAndClear)
{
    Mesh mesh;
    EXPECT_EQ(mesh.numVertices, 0);
    EXPECT_EQ(mesh.numFaces, 0);
    EXPECT_EQ(mesh.numEdges, 0);
    EXPECT_EQ(mesh.selected, -1);
    EXPECT_FLOAT_EQ(mesh.extent, 1.0f);
    EXPECT_EQ(mesh.centre.w, 1.0f);
    EXPECT_TRUE(mesh.centre == Vector(0, 0, 0));
    for (const Vector& c : mesh.boxCorners) {
        EXPECT_TRUE(c == Vector(0, 0, 0));
        EXPECT_EQ(c.w, 0.0f);
    }
    EXPECT_TRUE(mesh.vertices.empty());
    EXPECT_TRUE(mesh.faces.empty());

    // Clearing an empty mesh is harmless.
    mesh.clear();
    mesh.clear();
    EXPECT_EQ(mesh.numVertices, 0);

    makeTetrahedron(mesh);
    mesh.morphogenNames = { "a", "b" };
    mesh.allocateMorphogens(4, 2);
    testutil::captureStdout([&] { build(mesh, { MESH_EDGE_LIST, MESH_BB }); });
    ASSERT_EQ(mesh.numEdges, 6);
    mesh.clear();
    EXPECT_EQ(mesh.numVertices, 0);
    EXPECT_EQ(mesh.numFaces, 0);
    EXPECT_EQ(mesh.numEdges, 0);
    EXPECT_TRUE(mesh.vertices.empty() && mesh.vertexNormals.empty() && mesh.vertexColours.empty()
        && mesh.texCoords.empty() && mesh.faces.empty() && mesh.facePtrs.empty()
        && mesh.centroids.empty() && mesh.edgeVertices.empty() && mesh.edgeFaces.empty()
        && mesh.morphogenValues.empty());
    for (const Vector& c : mesh.boxCorners)
        EXPECT_TRUE(c == Vector(0, 0, 0) && c.w == 0.0f);
    // Names and adjacency wait for the next load and build.
    EXPECT_EQ(mesh.morphogenNames.size(), 2u);
    EXPECT_EQ(mesh.vertexEdgeRefs.size(), 4u);
}

TEST(Mesh, AllocateGivesDefaultEntries)
{
    Mesh mesh;
    ASSERT_TRUE(mesh.allocateVertices(3));
    EXPECT_EQ(mesh.numVertices, 3);
    for (const auto* array :
        { &mesh.vertices, &mesh.vertexNormals, &mesh.vertexColours, &mesh.texCoords }) {
        ASSERT_EQ(array->size(), 3u);
        for (const Vector& v : *array)
            EXPECT_TRUE(v == Vector(0, 0, 0) && v.w == 1.0f);
    }
    mesh.vertices[0] = Vector(5, 5, 5);
    ASSERT_TRUE(mesh.allocateVertices(2));
    EXPECT_TRUE(mesh.vertices[0] == Vector(0, 0, 0));

    ASSERT_TRUE(mesh.allocateFaces(2));
    EXPECT_EQ(mesh.numFaces, 2);
    ASSERT_EQ(mesh.faces.size(), 2u);
    ASSERT_EQ(mesh.facePtrs.size(), 2u);
    ASSERT_EQ(mesh.centroids.size(), 2u);
    const Face& face = mesh.faces[1];
    EXPECT_EQ(face.vertex[0], nullptr);
    EXPECT_EQ(face.index[2], 0);
    EXPECT_TRUE(face.normal == Vector(0, 0, 0) && face.normal.w == 0.0f);
    EXPECT_TRUE(face.colour == Vector(0.75f, 0.75f, 1.0f) && face.colour.w == 1.0f);
    EXPECT_EQ(face.traversed, 0);
    EXPECT_EQ(face.segment, 0);

    ASSERT_TRUE(mesh.allocateMorphogens(3, 2));
    ASSERT_EQ(mesh.morphogenValues.size(), 3u);
    for (const auto& row : mesh.morphogenValues)
        EXPECT_EQ(row, std::vector<float>({ 0.0f, 0.0f }));
    ASSERT_TRUE(mesh.allocateMorphogens(1, 0));
    ASSERT_EQ(mesh.morphogenValues.size(), 1u);
    EXPECT_TRUE(mesh.morphogenValues[0].empty());

    // Impossible sizes are refused, not attempted.
    EXPECT_FALSE(mesh.allocateVertices(-1));
    EXPECT_EQ(mesh.numVertices, 0);
    EXPECT_FALSE(mesh.allocateFaces(-5));
    EXPECT_EQ(mesh.numFaces, 0);
}

TEST(Mesh, CopyFromTakesGeometryOnly)
{
    Mesh source;
    makeTetrahedron(source);
    source.vertexColours[2] = Vector(1, 0, 0, 1);
    source.faces[0].colour = Vector(0.1f, 0.2f, 0.3f, 1.0f);
    source.faces[0].segment = 4;
    source.allocateMorphogens(4, 1);
    testutil::captureStdout([&] {
        build(source, { MESH_CENTRE, MESH_FACE_NORMALS, MESH_TEXCOORDS, MESH_EDGE_LIST });
    });
    source.vertexNormals[1] = Vector(0, 1, 0, 0);

    Mesh copy;
    copy.copyFrom(source);
    ASSERT_EQ(copy.numVertices, 4);
    ASSERT_EQ(copy.numFaces, 4);
    expectLinked(copy);
    EXPECT_EQ(testutil::triangles(copy), testutil::triangles(source));
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(copy.vertices[std::size_t(i)] == source.vertices[std::size_t(i)]);
    EXPECT_TRUE(copy.vertexColours[2] == Vector(1, 0, 0));
    EXPECT_TRUE(copy.vertexNormals[1] == Vector(0, 1, 0));
    // Face records start fresh: colour, segment and normal are not copied.
    EXPECT_TRUE(copy.faces[0].colour == Vector(0.75f, 0.75f, 1.0f));
    EXPECT_EQ(copy.faces[0].segment, 0);
    EXPECT_TRUE(copy.faces[0].normal == Vector(0, 0, 0));
    EXPECT_TRUE(copy.texCoords[1] == Vector(0, 0, 0));
    EXPECT_TRUE(copy.morphogenValues.empty());
    EXPECT_EQ(copy.numEdges, 0);

    // The copy owns its vertices.
    copy.vertices[1].x = 42.0f;
    EXPECT_FLOAT_EQ(source.vertices[1].x, 1.0f);
    EXPECT_FLOAT_EQ(copy.faces[0].vertex[2]->x, 42.0f);

    // Copying onto itself and from an empty mesh.
    copy.copyFrom(copy);
    EXPECT_EQ(copy.numFaces, 4);
    expectLinked(copy);
    Mesh empty;
    copy.copyFrom(empty);
    EXPECT_EQ(copy.numVertices, 0);
    EXPECT_EQ(copy.numFaces, 0);
}

TEST(Mesh, CloneCopiesWholeFaceRecords)
{
    Mesh source;
    makeTetrahedron(source);
    source.vertexColours[3] = Vector(0, 0, 1, 1);
    testutil::captureStdout([&] {
        build(source, { MESH_FACE_NORMALS, MESH_TEXCOORDS, MESH_CENTROIDS });
    });
    source.faces[2].colour = Vector(0.5f, 0.5f, 0.5f, 1.0f);
    source.faces[2].traversed = 1;
    source.faces[2].segment = 3;

    const auto copy = source.clone();
    ASSERT_TRUE(copy);
    ASSERT_EQ(copy->numVertices, 4);
    ASSERT_EQ(copy->numFaces, 4);
    expectLinked(*copy);
    EXPECT_EQ(testutil::triangles(*copy), testutil::triangles(source));
    EXPECT_TRUE(copy->faces[2].colour == Vector(0.5f, 0.5f, 0.5f));
    EXPECT_EQ(copy->faces[2].traversed, 1);
    EXPECT_EQ(copy->faces[2].segment, 3);
    EXPECT_TRUE(copy->faces[2].normal == source.faces[2].normal);
    EXPECT_TRUE(copy->vertexColours[3] == Vector(0, 0, 1));
    EXPECT_TRUE(copy->vertexNormals[0] == source.vertexNormals[0]);
    // Derived data other than normals is not carried over.
    EXPECT_TRUE(copy->texCoords[1] == Vector(0, 0, 0));
    EXPECT_TRUE(copy->centroids[0] == Vector(0, 0, 0));

    copy->vertices[0].z = -9.0f;
    EXPECT_FLOAT_EQ(source.vertices[0].z, 0.0f);

    // The indices follow the corner pointers.
    source.faces[1].vertex[0] = source.vertices.data() + 2;
    const auto second = source.clone();
    EXPECT_EQ(second->faces[1].index[0], 2);
    EXPECT_EQ(second->faces[1].vertex[0], second->vertices.data() + 2);
}

TEST(Mesh, TruncateFacesKeepsFacesLinked)
{
    Mesh mesh;
    makeTetrahedron(mesh);
    mesh.truncateFaces(2);
    EXPECT_EQ(mesh.numFaces, 2);
    EXPECT_EQ(mesh.centroids.size(), 2u);
    expectLinked(mesh);
    mesh.truncateFaces(5);
    EXPECT_EQ(mesh.numFaces, 2);
    mesh.truncateFaces(0);
    EXPECT_EQ(mesh.numFaces, 0);
    expectLinked(mesh);
}

TEST(Mesh, MoveKeepsFacesPointingIntoTheMovedVertices)
{
    Mesh source;
    makeTetrahedron(source);
    Mesh moved(std::move(source));
    expectLinked(moved);
}

} // namespace
