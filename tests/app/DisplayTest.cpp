// The display, the stylus mapping, the key map and the device model that picks its extra keys:
// what the screen's turn does to pixels, taps and the direction keys.
#include "app/Display.h"
#include "app/DeviceModel.h"
#include "app/KeyMap.h"
#include "app/StylusMapping.h"
#include "platform/HeadlessWindow.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace brelvo {
namespace {

// A frame buffer of width x height pixels laid out in memory as the steps (in pixels) say, with a
// guard pixel on each side that nothing may touch; negative steps put pixel (0, 0) at the far
// end of the block. A y step of 0 is rows of width pixels.
class MemoryFrameBuffer final : public platform::DirectDisplay {
public:
    MemoryFrameBuffer(std::int32_t width = 240, std::int32_t height = 320, int xStep = 1,
                      int yStep = 0)
        : bytes((static_cast<std::size_t>(width * height) + 2) * 2, 0) {
        yStep = yStep ? yStep : width;
        m_properties = {std::uint32_t(width), std::uint32_t(height), 2 * xStep, 2 * yStep, 16, 0};
        origin = bytes.data() + 2 * (1 - (xStep < 0 ? (width - 1) * xStep : 0) -
                                     (yStep < 0 ? (height - 1) * yStep : 0));
    }

    bool GetProperties(platform::DirectDisplayProperties& out) override {
        return out = m_properties, true;
    }
    bool Open() override { return opens++, !refuseOpen; }
    bool Close() override { return ++closes, true; }
    std::uint8_t* BeginDraw() override { return ++draws, origin; }
    void EndDraw() override {}

    Pixel At(std::int32_t x, std::int32_t y) const {
        Pixel p;
        std::memcpy(&p, origin + x * m_properties.xPitch + y * m_properties.yPitch, sizeof p);
        return p;
    }
    bool GuardsUntouched() const {
        return (bytes[0] | bytes[1] | bytes[bytes.size() - 2] | bytes.back()) == 0;
    }

    std::vector<std::uint8_t> bytes;
    std::uint8_t* origin = nullptr; // screen pixel (0, 0)
    bool refuseOpen = false;
    int opens = 0, closes = 0, draws = 0;

private:
    platform::DirectDisplayProperties m_properties;
};

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

// The round trip through the display: for every screen point, the pixel presented there is the
// one a tap there maps to, except that on each reversed axis the tap lands one further along, as
// the mapping's W - x (rather than W - 1 - x) makes it. It holds in every frame-buffer layout,
// and the copy writes nothing outside the screen; nothing is drawn while suspended.
TEST(DisplayTest, ATapLandsOnThePixelPresentedUnderIt) {
    // A screen 5 x 3, so that the back buffer's rows (5 or 3 wide) carry a spare pixel.
    const std::int32_t sw = 5, sh = 3;
    for (std::uint32_t orientation : {1u, 2u, 4u, 8u}) {
        const bool turned = orientation == 4 || orientation == 8;
        // The back-buffer axes that run against the screen's: x for 2 and 4, y for 2 and 8.
        const std::int32_t dx = orientation == 2 || orientation == 4 ? 1 : 0;
        const std::int32_t dy = orientation == 2 || orientation == 8 ? 1 : 0;
        // Row-major, column-major, and the landscape panel's negative steps.
        const std::pair<int, int> layouts[] = {{1, sw}, {sh, 1}, {-sh, 1}, {-1, -sw}};
        for (const auto& [xStep, yStep] : layouts) {
            SCOPED_TRACE(testing::Message()
                         << "orientation " << orientation << " steps " << xStep << "," << yStep);
            MemoryFrameBuffer frameBuffer(sw, sh, xStep, yStep);
            Display display;
            ASSERT_EQ(display.ChangeMode(orientation, &frameBuffer), kOk);
            ASSERT_EQ(display.Open(nullptr, 0), kOk);
            ASSERT_EQ(display.GetWidth(), turned ? sh : sw);
            ASSERT_EQ(display.GetHeight(), turned ? sw : sh);
            Surface back;
            display.GetBackbuffer(back);
            for (std::int32_t y = 0; y < back.GetHeight(); ++y)
                for (std::int32_t x = 0; x < back.GetWidth(); ++x)
                    back.Header().Row(y)[x] = Pattern(x, y);
            display.Suspend();
            EXPECT_EQ(display.Present(), kErrSuspended);
            EXPECT_EQ(frameBuffer.draws, 0);
            display.Resume();
            ASSERT_EQ(display.Present(), kOk);
            for (std::int32_t sy = 0; sy < sh; ++sy) {
                for (std::int32_t sx = 0; sx < sw; ++sx) {
                    Point tap(sx, sy);
                    display.MapPoint(tap);
                    EXPECT_EQ(frameBuffer.At(sx, sy), Pattern(tap.x - dx, tap.y - dy))
                        << "screen " << sx << "," << sy;
                }
            }
            EXPECT_TRUE(frameBuffer.GuardsUntouched());
        }
    }
    // An unknown orientation, no frame buffer or no back buffer copies nothing.
    MemoryFrameBuffer screen(sw, sh);
    Surface back;
    back.Create(0, sw, sh);
    CopyToFrameBuffer(back, 3, screen.origin, 1, sw);
    CopyToFrameBuffer(back, 1, nullptr, 1, sw);
    CopyToFrameBuffer(Surface(), 1, screen.origin, 1, sw);
    EXPECT_EQ(screen.bytes, std::vector<std::uint8_t>(screen.bytes.size(), 0));
}

// A change between portrait and landscape of an open display closes and opens the frame buffer
// again; one that cannot be had then fails the change, and nothing is drawn.
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
    frameBuffer.refuseOpen = true;
    EXPECT_EQ(display.ChangeMode(1, &frameBuffer), kErrDisplay);
    EXPECT_EQ(display.Present(), kOk); // nothing to present, nothing drawn
    EXPECT_EQ(frameBuffer.draws, 0);
}

// Every program run presents through a window; what none asks for is another orientation.
TEST(DisplayTest, AWindowShowsTheBackBufferUprightWhateverTheOrientation) {
    platform::HeadlessWindow window({});
    ASSERT_EQ(window.Create({}), kOk);
    Display display;
    ASSERT_EQ(display.ChangeMode(4, nullptr), kOk);
    EXPECT_EQ(display.Orientation(), 1u);
    ASSERT_EQ(display.Open(&window, 0), kOk);
    EXPECT_EQ(display.GetWidth(), 240);
    EXPECT_EQ(display.GetHeight(), 320);
}

// Distinct codes, so that a key taken from the wrong slot shows: 1 to 4 are the physical up,
// down, left and right keys.
constexpr PortraitKeyList kList{1, 2, 3, 4, 11, 12, 13, 14};

// "Up" is always towards the top of what the user sees: the step a physical direction key
// points along on the screen, taken into the back buffer as a tap is, must be the step of the
// direction it is given to. An orientation that is none of 2, 4 and 8 is portrait.
TEST(KeyMapTest, DirectionsTurnWithTheScreen) {
    const Point steps[] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}}; // up, down, left, right
    for (const std::uint32_t orientation : {1u, 2u, 4u, 8u, 3u}) {
        SCOPED_TRACE(orientation);
        KeyMapHolder holder(kDeviceUnknown, kList);
        EXPECT_EQ(holder.Reopen(orientation), kOk);
        EXPECT_TRUE(holder.IsInputOpen());
        KeyMap keys;
        holder.Copy(keys);
        const std::uint16_t given[] = {keys.up, keys.down, keys.left, keys.right};
        for (std::size_t d = 0; d < 4; ++d) {
            ASSERT_TRUE(given[d] >= 1 && given[d] <= 4) << given[d];
            Point from(100, 100);
            Point to(100 + steps[given[d] - 1].x, 100 + steps[given[d] - 1].y);
            MapPoint(orientation, 240, 320, from);
            MapPoint(orientation, 240, 320, to);
            EXPECT_EQ(Point(to.x - from.x, to.y - from.y), steps[d]) << "direction " << d;
        }
        // The other keys do not turn, and an unknown model has no extra keys.
        EXPECT_EQ(keys, (KeyMap{keys.up, keys.down, keys.left, keys.right, 14, 11, 12, 13, 0, 0}));
        holder.Close();
        EXPECT_FALSE(holder.IsInputOpen());
    }
}

// The models at each end of each group that has extra keys, and neighbours that have none;
// turning the screen keeps them.
TEST(KeyMapTest, ExtraKeysDependOnTheDeviceModel) {
    const struct {
        std::int32_t model;
        std::uint16_t extra1, extra2;
    } cases[] = {{2, 0xC0, 0xC1}, {3, 0xC0, 0xC1},  {6, 0, 0}, {7, 0xD5, 0},
                 {8, 0xC1, 0xC2}, {10, 0xC1, 0xC2}, {11, 0, 0}};
    for (const auto& c : cases) {
        KeyMapHolder holder(c.model, kList);
        for (const std::uint32_t orientation : {1u, 4u}) {
            holder.Reopen(orientation);
            KeyMap keys;
            holder.Copy(keys);
            EXPECT_EQ(std::pair(keys.extra1, keys.extra2), std::pair(c.extra1, c.extra2))
                << "model " << c.model;
        }
    }
}

constexpr DeviceModelPrefix kMadeUp[] = {
    {2, u"Alpha 10"}, {3, u"Alpha 1"}, {4, u"Beta"}, {5, u""}, {6, u"Gamma \u0416"},
};

TEST(DeviceModelTest, FirstWholePrefixWins) {
    const std::pair<std::u16string, std::int32_t> cases[] = {
        {u"Alpha 10", 2}, {u"Alpha 100 rev B", 2},
        {u"Alpha 19", 3}, {u"Alpha ", 1}, // shorter than every prefix it begins
        {u"alpha 10", 1}, {u"BetaMax", 4},
        {u" Beta", 1},    {u"Gamma \u0416 x", 6},
        {u"Gamma Z", 1},  {u"", 1}, // the empty prefix claims nothing
        {u"Unknown", 1},
    };
    for (const auto& [text, id] : cases)
        EXPECT_EQ(DeviceModelFromOemText(text, kMadeUp), id) << text.size();
}

// The known models are 2 to 13 in order, as the key map's extra keys expect, and no row hides
// another: each prefix finds its own row, followed by more text or not, and cut short finds none.
TEST(DeviceModelTest, KnownTableIdentifiesEachModel) {
    const auto table = KnownDeviceModels();
    ASSERT_EQ(table.size(), 12u);
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].id, static_cast<std::int32_t>(i + 2));
        const std::u16string exact(table[i].prefix);
        EXPECT_EQ(DeviceModelFromOemText(exact, table), table[i].id);
        EXPECT_EQ(DeviceModelFromOemText(exact + u" rev 2", table), table[i].id);
        EXPECT_EQ(DeviceModelFromOemText(exact.substr(0, exact.size() - 1), table), 1);
    }
}

TEST(DeviceModelTest, OnlyTheBufferedTextTakesPart) {
    // 259 characters fit beside the terminator: a prefix that ends on the last of them matches,
    // one a character longer cannot.
    const std::u16string lead(kOemTextCapacity - 4, u'a');
    const std::u16string fits = lead + u"xyz";
    const std::u16string over = lead + u"xyzw";
    const DeviceModelPrefix table[] = {{8, over}, {7, fits}};
    EXPECT_EQ(DeviceModelFromOemText(over + u"tail", table), 7);
    EXPECT_EQ(DeviceModelFromOemText(fits, table), 7);
    EXPECT_EQ(DeviceModelFromOemText(lead, table), 1);
}

TEST(DeviceModelTest, OemTextComesFromTheEnvironment) {
    ASSERT_EQ(unsetenv("BRELVO_OEM_INFO"), 0);
    EXPECT_EQ(OemTextFromEnvironment(), u"");
    ASSERT_EQ(setenv("BRELVO_OEM_INFO", "Beta 7", 1), 0);
    EXPECT_EQ(OemTextFromEnvironment(), u"Beta 7");
    const std::string longText(400, 'q');
    ASSERT_EQ(setenv("BRELVO_OEM_INFO", longText.c_str(), 1), 0);
    EXPECT_EQ(OemTextFromEnvironment().size(), kOemTextCapacity - 1);
    ASSERT_EQ(unsetenv("BRELVO_OEM_INFO"), 0);
}

} // namespace
} // namespace brelvo
