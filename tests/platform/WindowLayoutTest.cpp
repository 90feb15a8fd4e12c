#include "platform/WindowLayout.h"

#include <gtest/gtest.h>

#include <tuple>

namespace brelvo::platform {
namespace {

auto Fields(const WindowLayout& l) {
    return std::tuple(l.scale, l.left, l.top, l.width, l.height);
}

TEST(WindowLayoutTest, TheScreenFitsByAWholeFactorAndIsCentred) {
    const struct {
        std::int32_t windowW, windowH;
        WindowLayout layout;
    } cases[] = {
        {480, 640, {2, 0, 0, 480, 640}},
        {1920, 1080, {3, 600, 60, 720, 960}},
        {479, 640, {1, 119, 160, 240, 320}},
        {100, 100, {1, 0, 0, 240, 320}}, // too small: the top-left part shows
        {2560, 1440, {4, 800, 80, 960, 1280}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Fields(FitScreen(c.windowW, c.windowH, 240, 320)), Fields(c.layout))
            << c.windowW << "x" << c.windowH;
}

TEST(WindowLayoutTest, WindowPositionsMapToScreenPixels) {
    const WindowLayout l = FitScreen(1920, 1080, 240, 320); // scale 3 at (600, 60)
    const struct {
        std::int32_t wx, wy, sx, sy;
    } cases[] = {
        {600, 60, 0, 0},        {602, 62, 0, 0},   {603, 63, 1, 1},   {1319, 1019, 239, 319},
        {1320, 1020, 240, 320}, {599, 59, -1, -1}, {0, 0, -200, -20},
    };
    for (const auto& c : cases) {
        std::int32_t sx = 0, sy = 0;
        WindowToScreen(l, c.wx, c.wy, sx, sy);
        EXPECT_EQ(std::tuple(sx, sy), std::tuple(c.sx, c.sy)) << c.wx << "," << c.wy;
    }
}

TEST(WindowLayoutTest, DefaultScaleIsTheLargestThatFitsButAtLeastTwo) {
    EXPECT_EQ(DefaultScale(800, 600, 240, 320), 2);
    EXPECT_EQ(DefaultScale(1920, 1050, 240, 320), 3);
    EXPECT_EQ(DefaultScale(3840, 2100, 240, 320), 6);
    EXPECT_EQ(DefaultScale(0, 0, 240, 320), 2); // no desktop size known
}

} // namespace
} // namespace brelvo::platform
