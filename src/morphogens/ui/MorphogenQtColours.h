#pragma once

#include "morphogens/engine/MorphogenColouring.h"

#include <QColor>

#include <vector>

class Mesh;

// The channels the colouring takes from a QColor; the invalid colour gives 0s.
MorphogenRgb morphogenRgb(const QColor& colour);
// An opaque QColor of rgb.
QColor morphogenQColor(const MorphogenRgb& rgb);

// The page's lists as one setting (the view's colouring slot and the page's
// file operations share it).
MorphogenSetting morphogenSetting(int mixmode, const std::vector<int>& toggles,
    const std::vector<QColor>& colours, const QColor& base);

// The view's morphogen colouring: converts the page's request and colours mesh.
void colourMeshByMorphogens(Mesh& mesh, int mixmode, const std::vector<int>& tooglestates,
    const std::vector<QColor>& colours, const QColor& defaultcolour);
