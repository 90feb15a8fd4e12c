#pragma once

#include "base/Point.h"
#include "base/Rect.h"

#include <algorithm>

namespace brelvo {

// The rectangle the Trim tool selects, in picture coordinates: the point where the stylus
// touched and the point it has reached. Both corners belong to the selection, so a selection is
// never narrower than one pixel; it may reach past the picture, whose pixels alone count.
struct TrimRect {
    Point corner1;
    Point corner2;
    bool active = false;

    // The selected pixels, every edge included.
    Rect bounds() const {
        return Rect(std::min(corner1.x, corner2.x), std::min(corner1.y, corner2.y),
                    std::max(corner1.x, corner2.x), std::max(corner1.y, corner2.y));
    }
    // A tap, or a stroke that ends on the row or the column where it began, selects no area.
    bool isFlat() const { return corner1.x == corner2.x || corner1.y == corner2.y; }
};

} // namespace brelvo
