#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// What a PNG file says of its image before anything decodes it: the signature
// and the IHDR chunk that must follow it.
struct PngHeader
{
    // The bytes that hold the signature and the whole IHDR chunk.
    static constexpr std::size_t kBytes = 33;

    std::uint32_t width = 0;
    std::uint32_t height = 0;

    // Bytes the decoded image takes at four a pixel.
    std::uint64_t decodedBytes() const { return std::uint64_t(width) * height * 4; }
};

// Reads the header from the first bytes of a file. False, with the reason in
// problem, for bytes that are no PNG signature and IHDR chunk (or whose width or
// height is 0 or past 2^31 - 1, which no PNG may have), and for an image that
// would take more than `limit` bytes decoded; header then holds what was read.
bool readPngHeader(const std::uint8_t* data, std::size_t size, std::uint64_t limit,
    PngHeader& header, std::string& problem);

// The most a height map may take decoded: 2^31 bytes, or the memory available
// when that is less.
std::uint64_t heightMapDecodeLimit();
