#pragma once

// Shared by Blit and TransformBlit: the argument rules and the clamping of a rectangle to a
// Surface's size, done the same way for both.

#include "base/Rect.h"
#include "base/Result.h"
#include "gfx/Blit.h"
#include "gfx/Surface.h"

#include <algorithm>
#include <cstdint>

namespace brelvo {

// A rectangle in 64 bits, so that clipping arithmetic on extreme positions cannot overflow.
struct Area {
    std::int64_t left, top, right, bottom;
};

// rect with left and top raised to 0 and right and bottom lowered to the size; the whole
// Surface when rect is null. Right and bottom are exclusive.
inline Area ClampToSize(const Rect* rect, std::int32_t width, std::int32_t height) {
    if (!rect)
        return {0, 0, width, height};
    return {std::max<std::int64_t>(rect->left, 0), std::max<std::int64_t>(rect->top, 0),
            std::min<std::int64_t>(rect->right, width),
            std::min<std::int64_t>(rect->bottom, height)};
}

// Both Surfaces need pixels (a source without storage must not be read), and a flag that needs
// an effect needs one unless BLT_KEYED is set.
inline HResult CheckDrawArguments(const SurfaceHeader& dst, const SurfaceHeader& src,
                                  std::uint32_t flags, const BlitEffect* effect) {
    if (!dst.pixels || !src.pixels)
        return kErrInvalidArg;
    if (flags != 0 && !(flags & BLT_KEYED) && !effect)
        return kErrInvalidArg;
    return kOk;
}

} // namespace brelvo
