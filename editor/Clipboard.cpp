#include "editor/Clipboard.h"

#include "gfx/Blit.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace brelvo {

Clipboard::Clipboard(const Surface& picture, const TrimRect& selection)
    : m_picture(picture), m_selection(selection) {}

bool Clipboard::copySelection() {
    if (!m_selection.active || !copyRegion(m_picture, m_selection.bounds(), m_pixels))
        return false;
    m_hasContent = true;
    return true;
}

bool Clipboard::copyRegion(const Surface& picture, const Rect& requested, Surface& out) {
    // A selection dragged to the very edge of the view can reach one pixel past the picture.
    // Only the part on the picture is taken: a block with a row or column from outside would
    // carry key-coloured pixels into the picture when it is cropped to.
    const Rect region(std::max(requested.left, 0), std::max(requested.top, 0),
                      std::min(requested.right, picture.GetWidth() - 1),
                      std::min(requested.bottom, picture.GetHeight() - 1));
    const std::int64_t width = std::int64_t{region.right} - region.left + 1;
    const std::int64_t height = std::int64_t{region.bottom} - region.top + 1;
    if (width < 1 || height < 1 || width > INT32_MAX || height > INT32_MAX)
        return false;
    Surface block;
    if (Failed(
            block.Create(0, static_cast<std::int32_t>(width), static_cast<std::int32_t>(height))))
        return false;
    // A keyed copy leaves the pixels it skips as they were; fresh storage holds anything, and
    // the settle that later draws the block would carry that into the picture.
    block.SetColorKeyRaw(picture.GetColorKey());
    std::fill_n(block.GetPixels(), block.GetSize() / sizeof(Pixel), block.GetColorKey());

    const std::int64_t left = std::max<std::int64_t>(region.left, 0);
    const std::int64_t top = std::max<std::int64_t>(region.top, 0);
    const std::int64_t right =
        std::min<std::int64_t>(std::int64_t{region.right} + 1, picture.GetWidth());
    const std::int64_t bottom =
        std::min<std::int64_t>(std::int64_t{region.bottom} + 1, picture.GetHeight());
    if (picture.GetPixels() && left < right && top < bottom) {
        const Rect source(static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                          static_cast<std::int32_t>(right), static_cast<std::int32_t>(bottom));
        Blit(block, static_cast<std::int32_t>(left - region.left),
             static_cast<std::int32_t>(top - region.top), picture, &source, BLT_KEYED);
    }
    out = std::move(block);
    return true;
}

} // namespace brelvo
