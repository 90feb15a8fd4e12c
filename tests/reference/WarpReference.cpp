#include "tests/reference/WarpReference.h"

#include "gfx/Blit.h"
#include "tests/reference/Reference.h"

#include <algorithm>
#include <cmath>

namespace brelvo::reference {

namespace {

bool noPixels(const Surface& picture) {
    return !picture.GetPixels() || picture.GetWidth() <= 0 || picture.GetHeight() <= 0;
}

Color readColor(const Surface& s, std::int32_t x, std::int32_t y) {
    Color c = 0;
    if (Failed(s.GetPixel(x, y, &c)))
        s.GetPixel(std::clamp(x, 0, s.GetWidth() - 1), std::clamp(y, 0, s.GetHeight() - 1), &c);
    return c;
}

double channel(Color c, int index) {
    return static_cast<double>((c >> (8 * index)) & 0xFF);
}

void storeRaw(Surface& scratch, std::int32_t x, std::int32_t y, Pixel p) {
    scratch.GetPixels()[static_cast<std::size_t>(y) * scratch.GetPitch() +
                        static_cast<std::size_t>(x)] = p;
}

} // namespace

std::uint32_t roundedIsqrt(std::int32_t n) {
    if (n <= 0)
        return 0;
    const auto un = static_cast<std::uint32_t>(n);
    std::uint32_t prev = un;
    std::uint32_t g;
    if ((un >> 16) != 0) {
        if ((un >> 24) != 0)
            g = 16383;
        else
            g = 1023;
    } else if ((un >> 8) != 0) {
        g = 63;
    } else if (un > 4) {
        g = 7;
    } else {
        g = un;
    }
    for (;;) {
        const std::uint32_t t = un / g + g;
        g = (t >> 1) + (t & 1);
        if (g < prev)
            prev = g;
        else
            break;
    }
    if (un / prev == prev - 1 && un % prev == 0)
        prev = prev - 1;
    return prev;
}

Color sampleBilinear(const Surface& surface, double x, double y) {
    if (noPixels(surface))
        return 0;
    if (x == 0.0 || y == 0.0 || x == static_cast<double>(surface.GetWidth()) ||
        y == static_cast<double>(surface.GetHeight()))
        return readColor(surface, static_cast<std::int32_t>(x), static_cast<std::int32_t>(y));
    const auto ix = static_cast<std::int32_t>(x);
    const auto iy = static_cast<std::int32_t>(y);
    const double fx = x - ix;
    const double fy = y - iy;
    const Color c00 = readColor(surface, ix, iy);
    const Color c10 = readColor(surface, ix + 1, iy);
    const Color c01 = readColor(surface, ix, iy + 1);
    const Color c11 = readColor(surface, ix + 1, iy + 1);
    std::int32_t value[3];
    for (int i = 0; i < 3; ++i) {
        const double a = channel(c00, i) + (channel(c01, i) - channel(c00, i)) * fy;
        const double b = channel(c10, i) + (channel(c11, i) - channel(c10, i)) * fy;
        value[i] = static_cast<std::int32_t>(a + (b - a) * fx);
    }
    return static_cast<Color>(value[0]) | (static_cast<Color>(value[1]) << 8) |
           (static_cast<Color>(value[2]) << 16);
}

float clampColumn(const Surface& surface, float v) {
    if (v < 0.0)
        return 0.0f;
    if (v >= static_cast<float>(surface.GetWidth() - 1))
        return static_cast<float>(surface.GetWidth() - 1);
    return v;
}

float clampRow(const Surface& surface, float v) {
    if (v < 0.0)
        return 0.0f;
    if (v >= static_cast<float>(surface.GetHeight() - 1))
        return static_cast<float>(surface.GetHeight() - 1);
    return v;
}

double percentLerp(int v, double lo, double hi) {
    return lo + (hi - lo) * (static_cast<double>(v) / 100.0);
}

void RadialWarpTool::configure(bool horizontal, bool vertical, int power, int size) {
    if (noPixels(*m_picture))
        return;
    m_horizontal = horizontal;
    m_vertical = vertical;
    m_strength = percentLerp(std::clamp(power, 0, 100), 0.0, 1.0);
    m_radius = std::trunc(percentLerp(std::clamp(size, 0, 100), 3.0, 100.0));
}

void RadialWarpTool::begin(std::int32_t x, std::int32_t y) {
    if (noPixels(*m_picture))
        return;
    m_centre = Point(x, y);
    const auto side = static_cast<std::int32_t>(static_cast<unsigned>(2.0 * m_radius));
    m_haveScratch = Succeeded(m_scratch.Create(0, side, side)) && m_scratch.GetPixels();
    m_table.clear();
    const auto r = static_cast<std::int32_t>(m_radius);
    if (r == 0)
        return;
    double a = 20.0, b = 180.0;
    if (m_kind == Kind::Gripper) {
        a = -120.0;
        b = -180.0;
    }
    const auto k = static_cast<float>(a + b * (1.0 - m_strength));
    const float kk = static_cast<float>(r) + k;
    for (std::int32_t i = 0; i <= r; ++i) {
        const float product = static_cast<float>(i) * k;
        const float difference = kk - static_cast<float>(i);
        m_table.push_back(
            static_cast<float>(static_cast<double>(product) / static_cast<double>(difference)));
    }
    remap(x, y);
}

void RadialWarpTool::drag(std::int32_t x, std::int32_t y) {
    if (noPixels(*m_picture) || m_table.empty() || !m_haveScratch)
        return;
    const std::int32_t cx = m_centre.x, cy = m_centre.y;
    if (std::sqrt(static_cast<double>((cx - x) * (cx - x) + (cy - y) * (cy - y))) > 15.0) {
        remap(x, y);
        m_centre = Point(x, y);
    }
}

void RadialWarpTool::remap(std::int32_t cx, std::int32_t cy) {
    if (!m_haveScratch || m_table.empty())
        return;
    if (!m_horizontal && !m_vertical)
        return;
    const auto r = static_cast<std::int32_t>(m_radius);
    for (std::int32_t X = cx - r; X <= cx + r - 1; ++X) {
        for (std::int32_t Y = cy - r; Y <= cy + r - 1; ++Y) {
            const std::int32_t dx = X - cx, dy = Y - cy;
            const auto d = static_cast<float>(roundedIsqrt(dx * dx + dy * dy));
            if (d < static_cast<float>(r) && d != 0) {
                const float s = m_table[static_cast<std::size_t>(d)] / d;
                float sx, sy;
                if (m_horizontal && !m_vertical) {
                    sx = static_cast<float>(cx) + static_cast<float>(dx) * s;
                    sy = static_cast<float>(Y);
                } else if (m_vertical && !m_horizontal) {
                    sx = static_cast<float>(X);
                    sy = static_cast<float>(cy) + static_cast<float>(dy) * s;
                } else {
                    sx = static_cast<float>(cx) + static_cast<float>(dx) * s;
                    sy = static_cast<float>(cy) + static_cast<float>(dy) * s;
                }
                if (m_kind == Kind::Gripper) {
                    sx = reference::clampColumn(*m_picture, sx);
                    sy = reference::clampRow(*m_picture, sy);
                }
                m_scratch.SetPixel(dx + r, dy + r,
                                   reference::sampleBilinear(*m_picture, static_cast<double>(sx),
                                                             static_cast<double>(sy)));
            } else {
                storeRaw(m_scratch, dx + r, dy + r, m_picture->GetPixelRaw(X, Y));
            }
        }
    }
    reference::Blit(*m_picture, cx - r, cy - r, m_scratch, nullptr, BLT_KEYED, nullptr);
}

void HookTool::configure(int power, int size) {
    if (noPixels(*m_picture))
        return;
    m_strength = percentLerp(std::clamp(power, 0, 100), 0.3, 1.0);
    m_radius = std::trunc(percentLerp(std::clamp(size, 0, 100), 3.0, 100.0));
}

void HookTool::begin(std::int32_t x, std::int32_t y) {
    if (noPixels(*m_picture))
        return;
    m_lastPoint = Point(x, y);
    const auto side = static_cast<std::int32_t>(static_cast<unsigned>(2.0 * m_radius));
    m_haveScratch = Succeeded(m_scratch.Create(0, side, side)) && m_scratch.GetPixels();
    m_table.clear();
    const auto r = static_cast<std::int32_t>(m_radius);
    if (r == 0)
        return;
    const double c = static_cast<double>(r * r + 1) / 2.0;
    for (std::int32_t i = 0; i <= r; ++i)
        m_table.push_back(
            static_cast<float>(std::sqrt(c * c - static_cast<double>(i * i)) + 1.0 - c));
    m_table[0] = 0.9f;
}

void HookTool::drag(std::int32_t x1, std::int32_t y1) {
    if (noPixels(*m_picture) || m_table.empty() || !m_haveScratch)
        return;
    const std::int32_t x0 = m_lastPoint.x, y0 = m_lastPoint.y;
    const auto half = static_cast<std::int32_t>(m_radius / 2.0);
    const std::int32_t dx = x1 - x0, dy = y1 - y0;
    const auto n = static_cast<std::int32_t>(std::sqrt(static_cast<double>(dx * dx + dy * dy)));
    if (n <= half) {
        pull(Point(x0, y0), Point(x1, y1));
    } else {
        const double steps = static_cast<double>(n) / static_cast<double>(half);
        const auto ux = static_cast<std::int32_t>(static_cast<double>(dx) / steps);
        const auto uy = static_cast<std::int32_t>(static_cast<double>(dy) / steps);
        for (std::int32_t i = 0; i <= static_cast<std::int32_t>(steps) - 1; ++i) {
            const Point next(m_lastPoint.x + ux, m_lastPoint.y + uy);
            m_shownSteps.push_back(next);
            pull(m_lastPoint, next);
            m_lastPoint = next;
        }
        if (static_cast<double>(static_cast<std::int32_t>(steps)) != steps) {
            pull(m_lastPoint, Point(x1, y1));
            m_shownSteps.push_back(Point(x1, y1));
        }
    }
    m_lastPoint = Point(x1, y1);
}

void HookTool::pull(Point from, Point to) {
    if (noPixels(*m_picture) || m_table.empty() || !m_haveScratch)
        return;
    const auto r = static_cast<std::int32_t>(m_radius);
    if (r == 0)
        return;
    const auto mx = static_cast<std::int32_t>(static_cast<double>(to.x - from.x) * m_strength);
    const auto my = static_cast<std::int32_t>(static_cast<double>(to.y - from.y) * m_strength);
    for (std::int32_t X = to.x - r; X <= to.x + r - 1; ++X) {
        for (std::int32_t Y = to.y - r; Y <= to.y + r - 1; ++Y) {
            const std::int32_t ddx = X - to.x, ddy = Y - to.y;
            const auto d = static_cast<double>(roundedIsqrt(ddx * ddx + ddy * ddy));
            if (d < static_cast<double>(r)) {
                const float w = m_table[static_cast<std::size_t>(d)];
                const float sy = reference::clampRow(*m_picture, static_cast<float>(Y) -
                                                                     static_cast<float>(my) * w);
                const float sx = reference::clampColumn(*m_picture, static_cast<float>(X) -
                                                                        static_cast<float>(mx) * w);
                m_scratch.SetPixel(ddx + r, ddy + r,
                                   reference::sampleBilinear(*m_picture, static_cast<double>(sx),
                                                             static_cast<double>(sy)));
            } else {
                storeRaw(m_scratch, ddx + r, ddy + r, m_picture->GetPixelRaw(X, Y));
            }
        }
    }
    reference::Blit(*m_picture, to.x - r, to.y - r, m_scratch, nullptr, BLT_KEYED, nullptr);
}

} // namespace brelvo::reference
