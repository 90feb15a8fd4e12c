#include "app/StylusMapping.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace brelvo {
namespace {

TEST(StylusMappingTest, MapPointTurnsWithTheOrientation) {
    struct Case {
        std::uint32_t orientation;
        std::int32_t w, h;
        Point in, out;
    };
    const Case cases[] = {
        {1, 240, 320, {10, 20}, {10, 20}},   {2, 240, 320, {10, 20}, {230, 300}},
        {4, 240, 320, {10, 20}, {220, 10}},  {8, 240, 320, {10, 20}, {20, 310}},
        {4, 320, 240, {0, 0}, {320, 0}},     {8, 320, 240, {239, 319}, {319, 1}},
        {2, 240, 320, {240, 320}, {0, 0}},   {16, 240, 320, {10, 20}, {10, 20}},
        {0, 240, 320, {-5, 400}, {-5, 400}},
    };
    for (const Case& c : cases) {
        Point p = c.in;
        MapPoint(c.orientation, c.w, c.h, p);
        EXPECT_EQ(p, c.out) << "orientation " << c.orientation << " at " << c.in.x << "," << c.in.y;
    }
}

// Every back-buffer pixel is unique and none is 0, the value the frame buffer starts with.
Pixel Pattern(std::int32_t x, std::int32_t y) {
    return static_cast<Pixel>(1 + x + 97 * y);
}

// A back buffer w x h holding the pattern.
Surface PatternBuffer(std::int32_t w, std::int32_t h) {
    Surface back;
    EXPECT_EQ(back.Create(CREATE_CLEAR, w, h), kOk);
    for (std::int32_t y = 0; y < h; ++y)
        for (std::int32_t x = 0; x < w; ++x)
            back.Header().Row(y)[x] = Pattern(x, y);
    return back;
}

struct Screen {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> bytes;
    std::uint8_t* origin = nullptr; // screen pixel (0, 0)
    int xStep = 0;
    int yStep = 0;

    Pixel At(std::int32_t sx, std::int32_t sy) const {
        Pixel p;
        std::memcpy(&p, origin + 2 * (sx * xStep + sy * yStep), sizeof p);
        return p;
    }
};

// A screen of the given size laid out in memory as the steps say, with a guard pixel on each
// side that nothing may touch. Negative steps put the origin at the far end of the block.
Screen MakeScreen(std::int32_t width, std::int32_t height, int xStep, int yStep) {
    Screen s;
    s.width = width;
    s.height = height;
    s.xStep = xStep;
    s.yStep = yStep;
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    s.bytes.assign((pixels + 2) * 2, 0);
    std::ptrdiff_t lowest = 0;
    if (xStep < 0)
        lowest += static_cast<std::ptrdiff_t>(width - 1) * xStep;
    if (yStep < 0)
        lowest += static_cast<std::ptrdiff_t>(height - 1) * yStep;
    s.origin = s.bytes.data() + 2 * (1 - lowest);
    return s;
}

TEST(StylusMappingTest, CopyTurnsThePicturePixelByPixel) {
    struct Layout {
        int xStep; // in pixels, for a screen sw wide and sh high
        int yStep;
    };
    for (std::uint32_t orientation : {1u, 2u, 4u, 8u}) {
        // An odd width, so the back buffer's rows carry a spare pixel.
        const std::int32_t w = 5;
        const std::int32_t h = 3;
        const bool turned = orientation == 4 || orientation == 8;
        const std::int32_t sw = turned ? h : w;
        const std::int32_t sh = turned ? w : h;
        const Surface back = PatternBuffer(w, h);

        // Row-major, column-major, and the landscape panel's negative x step.
        const Layout layouts[] = {{1, sw}, {sh, 1}, {-sh, 1}, {-1, -sw}};
        for (const Layout& l : layouts) {
            Screen screen = MakeScreen(sw, sh, l.xStep, l.yStep);
            CopyToFrameBuffer(back, orientation, screen.origin, l.xStep, l.yStep);
            for (std::int32_t sy = 0; sy < sh; ++sy) {
                for (std::int32_t sx = 0; sx < sw; ++sx) {
                    Pixel expected = 0;
                    switch (orientation) {
                    case 1:
                        expected = Pattern(sx, sy);
                        break;
                    case 2:
                        expected = Pattern(w - 1 - sx, h - 1 - sy);
                        break;
                    case 4:
                        expected = Pattern(w - 1 - sy, sx);
                        break;
                    case 8:
                        expected = Pattern(sy, h - 1 - sx);
                        break;
                    }
                    EXPECT_EQ(screen.At(sx, sy), expected)
                        << "orientation " << orientation << " steps " << l.xStep << "," << l.yStep
                        << " screen " << sx << "," << sy;
                }
            }
            const std::size_t last = screen.bytes.size() - 2;
            EXPECT_EQ(screen.bytes[0] | screen.bytes[1], 0) << "guard before";
            EXPECT_EQ(screen.bytes[last] | screen.bytes[last + 1], 0) << "guard after";
        }
    }
}

// A tap handed through MapPoint lands on the pixel drawn under it, except that on each reversed
// axis it lands one further along, as the mapping's W - x (rather than W - 1 - x) makes it.
TEST(StylusMappingTest, TapLandsWhereThePixelIsDrawn) {
    for (std::uint32_t orientation : {1u, 2u, 4u, 8u}) {
        const std::int32_t w = 6;
        const std::int32_t h = 4;
        const bool turned = orientation == 4 || orientation == 8;
        const std::int32_t sw = turned ? h : w;
        const std::int32_t sh = turned ? w : h;
        const Surface back = PatternBuffer(w, h);
        Screen screen = MakeScreen(sw, sh, 1, sw);
        CopyToFrameBuffer(back, orientation, screen.origin, 1, sw);

        for (std::int32_t sy = 0; sy < sh; ++sy) {
            for (std::int32_t sx = 0; sx < sw; ++sx) {
                Point tap(sx, sy);
                MapPoint(orientation, w, h, tap);
                const Pixel drawn = screen.At(sx, sy);
                // The back-buffer axes that run against the screen's: x for 2 and 4, y for 2
                // and 8.
                const std::int32_t dx = orientation == 2 || orientation == 4 ? 1 : 0;
                const std::int32_t dy = orientation == 2 || orientation == 8 ? 1 : 0;
                EXPECT_EQ(drawn, Pattern(tap.x - dx, tap.y - dy))
                    << "orientation " << orientation << " tap " << sx << "," << sy;
            }
        }
    }
}

TEST(StylusMappingTest, UnknownOrientationOrNoBufferCopiesNothing) {
    Surface back;
    ASSERT_EQ(back.Create(CREATE_CLEAR, 2, 2), kOk);
    back.Header().Row(0)[0] = 7;
    Screen screen = MakeScreen(2, 2, 1, 2);
    CopyToFrameBuffer(back, 3, screen.origin, 1, 2);
    CopyToFrameBuffer(back, 1, nullptr, 1, 2);
    for (std::uint8_t b : screen.bytes)
        EXPECT_EQ(b, 0);
    Surface empty;
    CopyToFrameBuffer(empty, 1, screen.origin, 1, 2);
    for (std::uint8_t b : screen.bytes)
        EXPECT_EQ(b, 0);
}

} // namespace
} // namespace brelvo
