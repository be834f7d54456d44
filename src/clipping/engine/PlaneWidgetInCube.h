#pragma once

#include "mesh/engine/Vector.h"
#include "viewer/engine/ArcBall.h"

#include <array>
#include <string>
#include <vector>

class Mesh;

// Plane indices of the cube, in the order of its planes and of the GL clip planes.
enum ClipPlaneIndex : int { PLANE_1 = 0, PLANE_2, PLANE_3, PLANE_4, PLANE_5, PLANE_6 };

// One face of the clipping cube. Its trackball carries the interaction mode in
// constrainMapping (0 none, 1 tilt by vertical motion, 2 tilt by horizontal
// motion, 3 push along the normal), the face id 1..6 in constrainRotation, and
// the accumulated motion in its transform.
struct ClipPlane
{
    ClipPlane();

    // Unit normal; out of the cube for the starting planes.
    Vector normal;
    // Mean of the four corners.
    Vector centre;
    // A, B, C, D: points with Ax + By + Cz + D >= 0 are kept.
    double equation[4] = { 0.0, 0.0, 0.0, 0.0 };
    ArcBall trackball;
    // Viewport position of the last press or push step.
    Vector lastMouse;
    // The corners the plane was created with, and those moved by the trackball.
    std::array<Vector, 4> baseCorners;
    std::array<Vector, 4> corners;

    int faceId() const { return trackball.constrainRotation; }

    // Applies one mouse position (viewport pixels, y down) in the current mode,
    // then recomputes corners, normal, centre and equation from the base corners
    // and the transform. A push moves pushStep units along the normal per pixel
    // of upward motion. The position (0, 0) in mode 0 only recomputes.
    void updatePlane(Vector p, float pushStep);
};

// The six planes, one on each face of an axis-aligned cube centred on the
// origin, that clip the scene to the inside of the cube; each can be selected,
// tilted about its face centre and pushed along its normal. Holds no GL: the
// caller draws the outlines and loads the equations.
class PlaneWidgetInCube
{
public:
    // The start-up cube, edge 256, so the planes exist before any mesh.
    PlaneWidgetInCube();

    float edgeLengths[3] = { 0.0f, 0.0f, 0.0f };
    // c0..c7, see initCube.
    std::array<Vector, 8> cubeCorners;
    // Per plane: 1 selected, -1 not.
    int planeState[6] = { -1, -1, -1, -1, -1, -1 };
    // Normally six; a settings file may ask for fewer.
    std::vector<ClipPlane> planes;
    // Per plane, where it cuts the cube, ordered counter-clockwise about its
    // normal; empty when it misses the cube.
    std::vector<std::vector<Vector>> outlines;
    // 1: the unselected planes are outlined even without a selection.
    int showAll = 0;
    // Set when inversion is asked for, and read nowhere.
    int invert = 0;

    // Makes the cube with edge lengths (ex, ey, ez) and six fresh planes on its
    // faces; discards all motion and the selection.
    void initCube(float edge);
    void initCube(float ex, float ey, float ez);

    // Writes "SIZE: n" and one "P: " line of 69 values per plane, through a
    // temporary file beside the target and a rename. On failure prints one line,
    // leaves any old file as it was and returns false.
    bool save(const std::string& filename) const;
    // Reads a file written by save. "SIZE: n" (0..6) replaces the planes by n
    // blank ones; each "P: " line fills the next plane; other lines are skipped.
    // A SIZE out of range is refused and a short or damaged plane line keeps the
    // fields it did not reach, each with a console line. A file that cannot be
    // opened leaves the cube unchanged and returns false. The selection of the
    // planes still there and showAll stay, planes beyond the count are
    // deselected; the outlines are rebuilt against the current cube.
    bool load(const std::string& filename);

    // Toggles the selection of plane k (0..5); other k are ignored.
    void selectPlane(int k);
    bool anySelected() const;
    // Starts an interaction on every selected plane: code 1 tilt by vertical
    // motion, 2 tilt by horizontal motion, 3 push.
    void pressPlanes(const Vector& p, int code);
    // Moves every selected plane to the mouse position p.
    void dragPlanes(const Vector& p);
    // Ends the interactions of the unselected planes.
    void releasePlanes();
    // Restores the selected planes to their starting place; selection stays.
    void resetCurrent();
    // Restores every plane and clears the selection.
    void resetAll();
    // Recomputes every plane's outline against the cube's twelve edges, from the
    // equation the clip plane is loaded with.
    void rebuildOutlines();

    // Units a push moves per pixel: 0.1 for the start-up cube of edge 256, in
    // proportion for other cubes.
    float pushStep() const;

    // The outlines to draw, in order: with a selection or showAll, the outline
    // of every unselected plane in grey, then those of the selected planes in
    // yellow with their corner points; nothing otherwise.
    struct Stroke
    {
        int plane;
        bool selected;
    };
    std::vector<Stroke> drawOrder() const;

private:
    std::vector<ClipPlane> freshPlanes();
};

// Edge of the cube made around a mesh at load: four times the largest half
// side of its bounding box, so that the cube, centred on the mesh, has twice
// the box's size. 256 for an empty or single-point mesh.
float clipCubeEdge(const Mesh& mesh);
