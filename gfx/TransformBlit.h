#pragma once

#include "base/Rect.h"
#include "base/Result.h"
#include "gfx/Blit.h"
#include "gfx/Surface.h"

#include <cstdint>

namespace brelvo {

// The affine mapping from destination positions (1/64 pixel) to source positions (1/65536
// pixel): u = a X + c Y + e, v = b X + d Y + f, in wrapping 32-bit arithmetic.
struct TransformMapping {
    std::uint32_t a = 0, b = 0, c = 0, d = 0, e = 0, f = 0;
};

// Draws srcRect of src into dstRect of dst (right and bottom exclusive; null means the whole
// Surface), sampling the nearest source pixel. BLT_ZOOM scales the destination rectangle by the
// effect's zoom about its centre, BLT_ROTATE (when not zooming) rotates about it, and otherwise
// the source rectangle is stretched onto the destination rectangle. Pixel modes are those of
// Blit plus mirroring.
HResult TransformBlit(Surface& dst, const Rect* dstRect, const Surface& src, const Rect* srcRect,
                      std::uint32_t flags = 0, const BlitEffect* effect = nullptr);

// The preparation step of TransformBlit on its own: the final destination rectangle and the
// mapping, or false when nothing would be drawn. Tests and the reference sampler use it.
bool PrepareTransform(const SurfaceHeader& dst, const Rect* dstRect, const SurfaceHeader& src,
                      const Rect* srcRect, std::uint32_t flags, const BlitEffect* effect,
                      Rect& outDst, TransformMapping& outMap);

} // namespace brelvo
