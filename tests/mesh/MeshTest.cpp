#include "TestUtil.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/Mesh.h"

#include <gtest/gtest.h>

namespace {

using testutil::expectLinked;

// The tools rely on copyFrom starting face records afresh and on clone keeping
// them; both must own their vertices, even when copying onto themselves, and
// impossible sizes are refused.
TEST(Mesh, CopiesOwnTheirVerticesAndTakeFaceRecordsOnlyWhenCloned)
{
    Mesh source;
    testutil::makeTetrahedron(source);
    source.faces[0].colour = Vector(0.1f, 0.2f, 0.3f, 1.0f);
    Mesh copy;
    copy.copyFrom(source);
    source.faces[1].vertex[0] = source.vertices.data() + 2; // indices follow the pointers
    const auto clone = source.clone();
    expectLinked(copy);
    expectLinked(*clone);
    EXPECT_TRUE(copy.faces[0].colour == Vector(0.75f, 0.75f, 1.0f));
    EXPECT_TRUE(clone->faces[0].colour == Vector(0.1f, 0.2f, 0.3f));
    EXPECT_EQ(clone->faces[1].index[0], 2);
    copy.vertices[1].x = 42.0f;
    EXPECT_FLOAT_EQ(source.vertices[1].x, 1.0f);
    copy.copyFrom(copy);
    copy.truncateFaces(2);
    expectLinked(copy);
    EXPECT_FALSE(copy.allocateVertices(-1) || copy.allocateFaces(-5));
    EXPECT_EQ(copy.numVertices + copy.numFaces, 0);
}

} // namespace

namespace {

// A duplicate is what a tool runs on in place of the view's mesh: everything,
// derived data included, in arrays of its own.
TEST(Mesh, DuplicatesCarryEverythingInArraysOfTheirOwn)
{
    Mesh source;
    testutil::makeTetrahedron(source);
    build(source, { MESH_CENTRE, MESH_CENTROIDS, MESH_EDGE_LIST, MESH_VERTEX_NORMALS, MESH_BB });
    source.faces[2].colour = Vector(0.1f, 0.2f, 0.3f, 1.0f);
    source.selected = 3;
    const auto copy = source.duplicate();
    expectLinked(*copy);
    EXPECT_NE(copy->vertices.data(), source.vertices.data());
    EXPECT_EQ(copy->selected, 3);
    EXPECT_EQ(copy->numEdges, source.numEdges);
    EXPECT_EQ(copy->edgeFaces, source.edgeFaces);
    EXPECT_EQ(copy->faceNeighbourRefs.items, source.faceNeighbourRefs.items);
    EXPECT_TRUE(copy->faces[2].colour == source.faces[2].colour);
    EXPECT_TRUE(copy->centroids[1] == source.centroids[1]);
    EXPECT_TRUE(copy->boxCorners[7] == source.boxCorners[7]);
}

} // namespace
