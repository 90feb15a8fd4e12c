#include "tests/reference/Reference.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace brelvo::reference {

namespace {

Pixel& At(const SurfaceHeader& h, std::int64_t x, std::int64_t y) {
    return h.pixels[static_cast<std::size_t>(y) * h.pitch + static_cast<std::size_t>(x)];
}

bool Inside(const SurfaceHeader& h, std::int64_t x, std::int64_t y) {
    return x >= 0 && y >= 0 && x < h.width && y < h.height;
}

void Plot(const SurfaceHeader& h, std::int64_t x, std::int64_t y, Pixel p) {
    if (Inside(h, x, y))
        At(h, x, y) = p;
}

} // namespace

HResult Blit(Surface& dst, std::int32_t x, std::int32_t y, const Surface& src, const Rect* srcRect,
             std::uint32_t flags, const BlitEffect* effect) {
    const SurfaceHeader d = dst.Header(), s = src.Header();
    if (!d.pixels || !s.pixels)
        return kErrInvalidArg;
    if (flags != 0 && !(flags & BLT_KEYED) && !effect)
        return kErrInvalidArg;
    const BlitEffect fx = effect ? *effect : BlitEffect{};
    std::int64_t left = 0, top = 0, right = s.width, bottom = s.height;
    if (srcRect) {
        left = srcRect->left < 0 ? 0 : srcRect->left;
        top = srcRect->top < 0 ? 0 : srcRect->top;
        right = srcRect->right > s.width ? s.width : srcRect->right;
        bottom = srcRect->bottom > s.height ? s.height : srcRect->bottom;
    }
    std::int64_t dx = x, dy = y;
    if (dx < 0) {
        left += -dx;
        dx = 0;
    }
    if (dy < 0) {
        top += -dy;
        dy = 0;
    }
    std::int64_t width = right - left, height = bottom - top;
    if (width < 1 || height < 1)
        return kOk;
    if (dx + width > d.width)
        width = d.width - dx;
    if (dy + height > d.height)
        height = d.height - dy;
    if (width < 1 || height < 1)
        return kOk;
    for (std::int64_t r = 0; r < height; ++r) {
        for (std::int64_t c = 0; c < width; ++c) {
            const Pixel sp = At(s, left + c, top + r);
            Pixel& dp = At(d, dx + c, dy + r);
            if ((flags & BLT_KEYED) && sp == s.colorKey)
                continue;
            if (flags & BLT_BLEND)
                dp = MixPixel(sp, dp, fx.alpha);
            else if (flags & BLT_FILL)
                dp = ColorToPixel(fx.color);
            else
                dp = sp;
        }
    }
    return kOk;
}

HResult FillRect(Surface& dst, const Rect* rect, Color color, std::uint32_t flags,
                 const std::uint16_t* alphaPtr) {
    const SurfaceHeader d = dst.Header();
    if (!d.pixels)
        return kErrNoPixels;
    const Pixel p = ColorToPixel(color);
    if (!rect) {
        for (std::int64_t y = 0; y < d.height; ++y)
            for (std::int64_t x = 0; x < d.pitch; ++x)
                At(d, x, y) = p;
        return kOk;
    }
    const std::uint32_t alpha = ((flags & FILL_BLEND) && alphaPtr) ? *alphaPtr : 255;
    std::int64_t left = rect->left, top = rect->top, right = rect->right, bottom = rect->bottom;
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    if (left < 0)
        left = 0;
    else if (left >= d.width)
        return kOk;
    if (top < 0)
        top = 0;
    else if (top >= d.height)
        return kOk;
    if (right < 0)
        return kOk;
    if (right >= d.width)
        right = d.width - 1;
    if (bottom < 0)
        return kOk;
    if (bottom >= d.height)
        bottom = d.height - 1;
    if (alpha == 255) {
        for (std::int64_t x = left; x < right; ++x)
            At(d, x, top) = p;
        for (std::int64_t y = top + 1; y < bottom; ++y)
            for (std::int64_t x = left; x < right; ++x)
                At(d, x, y) = At(d, x, top);
        return kOk;
    }
    for (std::int64_t y = top; y < bottom; ++y)
        for (std::int64_t x = left; x < right; ++x)
            At(d, x, y) = MixPixel(p, At(d, x, y), alpha);
    return kOk;
}

HResult DrawLine(Surface& dst, std::int32_t x1i, std::int32_t y1i, std::int32_t x2i,
                 std::int32_t y2i, Color color, std::uint32_t flags) {
    const SurfaceHeader d = dst.Header();
    const Pixel p = ColorToPixel(color);
    std::int64_t x1 = x1i, y1 = y1i, x2 = x2i, y2 = y2i;
    if (!d.pixels)
        return kOk;
    if (x1 == x2) {
        for (std::int64_t y = std::min(y1, y2); y < std::max(y1, y2); ++y)
            Plot(d, x1, y, p);
        return kOk;
    }
    if (y1 == y2) {
        for (std::int64_t x = std::min(x1, x2); x < std::max(x1, x2); ++x)
            Plot(d, x, y1, p);
        return kOk;
    }
    auto outcode = [&](std::int64_t x, std::int64_t y) {
        return (x < 0 ? 1 : 0) | (x >= d.width ? 2 : 0) | (y < 0 ? 4 : 0) | (y >= d.height ? 8 : 0);
    };
    if (!(flags & 4)) {
        __extension__ typedef __int128 Wide;
        for (;;) {
            const int c1 = outcode(x1, y1), c2 = outcode(x2, y2);
            if (!(c1 | c2))
                break;
            if (c1 & c2)
                return kOk;
            const int c = c1 ? c1 : c2;
            std::int64_t x, y;
            if (c & 1) {
                x = 0;
                y = y1 - static_cast<std::int64_t>(Wide(y2 - y1) * x1 / (x2 - x1));
            } else if (c & 2) {
                x = d.width - 1;
                y = y1 + static_cast<std::int64_t>(Wide(d.width - 1 - x1) * (y2 - y1) / (x2 - x1));
            } else if (c & 4) {
                y = 0;
                x = x1 - static_cast<std::int64_t>(Wide(x2 - x1) * y1 / (y2 - y1));
            } else {
                y = d.height - 1;
                x = x1 + static_cast<std::int64_t>(Wide(d.height - 1 - y1) * (x2 - x1) / (y2 - y1));
            }
            if (c1) {
                x1 = x;
                y1 = y;
            } else {
                x2 = x;
                y2 = y;
            }
        }
    }
    const std::int64_t dx = x2 - x1, dy = y2 - y1;
    const std::int64_t sx = (dx > 0) - (dx < 0), sy = (dy > 0) - (dy < 0);
    const bool steep = std::llabs(dx) < std::llabs(dy);
    const std::int64_t major = steep ? std::llabs(dy) : std::llabs(dx);
    const std::int64_t minor = steep ? std::llabs(dx) : std::llabs(dy);
    std::int64_t e = 2 * minor - major, x = x1, y = y1;
    Plot(d, x, y, p);
    for (std::int64_t i = 0; i < major; ++i) {
        if (e >= 0) {
            e -= 2 * major;
            (steep ? x : y) += steep ? sx : sy;
        }
        (steep ? y : x) += steep ? sy : sx;
        e += 2 * minor;
        Plot(d, x, y, p);
    }
    return kOk;
}

HResult DrawCircle(Surface& dst, std::int32_t cx, std::int32_t cy, std::int32_t r, Color color,
                   std::uint32_t flags) {
    const SurfaceHeader d = dst.Header();
    if (r < 1 || !d.pixels)
        return kOk;
    const Pixel p = ColorToPixel(color);
    for (std::int64_t i = 0; i < r; ++i) {
        const auto h =
            static_cast<std::int64_t>(std::sqrt(static_cast<double>(std::int64_t(r) * r - i * i)));
        if (flags & CIRCLE_FILLED) {
            const std::int64_t x0 = std::max<std::int64_t>(cx - h, 0);
            const std::int64_t x1 = std::min<std::int64_t>(cx + h, d.width);
            for (std::int64_t x = x0; x < x1; ++x) {
                Plot(d, x, cy - i, p);
                Plot(d, x, cy + i, p);
            }
        } else {
            Plot(d, cx - i, cy - h, p);
            Plot(d, cx + i, cy - h, p);
            Plot(d, cx - i, cy + h, p);
            Plot(d, cx + i, cy + h, p);
            Plot(d, cx - h, cy - i, p);
            Plot(d, cx - h, cy + i, p);
            Plot(d, cx + h, cy - i, p);
            Plot(d, cx + h, cy + i, p);
        }
    }
    return kOk;
}

HResult TransformBlit(Surface& dst, const Rect* dstRect, const Surface& src, const Rect* srcRect,
                      std::uint32_t flags, const BlitEffect* effect) {
    const SurfaceHeader d = dst.Header(), s = src.Header();
    if (!d.pixels || !s.pixels)
        return kErrInvalidArg;
    if (flags != 0 && !(flags & BLT_KEYED) && !effect)
        return kErrInvalidArg;
    Rect r;
    TransformMapping m;
    if (!PrepareTransform(d, dstRect, s, srcRect, flags, effect, r, m))
        return kOk;
    const BlitEffect fx = effect ? *effect : BlitEffect{};
    for (std::int32_t row = r.top; row < r.bottom; ++row) {
        for (std::int32_t col = r.left; col < r.right; ++col) {
            const std::uint32_t X = 64u * static_cast<std::uint32_t>(col) + 32u;
            const std::uint32_t Y = 64u * static_cast<std::uint32_t>(row) + 32u;
            const std::uint32_t u = m.a * X + m.c * Y + m.e;
            const std::uint32_t v = m.b * X + m.d * Y + m.f;
            const std::uint32_t su = u >> 16, sv = v >> 16;
            if (su >= static_cast<std::uint32_t>(s.width) ||
                sv >= static_cast<std::uint32_t>(s.height))
                continue;
            std::uint32_t rx = su, ry = sv;
            if (!(flags & (BLT_BLEND | BLT_FILL))) {
                if (flags & BLT_MIRROR_H)
                    rx = static_cast<std::uint32_t>(s.width) - 1 - su;
                else if (flags & BLT_MIRROR_V)
                    ry = static_cast<std::uint32_t>(s.height) - 1 - sv;
            }
            const Pixel sp = At(s, rx, ry);
            Pixel& dp = At(d, col, row);
            if ((flags & BLT_KEYED) && sp == s.colorKey)
                continue;
            if (flags & BLT_BLEND)
                dp = MixPixel(sp, dp, fx.alpha);
            else if (flags & BLT_FILL)
                dp = ColorToPixel(fx.color);
            else
                dp = sp;
        }
    }
    return kOk;
}

bool EncodeBmp(const Surface& surface, ByteSink& sink) {
    const SurfaceHeader h = surface.Header();
    if (!h.pixels || h.width < 1 || h.height < 1)
        return false;
    const std::uint32_t rowSize = ((static_cast<std::uint32_t>(h.width) * 24 + 31) / 32 * 32) / 8;
    const std::uint32_t imageSize = rowSize * static_cast<std::uint32_t>(h.height);
    std::vector<std::uint8_t> out(54 + imageSize, 0);
    auto put = [&](std::size_t at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    out[0] = 'B';
    out[1] = 'M';
    put(2, 54 + imageSize, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(h.width), 4);
    put(22, static_cast<std::uint32_t>(h.height), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    put(34, imageSize, 4);
    for (std::int64_t x = 0; x < h.width; ++x) {
        for (std::int64_t y = 0; y < h.height; ++y) {
            const Pixel p = h.pixels[static_cast<std::size_t>(x + h.pitch * y)];
            const std::size_t at = 54 + static_cast<std::size_t>(h.height - 1 - y) * rowSize +
                                   static_cast<std::size_t>(3 * x);
            out[at] = static_cast<std::uint8_t>((p & 0x001F) * 8);
            out[at + 1] = static_cast<std::uint8_t>((p & 0x07E0) >> 3);
            out[at + 2] = static_cast<std::uint8_t>((p & 0xF800) >> 8);
        }
    }
    return sink.Write(out.data(), out.size());
}

} // namespace brelvo::reference
