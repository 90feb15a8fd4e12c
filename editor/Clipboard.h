#pragma once

#include "base/Rect.h"
#include "editor/TrimRect.h"
#include "gfx/Surface.h"

namespace brelvo {

// The one-picture clipboard of the Trim tool: the block last copied from the picture. It
// survives loading another picture.
class Clipboard {
public:
    Clipboard(const Surface& picture, const TrimRect& selection);

    // Replaces the block with the selected pixels of the picture. False, with the clipboard as
    // it was, when nothing is selected or the block cannot be allocated.
    bool copySelection();

    bool hasContent() const { return m_hasContent; }
    const Surface& pixels() const { return m_pixels; }

    // The pixels of region (edges included) as a new block in out. Picture pixels of the
    // picture's colour key, and the part of region outside the picture, are the block's colour
    // key, so they stay transparent wherever the block is settled. False, with out untouched,
    // when the block cannot be allocated.
    static bool copyRegion(const Surface& picture, const Rect& region, Surface& out);

private:
    Surface m_pixels;
    bool m_hasContent = false;
    const Surface& m_picture;
    const TrimRect& m_selection;
};

} // namespace brelvo
