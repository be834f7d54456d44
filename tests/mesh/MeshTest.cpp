#include "TestUtil.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/Workers.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

namespace {

using testutil::expectLinked;

// The tools rely on copyFrom starting face records afresh, on clone keeping
// them and on a duplicate (what a tool runs on in place of the view's mesh)
// carrying derived data too; all must own their arrays, even when copying onto
// themselves, and impossible sizes are refused.
TEST(Mesh, CopiesOwnTheirArraysOnlyClonesAndDuplicatesKeepFaceRecordsAndOrientTurnsOnlyFlipped)
{
    Mesh source;
    testutil::makeTetrahedron(source);
    build(source, { MESH_CENTRE, MESH_CENTROIDS, MESH_EDGE_LIST, MESH_VERTEX_NORMALS, MESH_BB });
    source.buildEdgeReferences();
    source.colourOf(0) = Vector(0.1f, 0.2f, 0.3f, 1.0f);
    source.selected = 3;
    Mesh copy;
    copy.copyFrom(source);
    const auto duplicate = source.duplicate();
    source.faces[1].index[0] = 2;
    const auto clone = source.clone();
    for (const Mesh* m : { &copy, clone.get(), duplicate.get() })
        expectLinked(*m);
    EXPECT_TRUE(copy.colour(0) == Vector(0.75f, 0.75f, 1.0f));
    EXPECT_TRUE(clone->colour(0) == Vector(0.1f, 0.2f, 0.3f));
    EXPECT_EQ(clone->faces[1].index[0], 2);
    EXPECT_NE(duplicate->vertices.data(), source.vertices.data());
    EXPECT_EQ(duplicate->selected, 3);
    EXPECT_TRUE(duplicate->numEdges == source.numEdges && duplicate->edgeFaces == source.edgeFaces);
    EXPECT_EQ(duplicate->faceNeighbourRefs.items, source.faceNeighbourRefs.items);
    EXPECT_TRUE(duplicate->colour(0) == source.colour(0));
    EXPECT_TRUE(duplicate->centroids[1] == source.centroids[1]);
    EXPECT_TRUE(duplicate->boxCorners[7] == source.boxCorners[7]);
    copy.vertices[1].x = 42.0f;
    EXPECT_FLOAT_EQ(source.vertices[1].x, 1.0f);
    copy.copyFrom(copy);
    copy.truncateFaces(2);
    expectLinked(copy);
    EXPECT_FALSE(copy.allocateVertices(-1) || copy.allocateFaces(-5));
    EXPECT_EQ(copy.numVertices + copy.numFaces, 0);

    // Only a face whose corner order disagrees with its stored normal is turned,
    // and every face stays linked to its own record and vertices.
    Mesh mesh;
    testutil::makeMesh(mesh, { { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 1, 1, 0 }, { 0, 0, 1 } },
        { { 0, 1, 2 }, { 1, 3, 2 }, { 0, 4, 1 } });
    build(mesh, { MESH_CENTROIDS, MESH_VERTEX_NORMALS });
    mesh.faces[1].normal = Vector(0.0f, 0.0f, -1.0f, 0.0f);
    mesh.orientFaces();
    EXPECT_EQ(testutil::triangles(mesh),
        (std::vector<std::array<int, 3>> { { 0, 1, 2 }, { 1, 2, 3 }, { 0, 4, 1 } }));
    expectLinked(mesh);
}

} // namespace

// The load builds shared among threads give the bits they give on one thread:
// centroids, face and vertex normals (summed in face order at every vertex),
// the edge list and the orientation, on the real meshes big enough to be shared.
TEST(Mesh, LoadBuildsSharedAmongThreadsEqualThemOnOne)
{
    const testutil::RealMeshes meshes;
    int shared = 0;
    for (const auto& file : meshes.files()) {
        Mesh read;
        testutil::captureStdout([&] { ASSERT_TRUE(readMeshFile(read, file.path)); });
        if (read.numFaces < 200000)
            continue;
        ++shared;
        std::vector<std::vector<float>> results;
        for (unsigned limit : { 1u, 3u }) {
            workerLimit() = limit;
            Mesh mesh;
            mesh.copyFrom(read);
            testutil::captureStdout([&] { buildLoadData(mesh); });
            mesh.buildEdgeReferences();
            buildNeighbourLists(mesh);
            std::vector<float> bits;
            for (int f = 0; f < mesh.numFaces; ++f) {
                const Face& face = mesh.faces[std::size_t(f)];
                const Vector& c = mesh.centroids[std::size_t(f)];
                bits.insert(bits.end(),
                    { c.x, c.y, c.z, face.normal.x, face.normal.y, face.normal.z,
                        float(face.index[1]) });
            }
            for (const Vector& n : mesh.vertexNormals)
                bits.insert(bits.end(), { n.x, n.y, n.z });
            // The edges, numbered by lower vertex, and both neighbour lists.
            for (const LargeVector<int>* list : { &mesh.edgeVertices, &mesh.edgeFaces,
                     &mesh.vertexEdgeRefs.items, &mesh.faceNeighbourRefs.items,
                     &mesh.edgeGraph.vertexNeighbours.items, &mesh.edgeGraph.faceNeighbours.items })
                for (int i : *list)
                    bits.push_back(float(i));
            for (std::uint32_t start : mesh.edgeGraph.recordStart)
                bits.push_back(float(start));
            results.push_back(std::move(bits));
        }
        workerLimit() = 0;
        ASSERT_EQ(results[0].size(), results[1].size());
        EXPECT_EQ(std::memcmp(results[0].data(), results[1].data(), results[0].size() * 4), 0)
            << file.name;
    }
    if (shared == 0)
        GTEST_SKIP() << "no real mesh of 200,000 faces or more";
}

// The orientation told from the sides of the half turn is the orientation the
// angles give: on every face of the real meshes, and on corners at and around
// 0, 180 and 360 degrees, far from and near each other, tiny, zero and not numbers.
TEST(Mesh, OrientationFromTheSidesOfTheHalfTurnIsTheOneTheAnglesGive)
{
    const auto unit = [](Vector v) {
        v.normalise();
        return v;
    };
    long long faces = 0;
    const testutil::RealMeshes meshes;
    for (const auto& file : meshes.files()) {
        Mesh mesh;
        testutil::captureStdout([&] {
            ASSERT_TRUE(readMeshFile(mesh, file.path));
            build(mesh, { MESH_CENTROIDS, MESH_FACE_NORMALS });
        });
        for (int f = 0; f < mesh.numFaces; ++f) {
            const Face& face = mesh.faces[std::size_t(f)];
            const Vector& c = mesh.centroids[std::size_t(f)];
            const Vector n = unit(face.normal);
            const Vector a = unit(mesh.corner(face, 0) - c);
            const Vector b1 = unit(mesh.corner(face, 1) - c);
            const Vector b2 = unit(mesh.corner(face, 2) - c);
            ASSERT_EQ(orientationSwaps(n, a, b1, b2), orientationSwapsByAngles(n, a, b1, b2))
                << file.name << " face " << f;
            ++faces;
        }
    }
    std::vector<Vector> around;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (double degrees : { 0.0, 1e-9, 1e-4, 0.5, 0.99, 1.0, 1.01, 45.0, 90.0, 120.0, 178.9, 178.99,
             179.0, 179.01, 179.5, 179.999, 180.0, 180.001, 180.5, 180.99, 181.0, 181.01, 240.0,
             300.0, 358.99, 359.0, 359.5, 359.9999, 360.0 }) {
        const double r = degrees * std::numbers::pi / 180.0;
        for (float scale : { 1.0f, 1e-7f, 1e-30f, 3.0f })
            around.emplace_back(
                float(std::cos(r)) * scale, float(std::sin(r)) * scale, 1e-3f * scale);
    }
    for (const Vector& odd : { Vector(0, 0, 0), Vector(nan, 0, 0), Vector(0, nan, 0),
             Vector(1e-40f, -1e-40f, 0), Vector(-1, 1e-38f, 0), Vector(-1, -1e-38f, 0) })
        around.push_back(odd);
    for (const Vector& n : { Vector(0, 0, 1), Vector(0, 0, -1), unit(Vector(0.1f, -0.2f, 1)),
             Vector(0, 0, 0), Vector(nan, nan, nan) })
        for (const Vector& a : { Vector(1, 0, 0), unit(Vector(1, 1e-3f, 0)), Vector(-1, 0, 0) })
            for (const Vector& b1 : around)
                for (const Vector& b2 : around)
                    ASSERT_EQ(
                        orientationSwaps(n, a, b1, b2), orientationSwapsByAngles(n, a, b1, b2))
                        << b1.x << " " << b1.y << " / " << b2.x << " " << b2.y;
    if (faces == 0)
        GTEST_SKIP() << "no real mesh: only the awkward corners were compared";
}

static bool near(const Vector& v, float x, float y, float z, float w)
{
    return std::abs(v.x - x) < 1e-5f && std::abs(v.y - y) < 1e-5f && std::abs(v.z - z) < 1e-5f
        && std::abs(v.w - w) < 1e-5f;
}

TEST(Build, VertexNormalsInFaceOrderUnknownCodesSkippedRerunsAndNoDivisionByZero)
{
    // Faces at the origin with normals +z, +x and +y, and an unused vertex.
    Mesh mesh;
    testutil::makeMesh(mesh, { { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 0, 0, 1 }, { 5, 5, 5 } },
        { { 0, 1, 2 }, { 0, 2, 3 }, { 0, 3, 1 } });
    mesh.vertexNormals[4] = Vector(1, 1, 1, 1);
    const float h = std::sqrt(0.5f);
    testutil::captureStdout([&] { build(mesh, { MESH_VERTEX_NORMALS }); });
    EXPECT_TRUE(near(mesh.vertexNormals[0], 0.5f, h, 0.5f, 0));
    EXPECT_TRUE(near(mesh.vertexNormals[4], 0, 0, 0, 0));
    // Order now +y, +z, +x; code 4 is the same builder.
    std::rotate(mesh.faces.begin(), mesh.faces.begin() + 2, mesh.faces.end());
    testutil::captureStdout([&] { build(mesh, { MESH_FACE_NORMALS }); });
    EXPECT_TRUE(near(mesh.vertexNormals[0], h, 0.5f, 0.5f, 0));

    // Unknown codes are skipped, a later run sees moved vertices, and a flat or
    // single-point mesh divides nothing by zero.
    testutil::makeMesh(mesh, { { 3, 0, 0 }, { 3, 1, 0 }, { 3, 2, -8 } }, { { 0, 1, 2 } });
    mesh.centre.w = 7.0f;
    testutil::captureStdout([&] {
        build(mesh, { MESH_TEXCOORDS, 99, MESH_BB, 0, MESH_CENTRE, -1 });
    });
    EXPECT_TRUE(near(mesh.texCoords[1], 0, 1, 0, 1)); // u and v span 0 .. 2; no range in x
    EXPECT_FLOAT_EQ(mesh.extent, 8.0f);
    EXPECT_TRUE(near(mesh.centre, 3, 1, -4, 7)); // the box's centre; w untouched
    mesh.vertices[1].x = 6;
    testutil::captureStdout([&] { build(mesh, { MESH_CENTRE, MESH_CENTROIDS }); });
    EXPECT_TRUE(near(mesh.centre, 4.5f, 1, -4, 7));
    EXPECT_TRUE(near(mesh.centroids[0], 4, 1, -8.0f / 3.0f, 1));
    testutil::makeMesh(mesh, { { 1, 2, 3 } }, {});
    testutil::captureStdout([&] { build(mesh, { 2, 3, 5, 6, 7, 8 }); });
    EXPECT_TRUE(near(mesh.vertexNormals[0], 0, 0, 0, 0) && near(mesh.centre, 1, 2, 3, 7));
    EXPECT_FLOAT_EQ(mesh.extent, 0.0f);
}
