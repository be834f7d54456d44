// Subdivision and simplification against the straightforward versions. That
// facetra-cli subdivide and simplify write the engine's bytes:
// test_the_tool_functions_write_what_facetra_cli_writes (Python) and
// CliRunReal.ScriptsWriteWhatTheOneStepVerbsWrite; level 0 and their refusals:
// CliWrite and Cli.UsageErrors...
#include "TestMeshes.h"

#include "mesh/engine/Workers.h"
#include "refinement/engine/Simplify.h"
#include "refinement/engine/Subdivider.h"

#include <cmath>

using testutil::triangles;

namespace {

void expectSameGeometry(const Mesh& a, const Mesh& b)
{
    ASSERT_TRUE(testutil::sameBits(a.vertices, b.vertices));
    ASSERT_EQ(testutil::triangles(a), testutil::triangles(b));
}

// A flat fan around vertex 0, counter-clockwise. Every cost is 0, so without a
// guard 0 collapses onto its first neighbour, 1, which lies beyond the line
// through 2 and 3: the triangle (0, 2, 3) would turn over.
Mesh dartFan()
{
    return makeMesh(
        { { 0, 0, 0 }, { 3, 0, 0 }, { 1, 0.5f, 0 }, { 1, 3, 0 }, { -1, 0, 0 }, { 0, -1, 0 } },
        { { 0, 1, 2 }, { 0, 2, 3 }, { 0, 3, 4 }, { 0, 4, 5 }, { 0, 5, 1 } });
}

} // namespace

// The view's operation leaves a closed, linked mesh. No levels, no source or an
// empty mesh leave everything as it was; a result that cannot fit is refused from
// the counts alone, before anything is allocated.
TEST(Subdivider, ViewOperationAndNothingToDoOrNoRoom)
{
    Mesh mesh = octahedron();
    build(mesh, { MESH_CENTRE, MESH_EDGE_LIST, MESH_VERTEX_NORMALS, MESH_BB });
    Subdivider s;
    ASSERT_TRUE(subdivideMesh(mesh, s, 2, 0.0f));
    EXPECT_FALSE(s.source || s.result);
    EXPECT_EQ(mesh.numFaces, 8 * 16);
    // Closed genus 0: V - E + F stays 2, and every edge has two faces.
    EXPECT_EQ(mesh.numVertices - mesh.numEdges + mesh.numFaces, 2);
    EXPECT_EQ(std::count(mesh.edgeFaces.begin(), mesh.edgeFaces.end(), -1), 0);
    testutil::expectLinked(mesh);

    EXPECT_TRUE(s.subdivide());
    Mesh octa = octahedron(), empty;
    EXPECT_TRUE(subdivideMesh(octa, s, 0, 0.0f) && subdivideMesh(empty, s, 3, 0.0f));
    EXPECT_EQ(octa.numFaces + empty.numFaces, 8);
    Mesh tri = makeMesh({ { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 } }, { { 0, 1, 2 } });
    EXPECT_NE(subdivisionRefusal(tri, 16).find("4294967296 faces"), std::string::npos);
    EXPECT_TRUE(subdivisionRefusal(tri, 10).empty());

    Mesh grid = flatGrid(24); // 1058 faces; ten levels ask for over a billion
    const Mesh before = std::move(*grid.clone());
    testutil::captureStdout([&] { EXPECT_FALSE(subdivideMesh(grid, s, 10, 0.0f)); });
    expectSameGeometry(grid, before);
}

// On real meshes: the subdivision's hash-numbered table and split from the
// faces' own edges against the linear table searches, identical meshes; the
// simplification's heap ordered by (cost, place in the list) against the linear
// scan with ids renumbered on every removal, identical files.
TEST(Refinement, SubdivisionAndSimplificationMatchTheStraightforwardVersionsOnRealMeshes)
{
    const std::pair<const char*, int> cases[] = { { "cross.obj", 3 }, { "suzanne.obj", 2 },
        { "beetle.obj", 2 }, { "african_head.obj", 1 }, { "teapot.obj", 1 }, { "spot.obj", 1 } };
    int compared = 0;
    for (const auto& [name, levels] : cases) {
        SCOPED_TRACE(name);
        Mesh mesh;
        if (!loadRealMesh(mesh, name))
            continue;
        for (float w : { 0.0f, 0.1f }) {
            Subdivider s;
            s.source = &mesh;
            s.levels = levels;
            s.weight = w;
            ASSERT_TRUE(s.subdivide());
            const auto expected = referenceSubdivide(mesh, levels, w);
            expectSameGeometry(*s.result, *expected);
            // Bit for bit: unused vertices and slivers have normals that are not numbers.
            ASSERT_TRUE(testutil::sameBits(s.result->vertexNormals, expected->vertexNormals));
        }
        for (float level : { 90.0f, 50.0f, 10.0f, 1.0f }) {
            Mesh fast, slow;
            fast.copyFrom(mesh);
            slow.copyFrom(mesh);
            ASSERT_TRUE(simplifyMesh(fast, level));
            referenceSimplify(slow, level / 100);
            build(slow, { MESH_VERTEX_NORMALS, MESH_EDGE_LIST });
            ASSERT_EQ(fast.numVertices, int(float(mesh.numVertices) * (level / 100)));
            ASSERT_EQ(objBytes(fast), objBytes(slow)) << "simplified to " << level;
        }
        ++compared;
    }
    if (compared == 0)
        GTEST_SKIP() << "no real meshes";
}

TEST(Simplify, LevelIsHeldToTheRangeTruncatedAndNotANumberIsRefused)
{
    Mesh mesh = octahedron();
    // The target is the truncated product (16 * 0.7 = 11.2), the level held to 0 .. 1.
    for (const auto& [fraction, kept] : { std::pair { 0.7f, 11 }, { 2.0f, 16 }, { -1.0f, 0 } }) {
        Mesh grid = flatGrid(4);
        ASSERT_TRUE(simplify(grid, fraction));
        EXPECT_EQ(grid.numVertices, kept) << fraction;
    }
    EXPECT_FALSE(simplify(mesh, std::nanf("")));
    EXPECT_EQ(mesh.numFaces, 8);
}

// A mesh large enough for the first costs to be worked out on every core is
// simplified as on one thread, byte for byte.
TEST(Simplify, FirstCostsSharedAmongThreadsGiveTheCollapsesOfOne)
{
    Mesh grid; // 2 x 319 x 319 faces: past the size that is shared
    testutil::makeGrid(grid, 320,
        [](int j, int i) { return std::sin(0.7f * float(j)) * std::cos(0.45f * float(i)); });
    std::vector<std::string> results;
    for (unsigned limit : { 1u, 3u }) {
        workerLimit() = limit;
        Mesh mesh;
        mesh.copyFrom(grid);
        testutil::captureStdout([&] { EXPECT_TRUE(simplifyMesh(mesh, 90.0f)); });
        results.push_back(objBytes(mesh));
    }
    workerLimit() = 0;
    EXPECT_TRUE(results[0] == results[1]);
}

// Every mesh simplified level by level as the straightforward version does it.
// Awkward input neither crashes nor leaves a face on a removed vertex: no faces;
// three triangles on one edge, a repeated corner, a triangle of one vertex, a
// sliver, edges of infinite length. The fold guard both turns candidates away (the fan, the bumpy grid)
// and never needs to, and the fan keeps its winding.
TEST(Simplify, MatchesTheStraightforwardVersionOnAwkwardAndFoldingMeshes)
{
    Mesh fan = dartFan();
    ASSERT_TRUE(simplify(fan, 0.9f));
    for (const Face& face : fan.faces) { // still counter-clockwise in the plane z = 0
        Vector n;
        n.cross(
            fan.corner(face, 1) - fan.corner(face, 0), fan.corner(face, 2) - fan.corner(face, 1));
        EXPECT_GT(n.z, 0.0f);
    }

    std::vector<Mesh> meshes;
    meshes.push_back(makeMesh({ { 0, 0, 0 }, { 1, 0, 0 }, { 2, 0, 0 }, { 3, 0, 0 } }, {}));
    meshes.push_back(makeMesh({ { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 0, -1, 0 }, { 0, 0, 1 },
                                  { 2, 0, 0 }, { 3, 0, 0 }, { 5, 5, 5 } },
        { { 0, 1, 2 }, { 1, 0, 3 }, { 0, 1, 4 }, { 1, 5, 5 }, { 7, 7, 7 }, { 1, 5, 6 },
            { 2, 2, 4 } }));
    for (Mesh (*make)() :
        { octahedron, dartFan, +[] { return flatGrid(5); }, +[] { return flatGrid(6); } })
        meshes.push_back(make());
    for (Vector& v : meshes.back().vertices) // a bumpy grid
        v.z = float(int(v.x * 7 + v.y) % 5) * 0.3f;
    // Edges too long for a float: infinite costs, and not a number where the
    // surface is flat.
    meshes.push_back(octahedron());
    meshes.back().vertices[0] *= 3.0e38f;
    meshes.push_back(flatGrid(5));
    meshes.back().vertices[7].x = 3.0e38f;
    meshes.emplace_back();
    int unguarded = 0, guarded = 0;
    for (const Mesh& mesh : meshes) {
        for (int level = 100; level >= 0; level -= 5) {
            Mesh fast, slow;
            fast.copyFrom(mesh);
            slow.copyFrom(mesh);
            int refusals = 0;
            ASSERT_TRUE(simplifyMesh(fast, float(level)));
            referenceSimplify(slow, float(level) / 100, &refusals);
            ASSERT_EQ(fast.numVertices, int(float(mesh.numVertices) * (float(level) / 100)));
            testutil::expectLinked(fast);
            ASSERT_EQ(triangles(fast), triangles(slow)) << level;
            ASSERT_EQ(fast.vertices, slow.vertices) << level;
            // Read from the mesh rather than run on a copy of it: the same.
            Mesh into;
            ASSERT_TRUE(simplifyMeshInto(mesh, into, float(level)));
            ASSERT_TRUE(triangles(into) == triangles(fast) && into.vertices == fast.vertices);
            ++(refusals == 0 ? unguarded : guarded);
        }
    }
    EXPECT_GT(unguarded, 0);
    EXPECT_GT(guarded, 0);

    // Every collapse costs more than a million: each vertex still gets a target.
    Mesh huge = octahedron();
    for (Vector& v : huge.vertices)
        v *= 1.0e8f;
    ASSERT_TRUE(simplify(huge, 0.5f));
    testutil::expectLinked(huge);
    for (const auto& f : triangles(huge))
        EXPECT_LT(*std::max_element(f.begin(), f.end()), 3);
}
