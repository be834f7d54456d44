#include "terrain/ui/HeightMapImage.h"

bool loadHeightMapImage(const QString& fileName, QImage& image)
{
    QImage loaded;
    if (!loaded.load(fileName, "PNG") || loaded.isNull())
        return false;
    image = loaded
                .scaled(HeightMap::kSide, HeightMap::kSide, Qt::IgnoreAspectRatio,
                    Qt::SmoothTransformation)
                .rgbSwapped()
                .convertToFormat(QImage::Format_RGB32);
    return true;
}

HeightMap heightMapFromImage(const QImage& image)
{
    HeightMap map;
    if (image.isNull())
        return map;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    map.width = rgb.width();
    map.height = rgb.height();
    map.rgb.resize(std::size_t(map.width) * std::size_t(map.height) * 3);
    std::uint8_t* out = map.rgb.data();
    for (int y = 0; y < map.height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < map.width; ++x) {
            *out++ = std::uint8_t(qRed(line[x]));
            *out++ = std::uint8_t(qGreen(line[x]));
            *out++ = std::uint8_t(qBlue(line[x]));
        }
    }
    return map;
}
