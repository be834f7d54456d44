#pragma once

#include <QColor>

#include <vector>

class Mesh;

// The view's share of the terrain tool: how it colours the mesh by height.
struct TerrainViewState
{
    // Interpolate the page's colour stops rather than the fixed hue ramp.
    bool useColourStops = false;

    // Colours every vertex of mesh by its height, with the stops (parallel lists
    // of colours and values; extra entries of the longer list are ignored) when
    // useColourStops is set.
    void colourByHeight(
        Mesh& mesh, const std::vector<QColor>& colours, const std::vector<float>& values) const;
};
