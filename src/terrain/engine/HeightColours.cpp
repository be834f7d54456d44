#include "terrain/engine/HeightColours.h"

#include "mesh/engine/Build.h"
#include "mesh/engine/HsvToRgb.h"
#include "mesh/engine/Mesh.h"

#include <algorithm>
#include <cstdio>

Vector heightRampColour(float t)
{
    float hue = 230.0f - 250.0f * t;
    if (hue > 360.0f)
        hue -= 360.0f;
    if (hue < 0.0f)
        hue += 360.0f;
    Vector colour(0.0f, 0.0f, 0.0f, 1.0f);
    hsvToRgb(hue, 1.0f, 1.0f, colour.x, colour.y, colour.z);
    return colour;
}

namespace {

Vector stopRgb(const ColourStop& s)
{
    return { s.r, s.g, s.b, 1.0f };
}

// Stops ordered by value; the page delivers them in text order ("10" before "2").
std::vector<ColourStop> byValue(const std::vector<ColourStop>& stops)
{
    std::vector<ColourStop> sorted = stops;
    std::stable_sort(sorted.begin(), sorted.end(),
        [](const ColourStop& a, const ColourStop& b) { return a.value < b.value; });
    return sorted;
}

Vector interpolateSorted(const std::vector<ColourStop>& sorted, float t)
{
    if (!(t > sorted.front().value))
        return stopRgb(sorted.front());
    if (t >= sorted.back().value)
        return stopRgb(sorted.back());
    // First stop above t; the one before it is at or below t, so the gap is
    // never zero.
    const auto upper = std::upper_bound(sorted.begin(), sorted.end(), t,
        [](float value, const ColourStop& s) { return value < s.value; });
    const ColourStop& hi = *upper;
    const ColourStop& lo = *(upper - 1);
    const float f = (t - lo.value) / (hi.value - lo.value);
    return { lo.r + (hi.r - lo.r) * f, lo.g + (hi.g - lo.g) * f, lo.b + (hi.b - lo.b) * f, 1.0f };
}

} // namespace

Vector colourStopsColour(const std::vector<ColourStop>& stops, float t)
{
    return interpolateSorted(byValue(stops), t);
}

void colourByHeight(Mesh& mesh, const std::vector<ColourStop>& stops, bool useStops)
{
    std::printf("terrain vertex colours...\n");
    std::fflush(stdout);
    if (mesh.numVertices <= 0)
        return;
    build(mesh, { MESH_BB });
    // The height axis is y. Box corner 0 holds the minimum y, corner 1 the maximum.
    const float lo = mesh.boxCorners[0].y;
    const float hi = mesh.boxCorners[1].y;
    const float range = hi - lo;
    const bool withStops = useStops && !stops.empty();
    const std::vector<ColourStop> sorted = withStops ? byValue(stops) : std::vector<ColourStop>();
    for (int i = 0; i < mesh.numVertices; ++i) {
        const float t = range > 0.0f ? (mesh.vertices[std::size_t(i)].y - lo) / range : 0.0f;
        mesh.vertexColours[std::size_t(i)]
            = withStops ? interpolateSorted(sorted, t) : heightRampColour(t);
    }
}
