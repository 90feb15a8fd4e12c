#include "gfx/Blit.h"

#include "tests/gfx/TestSupport.h"
#include "tests/reference/Reference.h"

#include <gtest/gtest.h>

#include <random>

namespace brelvo {
namespace {

using test::PixelAt;

Surface Solid(std::int32_t w, std::int32_t h, Pixel p) {
    Surface s;
    EXPECT_EQ(s.Create(0, w, h), kOk);
    for (std::uint32_t i = 0; i < s.GetSize() / 2; ++i)
        s.GetPixels()[i] = p;
    return s;
}

// A source whose pixel at column x is x + 1, so positions can be read back from values.
Surface Ramp(std::int32_t w, std::int32_t h) {
    Surface s;
    EXPECT_EQ(s.Create(0, w, h), kOk);
    for (std::int32_t y = 0; y < h; ++y)
        for (std::int32_t x = 0; x < w; ++x)
            s.GetPixels()[y * static_cast<std::int32_t>(s.GetPitch()) + x] =
                static_cast<Pixel>(1 + x + 100 * y);
    return s;
}

TEST(Blit, ClipsAgainstTheDestination) {
    Surface dst = Solid(100, 4, 0);
    const Surface src = Ramp(10, 1);
    ASSERT_EQ(Blit(dst, -3, 0, src), kOk);
    for (int x = 0; x < 7; ++x)
        EXPECT_EQ(PixelAt(dst, x, 0), 4 + x);
    EXPECT_EQ(PixelAt(dst, 7, 0), 0);

    Surface untouched = Solid(100, 4, 0);
    EXPECT_EQ(Blit(untouched, 100, 0, src), kOk);
    EXPECT_EQ(Blit(untouched, 0, 4, src), kOk);
    EXPECT_TRUE(test::SameStorage(untouched, Solid(100, 4, 0)));

    // A negative left of the source rectangle is raised to 0 without moving the destination.
    Surface d2 = Solid(20, 1, 0);
    const Rect r(-5, 0, 4, 1);
    ASSERT_EQ(Blit(d2, 2, 0, src, &r), kOk);
    EXPECT_EQ(PixelAt(d2, 1, 0), 0);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(PixelAt(d2, 2 + x, 0), 1 + x);
    EXPECT_EQ(PixelAt(d2, 6, 0), 0);
}

TEST(Blit, EffectFlagsNeedAnEffectUnlessKeyed) {
    Surface dst = Solid(4, 4, 0x1111);
    Surface src = Solid(4, 4, 0x2222);
    EXPECT_EQ(Blit(dst, 0, 0, src, nullptr, BLT_FILL), kErrInvalidArg);
    EXPECT_EQ(Blit(dst, 0, 0, src, nullptr, BLT_MIRROR_H), kErrInvalidArg);
    EXPECT_TRUE(test::SameStorage(dst, Solid(4, 4, 0x1111)));
    src.GetPixels()[0] = src.GetColorKey();
    ASSERT_EQ(Blit(dst, 0, 0, src, nullptr, BLT_KEYED | BLT_FILL), kOk);
    EXPECT_EQ(PixelAt(dst, 0, 0), 0x1111); // key: unchanged
    EXPECT_EQ(PixelAt(dst, 1, 0), 0x0000); // black silhouette
    EXPECT_EQ(PixelAt(dst, 3, 3), 0x0000);
}

TEST(Blit, FillCoversEveryRowOfTheArea) {
    Surface dst = Solid(6, 6, 0);
    const Surface src = Solid(3, 4, 0x1234);
    const BlitEffect fx{0x0000ff, 255, 0, 100};
    ASSERT_EQ(Blit(dst, 1, 1, src, nullptr, BLT_FILL, &fx), kOk);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(PixelAt(dst, x, y), (x >= 1 && x < 4 && y >= 1 && y < 5) ? 0xF800 : 0)
                << x << "," << y;
}

TEST(Blit, BlendUsesTheChannelArithmetic) {
    for (auto [alpha, expected] : {std::pair{127, 0x7BEF}, std::pair{255, 0xF7DE}}) {
        Surface dst = Solid(2, 2, 0x0000);
        const Surface src = Solid(2, 2, 0xFFFF);
        const BlitEffect fx{0, static_cast<std::uint16_t>(alpha), 0, 100};
        ASSERT_EQ(Blit(dst, 0, 0, src, nullptr, BLT_BLEND | BLT_FILL, &fx), kOk);
        EXPECT_EQ(PixelAt(dst, 1, 1), expected);
    }
}

TEST(Blit, SourceWithoutStorageDrawsNothing) {
    Surface dst = Solid(4, 4, 0x1111);
    Surface view;
    ASSERT_EQ(view.Create(CREATE_NOSTORAGE, 4, 4), kOk);
    EXPECT_EQ(Blit(dst, 0, 0, view), kErrInvalidArg);
    Surface copy = Solid(2, 2, 0x3333);
    EXPECT_EQ(CopySurface(view, copy), kErrInvalidArg);
    EXPECT_EQ(copy.GetWidth(), 2);
    EXPECT_EQ(PixelAt(copy, 1, 1), 0x3333);
    Surface empty;
    EXPECT_EQ(Blit(empty, 0, 0, dst), kErrInvalidArg);
}

TEST(Blit, MatchesTheLiteralVersion) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> size(1, 40), pos(-50, 50), flagBits(0, 7), byte(0, 255);
    const std::uint32_t flagSets[] = {0, BLT_KEYED, BLT_FILL, BLT_BLEND};
    for (int iter = 0; iter < 3000; ++iter) {
        Surface src = test::RandomSurface(rng, size(rng), size(rng));
        Surface dst = test::RandomSurface(rng, size(rng), size(rng));
        Surface ref = test::Clone(dst);
        std::uint32_t flags = static_cast<std::uint32_t>(flagBits(rng));
        if (iter % 4 == 0)
            flags = flagSets[iter / 4 % 4];
        BlitEffect fx;
        fx.color = static_cast<Color>(rng() & 0xFFFFFF);
        fx.alpha = iter % 3 == 0 ? 127 : static_cast<std::uint16_t>(byte(rng));
        const bool withEffect = iter % 5 != 0;
        const Rect r(pos(rng), pos(rng), pos(rng), pos(rng));
        const bool withRect = iter % 2 == 0;
        const std::int32_t x = pos(rng), y = pos(rng);
        const HResult got =
            Blit(dst, x, y, src, withRect ? &r : nullptr, flags, withEffect ? &fx : nullptr);
        const HResult want = reference::Blit(ref, x, y, src, withRect ? &r : nullptr, flags,
                                             withEffect ? &fx : nullptr);
        ASSERT_EQ(got, want) << "iteration " << iter;
        ASSERT_TRUE(test::SameStorage(dst, ref)) << "iteration " << iter << " flags " << flags;
    }
}

TEST(FillRect, WholeSurface) {
    Surface s = Solid(5, 3, 0x1234);
    ASSERT_EQ(FillRect(s, nullptr, 0xc7c7c7), kOk);
    EXPECT_TRUE(test::SameStorage(s, Solid(5, 3, 0xC638)));
    ASSERT_EQ(FillRect(s, nullptr, 0xffffff), kOk);
    EXPECT_TRUE(test::SameStorage(s, Solid(5, 3, 0xFFFF)));
    Surface none;
    EXPECT_EQ(FillRect(none, nullptr, 0), kErrNoPixels);
}

TEST(FillRect, EdgeRule) {
    struct Case {
        Rect rect;
        int firstX, lastX, firstY, lastY; // filled area, inclusive; lastX < firstX for none
    };
    const Case cases[] = {
        {Rect(0, 0, 30, 20), 0, 28, 0, 18},   // never the last column or row
        {Rect(10, 5, 10, 5), 0, -1, 0, -1},   // left equals right: nothing
        {Rect(10, 5, 20, 5), 10, 19, 5, 5},   // top equals bottom: the top row alone
        {Rect(20, 9, 10, 4), 10, 19, 4, 8},   // edges put in order
        {Rect(-5, -5, 3, 2), 0, 2, 0, 1},     // clipped at the origin
        {Rect(30, 0, 40, 5), 0, -1, 0, -1},   // left beyond the width
        {Rect(-9, -9, -1, -1), 0, -1, 0, -1}, // right below 0
    };
    for (const Case& c : cases) {
        Surface s = Solid(30, 20, 0);
        ASSERT_EQ(FillRect(s, &c.rect, 0xffffff, 1), kOk);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 30; ++x) {
                const bool in = x >= c.firstX && x <= c.lastX && y >= c.firstY && y <= c.lastY;
                ASSERT_EQ(PixelAt(s, x, y), in ? 0xFFFF : 0)
                    << "rect " << c.rect.left << "," << c.rect.top << "," << c.rect.right << ","
                    << c.rect.bottom << " at " << x << "," << y;
            }
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
    Surface src = test::RandomSurface(rng, 7, 5);
    src.SetColorKeyRaw(0x1234);
    Surface dst;
    dst.SetColorKeyRaw(0x4321);
    ASSERT_EQ(CopySurface(src, dst), kOk);
    EXPECT_EQ(dst.GetColorKey(), 0xF81F); // new size: the default key
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            ASSERT_EQ(PixelAt(dst, x, y), PixelAt(src, x, y));
    dst.SetColorKeyRaw(0x4321);
    ASSERT_EQ(CopySurface(src, dst), kOk);
    EXPECT_EQ(dst.GetColorKey(), 0x4321); // same size: keeps its own
}

} // namespace
} // namespace brelvo
