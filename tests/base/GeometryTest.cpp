#include "base/Point.h"
#include "base/Rect.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace brelvo {
namespace {

// A rectangle holds all four of its edges; its centre truncates toward zero, also at the ends
// of the range, and translation moves every edge.
TEST(GeometryTest, EdgesCentreAndTranslation) {
    const Rect r(10, 20, 30, 40);
    const std::pair<Point, bool> points[] = {{{10, 20}, true},  {{30, 40}, true}, {{10, 40}, true},
                                             {{30, 20}, true},  {{9, 30}, false}, {{31, 30}, false},
                                             {{20, 19}, false}, {{20, 41}, false}};
    for (const auto& [p, inside] : points) {
        EXPECT_EQ(r.Contains(p), inside) << p.x << "," << p.y;
        EXPECT_EQ(r.Contains(p.x, p.y), inside) << p.x << "," << p.y;
    }
    EXPECT_TRUE(Rect().Contains(Point()));
    using Centre = std::pair<Rect, Point>;
    for (const auto& [rect, centre] :
         {Centre{{0, 0, 10, 10}, {5, 5}}, Centre{{-3, -5, 0, 0}, {-1, -2}},
          Centre{{-7, 3, 2, 6}, {-2, 4}},
          Centre{{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, {0, 0}}})
        EXPECT_EQ(rect.Center(), centre) << rect.Center().x << "," << rect.Center().y;
    const Rect small(1, 2, 3, 4);
    EXPECT_EQ(small.Translated(10, -20), Rect(11, -18, 13, -16));
    EXPECT_EQ(small.TranslatedBack(10, -20), Rect(-9, 22, -7, 24));
    EXPECT_EQ(Rect().TranslatedBack(INT32_MIN + 1, 0), Rect(INT32_MAX, 0, INT32_MAX, 0));
}

} // namespace
} // namespace brelvo
