#include "gfx/Blit.h"

#include "tests/gfx/TestSupport.h"
#include "tests/reference/Reference.h"

#include <gtest/gtest.h>

#include <random>

namespace brelvo {
namespace {

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
    Surface src = test::RandomSurface(rng, 8, 5); // even: no spare pixel
    src.SetColorKeyRaw(0x1234);
    Surface dst;
    dst.SetColorKeyRaw(0x4321);
    ASSERT_EQ(CopySurface(src, dst), kOk);
    EXPECT_EQ(dst.GetColorKey(), 0xF81F); // new size: the default key
    EXPECT_TRUE(test::SameStorage(dst, src));
    dst.SetColorKeyRaw(0x4321);
    ASSERT_EQ(CopySurface(src, dst), kOk);
    EXPECT_EQ(dst.GetColorKey(), 0x4321); // same size: keeps its own
}

} // namespace
} // namespace brelvo
