#include "terrain/engine/PngHeader.h"

#include "mesh/engine/MemoryInfo.h"

#include <algorithm>
#include <cstring>

namespace {

std::uint32_t bigEndian(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8
        | std::uint32_t(p[3]);
}

} // namespace

bool readPngHeader(const std::uint8_t* data, std::size_t size, std::uint64_t limit,
    PngHeader& header, std::string& problem)
{
    static const std::uint8_t signature[8] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n' };
    header = PngHeader();
    if (size < PngHeader::kBytes || std::memcmp(data, signature, 8) != 0
        || bigEndian(data + 8) != 13 || std::memcmp(data + 12, "IHDR", 4) != 0) {
        problem = "not a PNG image";
        return false;
    }
    header.width = bigEndian(data + 16);
    header.height = bigEndian(data + 20);
    const std::uint32_t largest = 0x7fffffff;
    if (header.width == 0 || header.height == 0 || header.width > largest
        || header.height > largest) {
        problem = "not a PNG image: its header gives a size of " + std::to_string(header.width)
            + " x " + std::to_string(header.height) + " pixels";
        return false;
    }
    if (header.decodedBytes() > limit) {
        problem = "the image is " + std::to_string(header.width) + " x "
            + std::to_string(header.height) + " pixels, " + std::to_string(header.decodedBytes())
            + " bytes decoded, more than the " + std::to_string(limit) + " available";
        return false;
    }
    return true;
}

std::uint64_t heightMapDecodeLimit()
{
    const std::uint64_t most = std::uint64_t(1) << 31;
    const std::uint64_t available = availableMemoryBytes();
    return available > 0 ? std::min(most, available) : most;
}
