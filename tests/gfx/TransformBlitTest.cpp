#include "gfx/TransformBlit.h"

#include "tests/gfx/TestSupport.h"
#include "tests/reference/Reference.h"

#include <gtest/gtest.h>

#include <random>

namespace brelvo {
namespace {

using test::PixelAt;
using test::Solid;

Pixel Pos(int x, int y) {
    return static_cast<Pixel>(0x100 * y + x + 1);
}

// The sampling positions come from PrepareTransform, which the literal sampler shares: only the
// examples here check them. Each source pixel holds its own position, so that the sampled
// position can be read back.
Surface Positions(int w, int h) {
    Surface s = Solid(w, h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            s.GetPixels()[y * static_cast<int>(s.GetPitch()) + x] = Pos(x, y);
    return s;
}

TEST(TransformBlit, StretchSamplesPixelCentres) {
    // Halving samples every second pixel from the second on; doubling repeats each.
    Surface down = Solid(2, 2, 0), up = Solid(4, 4, 0);
    ASSERT_EQ(TransformBlit(down, nullptr, Positions(4, 4), nullptr), kOk);
    ASSERT_EQ(TransformBlit(up, nullptr, Positions(2, 2), nullptr), kOk);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(PixelAt(up, i % 4, i / 4), Pos(i % 4 / 2, i / 8)) << i;
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(PixelAt(down, i % 2, i / 2), Pos(i % 2 * 2 + 1, i / 2 * 2 + 1)) << i;
}

TEST(TransformBlit, ZoomScalesTheDestinationAboutItsCentre) {
    Surface dst = Solid(100, 100, 0);
    const BlitEffect fx{0, 255, 0, 50};
    ASSERT_EQ(TransformBlit(dst, nullptr, Positions(40, 40), nullptr, BLT_ZOOM, &fx), kOk);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(PixelAt(dst, x, y) != 0, x >= 25 && x < 75 && y >= 25 && y < 75)
                << x << "," << y;
    // Flags 193 (zoom, rotate, keyed) zoom and do not rotate.
    Surface a = Solid(60, 60, 0), b = Solid(60, 60, 0);
    const BlitEffect rotated{0, 255, 4500, 100};
    ASSERT_EQ(TransformBlit(a, nullptr, Positions(30, 30), nullptr, 193, &rotated), kOk);
    ASSERT_EQ(TransformBlit(b, nullptr, Positions(30, 30), nullptr, BLT_KEYED), kOk);
    EXPECT_TRUE(test::SameStorage(a, b));
}

TEST(TransformBlit, PartlyVisibleDestinationSqueezesTheWholeSource) {
    Surface dst = Solid(100, 100, 0);
    const Rect r(-10, 0, 90, 100);
    ASSERT_EQ(TransformBlit(dst, &r, Positions(90, 100), nullptr), kOk);
    // 90 source columns into 90 visible columns: 1:1 from the source's left edge.
    EXPECT_EQ(PixelAt(dst, 0, 0), Pos(0, 0));
    EXPECT_EQ(PixelAt(dst, 89, 99), Pos(89, 99));
    EXPECT_EQ(PixelAt(dst, 90, 0), 0);
}

TEST(TransformBlit, MirroringAndModes) {
    Surface dst = Solid(3, 1, 0);
    const BlitEffect fx;
    ASSERT_EQ(TransformBlit(dst, nullptr, Positions(3, 1), nullptr, BLT_MIRROR_H, &fx), kOk);
    EXPECT_EQ(PixelAt(dst, 0, 0), Pos(2, 0));
    EXPECT_EQ(PixelAt(dst, 2, 0), Pos(0, 0));
    // Mirroring twice gives the original.
    std::mt19937 rng(3);
    const Surface src = test::RandomSurface(rng, 14, 9);
    Surface once = Solid(14, 9, 0), twice = Solid(14, 9, 0);
    ASSERT_EQ(TransformBlit(once, nullptr, src, nullptr, BLT_MIRROR_V, &fx), kOk);
    ASSERT_EQ(TransformBlit(twice, nullptr, once, nullptr, BLT_MIRROR_V, &fx), kOk);
    EXPECT_TRUE(test::SameStorage(twice, src));

    EXPECT_EQ(TransformBlit(dst, nullptr, src, nullptr, BLT_FILL), kErrInvalidArg);
    Surface none;
    EXPECT_EQ(TransformBlit(dst, nullptr, none, nullptr), kErrInvalidArg);
    const BlitEffect zero{0, 255, 0, 0};
    EXPECT_EQ(TransformBlit(dst, nullptr, src, nullptr, BLT_ZOOM, &zero), kOk);
}

TEST(TransformBlit, MatchesTheLiteralSampler) {
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int> size(1, 48), pos(-20, 60), zoom(0, 400), angle(0, 36000);
    const std::uint32_t modes[] = {
        0, BLT_FILL, BLT_BLEND, BLT_MIRROR_H, BLT_MIRROR_V, BLT_BLEND | BLT_FILL};
    const std::uint32_t maps[] = {0, BLT_ZOOM, BLT_ROTATE, BLT_ZOOM | BLT_ROTATE};
    for (int iter = 0; iter < 6000; ++iter) {
        Surface src = test::RandomSurface(rng, size(rng), size(rng));
        Surface dst = test::RandomSurface(rng, size(rng), size(rng));
        Surface ref = test::Clone(dst);
        const std::uint32_t flags =
            modes[iter % 6] | maps[(iter / 6) % 4] | (iter % 2 ? BLT_KEYED : 0);
        BlitEffect fx;
        fx.color = static_cast<Color>(rng() & 0xFFFFFF);
        fx.alpha = static_cast<std::uint16_t>(iter % 5 == 0 ? 127 : rng() % 256);
        fx.zoom = static_cast<std::uint32_t>(zoom(rng));
        fx.angle = static_cast<std::uint32_t>(angle(rng));
        const Rect dr(pos(rng), pos(rng), pos(rng), pos(rng));
        const Rect sr(pos(rng), pos(rng), pos(rng), pos(rng));
        const Rect* dstRect = iter % 3 ? &dr : nullptr;
        const Rect* srcRect = iter % 4 ? &sr : nullptr;
        ASSERT_EQ(TransformBlit(dst, dstRect, src, srcRect, flags, &fx),
                  reference::TransformBlit(ref, dstRect, src, srcRect, flags, &fx));
        ASSERT_TRUE(test::SameStorage(dst, ref)) << "iteration " << iter << " flags " << flags;
    }
}

} // namespace
} // namespace brelvo
