#pragma once

#include <cstdint>

namespace brelvo {

// A pixel is 16-bit RGB 5-6-5 in the processor's order; a colour is 0x00BBGGRR with red in the
// low byte. Every drawing interface takes colours and stores pixels, so these two conversions
// decide every pixel the program produces.
using Pixel = std::uint16_t;
using Color = std::uint32_t;

inline constexpr Pixel kPixelMagenta = 0xF81F;

// Keeps the top 5, 6 and 5 bits of red, green and blue; the rest is dropped without rounding.
constexpr Pixel ColorToPixel(Color c) {
    return static_cast<Pixel>(((c & 0xF8u) << 8) | ((c & 0xFC00u) >> 5) | ((c & 0xF80000u) >> 19));
}

// Only the upper five bits of green survive: a pixel read as a colour and written back loses
// its lowest green bit. The warp tools depend on exactly this round trip.
constexpr Color PixelToColor(Pixel p) {
    return ((p & 0xF800u) >> 8) | ((p & 0x07C0u) << 5) | ((p & 0x001Fu) << 19);
}

// Mix of a source pixel s and a destination pixel d weighted by alpha (0-255, the weight of s).
// Red and blue share one multiply, so a borrow from blue may reach red; alpha 255 gives 63/64 of
// the source and alpha 127 is the exact half of each channel. Results must stay bit-identical to
// this arithmetic, so it lives in one place.
constexpr Pixel MixQuarterAlpha(Pixel s, Pixel d, std::int32_t a);

constexpr Pixel MixPixel(Pixel s, Pixel d, std::uint32_t alpha) {
    if (alpha == 127)
        return static_cast<Pixel>(((s >> 1) & 0x7BEF) + ((d >> 1) & 0x7BEF));
    return MixQuarterAlpha(s, d, static_cast<std::int32_t>(alpha >> 2));
}

// The mix for any alpha but 127, given a = alpha / 4 (0-63 for alpha 0-255). Loops that blend a
// whole row call it directly so that the alpha test stays out of the loop.
constexpr Pixel MixQuarterAlpha(Pixel s, Pixel d, std::int32_t a) {
    const std::int32_t srb = s & 0xF81F, drb = d & 0xF81F;
    const std::int32_t sg = s & 0x07E0, dg = d & 0x07E0;
    const std::int32_t rb = drb + (((srb - drb) * a) >> 6);
    const std::int32_t g = dg + (((sg - dg) * a) >> 6);
    return static_cast<Pixel>((static_cast<std::uint32_t>(rb) & 0xF81Fu) |
                              (static_cast<std::uint32_t>(g) & 0x07E0u));
}

} // namespace brelvo
