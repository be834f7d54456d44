#include "terrain/ui/TerrainView.h"

#include <algorithm>

std::vector<ColourStop> colourStops(
    const std::vector<QColor>& colours, const std::vector<float>& values)
{
    std::vector<ColourStop> stops;
    const std::size_t n = std::min(colours.size(), values.size());
    for (std::size_t k = 0; k < n; ++k) {
        const QColor& c = colours[k];
        stops.push_back({ values[k], float(c.redF()), float(c.greenF()), float(c.blueF()) });
    }
    return stops;
}
