#include "clipping/engine/PlaneWidgetInCube.h"

#include "mesh/TestUtil.h"
#include "mesh/engine/Mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

using testutil::captureStdout;
using testutil::readFile;
using testutil::TempDir;

namespace {

std::string savedText(const PlaneWidgetInCube& cube)
{
    TempDir dir;
    EXPECT_TRUE(cube.save(dir.file("cube.slc")));
    return readFile(dir.file("cube.slc"));
}

// Signed distance of a point from a plane's equation, positive on the kept side.
double distance(const ClipPlane& plane, const Vector& v)
{
    const double* e = plane.equation;
    return (e[0] * v.x + e[1] * v.y + e[2] * v.z + e[3])
        / std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);
}

const auto mouse = [](float x, float y) { return Vector(x, y, 0.0f, 1.0f); };

void expectNear(const Vector& a, const Vector& b)
{
    EXPECT_LE(std::max({ std::fabs(a.x - b.x), std::fabs(a.y - b.y), std::fabs(a.z - b.z) }), 1e-3f)
        << a.x << ' ' << a.y << ' ' << a.z;
}

// Every plane tilted both ways and pushed.
PlaneWidgetInCube movedCube()
{
    PlaneWidgetInCube cube;
    for (int k = 0; k < 6; ++k)
        cube.selectPlane(k);
    cube.pressPlanes(mouse(300, 400), 1);
    cube.dragPlanes(mouse(300, 330));
    cube.pressPlanes(mouse(400, 300), 2);
    cube.dragPlanes(mouse(455, 300));
    cube.pressPlanes(mouse(0, 500), 3);
    cube.dragPlanes(mouse(0, 530));
    return cube;
}

} // namespace

// A round trip gives the text back and keeps the selection; a file that cannot
// be read or written changes nothing and says so.
TEST(PlaneWidgetInCube, SaveLoadRoundTripFailuresChangeNothingAndLoadReadsWhatTheFileHolds)
{
    TempDir dir;
    PlaneWidgetInCube cube = movedCube();
    const std::string text = savedText(cube);
    PlaneWidgetInCube loaded;
    loaded.selectPlane(PLANE_3);
    EXPECT_TRUE(loaded.load(dir.write("moved.slc", text)));
    EXPECT_EQ(savedText(loaded), text);
    EXPECT_EQ(loaded.planeState[PLANE_3], 1);

    captureStdout([&] {
        EXPECT_FALSE(cube.load(dir.file("absent.slc")));
        EXPECT_FALSE(cube.load(dir.path().string()));
    });
    EXPECT_EQ(savedText(cube), text);
    const std::string target = dir.file("no-folder/new.slc");
    captureStdout([&] { EXPECT_FALSE(cube.save(target)); });
    EXPECT_FALSE(std::filesystem::exists(target));

    const std::string planeLines = text.substr(text.find('\n') + 1);
    const std::string first = planeLines.substr(0, planeLines.find('\n'));
    // The first line's first 10 values (centre, normal, corner 0, corner 1's x),
    // and the whole line spread far past 255 characters.
    std::string tenValues = "P:", spread = "P:";
    std::istringstream in(first.substr(2));
    int n = 0;
    for (std::string v; in >> v; ++n) {
        tenValues += n < 10 ? " " + v : "";
        spread += "        " + v;
    }
    ASSERT_GT(spread.size(), 600u);

    // Each file's name, its text, the planes read and those that now equal the
    // moved cube's; the others stay as they were.
    const std::tuple<const char*, std::string, std::size_t, std::vector<std::size_t>> cases[] = {
        { "size 3 with six planes", "SIZE: 3\n" + planeLines, 3, { 0, 1, 2 } },
        { "no size line", planeLines.substr(0, planeLines.find('\n', first.size() + 1) + 1), 6,
            { 0, 1 } },
        { "last line without a break", "SIZE: 6\n" + planeLines.substr(0, planeLines.size() - 1), 6,
            { 0, 1, 2, 3, 4, 5 } },
        { "long line", spread + "\n", 6, { 0 } },
        { "foreign lines skipped", "# note\n\nQ: 1 2\n" + first + "\n", 6, { 0 } },
        { "size too large", "SIZE: 7\n" + first + "\n", 6, { 0 } },
        { "short line", tenValues + "\n", 6, {} },
        { "damaged value", tenValues + " x 1 2\n", 6, {} },
    };
    const PlaneWidgetInCube reference = movedCube();
    for (const auto& [name, fileText, planes, movedPlanes] : cases) {
        SCOPED_TRACE(name);
        PlaneWidgetInCube cube;
        captureStdout([&] { EXPECT_TRUE(cube.load(dir.write("case.slc", fileText))); });
        ASSERT_EQ(cube.planes.size(), planes);
        ASSERT_EQ(cube.outlines.size(), planes);
        for (std::size_t m : movedPlanes) {
            expectNear(cube.planes[m].corners[3], reference.planes[m].corners[3]);
            EXPECT_EQ(cube.planes[m].faceId(), int(m) + 1);
        }
        // Each outline is drawn where its equation cuts, also where a short line
        // moved the centre and normal but not the equation.
        for (std::size_t k = 0; k < planes; ++k) {
            EXPECT_GE(cube.outlines[k].size(), 3u) << k;
            for (const Vector& v : cube.outlines[k])
                EXPECT_NEAR(distance(cube.planes[k], v), 0.0, 1e-3) << k;
        }
    }
}

TEST(PlaneWidgetInCube, PushAndTiltMoveOnlyTheSelectedPlanes)
{
    // The plane, the press's code and where the drag ends; the expected centre,
    // and the normal component that must turn (-1: none). Presses at (400, 400);
    // the push step is 0.1 per pixel on the cube of edge 256.
    const std::tuple<const char*, int, int, Vector, Vector, int> cases[] = {
        { "push PLANE_1 down 10 pixels", PLANE_1, 3, mouse(90, 410), Vector(0, 0, 127), -1 },
        { "push PLANE_4 in along +x", PLANE_4, 3, mouse(0, 430), Vector(-125, 0, 0), -1 },
        { "left drag tilts PLANE_1 about x", PLANE_1, 1, mouse(9, 300), Vector(0, 0, 128), 1 },
        { "middle drag tilts it about y", PLANE_1, 2, mouse(500, 9), Vector(0, 0, 128), 0 },
        { "PLANE_3 tilts about z", PLANE_3, 1, mouse(0, 300), Vector(128, 0, 0), 1 },
    };
    for (const auto& [name, plane, code, to, centre, turned] : cases) {
        SCOPED_TRACE(name);
        PlaneWidgetInCube cube;
        const PlaneWidgetInCube start = cube;
        cube.selectPlane(plane);
        cube.pressPlanes(mouse(400, 400), code);
        cube.dragPlanes(to);
        const ClipPlane& p = cube.planes[std::size_t(plane)];
        const Vector n0 = start.planes[std::size_t(plane)].normal;
        expectNear(p.centre, centre);
        // The equation runs through the centre with the outward normal.
        EXPECT_NEAR(distance(p, p.centre), 0.0, 1e-5 * 256);
        EXPECT_NEAR(distance(p, p.centre + p.normal), -1.0, 1e-4);
        const float change[3] = { p.normal.x - n0.x, p.normal.y - n0.y, p.normal.z - n0.z };
        for (int axis = 0; axis < 3; ++axis)
            EXPECT_EQ(std::fabs(change[axis]) > 0.2f, axis == turned) << axis;
        ASSERT_EQ(cube.outlines[std::size_t(plane)].size(), 4u);
        for (const Vector& v : cube.outlines[std::size_t(plane)])
            EXPECT_NEAR(p.normal.dot(v - p.centre), 0.0f, 1e-3f * 256);
        for (std::size_t k = 0; k < 6; ++k)
            EXPECT_TRUE(int(k) == plane || cube.planes[k].centre == start.planes[k].centre) << k;
    }
}

TEST(PlaneWidgetInCube, SelectionResetsWhatIsDrawnAndAPlanePushedOutClipsWithoutAnOutline)
{
    PlaneWidgetInCube cube;
    const std::string start = savedText(cube);
    using Strokes = std::vector<std::pair<int, bool>>;
    const auto strokes = [&] {
        Strokes s;
        for (const PlaneWidgetInCube::Stroke& st : cube.drawOrder())
            s.emplace_back(st.plane, st.selected);
        return s;
    };
    EXPECT_TRUE(strokes().empty());
    cube.selectPlane(PLANE_2);
    cube.selectPlane(PLANE_5);
    cube.selectPlane(6);
    EXPECT_EQ(strokes(),
        (Strokes {
            { 0, false }, { 2, false }, { 3, false }, { 5, false }, { 1, true }, { 4, true } }));

    // Two selected planes move under one drag, each along its own normal.
    cube.pressPlanes(mouse(50, 200), 3);
    cube.dragPlanes(mouse(60, 190));
    cube.releasePlanes();
    EXPECT_NEAR(cube.planes[PLANE_2].centre.z, -129.0f, 1e-4f);
    EXPECT_NEAR(cube.planes[PLANE_5].centre.y, 129.0f, 1e-4f);

    // Reset Current restores the selected planes and keeps the selection.
    cube.selectPlane(PLANE_5);
    cube.resetCurrent();
    EXPECT_EQ(cube.planes[PLANE_2].centre.z, -128.0f);
    EXPECT_NEAR(cube.planes[PLANE_5].centre.y, 129.0f, 1e-4f);

    // After a reset, outlines run counter-clockwise about the outward normal and
    // every equation keeps the inside.
    cube.selectPlane(PLANE_3);
    cube.resetAll();
    EXPECT_FALSE(cube.anySelected());
    EXPECT_EQ(savedText(cube), start);
    for (std::size_t i = 0; i < 6; ++i) {
        const std::vector<Vector>& o = cube.outlines[i];
        ASSERT_EQ(o.size(), 4u);
        Vector turn;
        turn.cross(o[1] - o[0], o[2] - o[1]);
        EXPECT_GT(turn.dot(cube.planes[i].normal), 0.0f) << i;
        EXPECT_NEAR(distance(cube.planes[i], Vector(0, 0, 0)), 128.0, 1e-9);
    }

    // A plane pushed out of the cube has no outline but still clips.
    cube.selectPlane(PLANE_1);
    cube.pressPlanes(mouse(0, 100), 3);
    cube.dragPlanes(mouse(0, 50));
    const ClipPlane& p = cube.planes[PLANE_1];
    EXPECT_TRUE(cube.outlines[PLANE_1].empty());
    EXPECT_NEAR(distance(p, Vector(0, 0, 132)), 1.0, 1e-4);
    EXPECT_NEAR(distance(p, Vector(0, 0, 134)), -1.0, 1e-4);
    cube.dragPlanes(mouse(0, 200));
    EXPECT_NEAR(p.centre.z, 118.0f, 1e-4f);
    EXPECT_EQ(cube.outlines[PLANE_1].size(), 4u);

    // The cube is sized from the box's extent wherever it lies, also where every
    // coordinate is negative.
    Mesh mesh;
    mesh.numVertices = 8;
    mesh.boxCorners[1] = Vector(-99, -497, -198);
    mesh.boxCorners[4] = Vector(-101, -503, -202);
    EXPECT_EQ(clipCubeEdge(mesh), 12.0f);
}
