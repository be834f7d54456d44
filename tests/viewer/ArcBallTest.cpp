#include "viewer/engine/ArcBall.h"
#include "viewer/engine/Matrix.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

void expectMatrix3(const float* m, std::initializer_list<float> expected)
{
    int i = 0;
    for (float e : expected) {
        EXPECT_NEAR(m[i], e, 1e-5f) << "entry " << i;
        ++i;
    }
}

// A 501-pixel window puts its centre pixel (250, 250) on the sphere's pole and
// its right edge pixel (500, y) on the rim.
ArcBall windowOf501()
{
    ArcBall ball;
    ball.setBounds(501.0f, 501.0f);
    return ball;
}

} // namespace

TEST(ArcBall, clickWithoutMoveChangesNothing)
{
    ArcBall ball = windowOf501();
    ball.click(Vector(120.0f, 300.0f, 0.0f));
    ball.drag(Vector(120.0f, 300.0f, 0.0f));
    ball.release();
    expectMatrix3(ball.thisRotation, { 1, 0, 0, 0, 1, 0, 0, 0, 1 });
    float identity[16];
    identity4(identity);
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(ball.transform[i], identity[i]);
}

TEST(ArcBall, centreToRightEdgeIsHalfATurnAboutY)
{
    ArcBall ball = windowOf501();
    ball.click(Vector(250.0f, 250.0f, 0.0f));
    ball.drag(Vector(500.0f, 250.0f, 0.0f));
    // Columns of a half turn about y: x -> -x, z -> -z.
    expectMatrix3(ball.thisRotation, { -1, 0, 0, 0, 1, 0, 0, 0, -1 });
    EXPECT_NEAR(ball.transform[0], -1.0f, 1e-5f);
    EXPECT_NEAR(ball.transform[10], -1.0f, 1e-5f);
    EXPECT_FLOAT_EQ(ball.transform[15], 1.0f);
}

TEST(ArcBall, dragsComposeAndStopAtRelease)
{
    ArcBall ball = windowOf501();
    ball.click(Vector(250.0f, 250.0f, 0.0f));
    ball.drag(Vector(500.0f, 250.0f, 0.0f));
    ball.release();
    ball.drag(Vector(250.0f, 0.0f, 0.0f)); // no button: ignored
    expectMatrix3(ball.thisRotation, { -1, 0, 0, 0, 1, 0, 0, 0, -1 });
    // A second half turn about y brings the identity back.
    ball.click(Vector(250.0f, 250.0f, 0.0f));
    ball.drag(Vector(500.0f, 250.0f, 0.0f));
    expectMatrix3(ball.thisRotation, { 1, 0, 0, 0, 1, 0, 0, 0, 1 });
}

TEST(ArcBall, mapsToSphereAndRim)
{
    ArcBall ball = windowOf501();
    Vector pole = ball.mapToSphere(Vector(250.0f, 250.0f, 0.0f));
    EXPECT_NEAR(pole.x, 0.0f, 1e-6f);
    EXPECT_NEAR(pole.y, 0.0f, 1e-6f);
    EXPECT_NEAR(pole.z, 1.0f, 1e-6f);
    // Window y runs down, sphere y up.
    Vector top = ball.mapToSphere(Vector(250.0f, 0.0f, 0.0f));
    EXPECT_NEAR(top.y, 1.0f, 1e-6f);
    // Outside the disc: projected onto the rim.
    Vector outside = ball.mapToSphere(Vector(1000.0f, 250.0f, 0.0f));
    EXPECT_NEAR(outside.x, 1.0f, 1e-6f);
    EXPECT_NEAR(outside.y, 0.0f, 1e-6f);
    EXPECT_EQ(outside.z, 0.0f);
    Vector corner = ball.mapToSphere(Vector(500.0f, 0.0f, 0.0f));
    EXPECT_NEAR(corner.x, std::sqrt(0.5f), 1e-6f);
    EXPECT_NEAR(corner.y, std::sqrt(0.5f), 1e-6f);
    EXPECT_EQ(corner.z, 0.0f);
}

TEST(ArcBall, constrainedMappingKeepsRawCoordinates)
{
    ArcBall ball = windowOf501();
    ball.constrainMapping = 1; // only y mapped
    Vector p = ball.mapToSphere(Vector(0.25f, 250.0f, 0.0f));
    EXPECT_FLOAT_EQ(p.x, 0.25f);
    EXPECT_NEAR(p.y, 0.0f, 1e-6f);
    ball.constrainMapping = 3; // neither: raw (3, 4) lies outside, on the rim
    p = ball.mapToSphere(Vector(3.0f, 4.0f, 0.0f));
    EXPECT_NEAR(p.x, 0.6f, 1e-6f);
    EXPECT_NEAR(p.y, 0.8f, 1e-6f);
}

TEST(ArcBall, constrainedRotationExchangesAxes)
{
    ArcBall ball = windowOf501();
    ball.constrainRotation = 3; // axis (z, y, x): the y turn stays a y turn
    ball.click(Vector(250.0f, 250.0f, 0.0f));
    ball.drag(Vector(500.0f, 250.0f, 0.0f));
    expectMatrix3(ball.thisRotation, { -1, 0, 0, 0, 1, 0, 0, 0, -1 });
    ball.constrainRotation = 5; // axis (x, z, y): becomes a z turn
    ball.click(Vector(250.0f, 250.0f, 0.0f));
    ball.drag(Vector(500.0f, 250.0f, 0.0f));
    // Half turn about z on top of the held half turn about y: diag(1, -1, -1).
    expectMatrix3(ball.thisRotation, { 1, 0, 0, 0, -1, 0, 0, 0, -1 });
    ball.constrainRotation = 9; // no axis: the held rotation stays
    ball.click(Vector(250.0f, 250.0f, 0.0f));
    ball.drag(Vector(500.0f, 250.0f, 0.0f));
    expectMatrix3(ball.thisRotation, { 1, 0, 0, 0, -1, 0, 0, 0, -1 });
}

TEST(ArcBall, transformKeepsItsScaleAndTranslation)
{
    ArcBall ball = windowOf501();
    for (int i : { 0, 5, 10 })
        ball.transform[i] = 3.0f;
    ball.transform[12] = 7.0f;
    ball.click(Vector(250.0f, 250.0f, 0.0f));
    ball.drag(Vector(500.0f, 250.0f, 0.0f));
    EXPECT_NEAR(ball.transform[0], -3.0f, 1e-5f);
    EXPECT_NEAR(ball.transform[5], 3.0f, 1e-5f);
    EXPECT_NEAR(ball.transform[10], -3.0f, 1e-5f);
    EXPECT_FLOAT_EQ(ball.transform[12], 7.0f);
}

TEST(Matrix, helpers)
{
    float q[9];
    quaternionToMatrix3(0, 0, 0, 0, q);
    expectMatrix3(q, { 1, 0, 0, 0, 1, 0, 0, 0, 1 });
    // A quarter turn about z from the unnormalised quaternion (0, 0, 2, 2).
    quaternionToMatrix3(0, 0, 2, 2, q);
    expectMatrix3(q, { 0, 1, 0, -1, 0, 0, 0, 0, 1 });

    float a[9] = { 1, 2, 3, 4, 5, 6, 7, 8, 9 }, b[9], out[9];
    identity3(b);
    multiply3(a, b, out);
    expectMatrix3(out, { 1, 2, 3, 4, 5, 6, 7, 8, 9 });

    float m[16];
    for (float& v : m)
        v = 9.0f;
    clearMatrix(m);
    m[1] = 2.0f;
    setDiagonal(m);
    EXPECT_EQ(m[0], 1.0f);
    EXPECT_EQ(m[15], 1.0f);
    EXPECT_EQ(m[1], 2.0f);
    EXPECT_EQ(m[4], 0.0f);

    // transformPoint reads the stored floats row-wise, translation at 12..14.
    clearMatrix(m);
    setDiagonal(m);
    m[1] = 2.0f;
    m[12] = 10.0f;
    m[14] = -1.0f;
    Vector p(1.0f, 1.0f, 1.0f, 1.0f);
    transformPoint(m, p);
    EXPECT_FLOAT_EQ(p.x, 13.0f);
    EXPECT_FLOAT_EQ(p.y, 1.0f);
    EXPECT_FLOAT_EQ(p.z, 0.0f);
    EXPECT_FLOAT_EQ(p.w, 1.0f);
}
