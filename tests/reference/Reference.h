#pragma once

// Literal versions of the graphics fast paths: one pixel at a time, in the order and with the
// arithmetic the drawing rules state, with no shortcuts. The real implementations must produce
// the same bytes; tests compare the two and benchmarks measure them side by side.

#include "base/ByteSink.h"
#include "base/Rect.h"
#include "gfx/Blit.h"
#include "gfx/Shapes.h"
#include "gfx/Surface.h"
#include "gfx/TransformBlit.h"

#include <cstdint>

namespace brelvo::reference {

HResult Blit(Surface& dst, std::int32_t x, std::int32_t y, const Surface& src, const Rect* srcRect,
             std::uint32_t flags, const BlitEffect* effect);
HResult FillRect(Surface& dst, const Rect* rect, Color color, std::uint32_t flags,
                 const std::uint16_t* alpha);
HResult DrawLine(Surface& dst, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                 Color color, std::uint32_t flags);
HResult DrawCircle(Surface& dst, std::int32_t cx, std::int32_t cy, std::int32_t radius, Color color,
                   std::uint32_t flags);
// The per-pixel sampler: every destination pixel's source position computed from the mapping
// with multiplications, every pixel read and written through its row and column index.
HResult TransformBlit(Surface& dst, const Rect* dstRect, const Surface& src, const Rect* srcRect,
                      std::uint32_t flags, const BlitEffect* effect);
// Column by column, each pixel stored at its computed offset in a buffer of the whole image.
bool EncodeBmp(const Surface& surface, ByteSink& sink);

} // namespace brelvo::reference
