#pragma once

// The arithmetic the warp tools share: rounded distances, the bilinear sampler, the clamps to the
// picture and the percent mapping of Power and Size. Every result must stay bit-identical to the
// float and double operations written here, so the fast loops of the tools use the inline
// pieces below instead of their own copies.

#include "base/Point.h"
#include "gfx/PixelFormat.h"
#include "gfx/Surface.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <mutex>

namespace brelvo {

// Power and Size are percentages; Size 0 gives the smallest radius and Size 100 the largest.
inline constexpr int kWarpRadiusAtSize0 = 3;
inline constexpr int kWarpRadiusAtSize100 = 100;

// The integer nearest to the square root of n (floor(sqrt(n) + 0.5) for every positive n), and 0
// for n <= 0. The warp tools index their tables with it, so it is integer-only: a Newton
// iteration whose halving rounds up, from a starting guess chosen by the magnitude of n.
constexpr std::uint32_t roundedIsqrt(std::int32_t n) {
    if (n <= 0)
        return 0;
    const auto u = static_cast<std::uint32_t>(n);
    std::uint32_t prev = u;
    std::uint32_t g;
    if (u & 0xFFFF0000u)
        g = (u & 0xFF000000u) ? 16383 : 1023;
    else if (u & 0x0000FF00u)
        g = 63;
    else
        g = u > 4 ? 7 : u;
    while (true) {
        const std::uint32_t t = u / g + g;
        g = (t >> 1) + (t & 1);
        if (g >= prev)
            break;
        prev = g;
    }
    // The rounding-up halving settles on k + 1 when n = k * (k + 1), which lies below the
    // midpoint k + 1/2.
    if (u % prev == 0 && u / prev == prev - 1)
        --prev;
    return prev;
}

// v held within the columns (rows) of the surface: 0 below 0, width - 1 (height - 1) from there
// on. Inline, because the Gripper and the Hook clamp every sample.
inline float clampColumn(const Surface& surface, float v) {
    const auto last = static_cast<float>(surface.GetWidth() - 1);
    if (v < 0.0)
        return 0.0f;
    if (v >= last)
        return last;
    return v;
}
inline float clampRow(const Surface& surface, float v) {
    const auto last = static_cast<float>(surface.GetHeight() - 1);
    if (v < 0.0)
        return 0.0f;
    if (v >= last)
        return last;
    return v;
}

// lo + (hi - lo) * (v / 100), in double precision.
double percentLerp(int v, double lo, double hi);

// roundedIsqrt(a * a + b * b) for every offset a warp square holds (0 <= a, b <= the largest
// radius), indexed [b][a]. A distance depends on nothing but the offset, so it is worked out once
// for all strokes.
using WarpDistanceTable =
    std::array<std::array<std::uint8_t, kWarpRadiusAtSize100 + 1>, kWarpRadiusAtSize100 + 1>;
extern const WarpDistanceTable kWarpDistances;

// For each row offset b = 0 .. radius of a warp square, the largest column offset a whose
// distance from the centre is below the radius (-1 when there is none): the disc on that row is
// the columns -a .. a around the centre. Distances grow with |a|, so the disc is one run.
using WarpDiscRuns = std::array<std::int32_t, kWarpRadiusAtSize100 + 1>;
void buildWarpDiscRuns(std::int32_t radius, WarpDiscRuns& runs);

// The warps' sampleBilinear, a run of positions at a time (the literal one-position form is kept
// with the tests, which compare the tools against it). Reads a picture through its row pointer
// for the warp loops: the colour at a position by bilinear interpolation of the four pixels around
// it, each read as a colour (only five bits of green survive). On the left and top edges and
// exactly on the right and bottom ones the pixel at the truncated position is taken as it is. A
// read that falls outside the picture takes the nearest edge pixel; inside the picture that only
// happens where the read pixel's weight is exactly 0, so it never changes a sample there. The four
// pixels are read from the storage directly whenever they all lie on the picture. The picture must
// have pixels, and positions must lie well within the 32-bit range (the tools' coordinates always
// do).
class WarpSampler {
public:
    // The most positions pixelsAt takes at once: one row of the largest square.
    static constexpr std::int32_t kMaxRun = 2 * kWarpRadiusAtSize100;

    explicit WarpSampler(const SurfaceHeader& picture)
        : m_pixels(picture.pixels), m_pitch(picture.pitch), m_width(picture.width),
          m_height(picture.height), m_widthAsDouble(picture.width),
          m_heightAsDouble(picture.height) {}

    // out[i] = the pixel of the colour at (xs[i], ys[i]) for i < count <= kMaxRun. The positions
    // are floats, as the tools form them. The four pixels of every position are gathered first and
    // the interpolation then runs over the whole run in one loop that the compiler vectorises;
    // vector lanes round exactly as the scalar operations do.
    void pixelsAt(const float* xs, const float* ys, std::int32_t count, Pixel* out) const;

private:
    Pixel edgePixel(std::int32_t x, std::int32_t y) const {
        x = x < 0 ? 0 : (x >= m_width ? m_width - 1 : x);
        y = y < 0 ? 0 : (y >= m_height ? m_height - 1 : y);
        return m_pixels[static_cast<std::size_t>(y) * m_pitch + static_cast<std::size_t>(x)];
    }

    // Each 8-bit channel of the four colours, interpolated vertically first and then
    // horizontally, in double precision, and truncated. The channels come straight from the
    // pixels by the pixel-to-colour rule.
    static Color mix(Pixel p00, Pixel p10, Pixel p01, Pixel p11, double fx, double fy) {
        const auto channel = [fx, fy](int c00, int c10, int c01, int c11) {
            const double a = c00 + (c01 - c00) * fy;
            const double b = c10 + (c11 - c10) * fy;
            return static_cast<std::int32_t>(a + (b - a) * fx);
        };
        const std::int32_t r =
            channel((p00 >> 8) & 0xF8, (p10 >> 8) & 0xF8, (p01 >> 8) & 0xF8, (p11 >> 8) & 0xF8);
        const std::int32_t g =
            channel((p00 >> 3) & 0xF8, (p10 >> 3) & 0xF8, (p01 >> 3) & 0xF8, (p11 >> 3) & 0xF8);
        const std::int32_t b =
            channel((p00 << 3) & 0xF8, (p10 << 3) & 0xF8, (p01 << 3) & 0xF8, (p11 << 3) & 0xF8);
        // A channel can leave 0 .. 255 only for a sample beyond the picture's edge (where the
        // weights leave 0 .. 1); it then spills into its neighbours as two's complement does.
        return static_cast<Color>(r) | (static_cast<Color>(g) << 8) | (static_cast<Color>(b) << 16);
    }

    const Pixel* m_pixels;
    std::size_t m_pitch;
    std::int32_t m_width;
    std::int32_t m_height;
    double m_widthAsDouble;
    double m_heightAsDouble;
};

// The columns and rows of a warp square (side 2 * radius, top-left corner at centre - radius)
// that lie on the picture, right and bottom exclusive. What falls outside is clipped away by the
// copy-back, so the tools compute only this part.
struct WarpArea {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    bool empty() const { return left >= right || top >= bottom; }
};
WarpArea warpArea(const Surface& picture, Point centre, std::int32_t radius);

// The part of the disc's row y that lies in the area, as column offsets first .. last from the
// centre; first > last when none of it does. Both warp loops walk exactly these pixels.
struct WarpRowSpan {
    std::int32_t first = 0;
    std::int32_t last = -1;

    bool empty() const { return first > last; }
    std::int32_t count() const { return last - first + 1; }
};
inline WarpRowSpan warpRowSpan(const WarpDiscRuns& runs, const WarpArea& area, Point centre,
                               std::int32_t y) {
    const std::int32_t run = runs[static_cast<std::size_t>(std::abs(y - centre.y))];
    return {std::max(-run, area.left - centre.x), std::min(run, area.right - 1 - centre.x)};
}

// Copies the rows of the area from the picture into the scratch square, unchanged: the pixels a
// warp does not remap. Written back, they leave the picture as it was.
void copyWarpArea(const Surface& picture, Surface& scratch, const WarpArea& area, Point centre,
                  std::int32_t radius);

// Draws the area of the scratch square back onto the picture, skipping pixels equal to the
// scratch's colour key. The one step of a warp that writes the picture, so the one step that
// holds the global lock: the frame thread reads the picture under it.
void copyWarpBack(Surface& picture, const Surface& scratch, const WarpArea& area, Point centre,
                  std::int32_t radius, std::recursive_mutex& globalLock);

// True when the picture has pixels to warp.
inline bool isWarpable(const Surface& picture) {
    return picture.GetPixels() != nullptr && picture.GetWidth() > 0 && picture.GetHeight() > 0;
}

} // namespace brelvo
