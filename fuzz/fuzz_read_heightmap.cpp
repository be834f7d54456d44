// libFuzzer entry for the height-map header check that runs before Qt decodes a
// PNG: any bytes, under the largest limit and a small one; what passes must
// announce a size that fits the limit.

#include "terrain/engine/PngHeader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    for (const std::uint64_t limit : { std::uint64_t(1) << 31, std::uint64_t(1) << 16 }) {
        PngHeader header;
        std::string problem;
        const bool ok = readPngHeader(data, size, limit, header, problem);
        if (ok ? header.width == 0 || header.height == 0 || header.decodedBytes() > limit
               : problem.empty())
            std::abort();
    }
    return 0;
}
