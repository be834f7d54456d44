#include "TestUtil.h"

#include "morphogens/engine/MorphogenColouring.h"

#include <gtest/gtest.h>

#include <limits>

TEST(MorphogenColouring, MixesOnlyActiveFiniteValuesListedEverywhere)
{
    const MorphogenRgb red { 255, 0, 0 }, blue { 0, 0, 255 }, grey { 128, 128, 128 }, black;
    const float g = 128.0f / 255.0f, nan = std::numeric_limits<float>::quiet_NaN();
    // What is tried, the values of the first vertex (the others have none), the
    // setting and the colour wanted.
    const std::tuple<const char*, std::vector<float>, MorphogenSetting, Vector> cases[] = {
        { "every toggle off", { 0.5f, 1.0f }, { 0, grey, { red, blue }, { 0, 2 } },
            { g, g, g, 1 } },
        { "additive", { 0.5f }, { 0, grey, { red }, { 1 } }, { g + 0.25f, g, g, 1.5f } },
        { "subtractive", { 0.5f }, { 1, grey, { red }, { 1 } },
            { g - 0.25f, g - 0.5f, g - 0.5f, 0.5f } },
        { "zero, negative, NaN, infinite do not dim", { 0.5f, 0, -1, nan, 1 / 0.0f },
            { 0, grey, { red, blue, blue, blue, blue }, { 1, 1, 1, 1, 1 } },
            { g + 0.25f, g, g, 1.5f } },
        // More values than names, or names than values: only entries all lists have.
        { "lists shorter than the values", { 1, 1 }, { 0, black, { red, blue }, { 1 } },
            { 0.5f, 0, 0, 2 } },
        { "values shorter than the lists", { 1 }, { 0, black, { red, blue }, { 1, 1 } },
            { 0.5f, 0, 0, 2 } },
    };
    for (const auto& [what, values, setting, want] : cases) {
        Mesh mesh;
        testutil::makeMesh(mesh, { { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 } }, { { 0, 1, 2 } });
        mesh.allocateMorphogens(2, int(values.size())); // the third vertex has no row
        mesh.morphogenValues[0] = values;
        colourByMorphogens(mesh, setting);
        EXPECT_TRUE(mesh.vertexColoursSet);
        const Vector& got = mesh.vertexColours[0];
        for (float Vector::*m : { &Vector::x, &Vector::y, &Vector::z, &Vector::w })
            EXPECT_FLOAT_EQ(got.*m, want.*m) << what;
        for (int i : { 1, 2 }) // zero values, then no values at all: the base
            EXPECT_FLOAT_EQ(mesh.vertexColours[std::size_t(i)].x, setting.base.red / 255.0f);
    }
}
