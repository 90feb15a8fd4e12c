#include "editor/HookTool.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace brelvo {

namespace {

// Points are held this close to the picture's origin: far beyond any picture, and near enough
// that the step arithmetic stays within 32 bits.
constexpr std::int32_t kCoordinateLimit = 1 << 20;

// The content at the stylus follows it most, but not all the way.
constexpr float kCentreWeight = 0.9f;

Point held(Point p) {
    return Point(std::clamp(p.x, -kCoordinateLimit, kCoordinateLimit),
                 std::clamp(p.y, -kCoordinateLimit, kCoordinateLimit));
}

} // namespace

HookTool::HookTool(Surface& picture, std::recursive_mutex& globalLock)
    : m_picture(&picture), m_lock(globalLock) {}

void HookTool::configure(int power, int size) {
    if (!isWarpable(*m_picture))
        return;
    m_strength = percentLerp(std::clamp(power, 0, 100), 0.3, 1.0);
    m_radius =
        std::trunc(percentLerp(std::clamp(size, 0, 100), kWarpRadiusAtSize0, kWarpRadiusAtSize100));
}

void HookTool::begin(std::int32_t x, std::int32_t y) {
    if (!isWarpable(*m_picture))
        return;
    m_lastPoint = held(Point(x, y));
    m_ready = false;
    const auto side = static_cast<std::int32_t>(2.0 * m_radius);
    const bool haveScratch = Succeeded(m_scratch.Create(0, side, side)) && m_scratch.GetPixels();

    m_table.RemoveAll();
    const auto r = static_cast<std::int32_t>(m_radius);
    if (r == 0)
        return;
    // A circular arc through (0, 1) and (R, 0): the circle of radius c centred at (0, 1 - c).
    const double c = static_cast<double>(r * r + 1) / 2.0;
    m_table.SetSize(r + 1);
    for (std::int32_t i = 0; i <= r; ++i)
        m_table[i] = static_cast<float>(std::sqrt(c * c - static_cast<double>(i * i)) + 1.0 - c);
    m_table[0] = kCentreWeight;
    buildWarpDiscRuns(r, m_runs);
    m_ready = haveScratch;
}

void HookTool::drag(std::int32_t x, std::int32_t y) {
    if (!m_ready || !isWarpable(*m_picture))
        return;
    const Point target = held(Point(x, y));
    const auto half = static_cast<std::int32_t>(m_radius / 2.0);
    const std::int32_t dx = target.x - m_lastPoint.x;
    const std::int32_t dy = target.y - m_lastPoint.y;
    const auto n = static_cast<std::int32_t>(
        std::sqrt(static_cast<double>(std::int64_t{dx} * dx + std::int64_t{dy} * dy)));
    if (n <= half) {
        pull(m_lastPoint, target);
    } else {
        // The step is truncated, so the whole steps can stop short of the target; a last,
        // partial pull covers the rest unless the move was a whole number of steps.
        const double steps = static_cast<double>(n) / static_cast<double>(half);
        const auto ux = static_cast<std::int32_t>(static_cast<double>(dx) / steps);
        const auto uy = static_cast<std::int32_t>(static_cast<double>(dy) / steps);
        const auto wholeSteps = static_cast<std::int32_t>(steps);
        for (std::int32_t i = 0; i < wholeSteps; ++i) {
            const Point next(m_lastPoint.x + ux, m_lastPoint.y + uy);
            showStep(next);
            pull(m_lastPoint, next);
            m_lastPoint = next;
        }
        if (static_cast<double>(wholeSteps) != steps) {
            pull(m_lastPoint, target);
            showStep(target);
        }
    }
    m_lastPoint = target;
}

// Each pixel's source is formed with the same float operations in the same order as the
// per-pixel definition; only the products of the step with the weights, which depend on the
// distance alone, are formed once per pull instead of once per pixel.
void HookTool::pull(Point from, Point to) {
    if (!m_ready || !isWarpable(*m_picture))
        return;
    from = held(from);
    to = held(to);
    const auto r = static_cast<std::int32_t>(m_radius);
    const auto mx = static_cast<std::int32_t>(static_cast<double>(to.x - from.x) * m_strength);
    const auto my = static_cast<std::int32_t>(static_cast<double>(to.y - from.y) * m_strength);
    const WarpArea area = warpArea(*m_picture, to, r);
    if (area.empty())
        return;
    copyWarpArea(*m_picture, m_scratch, area, to, r);

    std::array<float, kWarpRadiusAtSize100 + 1> shiftX;
    std::array<float, kWarpRadiusAtSize100 + 1> shiftY;
    for (std::int32_t d = 0; d < r; ++d) {
        shiftX[static_cast<std::size_t>(d)] = static_cast<float>(mx) * m_table[d];
        shiftY[static_cast<std::size_t>(d)] = static_cast<float>(my) * m_table[d];
    }

    const Surface& picture = *m_picture;
    const WarpSampler sampler(picture.Header());
    const SurfaceHeader scratch = m_scratch.Header();
    float xs[WarpSampler::kMaxRun];
    float ys[WarpSampler::kMaxRun];
    for (std::int32_t y = area.top; y < area.bottom; ++y) {
        const WarpRowSpan span = warpRowSpan(m_runs, area, to, y);
        if (span.empty())
            continue;
        const std::int32_t dy = y - to.y;
        const std::int32_t first = span.first;
        const std::int32_t count = span.count();
        // The shifts are looked up first and applied in a loop of their own, which the
        // compiler vectorises.
        const auto& distances = kWarpDistances[static_cast<std::size_t>(std::abs(dy))];
        for (std::int32_t i = 0; i < count; ++i) {
            const std::uint8_t d = distances[static_cast<std::size_t>(std::abs(first + i))];
            xs[i] = shiftX[d];
            ys[i] = shiftY[d];
        }
        const auto fy = static_cast<float>(y);
        const std::int32_t left = to.x + first;
        for (std::int32_t i = 0; i < count; ++i) {
            ys[i] = clampRow(picture, fy - ys[i]);
            xs[i] = clampColumn(picture, static_cast<float>(left + i) - xs[i]);
        }
        sampler.pixelsAt(xs, ys, count, scratch.Row(dy + r) + r + first);
    }
    copyWarpBack(*m_picture, m_scratch, area, to, r, m_lock);
}

} // namespace brelvo
