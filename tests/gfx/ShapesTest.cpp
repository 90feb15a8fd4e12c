#include "gfx/Shapes.h"

#include "tests/gfx/TestSupport.h"
#include "tests/reference/Reference.h"

#include <gtest/gtest.h>

#include <random>

namespace brelvo {
namespace {

using test::Solid;

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
        if (i < offset || i >= offset + 100) {
            ASSERT_EQ(block.GetPixels()[i], 0) << "outside write at index " << i;
        }
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

} // namespace
} // namespace brelvo
