#include "ReferenceTerrain.h"

#include "terrain/engine/HeightColours.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void expectColour(const Vector& c, float r, float g, float b)
{
    EXPECT_NEAR(c.x, r, 1e-6f);
    EXPECT_NEAR(c.y, g, 1e-6f);
    EXPECT_NEAR(c.z, b, 1e-6f);
    EXPECT_EQ(c.w, 1.0f);
}

// Three vertices at heights 0, 5 and 10 (one face so the mesh is a mesh).
Mesh column(float lo, float mid, float hi)
{
    Mesh mesh;
    mesh.allocateVertices(3);
    mesh.allocateFaces(1);
    mesh.vertices[0] = Vector(0.0f, mid, 0.0f);
    mesh.vertices[1] = Vector(1.0f, hi, 0.0f);
    mesh.vertices[2] = Vector(0.0f, lo, 1.0f);
    mesh.faces[0].index[1] = 1;
    mesh.faces[0].index[2] = 2;
    mesh.linkFace(0);
    return mesh;
}

} // namespace

TEST(HeightColours, RampAtLowestMiddleAndHighestVertex)
{
    Mesh mesh = column(-5.0f, 0.0f, 5.0f);
    testing::internal::CaptureStdout();
    colourByHeight(mesh, { { 0.0f, 0, 0, 0 }, { 1.0f, 1, 1, 1 } }, false);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "terrain vertex colours...\nBUILDING: MESH_BB \n\n");
    expectColour(mesh.vertexColours[2], 0.0f, 1.0f / 6.0f, 1.0f); // hue 230
    expectColour(mesh.vertexColours[0], 0.25f, 1.0f, 0.0f); // hue 105
    expectColour(mesh.vertexColours[1], 1.0f, 0.0f, 1.0f / 3.0f); // hue 340

    // No height range: every vertex as the lowest.
    Mesh flat = column(2.0f, 2.0f, 2.0f);
    testing::internal::CaptureStdout();
    colourByHeight(flat, {}, false);
    colourByHeight(flat, { { 0.0f, 0.5f, 0.25f, 0.125f } }, true);
    testing::internal::GetCapturedStdout();
    for (const Vector& c : flat.vertexColours)
        expectColour(c, 0.5f, 0.25f, 0.125f);
}

TEST(HeightColours, TerrainSpansTheWholeRampWhateverItsHeight)
{
    for (int h : { 1, 64, 1024 }) {
        Mesh mesh;
        testing::internal::CaptureStdout();
        ASSERT_TRUE(buildTerrainMesh(mesh, noiseMap(256, 256, 9), { 32, 256, h }));
        colourByHeight(mesh, {}, false);
        testing::internal::GetCapturedStdout();
        int lowest = 0, highest = 0;
        for (int i = 0; i < mesh.numVertices; ++i) {
            lowest = mesh.vertices[i].y < mesh.vertices[lowest].y ? i : lowest;
            highest = mesh.vertices[i].y > mesh.vertices[highest].y ? i : highest;
        }
        expectColour(mesh.vertexColours[lowest], 0.0f, 1.0f / 6.0f, 1.0f);
        expectColour(mesh.vertexColours[highest], 1.0f, 0.0f, 1.0f / 3.0f);
    }
}

TEST(HeightColours, StopsInterpolateLinearlyAndClamp)
{
    // As the page delivers them: sorted as text, so 10 comes before 2.
    const std::vector<ColourStop> stops = { { 0.0f, 0, 0, 0 }, { 0.5f, 1, 0, 0 },
        { 10.0f, 1, 1, 1 }, { 2.0f, 0, 0, 1 }, { 0.5f, 0, 1, 0 } };
    const struct
    {
        float t;
        float r, g, b;
    } cases[] = {
        { -1.0f, 0, 0, 0 }, // below the first stop
        { 0.0f, 0, 0, 0 }, { 0.25f, 0.5f, 0, 0 },
        { 0.5f, 0, 1, 0 }, // two stops at 0.5: the later one takes over
        { 1.25f, 0, 0.5f, 0.5f }, { 6.0f, 0.5f, 0.5f, 1 }, { 11.0f, 1, 1, 1 }, // above the last
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.t);
        expectColour(colourStopsColour(stops, c.t), c.r, c.g, c.b);
    }
    expectColour(colourStopsColour({ { 0.3f, 0.1f, 0.2f, 0.3f } }, 0.9f), 0.1f, 0.2f, 0.3f);

    // Used on a mesh with the default stops: black at the bottom, grey half-way.
    Mesh mesh = column(0.0f, 5.0f, 10.0f);
    testing::internal::CaptureStdout();
    colourByHeight(mesh, { { 0.0f, 0, 0, 0 }, { 1.0f, 1, 1, 1 } }, true);
    testing::internal::GetCapturedStdout();
    expectColour(mesh.vertexColours[2], 0, 0, 0);
    expectColour(mesh.vertexColours[0], 0.5f, 0.5f, 0.5f);
    expectColour(mesh.vertexColours[1], 1, 1, 1);
}
