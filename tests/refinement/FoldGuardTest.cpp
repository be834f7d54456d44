// The simplifier's guard against collapses that turn triangles over.
#include "TestMeshes.h"

#include "refinement/engine/Simplify.h"

#include <gtest/gtest.h>

namespace {

using Faces = std::vector<std::array<int, 3>>;

Faces faceList(const Mesh& mesh)
{
    Faces out;
    for (int f = 0; f < mesh.numFaces; ++f) {
        const Face& face = mesh.faces[std::size_t(f)];
        out.push_back({ face.index[0], face.index[1], face.index[2] });
    }
    return out;
}

// z of (Q - P) x (R - Q) for every face of a mesh in the plane z = 0.
std::vector<float> windings(const Mesh& mesh)
{
    std::vector<float> out;
    for (const auto& f : faceList(mesh)) {
        Vector n;
        const Vector* v = mesh.vertices.data();
        n.cross(v[f[1]] - v[f[0]], v[f[2]] - v[f[1]]);
        out.push_back(n.z);
    }
    return out;
}

// A flat fan around vertex 0, all its triangles counter-clockwise. The ring is
// not convex: vertex 1, the first neighbour (and so the plain rule's target,
// every cost being 0 on a flat fan), lies beyond the line through 2 and 3.
Mesh dartFan()
{
    return makeMesh(
        { { 0, 0, 0 }, { 3, 0, 0 }, { 1, 0.5f, 0 }, { 1, 3, 0 }, { -1, 0, 0 }, { 0, -1, 0 } },
        { { 0, 1, 2 }, { 0, 2, 3 }, { 0, 3, 4 }, { 0, 4, 5 }, { 0, 5, 1 } });
}

Mesh copyOf(const Mesh& mesh)
{
    Mesh out;
    out.copyFrom(mesh);
    return out;
}

} // namespace

TEST(FoldGuard, TheFirstVertexGoesToItsFirstNeighbourThatFoldsNothing)
{
    Mesh plain = dartFan();
    referenceSimplify(plain, 0.9f, false);
    ASSERT_EQ(plain.numVertices, 5);
    EXPECT_LT(windings(plain)[0], 0.0f) << "the plain rule turns (0, 2, 3) over";

    Mesh guarded = dartFan();
    int stoppedAt = 0;
    ASSERT_TRUE(simplify(guarded, 0.9f, nullptr, &stoppedAt));
    EXPECT_EQ(stoppedAt, -1);
    ASSERT_EQ(guarded.numVertices, 5);
    // Vertex 0 went onto vertex 2 (now 1); the triangles through 2 are gone.
    EXPECT_EQ(faceList(guarded), (Faces { { 1, 2, 3 }, { 1, 3, 4 }, { 1, 4, 0 } }));
    for (float z : windings(guarded))
        EXPECT_GT(z, 0.0f);
}

// Fast and straightforward versions agree with the guard on; where the guard
// turned nothing away the result is the plain rule's, collapse for collapse.
TEST(FoldGuard, MatchesTheReferenceAndThePlainRuleWhereNothingFolds)
{
    Mesh bumpy = flatGrid(6);
    for (int i = 0; i < bumpy.numVertices; ++i)
        bumpy.vertices[std::size_t(i)].z = float((i * 7) % 5) * 0.3f;
    const struct
    {
        const char* name;
        Mesh mesh;
    } cases[] = { { "octahedron", octahedron() }, { "grid", flatGrid(5) },
        { "bumpy", copyOf(bumpy) }, { "dart", dartFan() } };
    int unguarded = 0, guarded = 0;
    for (const auto& c : cases) {
        for (int level = 95; level >= 5; level -= 10) {
            SCOPED_TRACE(testing::Message() << c.name << " at " << level);
            Mesh fast = copyOf(c.mesh), slow = copyOf(c.mesh), plain = copyOf(c.mesh);
            ASSERT_TRUE(simplify(fast, float(level) / 100));
            int refusals = 0;
            referenceSimplify(slow, float(level) / 100, true, &refusals);
            referenceSimplify(plain, float(level) / 100, false);
            ASSERT_EQ(faceList(fast), faceList(slow));
            ASSERT_EQ(objBytes(fast), objBytes(slow));
            if (refusals == 0) {
                ++unguarded;
                ASSERT_EQ(objBytes(fast), objBytes(plain));
            } else {
                ++guarded;
            }
        }
    }
    EXPECT_GT(unguarded, 0);
    EXPECT_GT(guarded, 0);
}

TEST(FoldGuard, NothingLeftAtLevelZero)
{
    Mesh mesh = dartFan();
    ASSERT_TRUE(simplifyMesh(mesh, 0.0f));
    EXPECT_EQ(mesh.numVertices, 0);
    EXPECT_EQ(mesh.numFaces, 0);
    EXPECT_EQ(foldStopMessage(12),
        "Simplification stopped at 12 vertices: every further collapse would fold the surface");
}
