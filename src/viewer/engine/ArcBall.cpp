#include "viewer/engine/ArcBall.h"

#include "viewer/engine/Matrix.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kEpsilon = 1.0e-5f;

} // namespace

ArcBall::ArcBall()
{
    identity4(transform);
    identity3(lastRotation);
    identity3(thisRotation);
}

void ArcBall::setBounds(float width, float height)
{
    // A one-pixel side would divide by zero; it maps like a two-pixel one.
    width = std::max(width, 2.0f);
    height = std::max(height, 2.0f);
    adjustWidth = 1.0f / ((width - 1.0f) * 0.5f);
    adjustHeight = 1.0f / ((height - 1.0f) * 0.5f);
}

void ArcBall::click(Vector point)
{
    for (int i = 0; i < 9; ++i)
        lastRotation[i] = thisRotation[i];
    isDragging = true;
    startVector = mapToSphere(point);
}

Vector ArcBall::mapToSphere(Vector point) const
{
    float x = point.x;
    float y = point.y;
    if (constrainMapping == 0 || constrainMapping == 2)
        x = x * adjustWidth - 1.0f;
    if (constrainMapping == 0 || constrainMapping == 1)
        y = 1.0f - y * adjustHeight;
    const float l = x * x + y * y;
    if (l > 1.0f) {
        const float s = 1.0f / std::sqrt(l);
        return Vector(x * s, y * s, 0.0f);
    }
    return Vector(x, y, std::sqrt(1.0f - l));
}

void ArcBall::drag(Vector point)
{
    if (!isDragging)
        return;
    endVector = mapToSphere(point);
    Vector perp;
    perp.cross(startVector, endVector);

    float q[4] = { 0.0f, 0.0f, 0.0f, 0.0f };
    if (perp.getLength() > kEpsilon) {
        switch (constrainRotation) {
        case 0:
        case 1:
        case 2:
            q[0] = perp.x, q[1] = perp.y, q[2] = perp.z;
            break;
        case 3:
        case 4:
            q[0] = perp.z, q[1] = perp.y, q[2] = perp.x;
            break;
        case 5:
        case 6:
            q[0] = perp.x, q[1] = perp.z, q[2] = perp.y;
            break;
        default:
            break;
        }
        q[3] = startVector.dot(endVector);
    }

    float rotation[9];
    quaternionToMatrix3(q[0], q[1], q[2], q[3], rotation);
    multiply3(rotation, lastRotation, thisRotation);
    setRotationKeepScale(transform, thisRotation);
}
