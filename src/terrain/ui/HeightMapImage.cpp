#include "terrain/ui/HeightMapImage.h"

#include "terrain/engine/PngHeader.h"

#include <QFile>
#include <QImageReader>

bool loadHeightMapImage(const QString& fileName, QImage& image, std::string* problem)
{
    const auto refuse = [problem](const std::string& why) {
        if (problem)
            *problem = why;
        return false;
    };
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return refuse("cannot be opened");
    const QByteArray head = file.read(PngHeader::kBytes);
    const std::uint64_t limit = heightMapDecodeLimit();
    PngHeader header;
    std::string why;
    if (!readPngHeader(reinterpret_cast<const std::uint8_t*>(head.constData()),
            std::size_t(head.size()), limit, header, why))
        return refuse(why);
    file.close();
    // The limit is ours, checked above; Qt's own (256 MB) would refuse some of
    // what passed it without saying why.
    QImageReader reader(fileName, "PNG");
    reader.setAllocationLimit(int(limit >> 20) + 1);
    if (reader.size() != QSize(int(header.width), int(header.height)))
        return refuse("not a PNG image");
    QImage loaded;
    if (!reader.read(&loaded) || loaded.isNull())
        return refuse("not a PNG image");
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

bool readHeightMapFile(const std::string& path, HeightMap& map, std::string& problem)
{
    QImage image;
    if (!loadHeightMapImage(QFile::decodeName(QByteArray::fromStdString(path)), image, &problem))
        return false;
    map = heightMapFromImage(image);
    return true;
}
