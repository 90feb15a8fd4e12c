#include "app/StylusMapping.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace brelvo {
namespace {

// Where taps on the screen's corners and edges land: the facts that pin each orientation's turn
// (the round trip below then holds the picture to the same turn).
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

// A frame buffer of sw x sh pixels laid out in memory as the steps say, with a guard pixel on
// each side that nothing may touch. Negative steps put the origin at the far end of the block.
struct Screen {
    Screen(std::int32_t sw, std::int32_t sh, int xs, int ys)
        : bytes((static_cast<std::size_t>(sw * sh) + 2) * 2, 0), xStep(xs), yStep(ys) {
        const std::ptrdiff_t lowest = (xs < 0 ? (sw - 1) * xs : 0) + (ys < 0 ? (sh - 1) * ys : 0);
        origin = bytes.data() + 2 * (1 - lowest);
    }
    Pixel At(std::int32_t sx, std::int32_t sy) const {
        Pixel p;
        std::memcpy(&p, origin + 2 * (sx * xStep + sy * yStep), sizeof p);
        return p;
    }
    bool GuardsUntouched() const {
        return (bytes[0] | bytes[1] | bytes[bytes.size() - 2] | bytes.back()) == 0;
    }

    std::vector<std::uint8_t> bytes;
    std::uint8_t* origin = nullptr; // screen pixel (0, 0)
    int xStep = 0;
    int yStep = 0;
};

// The round trip: for every screen point, the pixel copied there is the one a tap there maps to,
// except that on each reversed axis the tap lands one further along, as the mapping's W - x
// (rather than W - 1 - x) makes it. It holds in every frame-buffer layout, and the copy writes
// nothing outside the screen.
TEST(StylusMappingTest, ATapLandsOnThePixelCopiedUnderIt) {
    // An odd width, so the back buffer's rows carry a spare pixel.
    const std::int32_t w = 5;
    const std::int32_t h = 3;
    Surface back;
    ASSERT_EQ(back.Create(CREATE_CLEAR, w, h), kOk);
    for (std::int32_t y = 0; y < h; ++y)
        for (std::int32_t x = 0; x < w; ++x)
            back.Header().Row(y)[x] = Pattern(x, y);
    for (std::uint32_t orientation : {1u, 2u, 4u, 8u}) {
        const bool turned = orientation == 4 || orientation == 8;
        const std::int32_t sw = turned ? h : w;
        const std::int32_t sh = turned ? w : h;
        // The back-buffer axes that run against the screen's: x for 2 and 4, y for 2 and 8.
        const std::int32_t dx = orientation == 2 || orientation == 4 ? 1 : 0;
        const std::int32_t dy = orientation == 2 || orientation == 8 ? 1 : 0;
        // Row-major, column-major, and the landscape panel's negative steps.
        const std::pair<int, int> layouts[] = {{1, sw}, {sh, 1}, {-sh, 1}, {-1, -sw}};
        for (const auto& [xStep, yStep] : layouts) {
            SCOPED_TRACE(testing::Message()
                         << "orientation " << orientation << " steps " << xStep << "," << yStep);
            Screen screen(sw, sh, xStep, yStep);
            CopyToFrameBuffer(back, orientation, screen.origin, xStep, yStep);
            for (std::int32_t sy = 0; sy < sh; ++sy) {
                for (std::int32_t sx = 0; sx < sw; ++sx) {
                    Point tap(sx, sy);
                    MapPoint(orientation, w, h, tap);
                    EXPECT_EQ(screen.At(sx, sy), Pattern(tap.x - dx, tap.y - dy))
                        << "screen " << sx << "," << sy;
                }
            }
            EXPECT_TRUE(screen.GuardsUntouched());
        }
    }
    // An unknown orientation, no frame buffer or no back buffer copies nothing.
    Screen screen(w, h, 1, w);
    CopyToFrameBuffer(back, 3, screen.origin, 1, w);
    CopyToFrameBuffer(back, 1, nullptr, 1, w);
    CopyToFrameBuffer(Surface(), 1, screen.origin, 1, w);
    EXPECT_EQ(screen.bytes, std::vector<std::uint8_t>(screen.bytes.size(), 0));
}

} // namespace
} // namespace brelvo
