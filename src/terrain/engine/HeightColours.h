#pragma once

#include "mesh/engine/Vector.h"

#include <vector>

class Mesh;

// One colour stop: at height fraction `value` (0 lowest vertex, 1 highest) the
// colour (r, g, b), each 0 .. 1.
struct ColourStop
{
    float value = 0.0f;
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

// The fixed ramp: hue 230 - 250 t degrees (wrapped into 0 .. 360), full
// saturation and value; t = 0 is (0, 1/6, 1), t = 1 is (1, 0, 1/3).
Vector heightRampColour(float t);

// Linear in r, g, b between the neighbouring stops around t, stops ordered by
// value (equal values keep their given order); below the first value the first
// colour, above the last the last. Needs at least one stop.
Vector colourStopsColour(const std::vector<ColourStop>& stops, float t);

// Colours every vertex of mesh by its height y: t = (y - lo) / (hi - lo) over
// the mesh's bounding box (built here), then the fixed ramp, or the stops when
// useStops is set and there is at least one. A mesh without height range gives
// every vertex t = 0. Prints "terrain vertex colours...\n" first.
void colourByHeight(Mesh& mesh, const std::vector<ColourStop>& stops, bool useStops);
