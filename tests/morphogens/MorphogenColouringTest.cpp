#include "TestUtil.h"

#include "mesh/engine/Mesh.h"
#include "morphogens/engine/MorphogenColouring.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
const MorphogenRgb kRed { 255, 0, 0 };
const MorphogenRgb kBlue { 0, 0, 255 };
const MorphogenRgb kGrey { 128, 128, 128 };
const MorphogenRgb kBlack { 0, 0, 0 };

// A single-triangle mesh whose first vertex carries values; the others carry
// none unless given.
Mesh meshWithValues(const std::vector<float>& values, std::size_t rows = 3)
{
    Mesh mesh;
    testutil::makeMesh(mesh, { { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 } }, { { 0, 1, 2 } });
    mesh.allocateMorphogens(int(rows), int(values.size()));
    if (rows > 0)
        mesh.morphogenValues[0] = values;
    return mesh;
}

struct Case
{
    const char* what;
    std::vector<float> values;
    MorphogenSetting setting;
    Vector want; // x, y, z, w of the first vertex
};

} // namespace

TEST(MorphogenColouring, FirstVertexAgainstWorkedExamples)
{
    const float g = 128.0f / 255.0f;
    const Case cases[] = {
        { "every toggle off", { 0.5f, 1.0f }, { 0, kGrey, { kRed, kBlue }, { 0, 0 } },
            { g, g, g, 1.0f } },
        { "toggle other than 1 is off", { 0.5f }, { 0, kGrey, { kRed }, { 2 } },
            { g, g, g, 1.0f } },
        { "additive, one at 0.5", { 0.5f }, { 0, kGrey, { kRed }, { 1 } },
            { g + 0.25f, g, g, 1.5f } },
        { "subtractive, one at 0.5", { 0.5f }, { 1, kGrey, { kRed }, { 1 } },
            { g - 0.25f, g - 0.5f, g - 0.5f, 0.5f } },
        { "any non-zero mode subtracts", { 0.5f }, { 7, kGrey, { kRed }, { 1 } },
            { g - 0.25f, g - 0.5f, g - 0.5f, 0.5f } },
        { "a zero value does not dim the others", { 0.5f, 0.0f },
            { 0, kGrey, { kRed, kBlue }, { 1, 1 } }, { g + 0.25f, g, g, 1.5f } },
        { "negative, NaN and infinite values count for nothing", { 0.5f, -1.0f, kNaN, kInf },
            { 0, kGrey, { kRed, kBlue, kBlue, kBlue }, { 1, 1, 1, 1 } },
            { g + 0.25f, g, g, 1.5f } },
        { "two active on black", { 1.0f, 1.0f }, { 0, kBlack, { kRed, kBlue }, { 1, 1 } },
            { 1.0f / 3.0f, 0.0f, 1.0f / 3.0f, 3.0f } },
        { "no clamping above 1", { 4.0f }, { 0, { 255, 255, 255 }, { kRed }, { 1 } },
            { 3.0f, 1.0f, 1.0f, 5.0f } },
        // More values than names: only the listed morphogens take part.
        { "lists shorter than the values", { 1.0f, 1.0f }, { 0, kBlack, { kRed }, { 1 } },
            { 0.5f, 0.0f, 0.0f, 2.0f } },
        { "toggles shorter than the colours", { 1.0f, 1.0f }, { 0, kBlack, { kRed, kBlue }, { 1 } },
            { 0.5f, 0.0f, 0.0f, 2.0f } },
        { "values shorter than the lists", { 1.0f }, { 0, kBlack, { kRed, kBlue }, { 1, 1 } },
            { 0.5f, 0.0f, 0.0f, 2.0f } },
    };
    for (const Case& c : cases) {
        Mesh mesh = meshWithValues(c.values);
        colourByMorphogens(mesh, c.setting);
        const Vector& got = mesh.vertexColours[0];
        EXPECT_FLOAT_EQ(got.x, c.want.x) << c.what;
        EXPECT_FLOAT_EQ(got.y, c.want.y) << c.what;
        EXPECT_FLOAT_EQ(got.z, c.want.z) << c.what;
        EXPECT_FLOAT_EQ(got.w, c.want.w) << c.what;
    }
    // The worked figures, to three places.
    Mesh mesh = meshWithValues({ 0.5f });
    colourByMorphogens(mesh, { 0, kGrey, { kRed }, { 1 } });
    EXPECT_NEAR(mesh.vertexColours[0].x, 0.752f, 5e-4f);
    colourByMorphogens(mesh, { 1, kGrey, { kRed }, { 1 } });
    EXPECT_NEAR(mesh.vertexColours[0].x, 0.252f, 5e-4f);
    EXPECT_NEAR(mesh.vertexColours[0].y, 0.002f, 5e-4f);
}

TEST(MorphogenColouring, VerticesWithoutValuesGetTheBaseAndTheColoursCountAsOwn)
{
    const MorphogenSetting setting { 0, kGrey, { kRed }, { 1 } };
    const float g = 128.0f / 255.0f;
    // No "m" lines at all, and fewer value rows than vertices.
    for (std::size_t rows : { std::size_t(0), std::size_t(1) }) {
        Mesh mesh
            = meshWithValues(rows ? std::vector<float> { 0.0f } : std::vector<float> {}, rows);
        EXPECT_FALSE(mesh.vertexColoursSet);
        colourByMorphogens(mesh, setting);
        EXPECT_TRUE(mesh.vertexColoursSet);
        for (const Vector& c : mesh.vertexColours) {
            EXPECT_FLOAT_EQ(c.x, g);
            EXPECT_FLOAT_EQ(c.y, g);
            EXPECT_FLOAT_EQ(c.z, g);
            EXPECT_FLOAT_EQ(c.w, 1.0f);
        }
    }
    // An empty mesh is left empty.
    Mesh empty;
    colourByMorphogens(empty, setting);
    EXPECT_TRUE(empty.vertexColours.empty());
}
