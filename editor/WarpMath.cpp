#include "editor/WarpMath.h"

#include "base/Rect.h"
#include "gfx/Blit.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace brelvo {

namespace {

constexpr WarpDistanceTable makeWarpDistances() {
    WarpDistanceTable table{};
    for (std::int32_t b = 0; b <= kWarpRadiusAtSize100; ++b)
        for (std::int32_t a = 0; a <= kWarpRadiusAtSize100; ++a)
            table[b][a] = static_cast<std::uint8_t>(roundedIsqrt(a * a + b * b));
    return table;
}

Pixel* scratchAt(const Surface& scratch, std::int32_t column, std::int32_t row) {
    return scratch.Header().Row(row) + column;
}

} // namespace

constexpr WarpDistanceTable kWarpDistances = makeWarpDistances();

void WarpSampler::pixelsAt(const float* xs, const float* ys, std::int32_t count, Pixel* out) const {
    VERIFY(count >= 0 && count <= kMaxRun);
    // Three passes: the positions split into whole and fractional parts (vectorised), the four
    // pixels gathered (scalar), the interpolation (vectorised).
    std::int32_t ixs[kMaxRun], iys[kMaxRun];
    double fx[kMaxRun], fy[kMaxRun];
    for (std::int32_t i = 0; i < count; ++i) {
        const double x = xs[i];
        const double y = ys[i];
        const auto ix = static_cast<std::int32_t>(x);
        const auto iy = static_cast<std::int32_t>(y);
        // On the edges the pixel at the truncated position is taken as it is: with both weights
        // 0 the interpolation returns exactly that pixel's channels. The weights are cleared
        // with a mask rather than a branch, which keeps the loop vectorisable.
        const bool asIs =
            (x == 0.0) | (y == 0.0) | (x == m_widthAsDouble) | (y == m_heightAsDouble);
        const std::uint64_t keep = asIs ? 0 : ~std::uint64_t{0};
        ixs[i] = ix;
        iys[i] = iy;
        fx[i] = std::bit_cast<double>(std::bit_cast<std::uint64_t>(x - ix) & keep);
        fy[i] = std::bit_cast<double>(std::bit_cast<std::uint64_t>(y - iy) & keep);
    }
    // Each pair of horizontal neighbours is one 32-bit read: the left pixel in the low half,
    // the right one in the high half.
    std::uint32_t upper[kMaxRun], lower[kMaxRun];
    const auto lastColumn = static_cast<std::uint32_t>(m_width - 1);
    const auto lastRow = static_cast<std::uint32_t>(m_height - 1);
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int32_t ix = ixs[i];
        const std::int32_t iy = iys[i];
        if (static_cast<std::uint32_t>(ix) < lastColumn &&
            static_cast<std::uint32_t>(iy) < lastRow) {
            const Pixel* p = m_pixels + static_cast<std::size_t>(iy) * m_pitch + ix;
            std::memcpy(&upper[i], p, sizeof(std::uint32_t));
            std::memcpy(&lower[i], p + m_pitch, sizeof(std::uint32_t));
            if constexpr (std::endian::native == std::endian::big) {
                upper[i] = upper[i] >> 16 | upper[i] << 16;
                lower[i] = lower[i] >> 16 | lower[i] << 16;
            }
        } else {
            upper[i] = edgePixel(ix, iy) | static_cast<std::uint32_t>(edgePixel(ix + 1, iy)) << 16;
            lower[i] = edgePixel(ix, iy + 1) | static_cast<std::uint32_t>(edgePixel(ix + 1, iy + 1))
                                                   << 16;
        }
    }
    for (std::int32_t i = 0; i < count; ++i) {
        out[i] = ColorToPixel(mix(static_cast<Pixel>(upper[i]), static_cast<Pixel>(upper[i] >> 16),
                                  static_cast<Pixel>(lower[i]), static_cast<Pixel>(lower[i] >> 16),
                                  fx[i], fy[i]));
    }
}

double percentLerp(int v, double lo, double hi) {
    return lo + (hi - lo) * (static_cast<double>(v) / 100.0);
}

void buildWarpDiscRuns(std::int32_t radius, WarpDiscRuns& runs) {
    VERIFY(radius >= 0 && radius <= kWarpRadiusAtSize100);
    std::int32_t a = radius;
    for (std::int32_t b = 0; b <= radius; ++b) {
        while (a >= 0 && kWarpDistances[b][a] >= radius)
            --a;
        runs[b] = a;
    }
}

WarpArea warpArea(const Surface& picture, Point centre, std::int32_t radius) {
    const std::int64_t left = std::max<std::int64_t>(std::int64_t{centre.x} - radius, 0);
    const std::int64_t top = std::max<std::int64_t>(std::int64_t{centre.y} - radius, 0);
    const std::int64_t right =
        std::min<std::int64_t>(std::int64_t{centre.x} + radius, picture.GetWidth());
    const std::int64_t bottom =
        std::min<std::int64_t>(std::int64_t{centre.y} + radius, picture.GetHeight());
    if (left >= right || top >= bottom)
        return {};
    return {static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
            static_cast<std::int32_t>(right), static_cast<std::int32_t>(bottom)};
}

void copyWarpArea(const Surface& picture, Surface& scratch, const WarpArea& area, Point centre,
                  std::int32_t radius) {
    const SurfaceHeader p = picture.Header();
    const auto bytes = static_cast<std::size_t>(area.right - area.left) * sizeof(Pixel);
    const std::int32_t column = area.left - centre.x + radius;
    for (std::int32_t y = area.top; y < area.bottom; ++y)
        std::memcpy(scratchAt(scratch, column, y - centre.y + radius), p.Row(y) + area.left, bytes);
}

void copyWarpBack(Surface& picture, const Surface& scratch, const WarpArea& area, Point centre,
                  std::int32_t radius, std::recursive_mutex& globalLock) {
    const Rect square(area.left - centre.x + radius, area.top - centre.y + radius,
                      area.right - centre.x + radius, area.bottom - centre.y + radius);
    std::lock_guard lock(globalLock);
    Blit(picture, area.left, area.top, scratch, &square, BLT_KEYED);
}

} // namespace brelvo
