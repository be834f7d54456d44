#include "TestMeshes.h"

#include "mesh/engine/Build.h"
#include "refinement/engine/Simplify.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

std::vector<std::array<int, 3>> faceList(const Mesh& mesh)
{
    std::vector<std::array<int, 3>> out;
    for (int f = 0; f < mesh.numFaces; ++f) {
        const Face& face = mesh.faces[std::size_t(f)];
        out.push_back({ face.index[0], face.index[1], face.index[2] });
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(face.vertex[k], mesh.vertices.data() + face.index[k]);
    }
    return out;
}

} // namespace

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

TEST(Simplify, AwkwardInputNeitherCrashesNorLeavesAFaceOnARemovedVertex)
{
    // No faces; three triangles on one edge, a repeated corner, a triangle of one
    // vertex, a sliver.
    const Mesh cases[] = { Mesh(), makeMesh({ { 0, 0, 0 }, { 1, 0, 0 }, { 2, 0, 0 }, { 3, 0, 0 } }, {}),
        makeMesh({ { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 0, -1, 0 }, { 0, 0, 1 }, { 2, 0, 0 },
                     { 3, 0, 0 }, { 5, 5, 5 } },
            { { 0, 1, 2 }, { 1, 0, 3 }, { 0, 1, 4 }, { 1, 5, 5 }, { 7, 7, 7 }, { 1, 5, 6 },
                { 2, 2, 4 } }) };
    for (const Mesh& odd : cases) {
        for (int level = 100; level >= 0; level -= 5) {
            Mesh copy, reference;
            copy.copyFrom(odd);
            reference.copyFrom(odd);
            ASSERT_TRUE(simplifyMesh(copy, float(level)));
            referenceSimplify(reference, float(level) / 100);
            ASSERT_EQ(copy.numVertices, int(float(odd.numVertices) * (float(level) / 100)));
            ASSERT_EQ(faceList(copy), faceList(reference)) << level;
            ASSERT_EQ(copy.vertices, reference.vertices) << level;
        }
    }
    // Every collapse costs more than a million: each vertex still gets a target.
    Mesh huge = octahedron();
    for (Vector& v : huge.vertices)
        v *= 1.0e8f;
    ASSERT_TRUE(simplify(huge, 0.5f));
    for (const auto& f : faceList(huge))
        EXPECT_LT(*std::max_element(f.begin(), f.end()), 3);
}

// The heap ordered by (cost, place in the list) against the linear scan with
// ids renumbered on every removal: identical files on real meshes.
TEST(Simplify, MatchesTheStraightforwardVersionOnRealMeshes)
{
    int compared = 0;
    for (const char* name : { "cross.obj", "suzanne.obj", "beetle.obj", "african_head.obj",
             "teapot.obj", "spot.obj" }) {
        Mesh mesh;
        if (!loadRealMesh(mesh, name))
            continue;
        for (float level : { 90.0f, 50.0f, 10.0f, 1.0f }) {
            Mesh fast, slow;
            fast.copyFrom(mesh);
            slow.copyFrom(mesh);
            ASSERT_TRUE(simplifyMesh(fast, level));
            referenceSimplify(slow, level / 100);
            build(slow, { MESH_VERTEX_NORMALS, MESH_EDGE_LIST });
            ASSERT_EQ(fast.numVertices, int(float(mesh.numVertices) * (level / 100))) << name;
            ASSERT_EQ(objBytes(fast), objBytes(slow)) << name << " at " << level;
        }
        ++compared;
    }
    if (compared == 0)
        GTEST_SKIP() << "no real meshes";
}
