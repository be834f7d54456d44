#include "viewer/engine/ArcBall.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace {

using Matrix3 = std::array<float, 9>;
const Matrix3 kIdentity = { 1, 0, 0, 0, 1, 0, 0, 0, 1 };
const Matrix3 kHalfTurnY = { -1, 0, 0, 0, 1, 0, 0, 0, -1 };
const Matrix3 kHalfTurnsYZ = { 1, 0, 0, 0, -1, 0, 0, 0, -1 };

void expectMatrix3(const float* m, const Matrix3& expected)
{
    for (std::size_t i = 0; i < 9; ++i)
        EXPECT_NEAR(m[i], expected[i], 1e-5f) << "entry " << i;
}

} // namespace

// A 501-pixel window puts its centre pixel (250, 250) on the sphere's pole and
// its right edge pixel (500, y) on the rim: centre to right edge is half a turn
// about y. Each row starts a drag on the rotation the rows before left.
TEST(ArcBall, DragsComposeStopAtReleaseAndFollowTheAxisConstraint)
{
    const struct
    {
        int constrainRotation;
        float fromX, fromY, toX, toY;
        Matrix3 rotation;
    } steps[] = {
        { 0, 120, 300, 120, 300, kIdentity }, // a click without a move
        { 0, 250, 250, 500, 250, kHalfTurnY },
        { 0, 250, 250, 500, 250, kIdentity }, // a second half turn
        { 3, 250, 250, 500, 250, kHalfTurnY }, // axis (z, y, x): still about y
        { 5, 250, 250, 500, 250, kHalfTurnsYZ }, // axis (x, z, y): about z
        { 9, 250, 250, 500, 250, kHalfTurnsYZ }, // no axis: the rotation stays
    };
    ArcBall ball;
    ball.setBounds(501.0f, 501.0f);
    for (const auto& s : steps) {
        ball.constrainRotation = s.constrainRotation;
        ball.click(Vector(s.fromX, s.fromY, 0.0f));
        ball.drag(Vector(s.toX, s.toY, 0.0f));
        ball.release();
        ball.drag(Vector(250.0f, 0.0f, 0.0f)); // no button: ignored
        expectMatrix3(ball.thisRotation, s.rotation);
    }
    // The transform takes the rotation and keeps its own scale and translation.
    ball = ArcBall();
    ball.setBounds(501.0f, 501.0f);
    for (int i : { 0, 5, 10 })
        ball.transform[i] = 3.0f;
    ball.transform[12] = 7.0f;
    ball.click(Vector(250.0f, 250.0f, 0.0f));
    ball.drag(Vector(500.0f, 250.0f, 0.0f));
    EXPECT_NEAR(ball.transform[0], -3.0f, 1e-5f);
    EXPECT_FLOAT_EQ(ball.transform[12], 7.0f);
}
