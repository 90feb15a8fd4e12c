#include "ui/Images.h"

#include "gfx/Blit.h"

#include <algorithm>

namespace brelvo {

void CopyImage(const Surface& src, Surface& dst) {
    if (&src == &dst)
        return;
    if (!src.GetPixels()) {
        dst.Release();
        return;
    }
    CopySurface(src, dst);
    dst.SetColorKeyRaw(src.GetColorKey());
}

void ReplacePixels(Surface& target, const Rect& area, Pixel from, Pixel to) {
    if (!target.GetPixels())
        return;
    const std::int32_t left = std::max(area.left, 0);
    const std::int32_t right = std::min(area.right, target.GetWidth() - 1);
    const std::int32_t top = std::max(area.top, 0);
    const std::int32_t bottom = std::min(area.bottom, target.GetHeight() - 1);
    for (std::int32_t y = top; y <= bottom; ++y) {
        Pixel* row = target.Header().Row(y);
        for (std::int32_t x = left; x <= right; ++x) {
            if (row[x] == from)
                row[x] = to;
        }
    }
}

} // namespace brelvo
