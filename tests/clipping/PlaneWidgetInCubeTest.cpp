#include "clipping/engine/PlaneWidgetInCube.h"

#include "mesh/TestUtil.h"
#include "mesh/engine/Mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

using testutil::captureStdout;
using testutil::readFile;
using testutil::TempDir;

namespace {

const std::string kIdentity4 = "1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 ";
const std::string kIdentity3 = "1 0 0 0 1 0 0 0 1 ";

// The start-up cube's first plane line: the face z = 128 and its untouched trackball.
const std::string kStartPlane1 = "P: 0 0 128 0 0 1 "
                                 "-128 128 128 128 128 128 128 -128 128 -128 -128 128 "
                                 "-128 128 128 128 128 128 128 -128 128 -128 -128 128 "
                                 "0 0 -65536 8.38861e+06 1 "
    + kIdentity4 + kIdentity3 + kIdentity3 + "\n";

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

std::string savedText(const PlaneWidgetInCube& cube)
{
    TempDir dir;
    const std::string path = dir.file("cube.slc");
    EXPECT_TRUE(cube.save(path));
    return readFile(path);
}

// The value of a plane's equation at a point.
double side(const ClipPlane& plane, double x, double y, double z)
{
    const double* e = plane.equation;
    return e[0] * x + e[1] * y + e[2] * z + e[3];
}

// Signed distance of a point from a plane, positive on the kept side.
double distance(const ClipPlane& plane, const Vector& v)
{
    const double* e = plane.equation;
    return side(plane, v.x, v.y, v.z) / std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);
}

Vector mouse(float x, float y)
{
    return Vector(x, y, 0.0f, 1.0f);
}

void expectNear(const Vector& a, const Vector& b, float tolerance = 1e-3f)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

// A cube whose planes have all been moved: every plane tilted both ways and pushed.
PlaneWidgetInCube movedCube()
{
    PlaneWidgetInCube cube;
    for (int k = 0; k < 6; ++k) {
        cube.selectPlane(k);
    }
    cube.pressPlanes(mouse(300, 400), 1);
    cube.dragPlanes(mouse(300, 330));
    cube.pressPlanes(mouse(400, 300), 2);
    cube.dragPlanes(mouse(455, 300));
    cube.pressPlanes(mouse(0, 500), 3);
    cube.dragPlanes(mouse(0, 530));
    return cube;
}

} // namespace

TEST(PlaneWidgetInCube, StartUpCubeSavesItsFacesAndOutlinesTheirSquares)
{
    PlaneWidgetInCube cube;
    const std::vector<std::string> saved = lines(savedText(cube));
    ASSERT_EQ(saved.size(), 7u);
    EXPECT_EQ(saved[0], "SIZE: 6");
    EXPECT_EQ(saved[1] + "\n", kStartPlane1);
    for (std::size_t i = 1; i < saved.size(); ++i) {
        std::istringstream values(saved[i].substr(3));
        int count = 0;
        for (std::string v; values >> v;) {
            ++count;
        }
        EXPECT_EQ(count, 69) << saved[i];
    }

    // Every starting plane keeps the inside of the cube, and its outline is its
    // face's square, counter-clockwise about its outward normal.
    cube.rebuildOutlines();
    for (std::size_t i = 0; i < 6; ++i) {
        const ClipPlane& plane = cube.planes[i];
        EXPECT_GT(side(plane, 0, 0, 0), 0.0);
        EXPECT_EQ(plane.faceId(), int(i) + 1);
        ASSERT_EQ(cube.outlines[i].size(), 4u);
        const Vector n = plane.normal;
        const std::vector<Vector>& o = cube.outlines[i];
        Vector turn;
        turn.cross(o[1] - o[0], o[2] - o[1]);
        EXPECT_GT(turn.dot(n), 0.0f) << "plane " << i;
    }
    const Vector* c = cube.cubeCorners;
    const std::vector<Vector>& top = cube.outlines[PLANE_1];
    EXPECT_EQ(top[0], c[0]);
    EXPECT_EQ(top[1], c[2]);
    EXPECT_EQ(top[2], c[3]);
    EXPECT_EQ(top[3], c[1]);
}

TEST(PlaneWidgetInCube, SaveAndLoadRoundTripEveryWrittenField)
{
    const PlaneWidgetInCube moved = movedCube();
    const std::string text = savedText(moved);

    TempDir dir;
    const std::string path = dir.write("moved.slc", text);
    PlaneWidgetInCube loaded;
    loaded.selectPlane(PLANE_3);
    EXPECT_EQ(captureStdout([&] { EXPECT_TRUE(loaded.load(path)); }), "");
    EXPECT_EQ(savedText(loaded), text);
    for (std::size_t i = 0; i < 6; ++i) {
        const ClipPlane& a = moved.planes[i];
        const ClipPlane& b = loaded.planes[i];
        for (int k = 0; k < 4; ++k) {
            expectNear(a.corners[k], b.corners[k]);
            expectNear(a.baseCorners[k], b.baseCorners[k]);
            EXPECT_NEAR(a.equation[k], b.equation[k], std::fabs(a.equation[k]) * 1e-5 + 1e-3);
        }
        EXPECT_EQ(a.faceId(), b.faceId());
        for (int k = 0; k < 16; ++k) {
            EXPECT_NEAR(a.trackball.transform[k], b.trackball.transform[k], 1e-4f);
        }
        for (int k = 0; k < 9; ++k) {
            EXPECT_NEAR(a.trackball.lastRotation[k], b.trackball.lastRotation[k], 1e-5f);
            EXPECT_NEAR(a.trackball.thisRotation[k], b.trackball.thisRotation[k], 1e-5f);
        }
        // The outlines follow the loaded planes.
        EXPECT_EQ(loaded.outlines[i].size(), moved.outlines[i].size());
    }
    // The file holds no selection.
    EXPECT_EQ(loaded.planeState[PLANE_3], 1);
    EXPECT_EQ(loaded.planeState[PLANE_1], -1);
}

TEST(PlaneWidgetInCube, LoadReadsWhatTheFileHolds)
{
    const std::string moved = savedText(movedCube());
    const std::vector<std::string> movedLines = lines(moved);
    std::string planeLines;
    for (std::size_t i = 1; i < movedLines.size(); ++i) {
        planeLines += movedLines[i] + "\n";
    }
    const std::string firstPlane = movedLines[1];
    // The line's first 10 values: centre, normal and most of corner 0.
    std::string tenValues = "P:";
    {
        std::istringstream in(firstPlane.substr(2));
        std::string v;
        for (int i = 0; i < 10 && in >> v; ++i) {
            tenValues += " " + v;
        }
    }
    // The same line with its numbers spread far past 255 characters.
    std::string spread = "P:";
    {
        std::istringstream in(firstPlane.substr(2));
        for (std::string v; in >> v;) {
            spread += "        " + v;
        }
    }
    ASSERT_GT(spread.size(), 600u);

    struct Case
    {
        const char* name;
        std::string text;
        std::size_t planes;
        // Planes whose corners equal the moved cube's; the others are the
        // start-up cube's (or blank after a SIZE line).
        std::vector<int> movedPlanes;
        const char* console;
    };
    const std::vector<Case> cases = {
        { "size 3 with six planes", "SIZE: 3\n" + planeLines, 3, { 0, 1, 2 }, "" },
        { "no size line", movedLines[1] + "\n" + movedLines[2] + "\n", 6, { 0, 1 }, "" },
        { "last line without a break", "SIZE: 6\n" + planeLines.substr(0, planeLines.size() - 1), 6,
            { 0, 1, 2, 3, 4, 5 }, "" },
        { "long line", spread + "\n", 6, { 0 }, "" },
        { "foreign lines skipped", "# comment\n\nQ: 1 2 3\n" + firstPlane + "\n", 6, { 0 }, "" },
        { "size negative", "SIZE: -1\n", 6, {}, "asks for -1 planes" },
        { "size too large", "SIZE: 7\n" + firstPlane + "\n", 6, { 0 }, "asks for 7 planes" },
        { "short line", tenValues + "\n", 6, {}, "10 of 69 values" },
        { "damaged value", tenValues + " x 1 2\n", 6, {}, "10 of 69 values" },
    };

    const PlaneWidgetInCube reference = movedCube();
    const PlaneWidgetInCube start;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir.write("case.slc", c.text);
        PlaneWidgetInCube cube;
        const std::string out = captureStdout([&] { EXPECT_TRUE(cube.load(path)); });
        if (*c.console) {
            EXPECT_NE(out.find(c.console), std::string::npos) << out;
        } else {
            EXPECT_EQ(out, "");
        }
        ASSERT_EQ(cube.planes.size(), c.planes);
        ASSERT_EQ(cube.outlines.size(), c.planes);
        for (int m : c.movedPlanes) {
            for (int k = 0; k < 4; ++k) {
                expectNear(cube.planes[std::size_t(m)].corners[k],
                    reference.planes[std::size_t(m)].corners[k]);
            }
            EXPECT_EQ(
                cube.planes[std::size_t(m)].faceId(), reference.planes[std::size_t(m)].faceId());
        }
    }

    // A short line changes only the values it holds: centre, normal, corner 0
    // and corner 1's x.
    TempDir dir;
    PlaneWidgetInCube cube;
    captureStdout([&] { cube.load(dir.write("short.slc", tenValues + "\n")); });
    const ClipPlane& p = cube.planes[0];
    expectNear(p.centre, reference.planes[0].centre);
    expectNear(p.normal, reference.planes[0].normal);
    expectNear(p.corners[0], reference.planes[0].corners[0]);
    EXPECT_NEAR(p.corners[1].x, reference.planes[0].corners[1].x, 1e-3f);
    EXPECT_EQ(p.corners[1].y, start.planes[0].corners[1].y);
    EXPECT_EQ(p.corners[2], start.planes[0].corners[2]);
    EXPECT_EQ(p.equation[2], start.planes[0].equation[2]);
    EXPECT_EQ(p.faceId(), 1);
}

TEST(PlaneWidgetInCube, UnreadableAndUnwritableFilesLeaveEverythingAsItWas)
{
    TempDir dir;
    PlaneWidgetInCube cube = movedCube();
    const std::string before = savedText(cube);
    std::string out = captureStdout([&] { EXPECT_FALSE(cube.load(dir.file("absent.slc"))); });
    EXPECT_EQ(out, "ERROR: OPENING FILE .slc File! PlaneWidgetInCube::load() /n\n");
    out = captureStdout([&] { EXPECT_FALSE(cube.load(dir.path().string())); });
    EXPECT_NE(out.find("ERROR: OPENING FILE .slc File!"), std::string::npos);
    EXPECT_EQ(savedText(cube), before);

    const std::string old = dir.write("old.slc", "SIZE: 0\n");
    const std::string target = dir.file("missing-folder/new.slc");
    out = captureStdout([&] { EXPECT_FALSE(cube.save(target)); });
    EXPECT_EQ(out, "ERROR: SAVING FILE .slc File! PlaneWidgetInCube::save(QString filename)\n");
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_TRUE(cube.save(old));
    EXPECT_EQ(readFile(old), before);
}

TEST(PlaneWidgetInCube, SelectionDecidesWhatMovesAndWhatIsDrawn)
{
    PlaneWidgetInCube cube;
    using Strokes = std::vector<std::pair<int, bool>>;
    const auto strokes = [&] {
        Strokes s;
        for (const PlaneWidgetInCube::Stroke& st : cube.drawOrder()) {
            s.emplace_back(st.plane, st.selected);
        }
        return s;
    };
    EXPECT_TRUE(strokes().empty());
    cube.showAll = 1;
    EXPECT_EQ(strokes(),
        (Strokes {
            { 0, false }, { 1, false }, { 2, false }, { 3, false }, { 4, false }, { 5, false } }));
    cube.showAll = 0;

    // Presses and drags never reach unselected planes.
    const std::string start = savedText(cube);
    cube.pressPlanes(mouse(10, 10), 3);
    cube.dragPlanes(mouse(10, 90));
    EXPECT_EQ(savedText(cube), start);

    cube.selectPlane(PLANE_2);
    cube.selectPlane(PLANE_5);
    cube.selectPlane(9);
    cube.selectPlane(-1);
    EXPECT_TRUE(cube.anySelected());
    EXPECT_EQ(strokes(),
        (Strokes {
            { 0, false }, { 2, false }, { 3, false }, { 5, false }, { 1, true }, { 4, true } }));

    // Both selected planes move under one drag, each along its own normal.
    cube.pressPlanes(mouse(50, 200), 3);
    cube.dragPlanes(mouse(60, 190));
    cube.releasePlanes();
    EXPECT_NEAR(cube.planes[PLANE_2].centre.z, -129.0f, 1e-4f);
    EXPECT_NEAR(cube.planes[PLANE_5].centre.y, 129.0f, 1e-4f);
    EXPECT_EQ(cube.planes[PLANE_2].trackball.constrainMapping, 3);
    EXPECT_EQ(cube.planes[PLANE_1].centre.z, 128.0f);

    // Reset Current restores the selected planes only and keeps the selection.
    cube.selectPlane(PLANE_5);
    cube.resetCurrent();
    EXPECT_EQ(cube.planes[PLANE_2].centre.z, -128.0f);
    EXPECT_NEAR(cube.planes[PLANE_5].centre.y, 129.0f, 1e-4f);
    EXPECT_EQ(cube.planeState[PLANE_2], 1);

    cube.selectPlane(PLANE_2);
    EXPECT_FALSE(cube.anySelected());
    cube.selectPlane(PLANE_3);
    cube.resetAll();
    EXPECT_FALSE(cube.anySelected());
    EXPECT_EQ(savedText(cube), start);
    for (const std::vector<Vector>& outline : cube.outlines) {
        EXPECT_EQ(outline.size(), 4u);
    }
}

TEST(PlaneWidgetInCube, PushAndTiltMoveTheEquation)
{
    struct Case
    {
        const char* name;
        float edge;
        int plane;
        int code;
        Vector from, to;
        std::function<void(const ClipPlane&)> check;
    };
    const std::vector<Case> cases = {
        { "push down 10 pixels: one unit in along -z", 256, PLANE_1, 3, mouse(5, 300),
            mouse(400, 310),
            [](const ClipPlane& p) {
                expectNear(p.centre, Vector(0, 0, 127));
                EXPECT_GT(side(p, 0, 0, 126.9), 0.0);
                EXPECT_LT(side(p, 0, 0, 127.1), 0.0);
            } },
        { "push down on a cube twice as big: four units in", 512, PLANE_1, 3, mouse(5, 300),
            mouse(5, 320), [](const ClipPlane& p) { expectNear(p.centre, Vector(0, 0, 252)); } },
        { "push PLANE_4 down: in along +x", 256, PLANE_4, 3, mouse(0, 0), mouse(0, 30),
            [](const ClipPlane& p) {
                expectNear(p.centre, Vector(-125, 0, 0));
                EXPECT_GT(side(p, -124.9, 5, 5), 0.0);
                EXPECT_LT(side(p, -125.1, 5, 5), 0.0);
            } },
        { "left drag up: PLANE_1 tilts about x", 256, PLANE_1, 1, mouse(700, 400), mouse(100, 300),
            [](const ClipPlane& p) {
                EXPECT_NEAR(p.normal.x, 0.0f, 1e-6f);
                EXPECT_LT(p.normal.y, -0.1f);
                EXPECT_LT(p.normal.z, 0.99f);
            } },
        { "middle drag right: PLANE_1 tilts about y", 256, PLANE_1, 2, mouse(400, 10),
            mouse(500, 600),
            [](const ClipPlane& p) {
                EXPECT_NEAR(p.normal.y, 0.0f, 1e-6f);
                EXPECT_LT(p.normal.x, -0.1f);
            } },
        { "left drag on PLANE_3: x and z exchanged", 256, PLANE_3, 1, mouse(0, 400), mouse(0, 300),
            [](const ClipPlane& p) {
                expectNear(p.centre, Vector(128, 0, 0));
                EXPECT_NEAR(p.normal.z, 0.0f, 1e-6f);
                EXPECT_GT(std::fabs(p.normal.y), 0.1f);
            } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlaneWidgetInCube cube;
        cube.initCube(c.edge);
        cube.selectPlane(c.plane);
        cube.pressPlanes(c.from, c.code);
        cube.dragPlanes(c.to);
        const ClipPlane& p = cube.planes[std::size_t(c.plane)];
        c.check(p);
        // Whatever the motion: a unit normal, the equation through the centre
        // with its normal pointing inwards, and the outline on the plane.
        EXPECT_NEAR(Vector(p.normal).getLength(), 1.0f, 1e-5f);
        EXPECT_NEAR(distance(p, p.centre), 0.0, 1e-5 * c.edge);
        EXPECT_NEAR(distance(p, p.centre + p.normal), -1.0, 1e-4);
        ASSERT_GE(cube.outlines[std::size_t(c.plane)].size(), 3u);
        for (const Vector& v : cube.outlines[std::size_t(c.plane)]) {
            EXPECT_NEAR(p.normal.dot(v - p.centre), 0.0f, 1e-3f * c.edge);
        }
    }
}

TEST(PlaneWidgetInCube, PlanePushedOutOfTheCubeHasNoOutlineButStillClips)
{
    PlaneWidgetInCube cube;
    cube.selectPlane(PLANE_1);
    cube.pressPlanes(mouse(0, 100), 3);
    cube.dragPlanes(mouse(0, 50));
    const ClipPlane& p = cube.planes[PLANE_1];
    EXPECT_NEAR(p.centre.z, 133.0f, 1e-4f);
    EXPECT_TRUE(cube.outlines[PLANE_1].empty());
    EXPECT_GT(side(p, 0, 0, 132), 0.0);
    EXPECT_LT(side(p, 0, 0, 134), 0.0);
    // Pulled back in, it is outlined again.
    cube.dragPlanes(mouse(0, 200));
    EXPECT_NEAR(p.centre.z, 118.0f, 1e-4f);
    EXPECT_EQ(cube.outlines[PLANE_1].size(), 4u);
}

TEST(PlaneWidgetInCube, CubeAroundALoadedMeshIsTwiceItsBox)
{
    Mesh mesh;
    EXPECT_EQ(clipCubeEdge(mesh), 256.0f);
    mesh.numVertices = 8;
    const auto box = [&](Vector lo, Vector hi) {
        mesh.boxCorners[1] = hi;
        mesh.boxCorners[4] = lo;
        return clipCubeEdge(mesh);
    };
    // Centred on the origin: four times the box's largest coordinate.
    EXPECT_EQ(box(Vector(-1, -3, -2), Vector(1, 3, 2)), 12.0f);
    // Anywhere else the same size, also where every coordinate is negative.
    EXPECT_EQ(box(Vector(-101, -503, -202), Vector(-99, -497, -198)), 12.0f);
    EXPECT_EQ(box(Vector(1000, 0, 0), Vector(1000.5f, 0, 0)), 1.0f);
    EXPECT_EQ(box(Vector(5, 5, 5), Vector(5, 5, 5)), 256.0f);
}
