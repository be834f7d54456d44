#pragma once

#include <cstdint>
#include <vector>

// The pixels a terrain is sampled from: 8-bit red, green and blue per pixel, rows
// top to bottom. The workbench always hands over 256 x 256 pixels (height maps
// are scaled to that size when loaded); other sizes are sampled the same way.
struct HeightMap
{
    static constexpr int kSide = 256;

    int width = 0;
    int height = 0;
    // width * height * 3 bytes: r, g, b of each pixel in row order.
    std::vector<std::uint8_t> rgb;

    // The starting height map: kSide x kSide, every pixel black.
    static HeightMap black();

    bool valid() const
    {
        return width > 0 && height > 0
            && rgb.size() == std::size_t(width) * std::size_t(height) * 3;
    }
    // (11 r + 16 g + 5 b) / 32 in integers: 0 .. 255.
    int grey(int x, int y) const
    {
        const std::uint8_t* p
            = rgb.data() + (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3;
        return (11 * p[0] + 16 * p[1] + 5 * p[2]) / 32;
    }
};
