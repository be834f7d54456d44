#include "mesh/engine/Vector.h"
#include "mesh/engine/HsvToRgb.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

namespace {

void expectVector(const Vector& v, float x, float y, float z, float w)
{
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
    EXPECT_FLOAT_EQ(v.w, w);
}

TEST(Vector, Constructors)
{
    expectVector(Vector(), 0, 0, 0, 1);
    expectVector(Vector(3), 3, 3, 3, 3);
    expectVector(Vector(0), 0, 0, 0, 0);
    expectVector(Vector(1.5f, 2.5f), 1.5f, 2.5f, 0, 1);
    expectVector(Vector(1, 2, 3), 1, 2, 3, 1);
    expectVector(Vector(1, 2, 3, 4), 1, 2, 3, 4);
}

TEST(Vector, CopyLeavesTheCachedLengthBehind)
{
    Vector a(3, 0, 4, 1);
    a.getLength();
    ASSERT_FLOAT_EQ(a.length, 5.0f);
    Vector b(1, 1, 1, 1);
    b.length = -7.0f;
    b = a;
    expectVector(b, 3, 0, 4, 1);
    EXPECT_FLOAT_EQ(b.length, -7.0f);
}

TEST(Vector, LengthAndNormaliseTouchAllFourComponents)
{
    Vector a(3, 0, 4, 1);
    EXPECT_FLOAT_EQ(a.getLength(), 5.0f);
    expectVector(a, 3, 0, 4, 1);

    a.normalise();
    expectVector(a, 0.6f, 0.0f, 0.8f, 0.2f);
    EXPECT_FLOAT_EQ(a.length, 5.0f);

    Vector zero(0, 0, 0, 1);
    zero.normalise();
    EXPECT_FALSE(std::isfinite(zero.x));
    EXPECT_FALSE(std::isfinite(zero.w));
}

TEST(Vector, CrossDotAndTriangleNormal)
{
    Vector c(9, 9, 9, 7);
    c.cross(Vector(1, 0, 0), Vector(0, 1, 0));
    expectVector(c, 0, 0, 1, 7);
    c.cross(Vector(1, 2, 3), Vector(4, 5, 6));
    EXPECT_FLOAT_EQ(c.x, -3);
    EXPECT_FLOAT_EQ(c.y, 6);
    EXPECT_FLOAT_EQ(c.z, -3);
    EXPECT_FLOAT_EQ(Vector(1, 2, 3, 100).dot(Vector(4, 5, 6, 100)), 32.0f);

    // Counter-clockwise P, Q, R seen from +z: triangleNormal(R, Q, P) points at +z.
    const Vector p(0, 0, 0), q(1, 0, 0), r(0, 1, 0);
    Vector n(0, 0, 0, 0);
    n.triangleNormal(r, q, p);
    expectVector(n, 0, 0, 1, 0);
    // The corner order decides the side.
    n = Vector(0, 0, 0, 0);
    n.triangleNormal(p, q, r);
    expectVector(n, 0, 0, -1, 0);
    // Scale does not matter.
    n = Vector(0, 0, 0, 0);
    n.triangleNormal(Vector(0, 0, 7), Vector(0, 5, 0), Vector(0, 0, 0));
    expectVector(n, 1, 0, 0, 0);
}

TEST(Vector, ComparisonsIgnoreW)
{
    EXPECT_TRUE(Vector(1, 2, 3) < Vector(1, 2, 4));
    EXPECT_TRUE(Vector(1, 2, 3) < Vector(2, 0, 0));
    EXPECT_TRUE(Vector(1, 2, 3) < Vector(1, 3, -10));
    EXPECT_FALSE(Vector(1, 2, 3) < Vector(1, 2, 3));
    EXPECT_FALSE(Vector(1, 2, 3, 0) < Vector(1, 2, 3, 1));
    EXPECT_FALSE(Vector(2, 0, 0) < Vector(1, 9, 9));
    EXPECT_TRUE(Vector(1, 2, 3, 0) == Vector(1, 2, 3, 1));
    EXPECT_FALSE(Vector(1, 2, 3) != Vector(1, 2, 3, 5));
    EXPECT_TRUE(Vector(1, 2, 3) != Vector(1, 2, 3.0001f));

    // As a map key, vectors differing only in w are one key.
    std::map<Vector, int> byPosition;
    byPosition[Vector(1, 2, 3, 0)] = 1;
    byPosition[Vector(1, 2, 3, 1)] = 2;
    byPosition[Vector(0, 5, 5)] = 3;
    ASSERT_EQ(byPosition.size(), 2u);
    EXPECT_EQ(byPosition.begin()->second, 3);
    EXPECT_EQ(byPosition[Vector(1, 2, 3)], 2);
}

TEST(Vector, ArithmeticComponentContracts)
{
    const Vector a(1, 2, 3, 4), b(10, 20, 30, 40);
    expectVector(a + b, 11, 22, 33, 44);
    expectVector(b - a, 9, 18, 27, 36);
    expectVector(2.0f * Vector(1, 1, 1, 1), 2, 2, 2, 2);
    expectVector(Vector(1, 1, 1, 1) * 2.0f, 2, 2, 2, 2);
    expectVector(b / 10.0f, 1, 2, 3, 4);
    expectVector(a * b, 10, 40, 90, 160);

    Vector c = a;
    c += b;
    expectVector(c, 11, 22, 33, 44);
    c -= b;
    expectVector(c, 1, 2, 3, 4);

    // In-place scaling leaves w alone.
    Vector d(1, 1, 1, 1);
    d *= 2.0f;
    expectVector(d, 2, 2, 2, 1);
    d /= 4.0f;
    expectVector(d, 0.5f, 0.5f, 0.5f, 1);
}

TEST(Vector, WithinRadiusIncludesTheBoundary)
{
    const Vector centre(1, 1, 1, 0);
    EXPECT_TRUE(Vector(1, 1, 3, 55).withinRadius(centre, 2.0f));
    EXPECT_TRUE(Vector(1, 1, 1).withinRadius(centre, 0.0f));
    EXPECT_FALSE(Vector(1, 1, 3.001f).withinRadius(centre, 2.0f));
    EXPECT_TRUE(Vector(4, 5, 1).withinRadius(centre, 5.0f));
}

TEST(HsvToRgb, SectorsAndGrey)
{
    float r = -1, g = -1, b = -1;
    // s = 0, or h exactly -1: grey.
    hsvToRgb(123.0f, 0.0f, 0.4f, r, g, b);
    EXPECT_FLOAT_EQ(r, 0.4f);
    EXPECT_FLOAT_EQ(g, 0.4f);
    EXPECT_FLOAT_EQ(b, 0.4f);
    hsvToRgb(-1.0f, 1.0f, 0.7f, r, g, b);
    EXPECT_FLOAT_EQ(r, 0.7f);
    EXPECT_FLOAT_EQ(g, 0.7f);
    EXPECT_FLOAT_EQ(b, 0.7f);

    struct Case
    {
        float h, r, g, b;
    };
    // s = 1, v = 1: p = 0, q = 1 - f, u = f.
    const Case cases[] = {
        { 0, 1, 0, 0 },
        { 30, 1, 0.5f, 0 },
        { 60, 1, 1, 0 },
        { 90, 0.5f, 1, 0 },
        { 120, 0, 1, 0 },
        { 180, 0, 1, 1 },
        { 210, 0, 0.5f, 1 },
        { 240, 0, 0, 1 },
        { 270, 0.5f, 0, 1 },
        { 300, 1, 0, 1 },
        { 330, 1, 0, 0.5f },
    };
    for (const Case& c : cases) {
        hsvToRgb(c.h, 1.0f, 1.0f, r, g, b);
        EXPECT_NEAR(r, c.r, 1e-6) << "h " << c.h;
        EXPECT_NEAR(g, c.g, 1e-6) << "h " << c.h;
        EXPECT_NEAR(b, c.b, 1e-6) << "h " << c.h;
    }
    // Partial saturation and value: h 0, s 0.5, v 0.8 gives (v, u, p) = (0.8, 0.4, 0.4).
    hsvToRgb(0.0f, 0.5f, 0.8f, r, g, b);
    EXPECT_FLOAT_EQ(r, 0.8f);
    EXPECT_FLOAT_EQ(g, 0.4f);
    EXPECT_FLOAT_EQ(b, 0.4f);
}

TEST(HsvToRgb, HueOutsideTheSectorsLeavesTheColour)
{
    for (float h : { 360.0f, 400.0f, -0.5f, -60.0f, 1e30f, -1e30f, std::nanf(""),
                     std::numeric_limits<float>::infinity() }) {
        float r = 0.1f, g = 0.2f, b = 0.3f;
        hsvToRgb(h, 1.0f, 1.0f, r, g, b);
        EXPECT_FLOAT_EQ(r, 0.1f) << "h " << h;
        EXPECT_FLOAT_EQ(g, 0.2f) << "h " << h;
        EXPECT_FLOAT_EQ(b, 0.3f) << "h " << h;
    }
}

} // namespace
