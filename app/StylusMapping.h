#pragma once

#include "base/Point.h"
#include "gfx/Surface.h"

#include <cstdint>

namespace brelvo {

// Display orientations: the back buffer is shown upright (1), turned half round (2), or turned a
// quarter either way (4 and 8), in which case its width and height are the screen's height and
// width.

// Maps a stylus point on the screen into the back buffer, whose width and height (after
// orientation) are width and height: 1 keeps (x, y); 2 gives (W - x, H - y); 4 gives (W - y, x);
// 8 gives (y, H - x). Any other orientation keeps the point. On a reversed axis the result is one
// past the mirror pixel (W - x, not W - 1 - x), so a tap on the screen's first pixel row or
// column can land just outside the back buffer; the callers clip points as they do every tap.
void MapPoint(std::uint32_t orientation, std::int32_t width, std::int32_t height, Point& point);

// Copies the back buffer into a 16-bit frame buffer addressed by steps: the screen pixel (sx, sy)
// is at frameBuffer + 2 * (sx * xStepPixels + sy * yStepPixels) bytes, where either step may be
// negative. For orientations 4 and 8 the screen is height wide and width high, counted in back
// buffer pixels. The picture is turned the way MapPoint undoes:
//   1: back (x, y) at screen (x, y);
//   2: back (x, y) at screen (W - 1 - x, H - 1 - y);
//   4: back (x, y) at screen (y, W - 1 - x);
//   8: back (x, y) at screen (H - 1 - y, x).
// Any other orientation copies nothing.
void CopyToFrameBuffer(const Surface& backBuffer, std::uint32_t orientation,
                       std::uint8_t* frameBuffer, int xStepPixels, int yStepPixels);

} // namespace brelvo
