// The height-map header check that runs before any PNG decoder sees the file.
#include "terrain/engine/PngHeader.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A signature and an IHDR chunk for width x height (its checksum not checked).
std::string pngHead(std::uint32_t width, std::uint32_t height)
{
    std::string bytes("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    for (const std::uint32_t v : { width, height })
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes += char(v >> shift & 0xff);
    return bytes + std::string("\x08\x02\0\0\0\0\0\0\0", 9);
}

bool check(const std::string& bytes, std::uint64_t limit, PngHeader& header, std::string& why)
{
    return readPngHeader(
        reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), limit, header, why);
}

} // namespace

TEST(PngHeader, SizeReadFromTheHeaderAndHeldToTheLimit)
{
    PngHeader header;
    std::string why;
    ASSERT_TRUE(check(pngHead(300, 170), 300 * 170 * 4, header, why)) << why;
    EXPECT_EQ(header.width, 300u);
    EXPECT_EQ(header.height, 170u);

    EXPECT_FALSE(check(pngHead(300, 170), 300 * 170 * 4 - 1, header, why));
    EXPECT_EQ(why,
        "the image is 300 x 170 pixels, 204000 bytes decoded, more than the 203999 "
        "available");
    EXPECT_FALSE(check(pngHead(100000, 100000), heightMapDecodeLimit(), header, why));
    EXPECT_EQ(header.decodedBytes(), 40000000000u);

    // What the bytes are, the bytes and why they are refused.
    const std::tuple<const char*, std::string, const char*> refused[] = {
        { "empty", "", "not a PNG image" },
        { "cut in the chunk", pngHead(4, 4).substr(0, 32), "not a PNG image" },
        { "another format", "GIF89a" + pngHead(4, 4).substr(6), "not a PNG image" },
        { "no IHDR first",
            [] {
                std::string b = pngHead(4, 4);
                b[12] = 'I', b[13] = 'D', b[14] = 'A', b[15] = 'T';
                return b;
            }(),
            "not a PNG image" },
        { "no width", pngHead(0, 4), "not a PNG image: its header gives a size of 0 x 4 pixels" },
        { "past 2^31 - 1", pngHead(4, 0x80000000u),
            "not a PNG image: its header gives a size of 4 x 2147483648 pixels" },
    };
    for (const auto& [name, bytes, reason] : refused) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(check(bytes, std::uint64_t(1) << 40, header, why));
        EXPECT_EQ(why, reason);
    }
}
