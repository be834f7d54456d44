#include "morphogens/engine/MorphogenColouring.h"

#include "mesh/engine/Mesh.h"

#include <algorithm>
#include <cmath>

namespace {

Vector unitColour(const MorphogenRgb& c)
{
    return Vector(float(c.red / 255.0), float(c.green / 255.0), float(c.blue / 255.0), 1.0f);
}

} // namespace

void colourByMorphogens(Mesh& mesh, const MorphogenSetting& setting)
{
    const Vector base = unitColour(setting.base);
    const std::size_t listed = std::min(setting.toggles.size(), setting.colours.size());
    std::vector<Vector> colours(listed);
    for (std::size_t j = 0; j < listed; ++j)
        colours[j] = unitColour(setting.colours[j]);
    const bool additive = setting.mixMode == 0;
    const std::size_t vertices
        = std::min(std::size_t(std::max(mesh.numVertices, 0)), mesh.vertexColours.size());

    for (std::size_t i = 0; i < vertices; ++i) {
        Vector sum(0.0f, 0.0f, 0.0f, 0.0f);
        int count = 1;
        if (i < mesh.morphogenValues.size()) {
            const std::vector<float>& values = mesh.morphogenValues[i];
            const std::size_t n = std::min(values.size(), listed);
            for (std::size_t j = 0; j < n; ++j) {
                const float v = values[j];
                // An infinite value would turn the colour's zero channels into
                // NaN, which neither draws nor saves: it counts as no value.
                if (setting.toggles[j] != 1 || !(v > 0.0f) || !std::isfinite(v))
                    continue;
                const Vector& k = colours[j];
                const Vector weighted(v * k.x, v * k.y, v * k.z, v * k.w);
                if (additive) {
                    sum += weighted;
                } else {
                    sum -= Vector(
                        1.0f - weighted.x, 1.0f - weighted.y, 1.0f - weighted.z, 1.0f - weighted.w);
                }
                ++count;
            }
        }
        sum.x /= float(count);
        sum.y /= float(count);
        sum.z /= float(count);
        Vector colour = base;
        colour += sum;
        mesh.vertexColours[i] = colour;
    }
    mesh.vertexColoursSet = true;
}
