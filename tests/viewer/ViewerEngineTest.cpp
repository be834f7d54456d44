// The view's engine: turning with the arc ball, picking faces, and the levels
// of detail drawn while the view moves.
#include "TestUtil.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/ReadObj.h"
#include "viewer/engine/ArcBall.h"
#include "viewer/engine/MeshLod.h"
#include "viewer/engine/Picking.h"

#include <cmath>
#include <random>

namespace {

// A bumpy sheet of (n - 1)^2 * 2 faces.
void makeSheet(Mesh& mesh, int n)
{
    testutil::makeGrid(
        mesh, n, [](int j, int i) { return 3.0f * std::sin(0.3f * j) * std::cos(0.2f * i); });
    build(mesh, { MESH_CENTRE, MESH_CENTROIDS, MESH_VERTEX_NORMALS, MESH_BB });
}

using Matrix3 = std::array<float, 9>;
const Matrix3 kIdentity = { 1, 0, 0, 0, 1, 0, 0, 0, 1 };
const Matrix3 kHalfTurnY = { -1, 0, 0, 0, 1, 0, 0, 0, -1 };
const Matrix3 kHalfTurnsYZ = { 1, 0, 0, 0, -1, 0, 0, 0, -1 };

void expectMatrix3(const float* m, const Matrix3& expected)
{
    for (std::size_t i = 0; i < 9; ++i)
        EXPECT_NEAR(m[i], expected[i], 1e-5f) << "entry " << i;
}

} // namespace

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
    // The mesh, the ray's ends and the face picked.
    using Ray = std::tuple<const Mesh&, Vector, Vector, int>;
    const Ray cases[] = { { stacked, { 0.2f, 0.2f, 5 }, { 0.2f, 0.2f, -5 }, 2 },
        { stacked, { 0.2f, 0.2f, -5 }, { 0.2f, 0.2f, 5 }, 1 },
        { square, { 0.5f, 0.5f, 1 }, { 0.5f, 0.5f, -1 }, 1 },
        { swapped, { 0.5f, 0.5f, 1 }, { 0.5f, 0.5f, -1 }, 1 },
        { square, { 2, 2, 1 }, { 2, 2, -1 }, 0 }, { empty, { 0, 0, 1 }, { 0, 0, -1 }, 0 },
        { tri, { 0.25f, 0.25f, -1 }, { 0.25f, 0.25f, 1 }, 1 },
        { tri, { 0, 0, 1 }, { 0, 0, -1 }, 1 }, { tri, { 0.5f, 0.5f, 1 }, { 0.5f, 0.5f, -1 }, 1 },
        { tri, { 0.6f, 0.6f, 1 }, { 0.6f, 0.6f, -1 }, 0 },
        { tri, { 0.2f, 0.2f, 2 }, { 0.2f, 0.2f, 1 }, 0 },
        { tri, { 0.2f, 0.2f, 1 }, { 0.2f, 0.2f, 0 }, 0 } };
    for (const auto& [from, p0, p1, face] : cases) {
        Mesh mesh;
        mesh.copyFrom(from);
        const int linear = nearestFaceLinear(mesh, p0, p1);
        EXPECT_EQ(linear, face) << p0.x << ", " << p0.y << ", " << p0.z << " .. " << p1.z;
        EXPECT_EQ(FaceBvh(mesh).nearestFace(mesh, p0, p1), linear);
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

// The first level an eighth of the faces, each further one about a quarter of
// the one before, down to a few thousand faces;
// every triangle over the mesh's vertices and standing for a face around one of
// its corners. Small meshes get none, and a stop leaves nothing half made.
TEST(MeshLod, LevelsQuarterTheFacesStandForFacesAroundTheirCornersAndCarryTheirLooks)
{
    Mesh mesh;
    makeSheet(mesh, 201); // 80,000 faces
    const LodSource source = LodSource::of(mesh);
    const std::vector<LodLevel> levels = buildLodLevels(source);
    ASSERT_EQ(levels.size(), 2u); // 10,000 and 2,500; 625 would be too few
    int target = mesh.numFaces / 2;
    for (const LodLevel& level : levels) {
        target /= 4;
        EXPECT_LE(level.faceCount(), target + target / 2);
        EXPECT_GE(level.faceCount(), target / 2);
        ASSERT_EQ(level.corners.size(), std::size_t(level.faceCount()) * 3);
        for (int t = 0; t < level.faceCount(); ++t) {
            const int f = level.sourceFace[std::size_t(t)];
            ASSERT_TRUE(f >= 0 && f < mesh.numFaces);
            bool touches = false;
            for (int k = 0; k < 3; ++k) {
                const int v = int(level.corners[std::size_t(t) * 3 + std::size_t(k)]);
                ASSERT_LT(v, mesh.numVertices);
                const int* c = mesh.faces[std::size_t(f)].index;
                touches = touches || c[0] == v || c[1] == v || c[2] == v;
            }
            EXPECT_TRUE(touches) << t;
        }
    }

    Mesh small;
    makeSheet(small, 60); // 6,962 faces
    EXPECT_TRUE(buildLodLevels(LodSource::of(small)).empty());
    std::atomic<bool> stop { true };
    EXPECT_TRUE(buildLodLevels(source, &stop).empty());

    // A level's mesh shows what the full mesh shows: the vertex colours and normals
    // of its vertices, the colour, normal and highlight of the faces its triangles
    // stand for, also after those change; and it sits where the mesh does.
    const LodLevel& level = levels.front();
    const auto paint = [&](float shade) {
        for (int v = 0; v < mesh.numVertices; ++v)
            mesh.vertexColours[std::size_t(v)] = Vector(shade, float(v % 7) / 7.0f, 0.5f, 1.0f);
        for (int f = 0; f < mesh.numFaces; ++f) {
            mesh.faces[std::size_t(f)].normal = Vector(0.0f, shade, 1.0f, 0.0f);
            mesh.colourOf(std::size_t(f)) = Vector(float(f % 5) / 5.0f, shade, 0.0f, 1.0f);
            mesh.traversedOf(std::size_t(f)) = f % 3 == 0 ? 1 : 0;
        }
    };
    const auto expectCarried = [&](const LodMesh& lod) {
        ASSERT_EQ(lod.mesh.numFaces, level.faceCount());
        for (int v = 0; v < lod.mesh.numVertices; ++v) {
            const std::size_t full = std::size_t(lod.fullVertex[std::size_t(v)]);
            ASSERT_EQ(lod.mesh.vertices[std::size_t(v)], mesh.vertices[full]);
            ASSERT_EQ(lod.mesh.vertexColours[std::size_t(v)], mesh.vertexColours[full]);
            ASSERT_EQ(lod.mesh.vertexNormals[std::size_t(v)], mesh.vertexNormals[full]);
        }
        for (int t = 0; t < lod.mesh.numFaces; ++t) {
            const Face& face = lod.mesh.faces[std::size_t(t)];
            const std::size_t source = std::size_t(level.sourceFace[std::size_t(t)]);
            const Face& from = mesh.faces[source];
            ASSERT_EQ(lod.mesh.colour(std::size_t(t)), mesh.colour(source));
            ASSERT_EQ(face.normal, from.normal);
            ASSERT_EQ(lod.mesh.traversed(std::size_t(t)), mesh.traversed(source));
            ASSERT_EQ(lod.mesh.centroids[std::size_t(t)], mesh.centroids[source]);
            for (int k = 0; k < 3; ++k) {
                ASSERT_EQ(std::uint32_t(lod.fullVertex[std::size_t(face.index[k])]),
                    level.corners[std::size_t(t) * 3 + std::size_t(k)]);
            }
        }
        EXPECT_EQ(lod.mesh.centre, mesh.centre);
        EXPECT_EQ(lod.mesh.boxCorners[1], mesh.boxCorners[1]);
    };
    paint(0.25f);
    LodMesh lod;
    lod.build(mesh, level);
    expectCarried(lod);
    paint(0.75f);
    lod.refreshAttributes(mesh, level);
    expectCarried(lod);
}

// A 501-pixel window puts its centre pixel (250, 250) on the sphere's pole and
// its right edge pixel (500, y) on the rim: centre to right edge is half a turn
// about y. Each row starts a drag on the rotation the rows before left.
TEST(ArcBall, DragsComposeStopAtReleaseAndFollowTheAxisConstraint)
{
    // The axis constraint, the drag's start and end, and the rotation it leaves.
    const std::tuple<int, float, float, float, float, Matrix3> steps[] = {
        { 0, 120, 300, 120, 300, kIdentity }, // a click without a move
        { 0, 250, 250, 500, 250, kHalfTurnY },
        { 0, 250, 250, 500, 250, kIdentity }, // a second half turn
        { 3, 250, 250, 500, 250, kHalfTurnY }, // axis (z, y, x): still about y
        { 5, 250, 250, 500, 250, kHalfTurnsYZ }, // axis (x, z, y): about z
        { 9, 250, 250, 500, 250, kHalfTurnsYZ }, // no axis: the rotation stays
    };
    ArcBall ball;
    ball.setBounds(501.0f, 501.0f);
    for (const auto& [constraint, fromX, fromY, toX, toY, rotation] : steps) {
        ball.constrainRotation = constraint;
        ball.click(Vector(fromX, fromY, 0.0f));
        ball.drag(Vector(toX, toY, 0.0f));
        ball.release();
        ball.drag(Vector(250.0f, 0.0f, 0.0f)); // no button: ignored
        expectMatrix3(ball.thisRotation, rotation);
    }
    // The transform takes the rotation and keeps its own scale and translation.
    ball = ArcBall();
    ball.setBounds(501.0f, 501.0f);
    for (int i : { 0, 5, 10 })
        ball.transform[i] = 3.0f;
    ball.transform[12] = 7.0f;
    ball.click(Vector(250.0f, 250.0f, 0.0f));
    ball.drag(Vector(500.0f, 250.0f, 0.0f));
    EXPECT_NEAR(ball.transform[0], -3.0f, 1e-5f);
    EXPECT_FLOAT_EQ(ball.transform[12], 7.0f);
}
