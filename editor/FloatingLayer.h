#pragma once

#include "gfx/Surface.h"

#include <cstdint>

namespace brelvo {

// What the view lets draw into the visible part of the picture before that part is scaled onto
// the screen: the pasted block that floats over the picture. Drawing it there, in picture
// pixels, makes it zoom exactly like the picture under it.
class FloatingLayer {
public:
    virtual ~FloatingLayer() = default;
    // part holds the picture from (sourceLeft, sourceTop) on; the layer draws itself at its
    // picture position moved by that offset.
    virtual void drawFloating(Surface& part, std::int32_t sourceLeft,
                              std::int32_t sourceTop) const = 0;
};

} // namespace brelvo
