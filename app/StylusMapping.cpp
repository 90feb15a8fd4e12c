#include "app/StylusMapping.h"

#include <cstddef>
#include <cstring>

namespace brelvo {
namespace {

// Frame buffers need not be aligned for 16-bit access, so pixels are stored bytewise.
void Store(std::uint8_t* frameBuffer, std::ptrdiff_t pixelOffset, Pixel pixel) {
    std::memcpy(frameBuffer + pixelOffset * 2, &pixel, sizeof pixel);
}

} // namespace

void MapPoint(std::uint32_t orientation, std::int32_t width, std::int32_t height, Point& point) {
    const Point p = point;
    switch (orientation) {
    case 2:
        point = Point(width - p.x, height - p.y);
        break;
    case 4:
        point = Point(width - p.y, p.x);
        break;
    case 8:
        point = Point(p.y, height - p.x);
        break;
    default:
        break;
    }
}

void CopyToFrameBuffer(const Surface& backBuffer, std::uint32_t orientation,
                       std::uint8_t* frameBuffer, int xStepPixels, int yStepPixels) {
    const SurfaceHeader& h = backBuffer.Header();
    if (!h.pixels || !frameBuffer)
        return;
    const std::int32_t w = h.width;
    const std::int32_t ht = h.height;
    const std::ptrdiff_t xs = xStepPixels;
    const std::ptrdiff_t ys = yStepPixels;

    switch (orientation) {
    case 1:
        // Row by row, each back-buffer row along the screen's x step.
        for (std::int32_t y = 0; y < ht; ++y) {
            const Pixel* row = h.Row(y);
            const std::ptrdiff_t start = y * ys;
            for (std::int32_t x = 0; x < w; ++x)
                Store(frameBuffer, start + x * xs, row[x]);
        }
        break;
    case 2:
        // From the last screen row upwards, each back-buffer row reversed along it.
        for (std::int32_t y = 0; y < ht; ++y) {
            const Pixel* row = h.Row(y);
            const std::ptrdiff_t start = (ht - 1 - y) * ys + (w - 1) * xs;
            for (std::int32_t x = 0; x < w; ++x)
                Store(frameBuffer, start - x * xs, row[x]);
        }
        break;
    case 4:
        // Back-buffer row y is screen column y, laid from the bottom up along the y step.
        for (std::int32_t y = 0; y < ht; ++y) {
            const Pixel* row = h.Row(y);
            const std::ptrdiff_t start = y * xs + (w - 1) * ys;
            for (std::int32_t x = 0; x < w; ++x)
                Store(frameBuffer, start - x * ys, row[x]);
        }
        break;
    case 8:
        // From the last back-buffer row upwards: it is the first screen column, laid from the top
        // down along the y step.
        for (std::int32_t y = ht - 1; y >= 0; --y) {
            const Pixel* row = h.Row(y);
            const std::ptrdiff_t start = (ht - 1 - y) * xs;
            for (std::int32_t x = 0; x < w; ++x)
                Store(frameBuffer, start + x * ys, row[x]);
        }
        break;
    default:
        break;
    }
}

} // namespace brelvo
