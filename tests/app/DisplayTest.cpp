#include "app/Display.h"
#include "platform/HeadlessWindow.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace brelvo {
namespace {

// A frame buffer in memory, laid out as its properties say (pitches may be negative).
class MemoryFrameBuffer final : public platform::DirectDisplay {
public:
    MemoryFrameBuffer(std::uint32_t width, std::uint32_t height, std::int32_t xPitch,
                      std::int32_t yPitch)
        : m_bytes(static_cast<std::size_t>(width) * height * 2, 0) {
        m_properties = {width, height, xPitch, yPitch, 16, 0};
        // Pixel (0, 0) lies where the negative pitches start counting back from.
        std::size_t origin = 0;
        if (xPitch < 0)
            origin += static_cast<std::size_t>(-xPitch) * (width - 1);
        if (yPitch < 0)
            origin += static_cast<std::size_t>(-yPitch) * (height - 1);
        m_origin = origin;
    }

    bool GetProperties(platform::DirectDisplayProperties& out) override {
        out = m_properties;
        return true;
    }
    bool Open() override { return opens++, !refuseOpen; }
    bool Close() override { return ++closes, true; }
    std::uint8_t* BeginDraw() override {
        ++draws;
        return m_bytes.data() + m_origin;
    }
    void EndDraw() override {}

    Pixel At(std::int32_t sx, std::int32_t sy) const {
        Pixel p;
        std::memcpy(&p,
                    m_bytes.data() + m_origin + sx * m_properties.xPitch + sy * m_properties.yPitch,
                    sizeof p);
        return p;
    }

    bool refuseOpen = false;
    int opens = 0;
    int closes = 0;
    int draws = 0;

private:
    platform::DirectDisplayProperties m_properties;
    std::vector<std::uint8_t> m_bytes;
    std::size_t m_origin = 0;
};

TEST(DisplayTest, ATapLandsOnTheBackBufferPixelShownUnderIt) {
    // A portrait frame buffer of 240 x 320, and the back buffer turned on it: for orientation 4
    // and 8 the back buffer is 320 wide. Whatever the turn, the back-buffer pixel drawn at a
    // screen position and the tap at that position must agree (MapPoint lands one past the
    // mirror pixel on a reversed axis, as the handheld's did).
    struct Case {
        std::uint32_t orientation;
        std::int32_t width, height;
        Point tap, mapped, shownAt; // mapped: where the tap lands; shownAt: the pixel drawn there
    };
    const Case cases[] = {
        {1, 240, 320, {10, 20}, {10, 20}, {10, 20}},
        {2, 240, 320, {10, 20}, {230, 300}, {229, 299}},
        {4, 320, 240, {10, 20}, {300, 10}, {299, 10}},
        {8, 320, 240, {10, 20}, {20, 230}, {20, 229}},
    };
    for (const Case& c : cases) {
        MemoryFrameBuffer frameBuffer(240, 320, 2, 480);
        Display display;
        ASSERT_EQ(display.ChangeMode(c.orientation, &frameBuffer), kOk);
        ASSERT_EQ(display.Open(nullptr, 0), kOk);
        ASSERT_EQ(display.GetWidth(), c.width);
        ASSERT_EQ(display.GetHeight(), c.height);
        Point p = c.tap;
        display.MapPoint(p);
        EXPECT_EQ(p, c.mapped) << "orientation " << c.orientation;

        Surface back;
        display.GetBackbuffer(back);
        back.Header().Row(c.shownAt.y)[c.shownAt.x] = 0x1234;
        ASSERT_EQ(display.Present(), kOk);
        EXPECT_EQ(frameBuffer.At(c.tap.x, c.tap.y), 0x1234) << "orientation " << c.orientation;
    }
}

TEST(DisplayTest, TheDesignCaseOfALandscapeFrameBuffer) {
    // A frame buffer 320 wide and 240 high turned by orientation 4 gives a back buffer 240 wide,
    // on which a tap at (10, 20) is delivered as (220, 10).
    MemoryFrameBuffer frameBuffer(320, 240, 2, 640);
    Display display;
    ASSERT_EQ(display.ChangeMode(4, &frameBuffer), kOk);
    ASSERT_EQ(display.Open(nullptr, 0), kOk);
    EXPECT_EQ(display.GetWidth(), 240);
    Point p(10, 20);
    display.MapPoint(p);
    EXPECT_EQ(p, Point(220, 10));
}

TEST(DisplayTest, PresentIsRefusedWhileSuspended) {
    MemoryFrameBuffer frameBuffer(240, 320, 2, 480);
    Display display;
    ASSERT_EQ(display.ChangeMode(1, &frameBuffer), kOk);
    ASSERT_EQ(display.Open(nullptr, 0), kOk);
    display.Suspend();
    EXPECT_EQ(display.Present(), kErrSuspended);
    EXPECT_EQ(frameBuffer.draws, 0);
    display.Resume();
    EXPECT_EQ(display.Present(), kOk);
    EXPECT_EQ(frameBuffer.draws, 1);
}

TEST(DisplayTest, AFrameBufferThatCannotBeHadFailsTheOpen) {
    MemoryFrameBuffer frameBuffer(240, 320, 2, 480);
    frameBuffer.refuseOpen = true;
    Display display;
    display.ChangeMode(1, &frameBuffer);
    EXPECT_EQ(display.Open(nullptr, 0), kErrDisplay);
    EXPECT_EQ(display.Present(), kOk); // nothing to present, nothing drawn
    EXPECT_EQ(frameBuffer.draws, 0);
}

TEST(DisplayTest, TurningBetweenPortraitAndLandscapeReopens) {
    MemoryFrameBuffer frameBuffer(240, 320, 2, 480);
    Display display;
    display.ChangeMode(1, &frameBuffer);
    ASSERT_EQ(display.Open(nullptr, 0), kOk);
    ASSERT_EQ(display.ChangeMode(2, &frameBuffer), kOk);
    EXPECT_EQ(frameBuffer.opens, 1); // same family: only the orientation changes
    ASSERT_EQ(display.ChangeMode(8, &frameBuffer), kOk);
    EXPECT_EQ(frameBuffer.opens, 2);
    EXPECT_EQ(frameBuffer.closes, 1);
    EXPECT_EQ(display.GetWidth(), 320);
    EXPECT_EQ(display.Orientation(), 8u);
}

TEST(DisplayTest, WindowPresentationHandsTheWholeFrameToTheWindow) {
    platform::HeadlessWindow window({});
    ASSERT_EQ(window.Create({}), kOk);
    Display display;
    // A window shows the back buffer upright whatever orientation is asked for.
    ASSERT_EQ(display.ChangeMode(4, nullptr), kOk);
    EXPECT_EQ(display.Orientation(), 1u);
    ASSERT_EQ(display.Open(&window, 0), kOk);
    EXPECT_EQ(display.GetWidth(), 240);
    EXPECT_EQ(display.GetHeight(), 320);
    EXPECT_EQ(display.Present(), kOk);
    EXPECT_EQ(window.ComposedFrames(), 1u);
    display.Suspend();
    EXPECT_EQ(display.Present(), kErrSuspended);
    EXPECT_EQ(window.ComposedFrames(), 1u);
}

} // namespace
} // namespace brelvo
