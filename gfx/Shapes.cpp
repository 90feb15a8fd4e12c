#include "gfx/Shapes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace brelvo {

namespace {

// 128-bit products keep the clipping divisions exact for any 32-bit end points; the results lie
// between the end points and so fit in 32 bits again.
__extension__ typedef __int128 Wide;

int Outcode(std::int64_t x, std::int64_t y, std::int32_t w, std::int32_t h) {
    int code = 0;
    if (x < 0)
        code |= 1;
    else if (x >= w)
        code |= 2;
    if (y < 0)
        code |= 4;
    else if (y >= h)
        code |= 8;
    return code;
}

std::int64_t Sign(std::int64_t v) {
    return (v > 0) - (v < 0);
}

} // namespace

void DrawHSpan(Surface& dst, std::int32_t x, std::int32_t y, std::int32_t length, bool /*clip*/,
               Pixel pixel) {
    const SurfaceHeader& d = dst.Header();
    if (!d.pixels || length < 1 || y < 0 || y >= d.height)
        return;
    std::int64_t start = x, end = static_cast<std::int64_t>(x) + length;
    start = std::max<std::int64_t>(start, 0);
    end = std::min<std::int64_t>(end, d.width);
    if (end - start < 1)
        return;
    Pixel* p = d.Row(y) + start;
    const auto n = static_cast<std::size_t>(end - start);
    if (pixel == 0 || pixel == 0xFFFF)
        std::memset(p, pixel == 0 ? 0 : 0xFF, n * sizeof(Pixel));
    else
        std::fill_n(p, n, pixel);
}

void DrawVSpan(Surface& dst, std::int32_t x, std::int32_t y, std::int32_t length, bool /*clip*/,
               Pixel pixel) {
    const SurfaceHeader& d = dst.Header();
    if (!d.pixels || length < 1 || x < 0 || x >= d.width)
        return;
    std::int64_t start = y, end = static_cast<std::int64_t>(y) + length;
    start = std::max<std::int64_t>(start, 0);
    end = std::min<std::int64_t>(end, d.height);
    for (std::int64_t r = start; r < end; ++r)
        d.Row(static_cast<std::int32_t>(r))[x] = pixel;
}

HResult DrawLine(Surface& dst, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                 Color color, std::uint32_t flags) {
    const Pixel p = ColorToPixel(color);
    const bool clip = (flags & LINE_NOCLIP) == 0;
    if (x1 == x2) {
        DrawVSpan(dst, x1, std::min(y1, y2),
                  static_cast<std::int32_t>(std::llabs(static_cast<std::int64_t>(y2) - y1)), clip,
                  p);
        return kOk;
    }
    if (y1 == y2) {
        DrawHSpan(dst, std::min(x1, x2), y1,
                  static_cast<std::int32_t>(std::llabs(static_cast<std::int64_t>(x2) - x1)), clip,
                  p);
        return kOk;
    }
    const SurfaceHeader& d = dst.Header();
    if (!d.pixels)
        return kOk;

    std::int64_t ax = x1, ay = y1, bx = x2, by = y2;
    if (clip) {
        const std::int32_t w = d.width, h = d.height;
        int ca = Outcode(ax, ay, w, h), cb = Outcode(bx, by, w, h);
        // Each pass settles one border for one end point, so a handful of passes suffice; the
        // bound only guards against a cycle that the truncating divisions might allow.
        for (int pass = 0; ca | cb; ++pass) {
            if ((ca & cb) || pass == 64)
                return kOk;
            const bool first = ca != 0;
            const int code = first ? ca : cb;
            std::int64_t x, y;
            if (code & 1) {
                x = 0;
                y = ay - static_cast<std::int64_t>(Wide(by - ay) * ax / (bx - ax));
            } else if (code & 2) {
                x = w - 1;
                y = ay + static_cast<std::int64_t>(Wide(w - 1 - ax) * (by - ay) / (bx - ax));
            } else if (code & 4) {
                y = 0;
                x = ax - static_cast<std::int64_t>(Wide(bx - ax) * ay / (by - ay));
            } else {
                y = h - 1;
                x = ax + static_cast<std::int64_t>(Wide(h - 1 - ay) * (bx - ax) / (by - ay));
            }
            if (first) {
                ax = x;
                ay = y;
                ca = Outcode(ax, ay, w, h);
            } else {
                bx = x;
                by = y;
                cb = Outcode(bx, by, w, h);
            }
        }
    }

    const std::int64_t dx = bx - ax, dy = by - ay;
    const std::int64_t sx = Sign(dx), sy = Sign(dy);
    const bool steep = std::llabs(dx) < std::llabs(dy);
    const std::int64_t major = steep ? std::llabs(dy) : std::llabs(dx);
    const std::int64_t minor = steep ? std::llabs(dx) : std::llabs(dy);
    std::int64_t e = 2 * minor - major;
    std::int64_t x = ax, y = ay;
    // A clipped line stays inside by construction; an unclipped one is checked per pixel so
    // that a caller's mistake cannot write outside the storage.
    auto plot = [&] {
        if (x >= 0 && y >= 0 && x < d.width && y < d.height)
            d.Row(static_cast<std::int32_t>(y))[x] = p;
    };
    plot();
    for (std::int64_t i = 0; i < major; ++i) {
        if (e >= 0) {
            e -= 2 * major;
            if (steep)
                x += sx;
            else
                y += sy;
        }
        if (steep)
            y += sy;
        else
            x += sx;
        e += 2 * minor;
        plot();
    }
    return kOk;
}

HResult DrawRect(Surface& dst, const Rect& rect, Color color, std::uint32_t /*unused*/) {
    const Pixel p = ColorToPixel(color);
    const auto width = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(static_cast<std::int64_t>(rect.right) - rect.left, -1, INT32_MAX));
    const auto height = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(static_cast<std::int64_t>(rect.bottom) - rect.top, -1, INT32_MAX));
    DrawHSpan(dst, rect.left, rect.top, width, true, p);
    DrawVSpan(dst, rect.left, rect.top, height, true, p);
    DrawVSpan(dst, rect.right, rect.top, height, true, p);
    DrawHSpan(dst, rect.left, rect.bottom, width, true, p);
    return kOk;
}

HResult DrawCircle(Surface& dst, std::int32_t cx, std::int32_t cy, std::int32_t radius, Color color,
                   std::uint32_t flags) {
    const SurfaceHeader& d = dst.Header();
    if (radius < 1 || !d.pixels)
        return kOk;
    const Pixel p = ColorToPixel(color);
    const std::int64_t rr = static_cast<std::int64_t>(radius) * radius;
    if (flags & CIRCLE_FILLED) {
        for (std::int64_t i = 0; i < radius; ++i) {
            // Rows outside the Surface draw nothing, so they are not visited at all: a huge
            // radius costs no more than the Surface's height.
            const bool upIn = cy - i >= 0 && cy - i < d.height;
            const bool downIn = cy + i >= 0 && cy + i < d.height;
            if (!upIn && !downIn) {
                if (cy + i >= d.height && cy - i < 0)
                    break;
                continue;
            }
            const auto h = static_cast<std::int64_t>(std::sqrt(static_cast<double>(rr - i * i)));
            const std::int64_t x0 = std::max<std::int64_t>(cx - h, 0);
            const std::int64_t x1 = std::min<std::int64_t>(cx + h, d.width);
            if (x1 <= x0)
                continue;
            const auto len = static_cast<std::int32_t>(x1 - x0);
            if (upIn)
                DrawHSpan(dst, static_cast<std::int32_t>(x0), static_cast<std::int32_t>(cy - i),
                          len, true, p);
            if (downIn)
                DrawHSpan(dst, static_cast<std::int32_t>(x0), static_cast<std::int32_t>(cy + i),
                          len, true, p);
        }
        return kOk;
    }
    auto plot = [&](std::int64_t x, std::int64_t y) {
        if (x >= 0 && y >= 0 && x < d.width && y < d.height)
            d.Row(static_cast<std::int32_t>(y))[x] = p;
    };
    for (std::int64_t i = 0; i < radius; ++i) {
        const auto k = static_cast<std::int64_t>(std::sqrt(static_cast<double>(rr - i * i)));
        plot(cx - i, cy - k);
        plot(cx + i, cy - k);
        plot(cx - i, cy + k);
        plot(cx + i, cy + k);
        plot(cx - k, cy - i);
        plot(cx - k, cy + i);
        plot(cx + k, cy - i);
        plot(cx + k, cy + i);
    }
    return kOk;
}

} // namespace brelvo
