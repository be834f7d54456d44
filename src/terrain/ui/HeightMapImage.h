#pragma once

#include "terrain/engine/HeightMap.h"

#include <QImage>
#include <QString>

// Reads fileName as a PNG (whatever its extension), scales it smoothly to
// 256 x 256 ignoring its aspect ratio and swaps its red and blue channels, as
// height maps have always been stored. The result is opaque RGB32. Returns false,
// leaving image untouched, when the file does not read as a PNG.
bool loadHeightMapImage(const QString& fileName, QImage& image);

// The pixels of image (any format; transparency is dropped) for the terrain
// builder.
HeightMap heightMapFromImage(const QImage& image);
