#include "app/Display.h"
#include "platform/HeadlessWindow.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace brelvo {
namespace {

// A row-major frame buffer in memory, width x height pixels of 16 bits.
class MemoryFrameBuffer final : public platform::DirectDisplay {
public:
    MemoryFrameBuffer(std::uint32_t width = 240, std::uint32_t height = 320)
        : m_bytes(static_cast<std::size_t>(width) * height * 2, 0) {
        m_properties = {width, height, 2, static_cast<std::int32_t>(width * 2), 16, 0};
    }

    bool GetProperties(platform::DirectDisplayProperties& out) override {
        out = m_properties;
        return true;
    }
    bool Open() override { return opens++, !refuseOpen; }
    bool Close() override { return ++closes, true; }
    std::uint8_t* BeginDraw() override { return ++draws, m_bytes.data(); }
    void EndDraw() override {}

    Pixel At(std::int32_t sx, std::int32_t sy) const {
        Pixel p;
        std::memcpy(&p, m_bytes.data() + sx * 2 + sy * m_properties.yPitch, sizeof p);
        return p;
    }

    bool refuseOpen = false;
    int opens = 0;
    int closes = 0;
    int draws = 0;

private:
    platform::DirectDisplayProperties m_properties;
    std::vector<std::uint8_t> m_bytes;
};

TEST(DisplayTest, ATapLandsOnTheBackBufferPixelShownUnderIt) {
    // The back buffer is the frame buffer turned: for orientation 4 and 8 on a portrait frame
    // buffer it is 320 wide, on a landscape one 240. Whatever the turn, the back-buffer pixel
    // drawn at a screen position and the tap at that position must agree (MapPoint lands one past
    // the mirror pixel on a reversed axis, as the handheld's did).
    struct Case {
        std::uint32_t orientation;
        std::uint32_t frameWidth, frameHeight;
        std::int32_t width, height;
        Point tap, mapped, shownAt; // mapped: where the tap lands; shownAt: the pixel drawn there
    };
    const Case cases[] = {
        {1, 240, 320, 240, 320, {10, 20}, {10, 20}, {10, 20}},
        {2, 240, 320, 240, 320, {10, 20}, {230, 300}, {229, 299}},
        {4, 240, 320, 320, 240, {10, 20}, {300, 10}, {299, 10}},
        {8, 240, 320, 320, 240, {10, 20}, {20, 230}, {20, 229}},
        {4, 320, 240, 240, 320, {10, 20}, {220, 10}, {219, 10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "orientation " << c.orientation << " on " << c.frameWidth
                                        << "x" << c.frameHeight);
        MemoryFrameBuffer frameBuffer(c.frameWidth, c.frameHeight);
        Display display;
        ASSERT_EQ(display.ChangeMode(c.orientation, &frameBuffer), kOk);
        ASSERT_EQ(display.Open(nullptr, 0), kOk);
        ASSERT_EQ(display.GetWidth(), c.width);
        ASSERT_EQ(display.GetHeight(), c.height);
        Point p = c.tap;
        display.MapPoint(p);
        EXPECT_EQ(p, c.mapped);

        Surface back;
        display.GetBackbuffer(back);
        back.Header().Row(c.shownAt.y)[c.shownAt.x] = 0x1234;
        // Nothing is drawn while the display is suspended.
        display.Suspend();
        EXPECT_EQ(display.Present(), kErrSuspended);
        EXPECT_EQ(frameBuffer.draws, 0);
        display.Resume();
        ASSERT_EQ(display.Present(), kOk);
        EXPECT_EQ(frameBuffer.At(c.tap.x, c.tap.y), 0x1234);
    }
}

TEST(DisplayTest, AFrameBufferThatCannotBeHadFailsTheOpen) {
    MemoryFrameBuffer frameBuffer;
    frameBuffer.refuseOpen = true;
    Display display;
    display.ChangeMode(1, &frameBuffer);
    EXPECT_EQ(display.Open(nullptr, 0), kErrDisplay);
    EXPECT_EQ(display.Present(), kOk); // nothing to present, nothing drawn
    EXPECT_EQ(frameBuffer.draws, 0);
}

TEST(DisplayTest, TurningBetweenPortraitAndLandscapeReopens) {
    MemoryFrameBuffer frameBuffer;
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
