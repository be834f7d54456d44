#include "morphogens/ui/MorphogenQtColours.h"

MorphogenRgb morphogenRgb(const QColor& colour)
{
    if (!colour.isValid())
        return {};
    return { colour.red(), colour.green(), colour.blue() };
}

QColor morphogenQColor(const MorphogenRgb& rgb)
{
    return QColor(rgb.red, rgb.green, rgb.blue, 255);
}

MorphogenSetting morphogenSetting(int mixmode, const std::vector<int>& toggles,
    const std::vector<QColor>& colours, const QColor& base)
{
    MorphogenSetting setting;
    setting.mixMode = mixmode;
    setting.base = morphogenRgb(base);
    setting.toggles = toggles;
    setting.colours.reserve(colours.size());
    for (const QColor& c : colours)
        setting.colours.push_back(morphogenRgb(c));
    return setting;
}

void colourMeshByMorphogens(Mesh& mesh, int mixmode, const std::vector<int>& tooglestates,
    const std::vector<QColor>& colours, const QColor& defaultcolour)
{
    colourByMorphogens(mesh, morphogenSetting(mixmode, tooglestates, colours, defaultcolour));
}
