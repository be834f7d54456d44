#pragma once

#include "terrain/engine/HeightColours.h"

#include <QColor>

#include <vector>

// The view's share of the terrain tool: the page's colour stops (parallel
// lists of colours and values; extra entries of the longer list are ignored)
// as the colouring takes them.
std::vector<ColourStop> colourStops(
    const std::vector<QColor>& colours, const std::vector<float>& values);
