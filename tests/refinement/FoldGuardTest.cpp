// The simplifier's guard against collapses that turn triangles over.
#include "TestMeshes.h"

#include "refinement/engine/Simplify.h"

#include <gtest/gtest.h>

namespace {

// z of (Q - P) x (R - Q) for every face of a mesh in the plane z = 0.
std::vector<float> windings(const Mesh& mesh)
{
    std::vector<float> out;
    for (int f = 0; f < mesh.numFaces; ++f) {
        const Face& face = mesh.faces[std::size_t(f)];
        Vector n;
        n.cross(*face.vertex[1] - *face.vertex[0], *face.vertex[2] - *face.vertex[1]);
        out.push_back(n.z);
    }
    return out;
}

// A flat fan around vertex 0, counter-clockwise. Every cost is 0, so the plain
// rule collapses 0 onto its first neighbour, 1, which lies beyond the line
// through 2 and 3: the triangle (0, 2, 3) would turn over.
Mesh dartFan()
{
    return makeMesh(
        { { 0, 0, 0 }, { 3, 0, 0 }, { 1, 0.5f, 0 }, { 1, 3, 0 }, { -1, 0, 0 }, { 0, -1, 0 } },
        { { 0, 1, 2 }, { 0, 2, 3 }, { 0, 3, 4 }, { 0, 4, 5 }, { 0, 5, 1 } });
}

} // namespace

// Fast and straightforward versions agree with the guard; where it turned no
// candidate away the result is the plain rule's, collapse for collapse.
TEST(FoldGuard, TurnsNothingOverAndMatchesThePlainRuleWhereNothingFolds)
{
    Mesh fan = dartFan();
    ASSERT_TRUE(simplify(fan, 0.9f));
    for (float z : windings(fan))
        EXPECT_GT(z, 0.0f);

    std::vector<Mesh> meshes;
    for (Mesh (*make)() :
        { octahedron, dartFan, +[] { return flatGrid(5); }, +[] { return flatGrid(6); } })
        meshes.push_back(make());
    for (Vector& v : meshes.back().vertices) // a bumpy grid
        v.z = float(int(v.x * 7 + v.y) % 5) * 0.3f;
    int unguarded = 0, guarded = 0;
    for (const Mesh& mesh : meshes) {
        for (int level = 95; level >= 5; level -= 10) {
            Mesh fast, slow, plain;
            for (Mesh* m : { &fast, &slow, &plain })
                m->copyFrom(mesh);
            int refusals = 0;
            ASSERT_TRUE(simplify(fast, float(level) / 100));
            referenceSimplify(slow, float(level) / 100, true, &refusals);
            referenceSimplify(plain, float(level) / 100, false);
            ASSERT_EQ(objBytes(fast), objBytes(slow)) << level;
            if (refusals == 0) {
                ASSERT_EQ(objBytes(fast), objBytes(plain)) << level;
            }
            ++(refusals == 0 ? unguarded : guarded);
        }
    }
    EXPECT_GT(unguarded, 0);
    EXPECT_GT(guarded, 0);
}
