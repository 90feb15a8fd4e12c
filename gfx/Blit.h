#pragma once

#include "base/Rect.h"
#include "base/Result.h"
#include "gfx/Surface.h"

#include <cstdint>

namespace brelvo {

// Optional argument of Blit and TransformBlit.
struct BlitEffect {
    Color color = 0;           // painted by BLT_FILL
    std::uint16_t alpha = 255; // weight of the source in BLT_BLEND; 127 is the exact half
    std::uint32_t angle = 0;   // hundredths of a degree, TransformBlit's BLT_ROTATE only
    std::uint32_t zoom = 100;  // percent, TransformBlit's BLT_ZOOM only
};

// Blit flags. 16, 32, 64 and 128 belong to TransformBlit; Blit ignores them.
inline constexpr std::uint32_t BLT_KEYED = 1; // source pixels equal to the source key are skipped
inline constexpr std::uint32_t BLT_FILL = 2;  // write the effect colour instead of the source
inline constexpr std::uint32_t BLT_BLEND = 4; // mix source and destination; wins over BLT_FILL
inline constexpr std::uint32_t BLT_MIRROR_H = 16;
inline constexpr std::uint32_t BLT_MIRROR_V = 32;
inline constexpr std::uint32_t BLT_ROTATE = 64;
inline constexpr std::uint32_t BLT_ZOOM = 128;

// FillRect flags. Callers pass 1 for an opaque fill; only FILL_BLEND has an effect.
inline constexpr std::uint32_t FILL_BLEND = 2;

// Draws srcRect of src (all of it when null; right and bottom exclusive) with its top-left corner
// at (x, y) of dst, clipped to dst. A flag that needs an effect, given without one, is refused
// unless BLT_KEYED is set, in which case black and alpha 255 apply. A source without pixel
// storage draws nothing and is refused.
HResult Blit(Surface& dst, std::int32_t x, std::int32_t y, const Surface& src,
             const Rect* srcRect = nullptr, std::uint32_t flags = 0,
             const BlitEffect* effect = nullptr);

// Fills rect (the whole Surface, spare row pixels included, when null). A rectangle is clipped so
// that it never reaches the last column or the last row of the Surface, and its right column is
// not filled; callers draw their layouts with this rule. With FILL_BLEND and an alpha the fill is
// a mix with the existing pixels.
HResult FillRect(Surface& dst, const Rect* rect, Color color, std::uint32_t flags = 0,
                 const std::uint16_t* alpha = nullptr);

// Makes dst a copy of src's size and pixels. dst keeps its own colour key when it already had
// src's size, and gets the default key otherwise.
HResult CopySurface(const Surface& src, Surface& dst);

} // namespace brelvo
