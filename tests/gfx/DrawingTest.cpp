// The drawing primitives, each compared with its literal version over random cases, and the
// rules that the literal versions share with them.

#include "gfx/Blit.h"
#include "gfx/Shapes.h"
#include "gfx/TransformBlit.h"

#include "tests/gfx/TestSupport.h"
#include "tests/reference/Reference.h"

#include <gtest/gtest.h>

#include <random>

namespace brelvo {
namespace {

using test::PixelAt;
using test::Solid;

// Surfaces that the random comparisons below never make: without storage, or empty.
TEST(Blit, SurfacesWithoutPixelsAndFlagsWithoutAnEffectAreRefused) {
    Surface dst = Solid(4, 4, 0x1111), view, empty;
    ASSERT_EQ(view.Create(CREATE_NOSTORAGE, 4, 4), kOk);
    EXPECT_EQ(Blit(dst, 0, 0, view), kErrInvalidArg);
    EXPECT_EQ(Blit(empty, 0, 0, dst), kErrInvalidArg);
    EXPECT_EQ(Blit(dst, 0, 0, dst, nullptr, BLT_MIRROR_H), kErrInvalidArg);
    EXPECT_EQ(FillRect(empty, nullptr, 0), kErrNoPixels);
    Surface copy = Solid(2, 2, 0x3333);
    EXPECT_EQ(CopySurface(view, copy), kErrInvalidArg);
    EXPECT_TRUE(test::SameStorage(copy, Solid(2, 2, 0x3333)));
    EXPECT_TRUE(test::SameStorage(dst, Solid(4, 4, 0x1111)));
}

TEST(Blit, MatchesTheLiteralVersion) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> size(1, 40), pos(-50, 50), flagBits(0, 7), byte(0, 255);
    const std::uint32_t flagSets[] = {0, BLT_KEYED, BLT_FILL, BLT_BLEND};
    for (int iter = 0; iter < 3000; ++iter) {
        Surface src = test::RandomSurface(rng, size(rng), size(rng));
        Surface dst = test::RandomSurface(rng, size(rng), size(rng));
        Surface ref = test::Clone(dst);
        const auto bits = static_cast<std::uint32_t>(flagBits(rng));
        const std::uint32_t flags = iter % 4 == 0 ? flagSets[iter / 4 % 4] : bits;
        BlitEffect fx;
        fx.color = static_cast<Color>(rng() & 0xFFFFFF);
        fx.alpha = iter % 3 == 0 ? 127 : static_cast<std::uint16_t>(byte(rng));
        const BlitEffect* effect = iter % 5 != 0 ? &fx : nullptr;
        const Rect r(pos(rng), pos(rng), pos(rng), pos(rng));
        const Rect* rect = iter % 2 == 0 ? &r : nullptr;
        const std::int32_t x = pos(rng), y = pos(rng);
        ASSERT_EQ(Blit(dst, x, y, src, rect, flags, effect),
                  reference::Blit(ref, x, y, src, rect, flags, effect))
            << "iteration " << iter;
        ASSERT_TRUE(test::SameStorage(dst, ref)) << "iteration " << iter << " flags " << flags;
    }
}

TEST(FillRect, MatchesTheLiteralVersion) {
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> size(1, 40), pos(-20, 60), byte(0, 300);
    for (int iter = 0; iter < 3000; ++iter) {
        Surface dst = test::RandomSurface(rng, size(rng), size(rng));
        Surface ref = test::Clone(dst);
        const Rect r(pos(rng), pos(rng), pos(rng), pos(rng));
        const Color color = iter % 7 == 0 ? 0 : static_cast<Color>(rng() & 0xFFFFFF);
        const std::uint32_t flags = iter % 2 ? FILL_BLEND : 1;
        const auto alpha = static_cast<std::uint16_t>(iter % 3 == 0 ? 127 : byte(rng));
        const bool whole = iter % 11 == 0;
        ASSERT_EQ(FillRect(dst, whole ? nullptr : &r, color, flags, &alpha),
                  reference::FillRect(ref, whole ? nullptr : &r, color, flags, &alpha));
        ASSERT_TRUE(test::SameStorage(dst, ref)) << "iteration " << iter;
    }
}

TEST(CopySurface, DuplicatesPixelsButNotTheKey) {
    std::mt19937 rng(5);
    Surface src = test::RandomSurface(rng, 8, 5), dst; // even: no spare pixel
    src.SetColorKeyRaw(0x1234);
    dst.SetColorKeyRaw(0x4321);
    ASSERT_EQ(CopySurface(src, dst), kOk);
    EXPECT_EQ(dst.GetColorKey(), 0xF81F); // new size: the default key
    EXPECT_TRUE(test::SameStorage(dst, src));
    dst.SetColorKeyRaw(0x4321);
    ASSERT_EQ(CopySurface(src, dst), kOk);
    EXPECT_EQ(dst.GetColorKey(), 0x4321); // same size: keeps its own
}

TEST(DrawLine, MatchesTheLiteralVersionWithAndWithoutClipping) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> size(1, 50), pos(-80, 120), big(-2000000000, 2000000000);
    for (int iter = 0; iter < 20000; ++iter) {
        const int w = size(rng), h = size(rng);
        const bool huge = iter % 10 == 0;
        const int x1 = huge ? big(rng) : pos(rng), y1 = huge ? big(rng) : pos(rng);
        const int x2 = pos(rng), y2 = pos(rng);
        // Unclipped lines are tried only with short spans: the literal version steps through
        // every pixel of the line, inside or not.
        const std::uint32_t flags = (!huge && iter % 3 == 0) ? LINE_NOCLIP : 0;
        Surface a = Solid(w, h, 0), b = Solid(w, h, 0);
        DrawLine(a, x1, y1, x2, y2, 0x00ff00, flags);
        reference::DrawLine(b, x1, y1, x2, y2, 0x00ff00, flags);
        ASSERT_TRUE(test::SameStorage(a, b))
            << iter << ": " << x1 << "," << y1 << " -> " << x2 << "," << y2 << " on " << w << "x"
            << h << " flags " << flags;
    }
}

// The test above checks the pixels inside; this one that nothing lands outside.
TEST(DrawLine, UnclippedLinesAndSpansNeverLeaveTheSurface) {
    // The Surface borrows 100 pixels in the middle of a larger zeroed block; a write outside the
    // Surface would land in the rest of the block.
    Surface block = Solid(40, 40, 0);
    Surface view;
    ASSERT_EQ(view.Create(CREATE_NOSTORAGE, 10, 10), kOk);
    const std::size_t offset = 20 * block.GetPitch();
    view.AttachPixels(block.GetPixels() + offset);
    const int lines[][4] = {{-5, -5, 15, 15}, {-20, 3, 40, 7}, {4, -9, 6, 30}, {-3, 2, 12, 2},
                            {2, -3, 2, 40},   {12, 1, 14, 5},  {-8, 12, 5, 11}};
    for (const auto& l : lines) {
        DrawLine(view, l[0], l[1], l[2], l[3], 0xffffff, LINE_NOCLIP);
        DrawHSpan(view, l[0], l[1], 40, false, 0x1234);
        DrawVSpan(view, l[0], l[1], 40, false, 0x1234);
    }
    for (std::size_t i = 0; i < block.GetSize() / 2; ++i)
        ASSERT_TRUE(block.GetPixels()[i] == 0 || (i >= offset && i < offset + 100))
            << "outside write at index " << i;
}

TEST(DrawCircle, MatchesTheLiteralVersion) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> size(1, 40), pos(-30, 70), radius(-2, 60);
    for (int iter = 0; iter < 4000; ++iter) {
        const int w = size(rng), h = size(rng), cx = pos(rng), cy = pos(rng), r = radius(rng);
        const std::uint32_t flags = iter % 2 ? CIRCLE_FILLED : 0;
        Surface a = Solid(w, h, 0), b = Solid(w, h, 0);
        DrawCircle(a, cx, cy, r, 0xffffff, flags);
        reference::DrawCircle(b, cx, cy, r, 0xffffff, flags);
        ASSERT_TRUE(test::SameStorage(a, b))
            << iter << ": centre " << cx << "," << cy << " r " << r << " flags " << flags;
    }
}

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

// Arguments the comparison below never makes: a fill without its effect, an empty source, and a
// zoom that leaves no area to draw.
TEST(TransformBlit, RefusesFillsWithoutAnEffectAndEmptySources) {
    Surface dst = Solid(3, 1, 0), none;
    const Surface src = Positions(3, 1);
    EXPECT_EQ(TransformBlit(dst, nullptr, src, nullptr, BLT_FILL), kErrInvalidArg);
    EXPECT_EQ(TransformBlit(dst, nullptr, none, nullptr), kErrInvalidArg);
    const BlitEffect zero{0, 255, 0, 0};
    EXPECT_EQ(TransformBlit(dst, nullptr, src, nullptr, BLT_ZOOM, &zero), kOk);
    EXPECT_TRUE(test::SameStorage(dst, Solid(3, 1, 0)));
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
