#include "mesh/engine/Vector.h"
#include "mesh/engine/HsvToRgb.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
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
    EXPECT_TRUE(rqp == Vector(0, 0, 1) && rqp.w == 0.0f);
    EXPECT_TRUE(pqr == Vector(0, 0, -1) && pqr.w == 0.0f);
    EXPECT_TRUE(unit == Vector(0.6f, 0, 0.8f) && unit.w == 0.2f);
    std::map<Vector, int> byPosition;
    byPosition[Vector(1, 2, 3, 0)] = 1;
    byPosition[Vector(1, 2, 3, 1)] = 2;
    byPosition[Vector(1, 2, 3.0001f)] = 3;
    EXPECT_EQ(byPosition.size(), 2u);
    EXPECT_TRUE(Vector(1, 1, 3, 55).withinRadius(Vector(1, 1, 1, 0), 2.0f)); // boundary included
}

TEST(HsvToRgb, EverySectorGreyAndOutOfRangeHue)
{
    // s = 0 or h = -1 is grey; with s = v = 1: p = 0, q = 1 - f, u = f.
    const struct
    {
        float h, s, v, r, g, b;
    } cases[] = { { 123, 0, 0.4f, 0.4f, 0.4f, 0.4f }, { -1, 1, 0.7f, 0.7f, 0.7f, 0.7f },
        { 0, 0.5f, 0.8f, 0.8f, 0.4f, 0.4f }, { 30, 1, 1, 1, 0.5f, 0 }, { 90, 1, 1, 0.5f, 1, 0 },
        { 120, 1, 1, 0, 1, 0 }, { 210, 1, 1, 0, 0.5f, 1 }, { 270, 1, 1, 0.5f, 0, 1 },
        { 330, 1, 1, 1, 0, 0.5f } };
    for (const auto& c : cases) {
        float r = -1, g = -1, b = -1;
        hsvToRgb(c.h, c.s, c.v, r, g, b);
        EXPECT_TRUE(
            std::abs(r - c.r) < 1e-6f && std::abs(g - c.g) < 1e-6f && std::abs(b - c.b) < 1e-6f)
            << "h " << c.h << ": " << r << " " << g << " " << b;
    }
    // A hue outside every sector leaves the colour as it was.
    for (float h :
        { 360.0f, -0.5f, 1e30f, std::nanf(""), std::numeric_limits<float>::infinity() }) {
        float r = 0.1f, g = 0.2f, b = 0.3f;
        hsvToRgb(h, 1.0f, 1.0f, r, g, b);
        EXPECT_TRUE(r == 0.1f && g == 0.2f && b == 0.3f) << "h " << h;
    }
}

} // namespace
