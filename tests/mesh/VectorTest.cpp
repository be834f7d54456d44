#include "mesh/engine/Vector.h"

#include <gtest/gtest.h>

TEST(Vector, placeholder) { EXPECT_EQ(Vector(3).w, 3.0f); }
