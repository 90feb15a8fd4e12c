#include "platform/WindowLayout.h"
#include "platform/PictureDecoder.h"
#include "platform/PngWriter.h"

#include <gtest/gtest.h>

#include <vector>

namespace brelvo::platform {
namespace {

TEST(WindowLayoutTest, TheScreenFitsByAWholeFactorAndIsCentred) {
    struct Case {
        std::int32_t windowW, windowH;
        WindowLayout layout;
    };
    const Case cases[] = {
        {480, 640, {2, 0, 0, 480, 640}},
        {1920, 1080, {3, 600, 60, 720, 960}},
        {479, 640, {1, 119, 160, 240, 320}},
        {100, 100, {1, 0, 0, 240, 320}}, // too small: the top-left part shows
        {2560, 1440, {4, 800, 80, 960, 1280}},
    };
    for (const Case& c : cases) {
        const WindowLayout l = FitScreen(c.windowW, c.windowH, 240, 320);
        EXPECT_EQ(l.scale, c.layout.scale) << c.windowW << "x" << c.windowH;
        EXPECT_EQ(l.left, c.layout.left);
        EXPECT_EQ(l.top, c.layout.top);
        EXPECT_EQ(l.width, c.layout.width);
        EXPECT_EQ(l.height, c.layout.height);
    }
}

TEST(WindowLayoutTest, WindowPositionsMapToScreenPixels) {
    const WindowLayout l = FitScreen(1920, 1080, 240, 320); // scale 3 at (600, 60)
    struct Case {
        std::int32_t wx, wy, sx, sy;
    };
    const Case cases[] = {
        {600, 60, 0, 0},        {602, 62, 0, 0},   {603, 63, 1, 1},   {1319, 1019, 239, 319},
        {1320, 1020, 240, 320}, {599, 59, -1, -1}, {0, 0, -200, -20},
    };
    for (const Case& c : cases) {
        std::int32_t sx = 0, sy = 0;
        WindowToScreen(l, c.wx, c.wy, sx, sy);
        EXPECT_EQ(sx, c.sx) << c.wx;
        EXPECT_EQ(sy, c.sy) << c.wy;
    }
}

TEST(WindowLayoutTest, DefaultScaleIsTheLargestThatFitsButAtLeastTwo) {
    EXPECT_EQ(DefaultScale(1024, 768, 240, 320), 2);
    EXPECT_EQ(DefaultScale(1920, 1050, 240, 320), 3);
    EXPECT_EQ(DefaultScale(3840, 2100, 240, 320), 6);
    EXPECT_EQ(DefaultScale(800, 600, 240, 320), 2);
    EXPECT_EQ(DefaultScale(0, 0, 240, 320), 2); // no desktop size known
}

TEST(PngWriterTest, TheTopBitsOfEveryChannelComeBack) {
    // Every pixel value once, in rows with spare pixels at their ends.
    const std::int32_t width = 256, height = 256;
    const std::size_t pitchPixels = 260;
    std::vector<std::uint16_t> pixels(pitchPixels * height, 0xDEAD);
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x)
            pixels[static_cast<std::size_t>(y) * pitchPixels + static_cast<std::size_t>(x)] =
                static_cast<std::uint16_t>(y * 256 + x);
    VectorSink png;
    ASSERT_TRUE(EncodeRgb565Png(pixels.data(), width, height, pitchPixels * 2, png));
    Bitmap decoded;
    ASSERT_EQ(DecodePng(png.Bytes().data(), png.Bytes().size(), decoded), kOk);
    ASSERT_EQ(decoded.width, width);
    ASSERT_EQ(decoded.height, height);
    ASSERT_EQ(decoded.channels, 3);
    int wrong = 0;
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* row = decoded.Row(y);
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint8_t* p = row + 3 * x;
            const auto back =
                static_cast<std::uint16_t>(((p[0] >> 3) << 11) | ((p[1] >> 2) << 5) | (p[2] >> 3));
            wrong += back != static_cast<std::uint16_t>(y * 256 + x);
        }
    }
    EXPECT_EQ(wrong, 0);
    // White stays white.
    EXPECT_EQ(decoded.Row(255)[3 * 255], 0xFF);

    VectorSink again;
    ASSERT_TRUE(EncodeRgb565Png(pixels.data(), width, height, pitchPixels * 2, again));
    EXPECT_EQ(again.Bytes(), png.Bytes());
    EXPECT_FALSE(EncodeRgb565Png(pixels.data(), 0, height, pitchPixels * 2, again));
    EXPECT_FALSE(EncodeRgb565Png(pixels.data(), width, height, 2, again));
}

} // namespace
} // namespace brelvo::platform
