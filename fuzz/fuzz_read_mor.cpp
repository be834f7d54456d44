// libFuzzer entry for morphogen settings (".mor"): the first byte picks how
// many morphogens the mesh has (0 to 3), the rest is read over the current
// setting; the setting is applied whole or not at all, and the mesh coloured
// from it gets a finite colour at every vertex.

#include "FuzzCommon.h"

#include "morphogens/engine/MorphogenColouring.h"
#include "morphogens/engine/MorphogenSettings.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t count = data[0] % 4;
    const std::string& path = fuzzing::inputPath("mor");
    const std::unique_ptr<Mesh> held = fuzzing::meshFromText(
        "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 3 2\nf 1 2 4\nf 1 4 3\nf 2 3 4\n");
    Mesh& mesh = *held;
    if (count > 0) {
        mesh.morphogenValues.assign(std::size_t(mesh.numVertices), std::vector<float>(count));
        for (std::size_t v = 0; v < mesh.morphogenValues.size(); ++v)
            for (std::size_t m = 0; m < count; ++m)
                mesh.morphogenValues[v][m] = float(v + m) * 0.25f;
    }
    if (!fuzzing::writeInput(path, data + 1, size - 1))
        return 0;
    MorphogenSetting setting;
    setting.colours.assign(count, MorphogenRgb { 10, 20, 30 });
    setting.toggles.assign(count, 1);
    const MorphogenSetting before = setting;
    std::string problem;
    const auto require = [](bool ok) {
        if (!ok)
            std::abort();
    };
    if (!readMorphogenSetting(path, setting, &problem)) {
        require(setting == before && !problem.empty());
        return 0;
    }
    require(setting.colours.size() == count && setting.toggles.size() == count);
    const auto inRange = [](const MorphogenRgb& c) {
        return c.red >= 0 && c.red <= 255 && c.green >= 0 && c.green <= 255 && c.blue >= 0
            && c.blue <= 255;
    };
    require(inRange(setting.base));
    for (const MorphogenRgb& c : setting.colours)
        require(inRange(c));
    // What was read is what is written back.
    require(fuzzing::writeInput(path,
        reinterpret_cast<const std::uint8_t*>(morphogenSettingText(setting).data()),
        morphogenSettingText(setting).size()));
    MorphogenSetting again = before;
    require(readMorphogenSetting(path, again) && again == setting);
    colourByMorphogens(mesh, setting);
    for (const Vector& c : mesh.vertexColours)
        require(std::isfinite(c.x) && std::isfinite(c.y) && std::isfinite(c.z));
    return 0;
}
