#include "gfx/TransformBlit.h"

#include "gfx/DrawArea.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace brelvo {

namespace {

using u32 = std::uint32_t;

u32 U(std::int64_t v) {
    return static_cast<u32>(v);
}

// Stretch of the source rectangle (sl, st, sr, sb) onto the destination rectangle.
void StretchMapping(std::int64_t sl, std::int64_t st, std::int64_t sr, std::int64_t sb,
                    const Rect& r, TransformMapping& m) {
    const u32 stepX = U(std::llabs(sr - sl) * 1024) / U(std::llabs(std::int64_t(r.right) - r.left));
    const u32 stepY = U(std::llabs(sb - st) * 1024) / U(std::llabs(std::int64_t(r.bottom) - r.top));
    m.a = stepX;
    m.b = 0;
    m.c = 0;
    m.d = stepY;
    m.e = (U(sl) * 1024u - stepX * U(r.left)) * 64u;
    m.f = (U(st) * 1024u - stepY * U(r.top)) * 64u;
}

// Converts a double to an integer by truncation without undefined behaviour for values that
// do not fit: such values only arise from absurd zoom factors and are pinned to the range.
std::int64_t Trunc(double v) {
    if (!(v == v))
        return 0;
    if (v >= 9.0e18)
        return INT64_MAX;
    if (v <= -9.0e18)
        return INT64_MIN;
    return static_cast<std::int64_t>(v);
}

// Which pixel a destination pixel takes, and how it is written. The sampler is instantiated
// once per mode so that the inner loops carry no mode tests.
enum class Mode { Copy, MirrorH, MirrorV, Fill, Blend };

template <Mode M, bool Keyed>
void Sample(const SurfaceHeader& d, const Rect& r, const SurfaceHeader& s,
            const TransformMapping& m, const BlitEffect& fx) {
    const Pixel key = s.colorKey;
    const Pixel fill = ColorToPixel(fx.color);
    const u32 alpha = fx.alpha;
    const u32 sw = U(s.width), sh = U(s.height);

    auto write = [&](Pixel& out, const Pixel* srcRow, u32 su) {
        const Pixel v = srcRow[M == Mode::MirrorH ? sw - 1 - su : su];
        if (Keyed && v == key)
            return;
        if constexpr (M == Mode::Blend)
            out = MixPixel(v, out, alpha);
        else if constexpr (M == Mode::Fill)
            out = fill;
        else
            out = v;
    };
    auto srcRowOf = [&](u32 sv) {
        return s.Row(static_cast<std::int32_t>(M == Mode::MirrorV ? sh - 1 - sv : sv));
    };

    const auto cols = static_cast<std::size_t>(r.right - r.left);
    if (m.b == 0 && m.c == 0) {
        // Stretch and zoom: each destination column takes the same source column in every row,
        // so the columns are worked out once, and each row needs only its source row.
        std::vector<u32> column(cols);
        u32 u = m.a * U(64 * std::int64_t(r.left) + 32) + m.e;
        std::size_t firstIn = cols, lastIn = 0;
        bool contiguous = true;
        for (std::size_t i = 0; i < cols; ++i, u += m.a * 64u) {
            column[i] = u >> 16;
            if (column[i] < sw) {
                if (firstIn == cols)
                    firstIn = i;
                else if (lastIn + 1 != i)
                    contiguous = false;
                lastIn = i;
            }
        }
        if (firstIn == cols)
            return;
        Pixel* prevOut = nullptr;
        const Pixel* prevSrc = nullptr;
        u32 v = m.d * U(64 * std::int64_t(r.top) + 32) + m.f;
        for (std::int32_t y = r.top; y < r.bottom; ++y, v += m.d * 64u) {
            const u32 sv = v >> 16;
            if (sv >= sh)
                continue;
            const Pixel* srcRow = srcRowOf(sv);
            Pixel* out = d.Row(y) + r.left;
            // An unkeyed copy of a source row that the previous row took already is that row
            // again; zooming in repeats every source row several times.
            if constexpr (!Keyed && (M == Mode::Copy || M == Mode::MirrorH || M == Mode::Fill)) {
                if (contiguous && prevOut && (M == Mode::Fill || srcRow == prevSrc)) {
                    std::memcpy(out + firstIn, prevOut + firstIn,
                                (lastIn - firstIn + 1) * sizeof(Pixel));
                    prevOut = out;
                    continue;
                }
            }
            if (contiguous) {
                for (std::size_t i = firstIn; i <= lastIn; ++i)
                    write(out[i], srcRow, column[i]);
            } else {
                for (std::size_t i = firstIn; i <= lastIn; ++i)
                    if (column[i] < sw)
                        write(out[i], srcRow, column[i]);
            }
            prevOut = out;
            prevSrc = srcRow;
        }
        return;
    }

    u32 rowU =
        m.a * U(64 * std::int64_t(r.left) + 32) + m.c * U(64 * std::int64_t(r.top) + 32) + m.e;
    u32 rowV =
        m.b * U(64 * std::int64_t(r.left) + 32) + m.d * U(64 * std::int64_t(r.top) + 32) + m.f;
    for (std::int32_t y = r.top; y < r.bottom; ++y, rowU += m.c * 64u, rowV += m.d * 64u) {
        Pixel* out = d.Row(y) + r.left;
        u32 u = rowU, v = rowV;
        for (std::size_t i = 0; i < cols; ++i, u += m.a * 64u, v += m.b * 64u) {
            const u32 su = u >> 16, sv = v >> 16;
            if (su < sw && sv < sh)
                write(out[i], srcRowOf(sv), su);
        }
    }
}

template <bool Keyed>
void SampleMode(std::uint32_t flags, const SurfaceHeader& d, const Rect& r, const SurfaceHeader& s,
                const TransformMapping& m, const BlitEffect& fx) {
    if (flags & BLT_BLEND)
        Sample<Mode::Blend, Keyed>(d, r, s, m, fx);
    else if (flags & BLT_FILL)
        Sample<Mode::Fill, Keyed>(d, r, s, m, fx);
    else if (flags & BLT_MIRROR_H)
        Sample<Mode::MirrorH, Keyed>(d, r, s, m, fx);
    else if (flags & BLT_MIRROR_V)
        Sample<Mode::MirrorV, Keyed>(d, r, s, m, fx);
    else
        Sample<Mode::Copy, Keyed>(d, r, s, m, fx);
}

} // namespace

bool PrepareTransform(const SurfaceHeader& dh, const Rect* dstRect, const SurfaceHeader& sh,
                      const Rect* srcRect, std::uint32_t flags, const BlitEffect* effect,
                      Rect& outDst, TransformMapping& m) {
    const BlitEffect fx = effect ? *effect : BlitEffect{};
    auto [sl, st, sr, sb] = ClampToSize(srcRect, sh.width, sh.height);
    const auto [left, top, right, bottom] = ClampToSize(dstRect, dh.width, dh.height);
    const std::int64_t sw = sr - sl, sht = sb - st;
    const std::int64_t dw = right - left, dhgt = bottom - top;
    if (sw < 1 || sht < 1 || dw < 1 || dhgt < 1)
        return false;
    const std::int64_t cx = left + dw / 2, cy = top + dhgt / 2;

    if (flags & BLT_ZOOM) {
        const double z = fx.zoom * 0.01;
        const std::int64_t w2 = Trunc(static_cast<double>(dw) * z);
        const std::int64_t h2 = Trunc(static_cast<double>(dhgt) * z);
        // A zoom that leaves no area draws nothing (and would otherwise divide by zero).
        if (w2 < 1 || h2 < 1)
            return false;
        std::int64_t l2 = cx - w2 / 2, t2 = cy - h2 / 2;
        std::int64_t r2 = l2 + w2, b2 = t2 + h2;
        if (t2 < 0) {
            st += Trunc(static_cast<double>(-t2) / z);
            t2 = 0;
        }
        if (l2 < 0) {
            sl += Trunc(static_cast<double>(-l2) / z);
            l2 = 0;
        }
        if (r2 > dh.width) {
            sr -= Trunc(static_cast<double>(r2 - dh.width) / z);
            r2 = dh.width;
        }
        if (b2 > dh.height) {
            sb -= Trunc(static_cast<double>(b2 - dh.height) / z);
            b2 = dh.height;
        }
        if (r2 <= l2 || b2 <= t2)
            return false;
        outDst = Rect(static_cast<std::int32_t>(l2), static_cast<std::int32_t>(t2),
                      static_cast<std::int32_t>(r2), static_cast<std::int32_t>(b2));
        StretchMapping(sl, st, sr, sb, outDst, m);
        return true;
    }

    if (flags & BLT_ROTATE) {
        const double hw = static_cast<double>(sw / 2), hh = static_cast<double>(sht / 2);
        const std::int64_t r = Trunc(std::sqrt(hw * hw + hh * hh) + 1);
        const std::int64_t l2 = std::max<std::int64_t>(cx - r, 0);
        const std::int64_t t2 = std::max<std::int64_t>(cy - r, 0);
        const std::int64_t r2 = std::min<std::int64_t>(cx + r, dh.width);
        const std::int64_t b2 = std::min<std::int64_t>(cy + r, dh.height);
        if (r2 <= l2 || b2 <= t2)
            return false;
        outDst = Rect(static_cast<std::int32_t>(l2), static_cast<std::int32_t>(t2),
                      static_cast<std::int32_t>(r2), static_cast<std::int32_t>(b2));
        const double theta = fx.angle * 0.00017453288;
        // Negative coefficients come through as their two's complement, which the wrapping
        // arithmetic of the sampler turns back into the intended negative steps.
        const u32 co = U(Trunc(std::cos(theta) * 1024));
        const u32 si = U(Trunc(std::sin(theta) * 1024));
        m.a = co;
        m.b = 0u - si;
        m.c = si;
        m.d = co;
        m.e = (U(sw) * 512u - si * U(cy) - co * U(cx)) * 64u;
        m.f = (si * U(cx) - co * U(cy) + U(sht) * 512u) * 64u;
        return true;
    }

    outDst = Rect(static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                  static_cast<std::int32_t>(right), static_cast<std::int32_t>(bottom));
    StretchMapping(sl, st, sr, sb, outDst, m);
    return true;
}

HResult TransformBlit(Surface& dst, const Rect* dstRect, const Surface& src, const Rect* srcRect,
                      std::uint32_t flags, const BlitEffect* effect) {
    const SurfaceHeader d = dst.Header();
    const SurfaceHeader s = src.Header();
    if (const HResult result = CheckDrawArguments(d, s, flags, effect); Failed(result))
        return result;
    Rect r;
    TransformMapping m;
    if (!PrepareTransform(d, dstRect, s, srcRect, flags, effect, r, m))
        return kOk;
    const BlitEffect fx = effect ? *effect : BlitEffect{};
    if (flags & BLT_KEYED)
        SampleMode<true>(flags, d, r, s, m, fx);
    else
        SampleMode<false>(flags, d, r, s, m, fx);
    return kOk;
}

} // namespace brelvo
