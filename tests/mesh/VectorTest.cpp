#include "mesh/engine/Vector.h"
#include "mesh/engine/HsvToRgb.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

// The corner order decides the side a normal points to, normalising divides w
// too, and w never separates two positions (one map key).
TEST(Vector, NormalSideWOfNormaliseAndPositionsAsOneKey)
{
    Vector rqp(0, 0, 0, 0), pqr(0, 0, 0, 0), unit(3, 0, 4, 1);
    // Counter-clockwise P, Q, R seen from +z: triangleNormal(R, Q, P) points at +z.
    rqp.triangleNormal(Vector(0, 1, 0), Vector(1, 0, 0), Vector(0, 0, 0));
    pqr.triangleNormal(Vector(0, 0, 0), Vector(1, 0, 0), Vector(0, 7, 0));
    unit.normalise();
    EXPECT_TRUE(rqp == Vector(0, 0, 1) && pqr == Vector(0, 0, -1) && pqr.w == 0.0f);
    EXPECT_TRUE(unit == Vector(0.6f, 0, 0.8f) && unit.w == 0.2f);
    std::map<Vector, int> byPosition { { Vector(1, 2, 3, 0), 1 }, { Vector(1, 2, 3, 1), 2 },
        { Vector(1, 2, 3.0001f), 3 } };
    EXPECT_EQ(byPosition.size(), 2u);
}

// Grey without saturation; each sector's formula; a hue outside every sector
// leaves the colour as it was.
TEST(HsvToRgb, EverySectorGreyAndOutOfRangeHue)
{
    const float cases[][6] = { { 123, 0, 0.4f, 0.4f, 0.4f, 0.4f },
        { 0, 0.5f, 0.8f, 0.8f, 0.4f, 0.4f }, { 30, 1, 1, 1, 0.5f, 0 }, { 90, 1, 1, 0.5f, 1, 0 },
        { 120, 1, 1, 0, 1, 0 }, { 210, 1, 1, 0, 0.5f, 1 }, { 270, 1, 1, 0.5f, 0, 1 },
        { 330, 1, 1, 1, 0, 0.5f }, { 360, 1, 1, -1, -1, -1 }, { NAN, 1, 1, -1, -1, -1 } };
    for (const auto& c : cases) {
        float r = -1, g = -1, b = -1;
        hsvToRgb(c[0], c[1], c[2], r, g, b);
        EXPECT_LT(std::abs(r - c[3]) + std::abs(g - c[4]) + std::abs(b - c[5]), 1e-6f) << c[0];
    }
}

} // namespace
