#pragma once

#include <cstdint>

namespace brelvo::platform {

// An RGB565 pixel as 8-bit channels, each widened by repeating its top bits, so that white stays
// 0xFF and black 0x00 in every channel, and the top 5, 6 and 5 bits give back the very pixel.
// Everything that shows the program's pixels in more bits (PNG shots, deeper frame buffers) uses
// it, so that they all agree.
struct Rgb888 {
    std::uint8_t r, g, b;
};

constexpr Rgb888 WidenRgb565(std::uint16_t p) {
    const unsigned r = p >> 11, g = (p >> 5) & 0x3F, b = p & 0x1F;
    return {static_cast<std::uint8_t>((r << 3) | (r >> 2)),
            static_cast<std::uint8_t>((g << 2) | (g >> 4)),
            static_cast<std::uint8_t>((b << 3) | (b >> 2))};
}

} // namespace brelvo::platform
