#include "terrain/engine/HeightColours.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

TEST(HeightColours, StopsInterpolateLinearlyAndClamp)
{
    // In the page's text order: 10 before 2.
    const std::vector<ColourStop> stops = { { 0.0f, 0, 0, 0 }, { 0.5f, 1, 0, 0 },
        { 10.0f, 1, 1, 1 }, { 2.0f, 0, 0, 1 }, { 0.5f, 0, 1, 0 } };
    // t, then the colour there.
    const std::array<float, 4> cases[] = { { -1, 0, 0, 0 }, { 0.25f, 0.5f, 0, 0 },
        { 0.5f, 0, 1, 0 } /* the later of two equal stops */, { 1.25f, 0, 0.5f, 0.5f },
        { 6, 0.5f, 0.5f, 1 }, { 11, 1, 1, 1 } };
    for (const auto& [t, r, g, b] : cases) {
        const Vector got = colourStopsColour(stops, t);
        EXPECT_LT(
            std::max({ std::abs(got.x - r), std::abs(got.y - g), std::abs(got.z - b) }), 1e-6f)
            << t;
    }
}
