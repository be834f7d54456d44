#include "terrain/engine/HeightColours.h"
#include "mesh/engine/Mesh.h"

#include <gtest/gtest.h>

namespace {

void expectColour(const Vector& c, float r, float g, float b)
{
    EXPECT_NEAR(c.x, r, 1e-6f);
    EXPECT_NEAR(c.y, g, 1e-6f);
    EXPECT_NEAR(c.z, b, 1e-6f);
}

// Vertices at heights mid, hi, lo.
Mesh column(float lo, float mid, float hi)
{
    Mesh mesh;
    mesh.allocateVertices(3);
    mesh.vertices = { Vector(0.0f, mid, 0.0f), Vector(1.0f, hi, 0.0f), Vector(0.0f, lo, 1.0f) };
    return mesh;
}

} // namespace

TEST(HeightColours, RampAtLowestMiddleAndHighestVertexAndFlatMeshes)
{
    Mesh mesh = column(-5.0f, 0.0f, 5.0f);
    testing::internal::CaptureStdout();
    colourByHeight(mesh, { { 0.0f, 0, 0, 0 } }, false);
    testing::internal::GetCapturedStdout();
    expectColour(mesh.vertexColours[2], 0.0f, 1.0f / 6.0f, 1.0f); // hue 230
    expectColour(mesh.vertexColours[0], 0.25f, 1.0f, 0.0f); // hue 105
    expectColour(mesh.vertexColours[1], 1.0f, 0.0f, 1.0f / 3.0f); // hue 340 (-20)

    // No height range: every vertex as the lowest.
    Mesh flat = column(2.0f, 2.0f, 2.0f);
    testing::internal::CaptureStdout();
    colourByHeight(flat, { { 0.0f, 0.5f, 0.25f, 0.125f } }, true);
    testing::internal::GetCapturedStdout();
    expectColour(flat.vertexColours[1], 0.5f, 0.25f, 0.125f);
}

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
