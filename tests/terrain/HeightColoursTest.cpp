#include "terrain/engine/HeightColours.h"

#include <gtest/gtest.h>

namespace {

void expectColour(const Vector& c, float r, float g, float b)
{
    EXPECT_NEAR(c.x, r, 1e-6f);
    EXPECT_NEAR(c.y, g, 1e-6f);
    EXPECT_NEAR(c.z, b, 1e-6f);
}

} // namespace

TEST(HeightColours, StopsInterpolateLinearlyAndClamp)
{
    // In the page's text order: 10 before 2.
    const std::vector<ColourStop> stops = { { 0.0f, 0, 0, 0 }, { 0.5f, 1, 0, 0 },
        { 10.0f, 1, 1, 1 }, { 2.0f, 0, 0, 1 }, { 0.5f, 0, 1, 0 } };
    const struct
    {
        float t, r, g, b;
    } cases[] = { { -1, 0, 0, 0 }, { 0.25f, 0.5f, 0, 0 },
        { 0.5f, 0, 1, 0 } /* the later of two equal stops */, { 1.25f, 0, 0.5f, 0.5f },
        { 6, 0.5f, 0.5f, 1 }, { 11, 1, 1, 1 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.t);
        expectColour(colourStopsColour(stops, c.t), c.r, c.g, c.b);
    }
}
