#pragma once

#include "terrain/engine/HeightMap.h"

#include <QImage>
#include <QString>

#include <string>

// Reads fileName as a PNG (whatever its extension), scales it smoothly to
// 256 x 256 ignoring its aspect ratio and swaps its red and blue channels, as
// height maps have always been stored. The result is opaque RGB32. Returns false,
// leaving image untouched and the reason in problem, when the file does not
// read as a PNG. The header is checked before anything is decoded: an image
// that would take more than heightMapDecodeLimit() bytes is refused unread.
bool loadHeightMapImage(const QString& fileName, QImage& image, std::string* problem = nullptr);

// The pixels of image (any format; transparency is dropped) for the terrain
// builder.
HeightMap heightMapFromImage(const QImage& image);

// The two in turn on a file named in the system's file-name encoding: the
// workbench's height-map reader wherever a terrain step runs (the view, the
// batch tool, the Python module). False with the reason in problem.
bool readHeightMapFile(const std::string& path, HeightMap& map, std::string& problem);
