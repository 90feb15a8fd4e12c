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

// The mapping's fixed point. Its coefficients a-d are source pixels per destination pixel in
// 1/1024ths; a destination position is taken in 1/64ths of a pixel, so their product, and the
// offsets e and f, are source positions in 1/65536ths (16.16), whose top 16 bits are the source
// pixel. Destination pixel centres lie half a step in. All of it wraps modulo 2^32 by design:
// negative steps (rotation) come through as two's complements and cancel out.
constexpr u32 kCoefficientOne = 1024;
constexpr u32 kPositionSteps = 64;
constexpr u32 kHalfPosition = kPositionSteps / 2;
constexpr int kPixelShift = 16;

// Fits a 64-bit value into the wrapping 32-bit arithmetic.
u32 Wrap(std::int64_t v) {
    return static_cast<u32>(v);
}

// A destination coordinate in position steps, at the pixel's centre.
u32 CentreOf(std::int32_t coordinate) {
    return Wrap(kPositionSteps * std::int64_t(coordinate) + kHalfPosition);
}

// Stretch of the source rectangle onto the destination rectangle r.
void StretchMapping(std::int64_t srcLeft, std::int64_t srcTop, std::int64_t srcRight,
                    std::int64_t srcBottom, const Rect& r, TransformMapping& m) {
    const u32 stepX = Wrap(std::llabs(srcRight - srcLeft) * kCoefficientOne) /
                      Wrap(std::llabs(std::int64_t(r.right) - r.left));
    const u32 stepY = Wrap(std::llabs(srcBottom - srcTop) * kCoefficientOne) /
                      Wrap(std::llabs(std::int64_t(r.bottom) - r.top));
    m.a = stepX;
    m.b = 0;
    m.c = 0;
    m.d = stepY;
    m.e = (Wrap(srcLeft) * kCoefficientOne - stepX * Wrap(r.left)) * kPositionSteps;
    m.f = (Wrap(srcTop) * kCoefficientOne - stepY * Wrap(r.top)) * kPositionSteps;
}

// Converts a double to an integer by truncation without undefined behaviour for values that
// do not fit: such values only arise from absurd zoom factors and are pinned to the range.
// Angles are in hundredths of a degree. The factor is pi / 18000 as the drawing rules give it,
// 0.00017453288, a little short of the true 0.000174532925: pictures rotated with it must stay
// the pictures the rules define, pixel for pixel, so it is kept as it is.
constexpr double kRadiansPerAngleUnit = 0.00017453288;

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
    const u32 sw = Wrap(s.width), sh = Wrap(s.height);

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
        u32 u = m.a * CentreOf(r.left) + m.e;
        std::size_t firstIn = cols, lastIn = 0;
        bool contiguous = true;
        for (std::size_t i = 0; i < cols; ++i, u += m.a * kPositionSteps) {
            column[i] = u >> kPixelShift;
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
        u32 v = m.d * CentreOf(r.top) + m.f;
        for (std::int32_t y = r.top; y < r.bottom; ++y, v += m.d * kPositionSteps) {
            const u32 sv = v >> kPixelShift;
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

    u32 rowU = m.a * CentreOf(r.left) + m.c * CentreOf(r.top) + m.e;
    u32 rowV = m.b * CentreOf(r.left) + m.d * CentreOf(r.top) + m.f;
    for (std::int32_t y = r.top; y < r.bottom;
         ++y, rowU += m.c * kPositionSteps, rowV += m.d * kPositionSteps) {
        Pixel* out = d.Row(y) + r.left;
        u32 u = rowU, v = rowV;
        for (std::size_t i = 0; i < cols;
             ++i, u += m.a * kPositionSteps, v += m.b * kPositionSteps) {
            const u32 su = u >> kPixelShift, sv = v >> kPixelShift;
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
    auto [srcLeft, srcTop, srcRight, srcBottom] = ClampToSize(srcRect, sh.width, sh.height);
    const auto [left, top, right, bottom] = ClampToSize(dstRect, dh.width, dh.height);
    const std::int64_t srcWidth = srcRight - srcLeft, srcHeight = srcBottom - srcTop;
    const std::int64_t dstWidth = right - left, dstHeight = bottom - top;
    if (srcWidth < 1 || srcHeight < 1 || dstWidth < 1 || dstHeight < 1)
        return false;
    const std::int64_t cx = left + dstWidth / 2, cy = top + dstHeight / 2;

    if (flags & BLT_ZOOM) {
        const double z = fx.zoom * 0.01;
        const std::int64_t zoomedWidth = Trunc(static_cast<double>(dstWidth) * z);
        const std::int64_t zoomedHeight = Trunc(static_cast<double>(dstHeight) * z);
        // A zoom that leaves no area draws nothing (and would otherwise divide by zero).
        if (zoomedWidth < 1 || zoomedHeight < 1)
            return false;
        std::int64_t shownLeft = cx - zoomedWidth / 2, shownTop = cy - zoomedHeight / 2;
        std::int64_t shownRight = shownLeft + zoomedWidth, shownBottom = shownTop + zoomedHeight;
        if (shownTop < 0) {
            srcTop += Trunc(static_cast<double>(-shownTop) / z);
            shownTop = 0;
        }
        if (shownLeft < 0) {
            srcLeft += Trunc(static_cast<double>(-shownLeft) / z);
            shownLeft = 0;
        }
        if (shownRight > dh.width) {
            srcRight -= Trunc(static_cast<double>(shownRight - dh.width) / z);
            shownRight = dh.width;
        }
        if (shownBottom > dh.height) {
            srcBottom -= Trunc(static_cast<double>(shownBottom - dh.height) / z);
            shownBottom = dh.height;
        }
        if (shownRight <= shownLeft || shownBottom <= shownTop)
            return false;
        outDst =
            Rect(static_cast<std::int32_t>(shownLeft), static_cast<std::int32_t>(shownTop),
                 static_cast<std::int32_t>(shownRight), static_cast<std::int32_t>(shownBottom));
        StretchMapping(srcLeft, srcTop, srcRight, srcBottom, outDst, m);
        return true;
    }

    if (flags & BLT_ROTATE) {
        const double halfWidth = static_cast<double>(srcWidth / 2),
                     halfHeight = static_cast<double>(srcHeight / 2);
        const std::int64_t radius =
            Trunc(std::sqrt(halfWidth * halfWidth + halfHeight * halfHeight) + 1);
        const std::int64_t shownLeft = std::max<std::int64_t>(cx - radius, 0);
        const std::int64_t shownTop = std::max<std::int64_t>(cy - radius, 0);
        const std::int64_t shownRight = std::min<std::int64_t>(cx + radius, dh.width);
        const std::int64_t shownBottom = std::min<std::int64_t>(cy + radius, dh.height);
        if (shownRight <= shownLeft || shownBottom <= shownTop)
            return false;
        outDst =
            Rect(static_cast<std::int32_t>(shownLeft), static_cast<std::int32_t>(shownTop),
                 static_cast<std::int32_t>(shownRight), static_cast<std::int32_t>(shownBottom));
        const double theta = fx.angle * kRadiansPerAngleUnit;
        // Negative coefficients come through as their two's complement, which the wrapping
        // arithmetic of the sampler turns back into the intended negative steps.
        const u32 cosine = Wrap(Trunc(std::cos(theta) * kCoefficientOne));
        const u32 sine = Wrap(Trunc(std::sin(theta) * kCoefficientOne));
        m.a = cosine;
        m.b = 0u - sine;
        m.c = sine;
        m.d = cosine;
        // The rotation turns about the destination's centre (cx, cy) and puts it on the
        // source's centre, half the source's size in.
        const u32 halfCoefficient = kCoefficientOne / 2;
        m.e = (Wrap(srcWidth) * halfCoefficient - sine * Wrap(cy) - cosine * Wrap(cx)) *
              kPositionSteps;
        m.f = (sine * Wrap(cx) - cosine * Wrap(cy) + Wrap(srcHeight) * halfCoefficient) *
              kPositionSteps;
        return true;
    }

    outDst = Rect(static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                  static_cast<std::int32_t>(right), static_cast<std::int32_t>(bottom));
    StretchMapping(srcLeft, srcTop, srcRight, srcBottom, outDst, m);
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
