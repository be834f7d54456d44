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

} // namespace

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
        if (turnAbout(n, a, b2) <= turnAbout(n, a, b1)) {
            std::swap(face.index[1], face.index[2]);
        }
    });
}
