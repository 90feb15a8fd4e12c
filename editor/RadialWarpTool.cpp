#include "editor/RadialWarpTool.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace brelvo {

namespace {

// A drag remaps again only once the stylus is further than this from the last remap, so that the
// remaps along a path do not pile up on each other.
constexpr std::int64_t kDragStep = 15;

// The warp curve's constant is k = a + b * (1 - strength). For the Magnifier k runs from 200 at
// Power 0 down to 20 at Power 100, and the source lies nearer the centre; for the Gripper it runs
// from -300 up to -120, and the source lies further out. Either way the scale is exactly 1 at
// the rim, so the warp has no seam there.
struct CurveConstants {
    double a;
    double b;
};
constexpr CurveConstants kMagnifierCurve{20.0, 180.0};
constexpr CurveConstants kGripperCurve{-120.0, -180.0};

bool movedFarEnough(Point from, std::int32_t x, std::int32_t y) {
    const std::int64_t dx = std::int64_t{from.x} - x;
    const std::int64_t dy = std::int64_t{from.y} - y;
    // Beyond 15 on one axis the distance is beyond 15 too; below it the squares are small.
    if (std::abs(dx) > kDragStep || std::abs(dy) > kDragStep)
        return true;
    return std::sqrt(static_cast<double>(dx * dx + dy * dy)) > static_cast<double>(kDragStep);
}

} // namespace

RadialWarpTool::RadialWarpTool(Kind kind, Surface& picture, std::recursive_mutex& globalLock)
    : m_picture(&picture), m_kind(kind), m_lock(globalLock) {}

void RadialWarpTool::configure(bool horizontal, bool vertical, int power, int size) {
    if (!isWarpable(*m_picture))
        return;
    m_horizontal = horizontal;
    m_vertical = vertical;
    m_strength = percentLerp(std::clamp(power, 0, 100), 0.0, 1.0);
    m_radius =
        std::trunc(percentLerp(std::clamp(size, 0, 100), kWarpRadiusAtSize0, kWarpRadiusAtSize100));
}

void RadialWarpTool::begin(std::int32_t x, std::int32_t y) {
    if (!isWarpable(*m_picture))
        return;
    m_centre = Point(x, y);
    m_ready = false;
    const auto side = static_cast<std::int32_t>(2.0 * m_radius);
    const bool haveScratch = Succeeded(m_scratch.Create(0, side, side)) && m_scratch.GetPixels();

    m_table.RemoveAll();
    const auto r = static_cast<std::int32_t>(m_radius);
    if (r == 0)
        return;
    const CurveConstants curve = m_kind == Kind::Magnifier ? kMagnifierCurve : kGripperCurve;
    const auto k = static_cast<float>(curve.a + curve.b * (1.0 - m_strength));
    const float kk = static_cast<float>(r) + k;
    m_table.SetSize(r + 1);
    for (std::int32_t i = 0; i <= r; ++i) {
        const auto fi = static_cast<float>(i);
        m_table[i] = static_cast<float>(static_cast<double>(fi * k) / static_cast<double>(kk - fi));
    }
    for (std::int32_t d = 1; d < r; ++d)
        m_scale[static_cast<std::size_t>(d)] = m_table[d] / static_cast<float>(d);
    buildWarpDiscRuns(r, m_runs);

    m_ready = haveScratch;
    if (m_ready)
        remap(m_centre);
}

void RadialWarpTool::drag(std::int32_t x, std::int32_t y) {
    if (!m_ready || !isWarpable(*m_picture) || !movedFarEnough(m_centre, x, y))
        return;
    remap(Point(x, y));
    m_centre = Point(x, y);
}

void RadialWarpTool::remap(Point centre) {
    if (!m_horizontal && !m_vertical)
        return;
    const auto r = static_cast<std::int32_t>(m_radius);
    const WarpArea area = warpArea(*m_picture, centre, r);
    if (area.empty())
        return;
    // The pixels outside the disc, and the centre, are copied as they are; the disc is remapped
    // over them.
    copyWarpArea(*m_picture, m_scratch, area, centre, r);
    const bool clamp = m_kind == Kind::Gripper;
    if (m_horizontal && m_vertical)
        clamp ? remapArea<true, true, true>(area, centre)
              : remapArea<true, true, false>(area, centre);
    else if (m_horizontal)
        clamp ? remapArea<true, false, true>(area, centre)
              : remapArea<true, false, false>(area, centre);
    else
        clamp ? remapArea<false, true, true>(area, centre)
              : remapArea<false, true, false>(area, centre);
    copyWarpBack(*m_picture, m_scratch, area, centre, r, m_lock);
}

// One pass over the rows of the area. Each pixel's source is formed with the same float
// operations in the same order as the per-pixel definition: the offset times the scale, added
// to the centre, clamped for the Gripper, then widened to double by the sampler.
template <bool Horizontal, bool Vertical, bool Clamp>
void RadialWarpTool::remapArea(const WarpArea& area, Point centre) {
    const Surface& picture = *m_picture;
    const WarpSampler sampler(picture.Header());
    const SurfaceHeader scratch = m_scratch.Header();
    const auto r = static_cast<std::int32_t>(m_radius);
    const auto cx = static_cast<float>(centre.x);
    const auto cy = static_cast<float>(centre.y);
    float scales[WarpSampler::kMaxRun];
    float xs[WarpSampler::kMaxRun];
    float ys[WarpSampler::kMaxRun];
    for (std::int32_t y = area.top; y < area.bottom; ++y) {
        const WarpRowSpan span = warpRowSpan(m_runs, area, centre, y);
        if (span.empty())
            continue;
        const std::int32_t dy = y - centre.y;
        const std::int32_t first = span.first;
        const std::int32_t last = span.last;
        const std::int32_t count = span.count();
        // The scales are looked up first and applied in a loop of their own, which the
        // compiler vectorises.
        const auto& distances = kWarpDistances[static_cast<std::size_t>(std::abs(dy))];
        for (std::int32_t i = 0; i < count; ++i)
            scales[i] = m_scale[distances[static_cast<std::size_t>(std::abs(first + i))]];
        const auto fdy = static_cast<float>(dy);
        const auto fy = static_cast<float>(y);
        for (std::int32_t i = 0; i < count; ++i) {
            const std::int32_t dx = first + i;
            float sx = Horizontal ? cx + static_cast<float>(dx) * scales[i]
                                  : static_cast<float>(centre.x + dx);
            float sy = Vertical ? cy + fdy * scales[i] : fy;
            if constexpr (Clamp) {
                sx = clampColumn(picture, sx);
                sy = clampRow(picture, sy);
            }
            xs[i] = sx;
            ys[i] = sy;
        }
        // The centre pixel keeps the raw pixel copied there: it has no ray to be moved along.
        Pixel* out = scratch.Row(dy + r) + r + first;
        const bool centreRow = dy == 0 && first <= 0 && last >= 0;
        const Pixel atCentre = centreRow ? out[-first] : 0;
        sampler.pixelsAt(xs, ys, count, out);
        if (centreRow)
            out[-first] = atCentre;
    }
}

} // namespace brelvo
