#include "mesh/engine/Mesh.h"
#include "mesh/engine/Progress.h"
#include "mesh/engine/Workers.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace {

Vector normalised(Vector v)
{
    v.normalise();
    return v;
}

// Angle from a to b about n in degrees, in [0, 360).
float turnAbout(const Vector& n, const Vector& a, const Vector& b)
{
    Vector c;
    c.cross(a, b);
    float degrees = std::atan2(n.dot(c), a.dot(b)) * float(180.0 / std::numbers::pi);
    if (degrees < 0.0f) {
        degrees += 360.0f;
    }
    return degrees;
}

// Which side of 180 degrees turnAbout() puts an angle, told from its sine and
// cosine terms y and x without the arc tangent where that is certain: more
// than a degree away from 0, 180 and 360, and every value a plain number.
// Unsure otherwise, and turnAbout() decides.
enum class Side { BelowHalfTurn, AboveHalfTurn, Unsure };

Side sideOf(float y, float x)
{
    // tan(1 degree) is 0.017455: the margin dwarfs the arc tangent's error.
    constexpr float margin = 0.0175f;
    const float size = std::fabs(y);
    if (!(size >= 1e-6f && size <= 2.0f && std::fabs(x) <= 2.0f))
        return Side::Unsure;
    if (x < 0.0f && size < -x * margin)
        return Side::Unsure;
    return y > 0.0f ? Side::BelowHalfTurn : Side::AboveHalfTurn;
}

} // namespace

bool orientationSwaps(const Vector& n, const Vector& a, const Vector& b1, const Vector& b2)
{
    // Most faces are told by the sides of the half turn b1 and b2 lie on.
    Vector c1, c2;
    c1.cross(a, b1);
    c2.cross(a, b2);
    const Side side1 = sideOf(n.dot(c1), a.dot(b1));
    const Side side2 = sideOf(n.dot(c2), a.dot(b2));
    if (side1 != Side::Unsure && side2 != Side::Unsure && side1 != side2)
        return side2 == Side::BelowHalfTurn;
    return orientationSwapsByAngles(n, a, b1, b2);
}

bool orientationSwapsByAngles(const Vector& n, const Vector& a, const Vector& b1, const Vector& b2)
{
    return turnAbout(n, a, b2) <= turnAbout(n, a, b1);
}

void Mesh::orientFaces(Progress* progress)
{
    // Each face on its own: shared among the workers.
    forEachShared(std::size_t(numFaces), progress, "Orienting faces", 65535, [this](std::size_t i) {
        Face& face = faces[i];
        const Vector& c = centroids[i];
        const Vector n = normalised(face.normal);
        const Vector a = normalised(vertices[std::size_t(face.index[0])] - c);
        const Vector b1 = normalised(vertices[std::size_t(face.index[1])] - c);
        const Vector b2 = normalised(vertices[std::size_t(face.index[2])] - c);
        if (orientationSwaps(n, a, b1, b2))
            std::swap(face.index[1], face.index[2]);
    });
}
