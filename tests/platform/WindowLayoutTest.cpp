#include "platform/WindowLayout.h"

#include <gtest/gtest.h>

#include <tuple>

namespace brelvo::platform {
namespace {

auto Fields(const WindowLayout& l) {
    return std::tuple(l.scale, l.left, l.top, l.width, l.height);
}

// The 240 x 320 screen fits by a whole factor and is centred; a window too small shows its
// top-left part. Window positions map to screen pixels rounding down, also left of and above it.
TEST(WindowLayoutTest, TheScreenFitsByAWholeFactorAndWindowPositionsMapToPixels) {
    using Fit = std::tuple<std::int32_t, std::int32_t, WindowLayout>;
    const Fit fits[] = {Fit{480, 640, {2, 0, 0, 480, 640}}, Fit{1920, 1080, {3, 600, 60, 720, 960}},
                        Fit{479, 640, {1, 119, 160, 240, 320}}, Fit{100, 100, {1, 0, 0, 240, 320}}};
    for (const auto& [w, h, layout] : fits)
        EXPECT_EQ(Fields(FitScreen(w, h, 240, 320)), Fields(layout)) << w << "x" << h;

    const WindowLayout l = FitScreen(1920, 1080, 240, 320); // scale 3 at (600, 60)
    const std::int32_t positions[][4] = {
        {600, 60, 0, 0}, {602, 62, 0, 0}, {603, 63, 1, 1}, {599, 59, -1, -1}, {0, 0, -200, -20}};
    for (const auto& [wx, wy, x, y] : positions) {
        std::int32_t sx = 0, sy = 0;
        WindowToScreen(l, wx, wy, sx, sy);
        EXPECT_EQ(std::tuple(sx, sy), std::tuple(x, y)) << wx << "," << wy;
    }
    // The largest scale that fits the desktop, but at least two, also with no desktop size known.
    EXPECT_EQ(DefaultScale(800, 600, 240, 320), 2);
    EXPECT_EQ(DefaultScale(1920, 1050, 240, 320), 3);
    EXPECT_EQ(DefaultScale(0, 0, 240, 320), 2);
}

} // namespace
} // namespace brelvo::platform
