#include "mesh/engine/Vector.h"

#include <gtest/gtest.h>

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

} // namespace
