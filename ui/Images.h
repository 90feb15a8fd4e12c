#pragma once

#include "base/Rect.h"
#include "gfx/Surface.h"

namespace brelvo {

// Small image jobs the widgets share.

// Makes dst a deep copy of src with its colour key; an empty src empties dst. The widgets copy by
// value, images included.
void CopyImage(const Surface& src, Surface& dst);

// Turns every pixel equal to from inside area (edges inclusive, clipped) into to.
void ReplacePixels(Surface& target, const Rect& area, Pixel from, Pixel to);

} // namespace brelvo
