#include "gfx/Blit.h"

#include "gfx/DrawArea.h"

#include <algorithm>
#include <cstring>

namespace brelvo {

namespace {

// Runs op(dstRow, srcRow) over the rows of a clipped area. Every per-pixel mode of Blit is one
// such row loop; keeping the loop in one place keeps the clipping in one place too.
template <typename RowOp>
void ForEachRow(const SurfaceHeader& d, std::int32_t dx, std::int32_t dy, const SurfaceHeader& s,
                std::int32_t sx, std::int32_t sy, std::int32_t h, RowOp op) {
    for (std::int32_t r = 0; r < h; ++r)
        op(d.Row(dy + r) + dx, s.Row(sy + r) + sx);
}

} // namespace

HResult Blit(Surface& dst, std::int32_t x, std::int32_t y, const Surface& src, const Rect* srcRect,
             std::uint32_t flags, const BlitEffect* effect) {
    const SurfaceHeader d = dst.Header();
    const SurfaceHeader s = src.Header();
    if (const HResult r = CheckDrawArguments(d, s, flags, effect); Failed(r))
        return r;
    const BlitEffect fx = effect ? *effect : BlitEffect{};

    auto [left, top, right, bottom] = ClampToSize(srcRect, s.width, s.height);
    std::int64_t dx = x, dy = y;
    if (dx < 0) {
        left -= dx;
        dx = 0;
    }
    if (dy < 0) {
        top -= dy;
        dy = 0;
    }
    std::int64_t w = right - left, h = bottom - top;
    if (w < 1 || h < 1)
        return kOk;
    w = std::min(w, d.width - dx);
    h = std::min(h, d.height - dy);
    if (w < 1 || h < 1)
        return kOk;

    const auto X = static_cast<std::int32_t>(dx), Y = static_cast<std::int32_t>(dy);
    const auto SX = static_cast<std::int32_t>(left), SY = static_cast<std::int32_t>(top);
    const auto W = static_cast<std::size_t>(w);
    const auto H = static_cast<std::int32_t>(h);
    const Pixel key = s.colorKey;
    const Pixel fill = ColorToPixel(fx.color);
    const std::uint32_t alpha = fx.alpha;

    // The per-pixel loops read and write every destination pixel of the row even where it stays
    // unchanged: the result is the same and the loop has no branch, so it vectorises.
    switch (flags & (BLT_KEYED | BLT_FILL | BLT_BLEND)) {
    case 0:
        ForEachRow(d, X, Y, s, SX, SY, H,
                   [&](Pixel* dr, const Pixel* sr) { std::memmove(dr, sr, W * sizeof(Pixel)); });
        break;
    case BLT_FILL: {
        Pixel* first = d.Row(Y) + X;
        std::fill_n(first, W, fill);
        for (std::int32_t r = 1; r < H; ++r)
            std::memcpy(d.Row(Y + r) + X, first, W * sizeof(Pixel));
        break;
    }
    case BLT_KEYED:
        ForEachRow(d, X, Y, s, SX, SY, H, [&](Pixel* dr, const Pixel* sr) {
            for (std::size_t i = 0; i < W; ++i)
                dr[i] = sr[i] == key ? dr[i] : sr[i];
        });
        break;
    case BLT_KEYED | BLT_FILL:
        ForEachRow(d, X, Y, s, SX, SY, H, [&](Pixel* dr, const Pixel* sr) {
            for (std::size_t i = 0; i < W; ++i)
                dr[i] = sr[i] == key ? dr[i] : fill;
        });
        break;
    default: { // BLT_BLEND, with or without BLT_FILL (the blend wins) and BLT_KEYED
        const bool keyed = (flags & BLT_KEYED) != 0;
        ForEachRow(d, X, Y, s, SX, SY, H, [&](Pixel* dr, const Pixel* sr) {
            if (keyed) {
                for (std::size_t i = 0; i < W; ++i)
                    dr[i] = sr[i] == key ? dr[i] : MixPixel(sr[i], dr[i], alpha);
            } else if (alpha == 127) {
                for (std::size_t i = 0; i < W; ++i)
                    dr[i] = MixPixel(sr[i], dr[i], 127);
            } else {
                const auto a = static_cast<std::int32_t>(alpha >> 2);
                for (std::size_t i = 0; i < W; ++i)
                    dr[i] = MixQuarterAlpha(sr[i], dr[i], a);
            }
        });
        break;
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
        if (color == 0 || color == 0xFFFFFF)
            std::memset(d.pixels, color == 0 ? 0 : 0xFF, d.size);
        else
            std::fill_n(d.pixels, d.size / sizeof(Pixel), p);
        return kOk;
    }

    const std::uint32_t alpha = ((flags & FILL_BLEND) && alphaPtr) ? *alphaPtr : 255;
    std::int32_t left = std::min(rect->left, rect->right),
                 right = std::max(rect->left, rect->right);
    std::int32_t top = std::min(rect->top, rect->bottom),
                 bottom = std::max(rect->top, rect->bottom);
    if (left >= d.width || top >= d.height || right < 0 || bottom < 0)
        return kOk;
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, d.width - 1);
    bottom = std::min(bottom, d.height - 1);
    if (left >= right)
        return kOk;
    const auto w = static_cast<std::size_t>(right - left);

    if (alpha == 255) {
        // The top row is written even when top equals bottom; the rows below it, down to but
        // not including bottom, are copies of it.
        Pixel* first = d.Row(top) + left;
        std::fill_n(first, w, p);
        for (std::int32_t y = top + 1; y < bottom; ++y)
            std::memcpy(d.Row(y) + left, first, w * sizeof(Pixel));
        return kOk;
    }
    for (std::int32_t y = top; y < bottom; ++y) {
        Pixel* row = d.Row(y) + left;
        if (alpha == 127) {
            for (std::size_t i = 0; i < w; ++i)
                row[i] = MixPixel(p, row[i], 127);
        } else {
            const auto a = static_cast<std::int32_t>(alpha >> 2);
            for (std::size_t i = 0; i < w; ++i)
                row[i] = MixQuarterAlpha(p, row[i], a);
        }
    }
    return kOk;
}

HResult CopySurface(const Surface& src, Surface& dst) {
    // A source without storage is refused before dst is touched, so a failed copy never leaves
    // dst resized with uninitialised pixels.
    if (!src.GetPixels())
        return kErrInvalidArg;
    if (&src == &dst)
        return kOk;
    const HResult r = dst.Create(0, src.GetWidth(), src.GetHeight());
    if (Failed(r))
        return r;
    return Blit(dst, 0, 0, src, nullptr, 0, nullptr);
}

} // namespace brelvo
