#pragma once

#include "gfx/Blit.h"
#include "gfx/Surface.h"

#include <cstdint>

namespace brelvo::test {

// A surface of one colour, for widget images whose drawing a test reads back pixel by pixel.
inline void Solid(Surface& s, std::int32_t width, std::int32_t height, Color color) {
    s.Create(0, width, height);
    FillRect(s, nullptr, color);
}

inline bool IsColor(const Surface& s, std::int32_t x, std::int32_t y, Color color) {
    return s.GetPixelRaw(x, y) == ColorToPixel(color);
}

} // namespace brelvo::test
