#include "base/Point.h"
#include "base/Rect.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace brelvo {
namespace {

TEST(GeometryTest, ContainsIncludesAllFourEdges) {
    const Rect r(10, 20, 30, 40);
    const struct {
        Point p;
        bool inside;
    } cases[] = {{{10, 20}, true}, {{30, 40}, true},  {{10, 40}, true},  {{30, 20}, true},
                 {{9, 30}, false}, {{31, 30}, false}, {{20, 19}, false}, {{20, 41}, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(r.Contains(c.p), c.inside) << c.p.x << "," << c.p.y;
        EXPECT_EQ(r.Contains(c.p.x, c.p.y), c.inside) << c.p.x << "," << c.p.y;
    }
    EXPECT_TRUE(Rect().Contains(Point()));
}

TEST(GeometryTest, CenterTruncatesTowardZero) {
    constexpr std::int32_t kMax = INT32_MAX;
    constexpr std::int32_t kMin = INT32_MIN;
    const struct {
        Rect r;
        Point center;
    } cases[] = {{{0, 0, 10, 10}, {5, 5}},
                 {{-3, -5, 0, 0}, {-1, -2}},
                 {{-7, 3, 2, 6}, {-2, 4}},
                 {{kMin, kMin, kMax, kMax}, {0, 0}}};
    for (const auto& c : cases) {
        const Point p = c.r.Center();
        EXPECT_EQ(p, c.center) << p.x << "," << p.y;
    }
}

TEST(GeometryTest, TranslationMovesEveryEdge) {
    const Rect r(1, 2, 3, 4);
    EXPECT_EQ(r.Translated(10, -20), Rect(11, -18, 13, -16));
    EXPECT_EQ(r.TranslatedBack(10, -20), Rect(-9, 22, -7, 24));
    EXPECT_EQ(Rect().TranslatedBack(INT32_MIN + 1, 0), Rect(INT32_MAX, 0, INT32_MAX, 0));
    EXPECT_NE(Point(1, 2), Point(2, 1));
    EXPECT_FALSE(r == Rect(1, 2, 3, 5));
}

} // namespace
} // namespace brelvo
