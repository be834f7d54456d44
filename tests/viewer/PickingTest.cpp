#include "TestUtil.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/ReadObj.h"
#include "viewer/engine/Picking.h"

#include <random>

// The nearer face wins; at equal distance (a ray through a shared edge) the lower
// index; a miss or an empty mesh is 0. Answers are 1-based. A corner and an edge
// count as inside, from either side; a ray short of the plane or ending in it misses.
TEST(Picking, nearestFaceWinsTiesGoToTheLowerIndexBothSearchesAgreeAndClipPlanesCount)
{
    Mesh stacked, square, swapped, tri;
    testutil::makeMesh(stacked,
        { { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 0, 0, 1 }, { 1, 0, 1 }, { 0, 1, 1 } },
        { { 0, 1, 2 }, { 3, 4, 5 } });
    const std::vector<Vector> corners { { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 1, 1, 0 } };
    testutil::makeMesh(square, corners, { { 0, 1, 2 }, { 1, 3, 2 } });
    testutil::makeMesh(swapped, corners, { { 1, 3, 2 }, { 0, 1, 2 } });
    testutil::makeMesh(tri, corners, { { 0, 1, 2 } });
    const Mesh empty;
    const struct
    {
        const Mesh& mesh;
        Vector p0, p1;
        int face;
    } cases[] = { { stacked, { 0.2f, 0.2f, 5 }, { 0.2f, 0.2f, -5 }, 2 },
        { stacked, { 0.2f, 0.2f, -5 }, { 0.2f, 0.2f, 5 }, 1 },
        { square, { 0.5f, 0.5f, 1 }, { 0.5f, 0.5f, -1 }, 1 },
        { swapped, { 0.5f, 0.5f, 1 }, { 0.5f, 0.5f, -1 }, 1 },
        { square, { 2, 2, 1 }, { 2, 2, -1 }, 0 }, { empty, { 0, 0, 1 }, { 0, 0, -1 }, 0 },
        { tri, { 0.25f, 0.25f, -1 }, { 0.25f, 0.25f, 1 }, 1 },
        { tri, { 0, 0, 1 }, { 0, 0, -1 }, 1 }, { tri, { 0.5f, 0.5f, 1 }, { 0.5f, 0.5f, -1 }, 1 },
        { tri, { 0.6f, 0.6f, 1 }, { 0.6f, 0.6f, -1 }, 0 },
        { tri, { 0.2f, 0.2f, 2 }, { 0.2f, 0.2f, 1 }, 0 },
        { tri, { 0.2f, 0.2f, 1 }, { 0.2f, 0.2f, 0 }, 0 } };
    for (const auto& c : cases) {
        Mesh mesh;
        mesh.copyFrom(c.mesh);
        const int linear = nearestFaceLinear(mesh, c.p0, c.p1);
        EXPECT_EQ(linear, c.face) << c.p0.x << ", " << c.p0.y << ", " << c.p0.z << " .. " << c.p1.z;
        EXPECT_EQ(FaceBvh(mesh).nearestFace(mesh, c.p0, c.p1), linear);
    }

    // A pick sees only what the clip planes keep: the face behind a cut-away one,
    // nothing where the planes keep none of the ray, all of it under blank planes.
    using Planes = std::vector<std::array<double, 4>>;
    const std::pair<Planes, int> clipped[]
        = { { {}, 2 }, { { { 0, 0, 0, 0 } }, 2 }, { { { 0, 0, -1, 0.5 } }, 1 },
              { { { 0, 0, -2, 1 }, { 0, 0, 1, 0.1 } }, 1 }, { { { 0, 0, -1, -0.5 } }, 0 },
              { { { 0, 0, 1, -6 } }, 0 }, { { { 0, 0, -1, 0.5 }, { 0, 0, 1, -0.7 } }, 0 } };
    for (const auto& [planes, face] : clipped) {
        Vector p0(0.2f, 0.2f, 5), p1(0.2f, 0.2f, -5);
        const bool kept = clipSegment(planes, p0, p1);
        EXPECT_EQ(kept ? nearestFaceLinear(stacked, p0, p1) : 0, face) << planes.size();
    }
}

// The hierarchy against the loop on real meshes: rays aimed at corners (shared
// by several faces: ties), at edge midpoints, inside faces, and at random.
class PickingOnRealMeshes : public ::testing::TestWithParam<const char*>
{
};

TEST_P(PickingOnRealMeshes, hierarchyAgreesWithLinearLoop)
{
    const std::string path = std::string(FACETRA_MESH_DIR "/") + GetParam();
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << "no mesh " << path;
    Mesh mesh;
    ASSERT_TRUE(readObj(mesh, path));
    build(mesh, { MESH_CENTRE, MESH_CENTROIDS, MESH_VERTEX_NORMALS, MESH_BB });
    const FaceBvh bvh(mesh);

    std::mt19937 random(1234);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::uniform_int_distribution<int> anyFace(0, mesh.numFaces - 1);
    const float reach = 3.0f * mesh.extent;
    int hits = 0;
    for (int r = 0; r < 400; ++r) {
        Vector dir(unit(random), unit(random), unit(random));
        dir.normalise();
        const Face& f = mesh.faces[std::size_t(anyFace(random))];
        // A corner (shared by several faces: ties), an edge midpoint, inside a face, anywhere.
        const auto corner = [&](int k) { return mesh.corner(f, k); };
        const Vector targets[] = { corner(r % 3), (corner(0) + corner(1)) * 0.5f,
            (corner(0) + corner(1) + corner(2)) / 3.0f,
            mesh.centre + Vector(unit(random), unit(random), unit(random)) * mesh.extent };
        const Vector& target = targets[r % 4];
        const Vector p0 = target + dir * reach;
        // Both perspective-like long segments and short ones.
        const Vector p1 = target - dir * (r % 2 ? reach * 40.0f : reach);
        const int linear = nearestFaceLinear(mesh, p0, p1);
        ASSERT_EQ(bvh.nearestFace(mesh, p0, p1), linear) << "ray " << r;
        hits += linear > 0;
    }
    EXPECT_GT(hits, 200);
}

INSTANTIATE_TEST_SUITE_P(Meshes, PickingOnRealMeshes,
    ::testing::Values(
        "cross.obj", "suzanne.obj", "beetle.obj", "teapot.obj", "spot.obj", "stanford-bunny.obj"));
