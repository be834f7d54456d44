#include "mesh/engine/Vector.h"
#include "mesh/engine/HsvToRgb.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

namespace {

// Which operations carry, scale or drop w decides every later normal and
// homogeneous transform; one slip here shows only as a subtly wrong picture.
TEST(Vector, EachOperationTreatsWAsItsContractSays)
{
    const Vector a(1, 2, 3, 4), b(10, 20, 30, 40), p(0, 0, 0), q(1, 0, 0), r(0, 1, 0);
    Vector there = a, scaled(1, 1, 1, 1), shrunk(1, 1, 1, 1), unit(3, 0, 4, 1);
    Vector crossed(9, 9, 9, 7), rqp(0, 0, 0, 0), pqr(0, 0, 0, 0), scaledNormal(0, 0, 0, 0);
    there += b;
    there -= b;
    scaled *= 2.0f;
    shrunk /= 4.0f;
    unit.normalise();
    crossed.cross(Vector(1, 0, 0), Vector(0, 1, 0));
    // Counter-clockwise P, Q, R seen from +z: triangleNormal(R, Q, P) points at +z.
    rqp.triangleNormal(r, q, p);
    pqr.triangleNormal(p, q, r);
    scaledNormal.triangleNormal(Vector(0, 0, 7), Vector(0, 5, 0), Vector(0, 0, 0));
    const struct
    {
        const char* what;
        Vector got;
        float x, y, z, w;
    } cases[] = {
        { "a + b", a + b, 11, 22, 33, 44 },
        { "b - a", b - a, 9, 18, 27, 36 },
        { "2 * a", 2.0f * a, 2, 4, 6, 8 },
        { "a * 2", a * 2.0f, 2, 4, 6, 8 },
        { "b / 10", b / 10.0f, 1, 2, 3, 4 },
        { "a * b", a * b, 10, 40, 90, 160 },
        { "+= then -=", there, 1, 2, 3, 4 },
        { "*= keeps w", scaled, 2, 2, 2, 1 },
        { "/= keeps w", shrunk, 0.25f, 0.25f, 0.25f, 1 },
        { "normalise divides w too", unit, 0.6f, 0, 0.8f, 0.2f },
        { "cross keeps w", crossed, 0, 0, 1, 7 },
        { "normal of R Q P", rqp, 0, 0, 1, 0 },
        { "normal of P Q R", pqr, 0, 0, -1, 0 },
        { "normal ignores scale", scaledNormal, 1, 0, 0, 0 },
    };
    for (const auto& c : cases) {
        EXPECT_FLOAT_EQ(c.got.x, c.x) << c.what;
        EXPECT_FLOAT_EQ(c.got.y, c.y) << c.what;
        EXPECT_FLOAT_EQ(c.got.z, c.z) << c.what;
        EXPECT_FLOAT_EQ(c.got.w, c.w) << c.what;
    }
    EXPECT_FLOAT_EQ(Vector(1, 2, 3, 100).dot(Vector(4, 5, 6, 100)), 32.0f);
}

TEST(Vector, OrderAndEqualityIgnoreWSoPositionsAreOneMapKey)
{
    EXPECT_TRUE(Vector(1, 2, 3) < Vector(1, 2, 4));
    EXPECT_TRUE(Vector(1, 2, 3) < Vector(1, 3, -10));
    EXPECT_FALSE(Vector(1, 2, 3, 0) < Vector(1, 2, 3, 1));
    EXPECT_FALSE(Vector(2, 0, 0) < Vector(1, 9, 9));
    EXPECT_TRUE(Vector(1, 2, 3, 0) == Vector(1, 2, 3, 1));
    EXPECT_TRUE(Vector(1, 2, 3) != Vector(1, 2, 3.0001f));
    std::map<Vector, int> byPosition;
    byPosition[Vector(1, 2, 3, 0)] = 1;
    byPosition[Vector(1, 2, 3, 1)] = 2;
    EXPECT_EQ(byPosition.size(), 1u);
    // The radius test includes its boundary.
    EXPECT_TRUE(Vector(1, 1, 3, 55).withinRadius(Vector(1, 1, 1, 0), 2.0f));
    EXPECT_FALSE(Vector(1, 1, 3.001f).withinRadius(Vector(1, 1, 1, 0), 2.0f));
}

TEST(HsvToRgb, EverySectorGreyAndOutOfRangeHue)
{
    // s = 0 or h = -1 is grey; with s = v = 1: p = 0, q = 1 - f, u = f.
    const struct
    {
        float h, s, v, r, g, b;
    } cases[] = { { 123, 0, 0.4f, 0.4f, 0.4f, 0.4f }, { -1, 1, 0.7f, 0.7f, 0.7f, 0.7f },
        { 0, 0.5f, 0.8f, 0.8f, 0.4f, 0.4f }, { 0, 1, 1, 1, 0, 0 }, { 30, 1, 1, 1, 0.5f, 0 },
        { 60, 1, 1, 1, 1, 0 }, { 90, 1, 1, 0.5f, 1, 0 }, { 120, 1, 1, 0, 1, 0 },
        { 180, 1, 1, 0, 1, 1 }, { 210, 1, 1, 0, 0.5f, 1 }, { 240, 1, 1, 0, 0, 1 },
        { 270, 1, 1, 0.5f, 0, 1 }, { 300, 1, 1, 1, 0, 1 }, { 330, 1, 1, 1, 0, 0.5f } };
    for (const auto& c : cases) {
        float r = -1, g = -1, b = -1;
        hsvToRgb(c.h, c.s, c.v, r, g, b);
        EXPECT_NEAR(r, c.r, 1e-6) << "h " << c.h;
        EXPECT_NEAR(g, c.g, 1e-6) << "h " << c.h;
        EXPECT_NEAR(b, c.b, 1e-6) << "h " << c.h;
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
