#include "clipping/engine/PlaneWidgetInCube.h"

#include "mesh/engine/LineScan.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/WriteObj.h"
#include "viewer/engine/Matrix.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <locale>
#include <sstream>

namespace {

constexpr int kMaxPlanes = 6;
constexpr int kValuesPerLine = 69;
constexpr double kDegrees = 57.29577950560105;

// Unit-cube corners c0..c7.
constexpr float kUnitCorners[8][3] = {
    { -1, 1, 1 },
    { 1, 1, 1 },
    { -1, -1, 1 },
    { 1, -1, 1 },
    { -1, 1, -1 },
    { 1, 1, -1 },
    { -1, -1, -1 },
    { 1, -1, -1 },
};

// Corners of each plane, wound so that its equation keeps the inside.
constexpr int kPlaneCorners[6][4] = {
    { 0, 1, 3, 2 },
    { 6, 7, 5, 4 },
    { 1, 5, 7, 3 },
    { 2, 6, 4, 0 },
    { 4, 5, 1, 0 },
    { 3, 7, 6, 2 },
};

// The cube's edges in the order the outline search visits them.
constexpr int kCubeEdges[12][2] = {
    { 0, 2 },
    { 0, 1 },
    { 0, 4 },
    { 2, 6 },
    { 2, 3 },
    { 3, 1 },
    { 3, 7 },
    { 1, 5 },
    { 4, 5 },
    { 4, 6 },
    { 7, 5 },
    { 7, 6 },
};

// The axis a face looks along: 2 (z) for faces 1 and 2, 0 (x) for 3 and 4, 1 (y)
// for 5 and 6, -1 for anything else.
int faceAxis(int faceId)
{
    switch (faceId) {
    case 1:
    case 2:
        return 2;
    case 3:
    case 4:
        return 0;
    case 5:
    case 6:
        return 1;
    default:
        return -1;
    }
}

float& component(Vector& v, int axis)
{
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

// (A, B, C) = (p2 - p1) x (p3 - p1) and D = -(A, B, C) . p1, in double.
void planeEquation(const Vector& p1, const Vector& p2, const Vector& p3, double eq[4])
{
    const double x1 = p1.x, y1 = p1.y, z1 = p1.z;
    const double x2 = p2.x, y2 = p2.y, z2 = p2.z;
    const double x3 = p3.x, y3 = p3.y, z3 = p3.z;
    eq[0] = y1 * (z2 - z3) + y2 * (z3 - z1) + y3 * (z1 - z2);
    eq[1] = z1 * (x2 - x3) + z2 * (x3 - x1) + z3 * (x1 - x2);
    eq[2] = x1 * (y2 - y3) + x2 * (y3 - y1) + x3 * (y1 - y2);
    eq[3] = -(x1 * (y2 * z3 - y3 * z2) + x2 * (y3 * z1 - y1 * z3) + x3 * (y1 * z2 - y2 * z1));
}

// A degenerate plane (all corners in one point) keeps a zero normal rather
// than a non-finite one, which would poison the outlines and the saved file.
Vector safeNormal(const Vector& p1, const Vector& p2, const Vector& p3)
{
    Vector n;
    n.cross(p2 - p3, p1 - p2);
    if (n.getLength() > 0.0f) {
        n.normalise();
    }
    // No negative zeros: the face normals read (0, 0, 1), not (0, -0, 1).
    n.x += 0.0f;
    n.y += 0.0f;
    n.z += 0.0f;
    n.w = 1.0f;
    return n;
}

// Orders the points where a plane cuts the cube into a polygon: by the angle
// about the plane's normal from the first point, seen from the points' mean.
std::vector<Vector> orderOutline(std::vector<Vector> points, Vector normal)
{
    if (points.empty()) {
        return points;
    }
    Vector mean(0.0f, 0.0f, 0.0f);
    for (const Vector& p : points) {
        mean += p;
    }
    mean /= float(points.size());
    Vector r = points[0] - mean;
    r.normalise();
    normal.normalise();

    std::vector<double> angle(points.size(), 0.0);
    for (std::size_t k = 1; k < points.size(); ++k) {
        Vector v = points[k] - mean;
        v.normalise();
        Vector rv;
        rv.cross(r, v);
        double a = std::atan2(double(normal.dot(rv)), double(r.dot(v))) * kDegrees;
        if (a < 0.0) {
            a += 360.0;
        }
        angle[k] = a;
    }

    std::vector<Vector> polygon { points[0] };
    std::vector<bool> used(points.size(), false);
    used[0] = true;
    for (std::size_t n = 1; n < points.size(); ++n) {
        double best = 999999.0;
        std::size_t bestIndex = 0;
        for (std::size_t k = 1; k < points.size(); ++k) {
            // Only a strictly smaller angle wins, so ties keep the lower index.
            if (!used[k] && angle[k] < best) {
                best = angle[k];
                bestIndex = k;
            }
        }
        if (bestIndex == 0) {
            // Angles that are not numbers (a point on the mean) come last, in
            // index order.
            for (std::size_t k = 1; k < points.size() && bestIndex == 0; ++k) {
                if (!used[k]) {
                    bestIndex = k;
                }
            }
        }
        used[bestIndex] = true;
        polygon.push_back(points[bestIndex]);
    }
    return polygon;
}

void writeVector3(std::ostream& out, const Vector& v)
{
    out << v.x << ' ' << v.y << ' ' << v.z << ' ';
}

// Reads the values of one "P: " line into a plane, field after field; stops at
// the first value that is missing or not a finite number. Returns how many
// values were stored.
int readPlaneLine(const std::string& line, ClipPlane& plane)
{
    const char* p = line.data();
    const char* const e = p + line.size();
    // The line starts with 'P'; the colon may be followed by any white space.
    ++p;
    if (p >= e || *p != ':') {
        return 0;
    }
    ++p;

    std::vector<float*> targets;
    targets.reserve(kValuesPerLine);
    for (Vector* v : { &plane.centre, &plane.normal }) {
        targets.insert(targets.end(), { &v->x, &v->y, &v->z });
    }
    for (Vector* corners : { plane.corners.data(), plane.baseCorners.data() }) {
        for (int i = 0; i < 4; ++i) {
            targets.insert(targets.end(), { &corners[i].x, &corners[i].y, &corners[i].z });
        }
    }

    int stored = 0;
    const auto readFloat = [&](float& target) {
        float value = 0.0f;
        const char* next = linescan::scanFloat(p, e, &value);
        if (!next || !std::isfinite(value)) {
            return false;
        }
        p = next;
        target = value;
        ++stored;
        return true;
    };

    for (float* target : targets) {
        if (!readFloat(*target)) {
            return stored;
        }
    }
    for (double& coefficient : plane.equation) {
        float value = 0.0f;
        if (!readFloat(value)) {
            return stored;
        }
        coefficient = double(value);
    }
    long long faceId = 0;
    const char* next = linescan::scanInt(p, e, &faceId);
    if (!next || faceId < INT_MIN || faceId > INT_MAX) {
        return stored;
    }
    p = next;
    plane.trackball.constrainRotation = int(faceId);
    ++stored;
    for (float* matrix :
        { plane.trackball.transform, plane.trackball.lastRotation, plane.trackball.thisRotation }) {
        const int count = matrix == plane.trackball.transform ? 16 : 9;
        for (int i = 0; i < count; ++i) {
            if (!readFloat(matrix[i])) {
                return stored;
            }
        }
    }
    return stored;
}

} // namespace

// ---- ClipPlane

ClipPlane::ClipPlane()
{
    trackball.setBounds(800.0f, 800.0f);
}

void ClipPlane::updatePlane(Vector p, float pushStep)
{
    switch (trackball.constrainMapping) {
    case 1:
        p.x = 0.0f;
        trackball.drag(p);
        break;
    case 2:
        p.y = 0.0f;
        trackball.drag(p);
        break;
    case 3: {
        const float delta = (lastMouse.y - p.y) * pushStep;
        lastMouse = p;
        trackball.transform[12] += normal.x * delta;
        trackball.transform[13] += normal.y * delta;
        trackball.transform[14] += normal.z * delta;
        break;
    }
    default:
        break;
    }

    // The face square is taken to the axis origin, turned and pushed there, and
    // moved back out along its face axis, so a plane tilts about its face centre.
    const int axis = faceAxis(faceId());
    for (int i = 0; i < 4; ++i) {
        Vector c = baseCorners[i];
        if (axis >= 0) {
            component(c, axis) = 0.0f;
        }
        c.w = 1.0f;
        transformPoint(trackball.transform, c);
        if (axis >= 0) {
            component(c, axis) += component(baseCorners[i], axis);
        }
        corners[i] = c;
    }
    normal = safeNormal(corners[0], corners[1], corners[2]);
    centre = (corners[0] + corners[1] + corners[2] + corners[3]) / 4.0f;
    centre.w = 1.0f;
    planeEquation(corners[0], corners[1], corners[2], equation);
}

// ---- PlaneWidgetInCube

PlaneWidgetInCube::PlaneWidgetInCube()
{
    initCube(256.0f, 256.0f, 256.0f);
}

void PlaneWidgetInCube::initCube(float edge)
{
    initCube(edge, edge, edge);
}

void PlaneWidgetInCube::initCube(float ex, float ey, float ez)
{
    edgeLengths[0] = ex;
    edgeLengths[1] = ey;
    edgeLengths[2] = ez;
    planes = freshPlanes();
    outlines.assign(planes.size(), {});
    std::fill(std::begin(planeState), std::end(planeState), -1);
}

std::vector<ClipPlane> PlaneWidgetInCube::freshPlanes()
{
    const float half[3] = { edgeLengths[0] / 2.0f, edgeLengths[1] / 2.0f, edgeLengths[2] / 2.0f };
    for (int i = 0; i < 8; ++i) {
        cubeCorners[i] = Vector(kUnitCorners[i][0] * half[0], kUnitCorners[i][1] * half[1],
            kUnitCorners[i][2] * half[2], 1.0f);
    }
    std::vector<ClipPlane> fresh(kMaxPlanes);
    for (int i = 0; i < kMaxPlanes; ++i) {
        ClipPlane& plane = fresh[std::size_t(i)];
        plane.trackball.constrainRotation = i + 1;
        for (int k = 0; k < 4; ++k) {
            plane.baseCorners[k] = cubeCorners[kPlaneCorners[i][k]];
        }
        plane.updatePlane(Vector(0.0f, 0.0f, 0.0f, 1.0f), pushStep());
    }
    return fresh;
}

float PlaneWidgetInCube::pushStep() const
{
    const float edge = std::max({ edgeLengths[0], edgeLengths[1], edgeLengths[2] });
    return 0.1f * edge / 256.0f;
}

bool PlaneWidgetInCube::save(const std::string& filename) const
{
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << "SIZE: " << planes.size() << '\n';
    for (const ClipPlane& plane : planes) {
        out << "P: ";
        writeVector3(out, plane.centre);
        writeVector3(out, plane.normal);
        for (const Vector& c : plane.corners) {
            writeVector3(out, c);
        }
        for (const Vector& c : plane.baseCorners) {
            writeVector3(out, c);
        }
        for (double coefficient : plane.equation) {
            out << float(coefficient) << ' ';
        }
        out << plane.faceId() << ' ';
        for (float v : plane.trackball.transform) {
            out << v << ' ';
        }
        for (float v : plane.trackball.lastRotation) {
            out << v << ' ';
        }
        for (float v : plane.trackball.thisRotation) {
            out << v << ' ';
        }
        out << '\n';
    }
    if (!writeFileReplacing(filename, out.str())) {
        std::printf("ERROR: SAVING FILE .slc File! PlaneWidgetInCube::save(QString filename)\n");
        return false;
    }
    return true;
}

bool PlaneWidgetInCube::load(const std::string& filename)
{
    std::ifstream in(filename, std::ios::binary);
    if (!in) {
        // The "/n" is the message's own text; the line break ends the console line.
        std::printf("ERROR: OPENING FILE .slc File! PlaneWidgetInCube::load() /n\n");
        return false;
    }
    std::size_t next = 0;
    std::string line;
    int lineNumber = 0;
    // A last line without a line break is read like any other.
    while (std::getline(in, line)) {
        ++lineNumber;
        if (line.empty()) {
            continue;
        }
        if (line[0] == 'S') {
            long long count = 0;
            const char* p = line.data();
            const char* const e = p + line.size();
            const bool isSize = line.compare(0, 5, "SIZE:") == 0
                && linescan::scanInt(p + 5, e, &count) != nullptr;
            if (!isSize) {
                std::printf(
                    "WARNING: line %d of .slc File has no plane count; ignored\n", lineNumber);
            } else if (count < 0 || count > kMaxPlanes) {
                std::printf("ERROR: line %d of .slc File asks for %lld planes (0 to 6); ignored\n",
                    lineNumber, count);
            } else {
                std::vector<ClipPlane> blank(static_cast<std::size_t>(count));
                for (ClipPlane& plane : blank) {
                    plane.updatePlane(Vector(0.0f, 0.0f, 0.0f, 1.0f), pushStep());
                }
                planes = std::move(blank);
            }
        } else if (line[0] == 'P') {
            if (next >= planes.size()) {
                continue;
            }
            const int stored = readPlaneLine(line, planes[next]);
            if (stored < kValuesPerLine) {
                std::printf("WARNING: plane line %d of .slc File is short or damaged: %d of 69 "
                            "values read, the rest of plane %zu kept\n",
                    lineNumber, stored, next + 1);
            }
            ++next;
        }
    }
    if (in.bad()) {
        std::printf("ERROR: OPENING FILE .slc File! PlaneWidgetInCube::load() /n\n");
        return false;
    }
    // A plane the file leaves out is no longer there to be selected: kept
    // selected, it would hold the view in plane mode with nothing to move.
    for (std::size_t k = planes.size(); k < std::size(planeState); ++k) {
        planeState[k] = -1;
    }
    outlines.assign(planes.size(), {});
    rebuildOutlines();
    return true;
}

void PlaneWidgetInCube::selectPlane(int k)
{
    if (k < 0 || k >= kMaxPlanes) {
        return;
    }
    planeState[k] = -planeState[k];
    rebuildOutlines();
}

bool PlaneWidgetInCube::anySelected() const
{
    return std::find(std::begin(planeState), std::end(planeState), 1) != std::end(planeState);
}

void PlaneWidgetInCube::pressPlanes(const Vector& p, int code)
{
    const std::size_t n = std::min(planes.size(), std::size_t(kMaxPlanes));
    for (std::size_t i = 0; i < n; ++i) {
        if (planeState[i] != 1) {
            continue;
        }
        ClipPlane& plane = planes[i];
        Vector q = p;
        plane.trackball.constrainMapping = code;
        if (code == 1) {
            q.x = 0.0f;
        } else if (code == 2) {
            q.y = 0.0f;
        }
        plane.trackball.click(q);
        plane.lastMouse = q;
    }
}

void PlaneWidgetInCube::dragPlanes(const Vector& p)
{
    const std::size_t n = std::min(planes.size(), std::size_t(kMaxPlanes));
    bool moved = false;
    for (std::size_t i = 0; i < n; ++i) {
        if (planeState[i] == 1) {
            planes[i].updatePlane(p, pushStep());
            moved = true;
        }
    }
    // Once for all moved planes: every plane's outline depends only on itself.
    if (moved) {
        rebuildOutlines();
    }
}

void PlaneWidgetInCube::releasePlanes()
{
    const std::size_t n = std::min(planes.size(), std::size_t(kMaxPlanes));
    for (std::size_t i = 0; i < n; ++i) {
        if (planeState[i] == -1) {
            planes[i].trackball.constrainMapping = 0;
            planes[i].trackball.release();
        }
    }
}

void PlaneWidgetInCube::resetCurrent()
{
    const std::vector<ClipPlane> fresh = freshPlanes();
    const std::size_t n = std::min(planes.size(), fresh.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (planeState[i] == 1) {
            planes[i] = fresh[i];
        }
    }
    rebuildOutlines();
}

void PlaneWidgetInCube::resetAll()
{
    planes = freshPlanes();
    std::fill(std::begin(planeState), std::end(planeState), -1);
    rebuildOutlines();
}

void PlaneWidgetInCube::rebuildOutlines()
{
    outlines.clear();
    outlines.reserve(planes.size());
    std::vector<Vector> points;
    for (const ClipPlane& plane : planes) {
        points.clear();
        // The outline comes from the equation the clip plane is loaded with, so
        // that it is drawn where the mesh is cut even when the plane's centre
        // and normal disagree with it (a damaged or hand-made settings file).
        const double* e = plane.equation;
        const auto side = [e](const Vector& v) {
            return e[0] * double(v.x) + e[1] * double(v.y) + e[2] * double(v.z) + e[3];
        };
        for (const auto& edge : kCubeEdges) {
            const Vector& a = cubeCorners[edge[0]];
            const Vector& b = cubeCorners[edge[1]];
            const double atA = side(a);
            const double along = side(b) - atA;
            // An edge parallel to the plane (in it, or off it) gives no point.
            if (along == 0.0) {
                continue;
            }
            const double t = -atA / along;
            if (t >= 0.0 && t <= 1.0) {
                Vector point(float(a.x + (double(b.x) - a.x) * t),
                    float(a.y + (double(b.y) - a.y) * t), float(a.z + (double(b.z) - a.z) * t),
                    1.0f);
                points.push_back(point);
            }
        }
        // Ordered about the outward normal, which the equation's (A, B, C)
        // opposes: it keeps the inside.
        outlines.push_back(
            orderOutline(points, Vector(-float(e[0]), -float(e[1]), -float(e[2]), 1.0f)));
    }
}

std::vector<PlaneWidgetInCube::Stroke> PlaneWidgetInCube::drawOrder() const
{
    std::vector<Stroke> strokes;
    const int n = int(std::min(planes.size(), std::size_t(kMaxPlanes)));
    if (!anySelected() && showAll != 1) {
        return strokes;
    }
    // Grey first: every edge of a plane on its cube face is shared with a
    // neighbour's outline, and the line drawn last shows there.
    for (int j = 0; j < n; ++j) {
        if (planeState[j] != 1) {
            strokes.push_back({ j, false });
        }
    }
    for (int i = 0; i < n; ++i) {
        if (planeState[i] == 1) {
            strokes.push_back({ i, true });
        }
    }
    return strokes;
}

float clipCubeEdge(const Mesh& mesh)
{
    if (mesh.numVertices <= 0) {
        return 256.0f;
    }
    // Box corner 1 is (xmax, ymax, zmax), corner 4 (xmin, ymin, zmin).
    const Vector& hi = mesh.boxCorners[1];
    const Vector& lo = mesh.boxCorners[4];
    const float halfSide = std::max({ hi.x - lo.x, hi.y - lo.y, hi.z - lo.z }) / 2.0f;
    const float edge = 4.0f * halfSide;
    return edge > 0.0f && std::isfinite(edge) ? edge : 256.0f;
}
