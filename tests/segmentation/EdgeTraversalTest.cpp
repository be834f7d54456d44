// Edge traversal and segment marking on meshes built in code and on real ones.
#include "SegmentTestMeshes.h"

#include "segmentation/engine/EdgeTraversal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

namespace {

// Edge-adjacency distance of every face from start (-1 when unreachable).
std::vector<int> ringDistances(const Mesh& mesh, int start)
{
    std::vector<int> distance(std::size_t(mesh.numFaces), -1);
    std::deque<int> queue { start };
    distance[std::size_t(start)] = 0;
    while (!queue.empty()) {
        const int a = queue.front();
        queue.pop_front();
        for (const int b : mesh.edgeGraph.faceNeighbours[std::size_t(a)]) {
            if (distance[std::size_t(b)] < 0) {
                distance[std::size_t(b)] = distance[std::size_t(a)] + 1;
                queue.push_back(b);
            }
        }
    }
    return distance;
}

// Without creases, depth d reaches the faces 1 .. d rings away, and the start
// face itself once a layer comes back to it (from depth 2 on).
void expectRings(Mesh& mesh, int start, int depth)
{
    EdgeTraversal traversal(&mesh);
    mesh.selected = start + 1;
    traversal.run(depth, 360);
    const std::vector<int> distance = ringDistances(mesh, start);
    const bool hasNeighbour = !mesh.edgeGraph.faceNeighbours[std::size_t(start)].empty();
    for (int f = 0; f < mesh.numFaces; ++f) {
        const int d = distance[std::size_t(f)];
        const bool expected = f == start ? depth >= 2 && hasNeighbour : d >= 1 && d <= depth;
        ASSERT_EQ(mesh.faces[std::size_t(f)].traversed, expected ? 1 : 0)
            << "face " << f << " at ring " << d << ", depth " << depth;
    }
}

} // namespace

TEST(EdgeTraversal, FoldAngleDecidesWhetherTheNeighbourIsTaken)
{
    // Depth 1 from the first face of a folded pair: is the second one taken?
    const struct
    {
        double fold;
        int angle;
        bool taken;
    } cases[] = {
        { 0.0, 1, true }, // coplanar: 0 degrees
        // The limit is strict. Single-precision normals resolve the fold to
        // about 1e-4 degrees here, so "exactly 1 degree" is taken a hair each side.
        { 1.001, 1, false }, { 0.999, 1, true }, { 1.0, 2, true }, { 30.0, 30, false },
        { 30.0, 31, true }, { 180.0, 1, true }, // opposite-facing: folded to 0
        { 178.999, 1, false }, // folded to just over 1
        { 179.001, 1, true }, { 179.0, 2, true }, { 100.0, 80, false }, // folded to 80
        { 100.0, 81, true }, { 0.0, 0, false }, // no angle takes nothing
    };
    for (const auto& c : cases) {
        Mesh mesh = foldedPair(c.fold);
        mesh.selected = 1;
        EdgeTraversal traversal(&mesh);
        traversal.run(1, c.angle);
        EXPECT_EQ(flags(mesh), (std::vector<int> { 0, c.taken ? 1 : 0 }))
            << "fold " << c.fold << ", angle " << c.angle;
        // From depth 2 the start face is reached back across the same edge.
        traversal.run(2, c.angle);
        EXPECT_EQ(flags(mesh), (std::vector<int> { c.taken ? 1 : 0, c.taken ? 1 : 0 }));
        EXPECT_EQ(traversal.depth, 2);
        EXPECT_EQ(traversal.angle, c.angle);
    }
}

TEST(EdgeTraversal, NothingIsFlaggedWithoutDepthOrPickedFace)
{
    // Flags of an earlier traversal are cleared in every case.
    const struct
    {
        int selected;
        int depth;
    } cases[] = { { 5, 0 }, { 0, 10 }, { -1, 10 }, { 51, 10 }, { 5, -1 } };
    for (const auto& c : cases) {
        Mesh mesh = flatGrid(6);
        for (Face& face : mesh.faces)
            face.traversed = 1;
        mesh.selected = c.selected;
        EdgeTraversal traversal(&mesh);
        traversal.run(c.depth, 90);
        EXPECT_EQ(flags(mesh), std::vector<int>(50, 0)) << "selected " << c.selected;
    }

    // A face with no neighbours reaches nothing, whatever the depth.
    Mesh lonely = makeMesh({ { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 5, 5, 0 }, { 6, 5, 0 },
                               { 5, 6, 0 }, { 6, 6, 0 } },
        { { 0, 1, 2 }, { 3, 4, 5 }, { 4, 6, 5 } });
    lonely.selected = 1;
    EdgeTraversal traversal(&lonely);
    traversal.run(5000, 360);
    EXPECT_EQ(flags(lonely), (std::vector<int> { 0, 0, 0 }));
}

TEST(EdgeTraversal, GrowsRingByRingUntilTheMeshIsExhausted)
{
    Mesh grid = flatGrid(7); // 72 faces
    for (const int depth : { 1, 2, 3, 7, 5000 })
        expectRings(grid, 30, depth);
    EXPECT_EQ(flags(grid), std::vector<int>(72, 1));

    // A flat grid at the smallest angle: every coplanar neighbour is taken.
    EdgeTraversal traversal(&grid);
    grid.selected = 1;
    traversal.run(5000, 1);
    EXPECT_EQ(flags(grid), std::vector<int>(72, 1));

    Mesh spot;
    if (!loadRealMesh(spot, "spot.obj"))
        GTEST_SKIP() << "spot.obj is not here";
    for (const int depth : { 1, 4, 25 })
        expectRings(spot, 1234, depth);
}

TEST(EdgeTraversal, CreasesStopTheGrowthOnARealMesh)
{
    Mesh mesh;
    if (!loadRealMesh(mesh, "cross.obj"))
        GTEST_SKIP() << "cross.obj is not here";
    // The cross is made of flat sides meeting at right angles: a traversal
    // below 90 degrees stays on one side, which is coplanar with the start.
    mesh.selected = 1;
    EdgeTraversal traversal(&mesh);
    traversal.run(5000, 10);
    const Vector& n0 = mesh.faces[0].normal;
    int reached = 0;
    for (const Face& face : mesh.faces) {
        if (face.traversed == 1) {
            ++reached;
            EXPECT_GT(std::abs(face.normal.dot(n0)), 0.999f);
        }
    }
    EXPECT_GT(reached, 1);
    EXPECT_LT(reached, mesh.numFaces);
}

TEST(EdgeTraversal, MarksNumberSegmentsAndTheNewerMarkWins)
{
    Mesh mesh = flatGrid(6);
    EdgeTraversal traversal(&mesh);
    std::vector<int> hues { 0, 16384 };
    traversal.randomHue = [&hues] {
        const int h = hues.front();
        hues.erase(hues.begin());
        return h;
    };
    mesh.selected = 1;
    traversal.run(2, 1);
    const std::vector<int> first = flags(mesh);
    traversal.markCurrent();
    mesh.selected = 3;
    traversal.run(2, 1);
    const std::vector<int> second = flags(mesh);
    traversal.markCurrent();
    EXPECT_EQ(traversal.segmentCount, 2);

    int overlap = 0;
    for (std::size_t f = 0; f < first.size(); ++f) {
        const Face& face = mesh.faces[f];
        EXPECT_EQ(face.traversed, 0);
        const int expected = second[f] ? 2 : first[f] ? 1 : 0;
        EXPECT_EQ(face.segment, expected) << "face " << f;
        overlap += first[f] & second[f];
        if (expected == 1) { // hue 0: red
            EXPECT_EQ(face.colour, Vector(1.0f, 0.0f, 0.0f));
        }
        if (expected == 2) { // hue 180.005: cyan
            EXPECT_NEAR(face.colour.x, 0.0f, 1e-6f);
            EXPECT_NEAR(face.colour.y, 1.0f, 1e-3f);
            EXPECT_NEAR(face.colour.z, 1.0f, 1e-6f);
        }
        if (expected != 0) {
            EXPECT_EQ(face.colour.w, 1.0f);
        }
    }
    EXPECT_GT(overlap, 0);

    // A mark with nothing flagged still uses up a number; the top of the
    // random range is hue 360, outside the sectors: black.
    traversal.randomHue = [] { return 32767; };
    traversal.markCurrent();
    EXPECT_EQ(traversal.segmentCount, 3);
    traversal.run(1, 1);
    traversal.markCurrent();
    for (const Face& face : mesh.faces) {
        if (face.segment == 4) {
            EXPECT_EQ(face.colour, Vector(0.0f, 0.0f, 0.0f, 1.0f));
        }
        EXPECT_NE(face.segment, 3);
    }

    // The default source is reduced to 0 .. 32767: dividing rand()'s full range
    // by 32767 would put nearly every hue past 360, which is black.
    traversal.randomHue = nullptr;
    int black = 0;
    for (int i = 0; i < 100; ++i) {
        traversal.run(1, 1);
        const std::vector<int> reached = flags(mesh);
        const auto f = std::size_t(std::find(reached.begin(), reached.end(), 1) - reached.begin());
        ASSERT_LT(f, reached.size());
        traversal.markCurrent();
        const Vector& c = mesh.faces[f].colour;
        black += c.x == 0.0f && c.y == 0.0f && c.z == 0.0f;
    }
    EXPECT_LT(black, 3);
}
