#pragma once

#include "base/Rect.h"
#include "base/Result.h"
#include "gfx/Surface.h"

#include <cstdint>

namespace brelvo {

inline constexpr std::uint32_t LINE_NOCLIP = 4; // the caller promises the line is inside
inline constexpr std::uint32_t CIRCLE_FILLED = 4;

// A horizontal or vertical line leaves out its right or lower end point (and a line whose end
// points are equal draws nothing); any other line includes both. With LINE_NOCLIP the line is
// not clipped, but no pixel outside the Surface is ever written.
HResult DrawLine(Surface& dst, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                 Color color, std::uint32_t flags = 0);

// Runs of length raw pixels to the right of, or below, (x, y). The spans are always kept inside
// the Surface: clip only says whether the caller expects that to matter, and the pixels inside
// are the same either way.
void DrawHSpan(Surface& dst, std::int32_t x, std::int32_t y, std::int32_t length, bool clip,
               Pixel pixel);
void DrawVSpan(Surface& dst, std::int32_t x, std::int32_t y, std::int32_t length, bool clip,
               Pixel pixel);

// Outline through the four corners, clipped. The corner (right, bottom) is not covered.
HResult DrawRect(Surface& dst, const Rect& rect, Color color, std::uint32_t unused = 0);

// Outline, or with CIRCLE_FILLED a disc, of the given radius; nothing for a radius below 1.
HResult DrawCircle(Surface& dst, std::int32_t cx, std::int32_t cy, std::int32_t radius, Color color,
                   std::uint32_t flags = 0);

} // namespace brelvo
