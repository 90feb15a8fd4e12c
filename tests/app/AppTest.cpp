// The application framework (its threads, events, errors and frame timer; the display, stylus
// mapping, key map and device model, as the screen turns), and the program's controller on it:
// routing and start-up with screens of the test's own, then help and saving through its own
// screens on the real artwork, files in a folder the test makes.
#include "app/App.h"
#include "app/DeviceModel.h"
#include "app/SteadyFrameClock.h"
#include "app/StylusMapping.h"
#include "gfx/BitmapFont.h"
#include "gfx/Blit.h"
#include "platform/CodePage.h"
#include "platform/FrameBuffer.h"
#include "platform/HeadlessWindow.h"
#include "screens/HelpText.h"
#include "screens/Layout.h"
#include "tests/app/ProgramDriver.h"
#include "tests/app/TestArtwork.h"
#include "tests/support/DiskFaults.h"
#include "tests/support/Subprocess.h"
#include "ui/Shared.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <vector>

namespace brelvo {
namespace {

using namespace layout;
using platform::WindowEvent;
using test::Program;
using test::ReadTextFile;
using test::TestConfig;
namespace fs = std::filesystem;

constexpr std::uint16_t kUp = 0x26, kDown = 0x28, kLeft = 0x25, kRight = 0x27, kEnter = 0x0D,
                        kBackspace = 0x08, kF1 = 0x70, kF2 = 0x71;

// A call as "what a b" in a log, without the numbers not given (-1).
void Note(std::vector<std::string>& log, std::string what, int a = -1, int b = -1) {
    for (const int n : {a, b})
        if (n >= 0)
            what.append(1, ' ').append(std::to_string(n));
    log.push_back(what);
}

// Records what the framework calls, from either thread; read once Run has returned.
class RecordingApplication final : public Application {
public:
    using Application::Application;

    HResult OnInit(Surface& display) override {
        return displaySize = Point(display.GetWidth(), display.GetHeight()), onInitResult;
    }
    HResult Render(Surface& backBuffer, std::uint32_t frameFlags) override {
        std::lock_guard lock(m_lock);
        frameFlagsSeen.push_back(frameFlags);
        if (backBuffer.GetPixels())
            backBuffer.Header().Row(0)[0] = static_cast<Pixel>(frameFlagsSeen.size());
        return renderResult;
    }
    HResult OnSuspend() override { return Log("suspend"); }
    HResult OnResume() override { return Log("resume"); }
    HResult KeyDown(std::uint16_t key, KeyMap keys) override {
        return lastKeys = keys, Log("keydown", key);
    }
    HResult KeyUp(std::uint16_t key, KeyMap) override { return Log("keyup", key); }
    HResult Char(char16_t c, std::uint32_t) override { return Log("char", c); }
    HResult StylusDown(std::int32_t x, std::int32_t y) override { return Log("down", x, y); }
    HResult StylusUp(std::int32_t x, std::int32_t y) override { return Log("up", x, y); }
    HResult StylusMove(std::int32_t x, std::int32_t y) override { return Log("move", x, y); }

    HResult onInitResult = kOk, renderResult = kOk;
    Point displaySize;
    KeyMap lastKeys;
    std::vector<std::string> events;
    std::vector<std::uint32_t> frameFlagsSeen;

private:
    HResult Log(const char* what, int x = -1, int y = -1) {
        std::lock_guard lock(m_lock);
        return Note(events, what, x, y), kOk;
    }
    std::mutex m_lock;
};

ApplicationConfig ConfigFor(platform::Window* window) {
    return {.window = window,
            .title = u"Brelvo",
            .frameRate = 30,
            .flags = APP_FULLSCREEN,
            .orientation = 1,
            .freeRunning = 1,
            .suspendOnDeactivate = 1};
}

platform::HeadlessScript Script(const std::string& text) {
    platform::HeadlessScript script;
    std::string error;
    EXPECT_TRUE(platform::ParseHeadlessScript(text, "test", script, error)) << error;
    return script;
}

// One application throughout: a later text replaces the earlier one; none outgrows the buffer.
TEST(ApplicationTest, SetErrorTexts) {
    const std::u16string tooLong(300, u'x');
    const std::tuple<const char16_t*, std::uint32_t, std::u16string, HResult> cases[] = {
        {u"Some text", 0, u"Some text", kOk},
        {u"Some text", 31, u"Some text\nError code=0x1f.", kOk},
        {nullptr, 31, u"Invalid error code description.", kErrFail},
        {u"", 0, u"Invalid error code description.", kErrFail},
        {u"x", 0xc8660120u, u"This application requires a 16-bit Pocket PC or Smartphone.", kOk},
        {u"x", 0xc8660130u, u"Missing or incorrect file: exe file", kOk},
        {tooLong.c_str(), 0, std::u16string(259, u'x'), kOk},
    };
    Application app(ConfigFor(nullptr));
    for (const auto& [text, code, stored, result] : cases)
        EXPECT_EQ((std::pair{app.SetError(text, static_cast<HResult>(code)), app.GetErrorText()}),
                  std::pair(result, stored));
}

TEST(ApplicationTest, KeyRepeatsAreDroppedAndEveryKeyGetsTheKeyMap) {
    RecordingApplication app(ConfigFor(nullptr));
    app.WindowProc(WindowEvent{.type = WindowEvent::Type::KeyDown, .key = 0x26});
    for (int i = 0; i < 5; ++i)
        app.WindowProc(
            WindowEvent{.type = WindowEvent::Type::KeyDown, .key = 0x26, .repeat = true});
    app.WindowProc(WindowEvent{.type = WindowEvent::Type::KeyUp, .key = 0x26});
    app.WindowProc(WindowEvent{.type = WindowEvent::Type::KeyDown, .key = 0x26});
    EXPECT_EQ(app.events, (std::vector<std::string>{"keydown 38", "keyup 38", "keydown 38"}));
    // The desktop keys in portrait orientation.
    EXPECT_EQ(app.lastKeys, (KeyMap{0x26, 0x28, 0x25, 0x27, 0x0D, 0x5A, 0x58, 0x43, 0, 0}));
}

TEST(ApplicationTest, AnInvalidConfigurationIsRefused) {
    platform::HeadlessWindow window(Script(""));
    const std::function<void(ApplicationConfig&)> breaks[] = {
        [](ApplicationConfig& c) { c.window = nullptr; },
        [](ApplicationConfig& c) { c.title = nullptr; },
        [](ApplicationConfig& c) { c.title = u""; },
        [](ApplicationConfig& c) { c.frameRate = 0; },
    };
    for (std::size_t v = 0; v < std::size(breaks); ++v) {
        ApplicationConfig config = ConfigFor(&window);
        breaks[v](config);
        Application app(config);
        EXPECT_EQ(app.Run(), kErrFail) << v;
        EXPECT_EQ(app.GetErrorText(), u"Invalid configuration.") << v;
    }
}

// A failed start-up (which had the 240 x 320 display) draws no frame; a failed frame is the last.
TEST(ApplicationTest, AFailedStartUpOrFrameEndsTheProgramWithItsCode) {
    for (const bool startUp : {true, false}) {
        platform::HeadlessWindow window(Script("frames 5\n"));
        RecordingApplication app(ConfigFor(&window));
        const HResult code = startUp ? kErrArchiveMissing : kErrNoPixels;
        (startUp ? app.onInitResult : app.renderResult) = code;
        EXPECT_EQ(app.Run(), code);
        EXPECT_EQ(std::tuple(app.frameFlagsSeen.size(), app.displaySize, app.GetErrorText(),
                             window.Finish()),
                  std::tuple(startUp ? 0u : 1u, Point(240, 320), u"", false));
    }
}

// On a panel the console is in graphics mode from the opening of the display to the end of the
// program, however it ends (a failed start-up, a failed frame, a close); one that was already in
// graphics mode is left alone. The 320 x 240 panel, turned, gives a 240 x 320 display.
TEST(ApplicationTest, APanelsConsoleIsPutBackHoweverTheProgramEnds) {
    struct Console final : platform::Console {
        bool GetMode(int& mode) override {
            said += "get ";
            mode = start;
            return true;
        }
        bool SetMode(int mode) override {
            said += "set" + std::to_string(mode) + " ";
            return true;
        }
        int start = 0;
        std::string said;
    };
    test::TempFolder folder;
    for (const HResult failure : {kErrArchiveMissing, kErrNoPixels, kOk})
        for (const int start : {0, 1}) {
            // Frames drawn into the panel do not reach the window, so a script that waited for them
            // would wait for ever; the close at the end of an empty one is the third way to end.
            platform::HeadlessWindow window(Script(failure == kOk ? "" : "frames 5\n"));
            Console console;
            console.start = start;
            std::optional<platform::FrameBufferFormat> format;
            std::string error;
            ASSERT_TRUE(platform::ParseFrameBufferGeometry("320x240x16", format.emplace(), error));
            const auto panel =
                platform::OpenFrameBuffer({folder / "fb", format, -1, &console}, error);
            ApplicationConfig config = ConfigFor(&window);
            config.orientation = 8;
            config.directDisplay = panel.get();
            RecordingApplication app(config);
            (failure == kErrArchiveMissing ? app.onInitResult : app.renderResult) = failure;
            EXPECT_EQ(std::tuple(app.Run(), console.said),
                      std::tuple(failure, start ? "get " : "get set1 set0 "));
            if (failure != kOk) { // a close may come before the display's first use
                EXPECT_EQ(app.displaySize, Point(240, 320));
            }
        }
}

// Thousands of events keep their order across the two threads (watched by ThreadSanitizer); while
// the window is hidden the program is suspended, moves are dropped and no frame is drawn, and the
// first frame after says it follows a suspension.
TEST(ApplicationTest, ScriptEventsArriveInOrderAndMovesAreDroppedWhileSuspended) {
    std::string text;
    std::vector<std::string> expected;
    for (int i = 0; i < 600; ++i) {
        const std::string at = std::to_string(i % 240) + " " + std::to_string(i * 7 % 320);
        const std::string to = std::to_string(i * 7 % 320 % 240) + " " + std::to_string(i % 240);
        text += "tap " + at + "\nmove " + to + "\nkey enter\nframes 1\n";
        expected.insert(expected.end(), {"down " + at, "up " + at, "move " + to, "keydown 13",
                                         "char 13", "keyup 13"});
    }
    text += "hide\nmove 6 6\ndown 7 7\nup 7 7\nshow\nframes 1\nmove 8 8\nframes 1\n";
    expected.insert(expected.end(), {"suspend", "down 7 7", "up 7 7", "resume", "move 8 8"});
    platform::HeadlessWindow window(Script(text));
    RecordingApplication app(ConfigFor(&window));
    EXPECT_EQ(app.Run(), kOk);
    EXPECT_TRUE(window.Finish());
    EXPECT_EQ(app.events, expected);
    std::vector<std::uint32_t> flags(602, 0);
    flags[600] = Application::kFrameResumed;
    EXPECT_EQ(app.frameFlagsSeen, flags);
    EXPECT_EQ(window.ComposedFrames(), 602u);
}

TEST(ApplicationTest, RequestQuitFromAnotherThreadEndsARunningProgram) {
    // A script that would take far too long; the quit request cuts it short.
    platform::HeadlessWindow window(Script("frames 100000000\n"));
    RecordingApplication app(ConfigFor(&window));
    std::thread quitter([&] {
        while (window.ComposedFrames() < 10)
            std::this_thread::yield();
        app.RequestQuit();
    });
    EXPECT_EQ(app.Run(), kOk);
    quitter.join();
    EXPECT_GE(app.frameFlagsSeen.size(), 10u);
    EXPECT_FALSE(window.Finish());
}

// A clock that moves only when told to; a sleep advances it by exactly the time slept.
class FakeClock final : public FrameClock {
public:
    bool Frequency(std::uint64_t& f) override { return (f = frequency), hasCounter; }
    bool Counter(std::uint64_t& t) override { return (t = now), hasCounter; }
    void SleepMs(std::uint32_t ms) override {
        sleeps.push_back(ms);
        now += ms * frequency / 1000u;
    }

    std::uint64_t frequency = 1000000;
    std::uint64_t now = 5000000;
    bool hasCounter = true;
    std::vector<std::uint32_t> sleeps;
};

// At 1 MHz and 60 a second a period is 16666 ticks (truncated). An early frame sleeps to its
// deadline in whole milliseconds; a late one (the deadline itself is late) is reported, does not
// sleep and is not made up. The next period starts when the frame was accounted for.
TEST(FrameTimerTest, EarlyFramesSleepAndLateOnesAreNotMadeUp) {
    // Ticks since the previous frame started, the result and the sleep (none for a late frame).
    const std::tuple<std::uint64_t, HResult, std::uint32_t> steps[] = {
        {6666, kOk, 10}, {0, kOk, 16},
        {16665, kOk, 0}, {6667, kOk, 9},
        {16665, kOk, 0}, {100000, kInfoLateFrame, 0},
        {16665, kOk, 0}, {16666, kInfoLateFrame, 0},
        {10, kOk, 16}};
    FakeClock clock;
    FrameTimer timer(clock);
    ASSERT_EQ(timer.Start(60), kOk);
    for (const auto& [work, result, sleepMs] : steps) {
        SCOPED_TRACE(work);
        const std::uint64_t started = clock.now;
        clock.sleeps.clear();
        clock.now += work;
        EXPECT_EQ(timer.WaitFrame(), result);
        EXPECT_EQ(clock.sleeps, result == kOk ? std::vector<std::uint32_t>{sleepMs}
                                              : std::vector<std::uint32_t>{});
        EXPECT_EQ(clock.now, started + work + 1000u * sleepMs);
    }
}

// No counter, a counter without a frequency (even one that still counts) or a rate of 0: every
// wait is late and nothing sleeps.
TEST(FrameTimerTest, WithoutAPeriodEveryWaitIsLate) {
    const std::tuple<bool, std::uint64_t, std::uint32_t, HResult> cases[] = {
        {false, 1000000, 30, kErrNoCounter},
        {true, 0, 30, kErrNoCounter},
        {true, 1000000, 0, kErrInvalidArg}};
    for (const auto& [counter, frequency, fps, started] : cases) {
        FakeClock clock;
        clock.hasCounter = counter;
        clock.frequency = frequency;
        FrameTimer timer(clock);
        EXPECT_EQ(timer.Start(fps), started);
        for (int i = 0; i < 3; ++i, clock.now += 1000)
            EXPECT_EQ(timer.WaitFrame(), kInfoLateFrame);
        EXPECT_TRUE(clock.sleeps.empty());
    }
}

// Poll keeps the books as WaitFrame does without sleeping. The average starts from 0 and moves
// half way to each frame's rate (50000 ticks are 20 a second), capped at the target; a frame's
// length shows once there is an average.
TEST(FrameTimerTest, PollAverageAndLastFrameKeepTheBooksWithoutSleeping) {
    FakeClock clock;
    FrameTimer timer(clock);
    ASSERT_EQ(timer.Start(30), kOk);
    const std::uint64_t start = clock.now;
    const std::pair<std::uint64_t, HResult> polls[] = {{0, kInfoLateFrame}, {33332, kInfoLateFrame},
                                                       {33333, kOk},        {33343, kInfoLateFrame},
                                                       {90000, kOk},        {140000, kOk}};
    for (const auto& [at, result] : polls) {
        clock.now = start + at;
        EXPECT_EQ(timer.Poll(), result) << at;
    }
    EXPECT_EQ(timer.FrameCount(), 3u);
    EXPECT_TRUE(clock.sleeps.empty());
    float fps = -1, seconds = -1;
    const auto read = [&] {
        return timer.LastFrameSeconds(&seconds), timer.AverageFps(&fps), std::pair(seconds, fps);
    };
    EXPECT_EQ(read(), std::pair(0.0f, 10.0f));
    EXPECT_EQ(read(), std::pair(0.05f, 15.0f));
    clock.now += 10000; // 100 frames a second, reported as at most 30
    ASSERT_EQ(timer.WaitFrame(), kOk);
    EXPECT_EQ(read(), std::pair(0.01f, 30.0f));
}

TEST(FrameTimerTest, SteadyClockCountsNanoseconds) {
    SteadyFrameClock clock;
    std::uint64_t f = 0, a = 0, b = 0;
    ASSERT_TRUE(clock.Frequency(f));
    EXPECT_EQ(f, 1000000000u);
    ASSERT_TRUE(clock.Counter(a));
    clock.SleepMs(2);
    ASSERT_TRUE(clock.Counter(b));
    EXPECT_GE(b - a, 2000000u);
}

// A frame buffer laid out as the steps (in pixels; y 0 is width) say, with a guard pixel on each
// side; negative steps put pixel (0, 0) at the far end of the block.
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

// Where taps on corners and edges land, pinning each orientation's turn for the round trip below.
TEST(StylusMappingTest, MapPointTurnsWithTheOrientation) {
    // The orientation, the screen's width and height, and a point before and after.
    const std::tuple<std::uint32_t, std::int32_t, std::int32_t, Point, Point> cases[] = {
        {1, 240, 320, {10, 20}, {10, 20}},   {2, 240, 320, {10, 20}, {230, 300}},
        {4, 240, 320, {10, 20}, {220, 10}},  {8, 240, 320, {10, 20}, {20, 310}},
        {4, 320, 240, {0, 0}, {320, 0}},     {8, 320, 240, {239, 319}, {319, 1}},
        {2, 240, 320, {240, 320}, {0, 0}},   {16, 240, 320, {10, 20}, {10, 20}},
        {0, 240, 320, {-5, 400}, {-5, 400}},
    };
    for (const auto& [orientation, w, h, in, out] : cases) {
        Point p = in;
        MapPoint(orientation, w, h, p);
        EXPECT_EQ(p, out) << "orientation " << orientation << " at " << in.x << "," << in.y;
    }
}

// Every back-buffer pixel is unique and none is 0, the value the frame buffer starts with.
Pixel Pattern(std::int32_t x, std::int32_t y) {
    return static_cast<Pixel>(1 + x + 97 * y);
}

// For every screen point the pixel presented there is the one a tap there maps to, but one further
// along each reversed axis (the mapping's W - x), in every frame-buffer layout, with nothing
// written outside the screen; nothing is drawn while suspended.
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
            for (std::int32_t sy = 0; sy < sh; ++sy)
                for (std::int32_t sx = 0; sx < sw; ++sx) {
                    Point tap(sx, sy);
                    display.MapPoint(tap);
                    EXPECT_EQ(frameBuffer.At(sx, sy), Pattern(tap.x - dx, tap.y - dy))
                        << "screen " << sx << "," << sy;
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

// Portrait to landscape reopens the frame buffer; one refused fails the change, and nothing draws.
TEST(DisplayTest, TurningBetweenPortraitAndLandscapeReopens) {
    MemoryFrameBuffer frameBuffer;
    Display display;
    display.ChangeMode(1, &frameBuffer);
    ASSERT_EQ(display.Open(nullptr, 0), kOk);
    ASSERT_EQ(display.ChangeMode(2, &frameBuffer), kOk);
    EXPECT_EQ(frameBuffer.opens, 1); // same family: only the orientation changes
    ASSERT_EQ(display.ChangeMode(8, &frameBuffer), kOk);
    EXPECT_EQ(std::tuple(frameBuffer.opens, frameBuffer.closes, display.GetWidth(),
                         display.Orientation()),
              std::tuple(2, 1, 320, 8u));
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
    EXPECT_EQ(std::pair(display.GetWidth(), display.GetHeight()), std::pair(240, 320));
}

// Distinct codes, so that a key taken from the wrong slot shows: 1 to 4 are the physical up,
// down, left and right keys.
constexpr PortraitKeyList kList{1, 2, 3, 4, 11, 12, 13, 14};

// "Up" is towards the top of what the user sees: a physical key's step on the screen, mapped as a
// tap is, is the step of the direction it is given to. Orientations other than 2, 4, 8 are upright.
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
    using Extra = std::pair<std::uint16_t, std::uint16_t>;
    const std::pair<std::int32_t, Extra> cases[] = {
        {2, {0xC0, 0xC1}}, {3, {0xC0, 0xC1}},  {6, {0, 0}}, {7, {0xD5, 0}},
        {8, {0xC1, 0xC2}}, {10, {0xC1, 0xC2}}, {11, {0, 0}}};
    for (const auto& [model, extra] : cases) {
        KeyMapHolder holder(model, kList);
        for (const std::uint32_t orientation : {1u, 4u}) {
            holder.Reopen(orientation);
            KeyMap keys;
            holder.Copy(keys);
            EXPECT_EQ(Extra(keys.extra1, keys.extra2), extra) << "model " << model;
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

// The known models are 2 to 13 in order, and each prefix finds its own row, with more text or not;
// cut short it finds none.
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
    // 259 characters fit beside the terminator: a prefix ending on the last of them matches.
    const std::u16string lead(kOemTextCapacity - 4, u'a'), fits = lead + u"xyz", over = fits + u"w";
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

// Writes every call the controller makes on it, with its name, into a log all screens share.
class RecordingScreen final : public Screen {
public:
    RecordingScreen(std::string name, std::vector<std::string>& log)
        : m_name(std::move(name)), m_log(log) {}

    void StylusDown(std::int32_t x, std::int32_t y) override { Log("down", x, y); }
    void StylusUp(std::int32_t x, std::int32_t y) override { Log("up", x, y); }
    void StylusMove(std::int32_t x, std::int32_t y) override { Log("move", x, y); }
    void KeyDown(std::uint16_t key, const KeyMap&) override { Log("keydown", key); }
    void KeyUp(std::uint16_t key, const KeyMap&) override { Log("keyup", key); }
    void Char(char16_t c, std::uint32_t) override { Log("char", c); }
    void ReleaseHeldKeys() override { Log("release"); }

private:
    // Appended piece by piece: GCC 12 at -O3 warns falsely, -Wrestrict, about " " + string.
    void Log(const char* what, int a = -1, int b = -1) {
        Note(m_log, std::string(m_name).append(1, ' ').append(what), a, b);
    }
    std::string m_name;
    std::vector<std::string>& m_log;
};

// The controller with a recording screen in each state that takes one, entered into a state.
struct Routed {
    explicit Routed(std::int32_t s) {
        for (std::size_t i = 0; i < std::size(screens); ++i)
            app.SetScreen(states[i], &screens[i]);
        ScreenStates.Reset();
        ScreenStates.SetState(s, 0);
        ScreenStates.Tick();
    }

    App app{TestConfig()};
    std::vector<std::string> log;
    const std::int32_t states[5] = {state::kEditor, state::kBrowser, state::kSave, state::kConfirm,
                                    state::kHelp};
    RecordingScreen screens[5] = {
        {"editor", log}, {"browser", log}, {"save", log}, {"confirm", log}, {"help", log}};
};

// Events reach the current state's screen only (typing not the dialog's or help's); a key's
// release clears the editor's and help's held keys in every state and reaches the editor only.
TEST(AppTest, EventsReachTheScreenOfTheCurrentStateOnly) {
    const struct {
        std::int32_t state;
        const char* screen; // none: no screen takes events
        bool chars;
    } cases[] = {{state::kNone, nullptr, false},      {state::kStartup, nullptr, false},
                 {state::kEditor, "editor", true},    {state::kBrowser, "browser", true},
                 {state::kUnused, nullptr, false},    {state::kSave, "save", true},
                 {state::kConfirm, "confirm", false}, {state::kHelp, "help", false},
                 {state::kExit, nullptr, false}};
    for (const auto& c : cases) {
        Routed r(c.state);
        r.app.StylusDown(1, 2);
        r.app.StylusUp(3, 4);
        r.app.StylusMove(5, 6);
        r.app.KeyDown(0x41, KeyMap{});
        r.app.Char(u'a', 1);
        r.app.KeyUp(0x26, KeyMap{});
        std::vector<std::string> expected;
        const std::string s = c.screen ? c.screen : "";
        if (c.screen)
            expected = {s + " down 1 2", s + " up 3 4", s + " move 5 6", s + " keydown 65"};
        if (c.chars)
            expected.push_back(s + " char 97");
        expected.insert(expected.end(), {"editor release", "help release"});
        if (c.state == state::kEditor)
            expected.push_back("editor keyup 38");
        EXPECT_EQ(r.log, expected) << "state " << c.state;
    }
}

// The event that ends the title picture reaches no screen; a tap dropped by IgnoreNextTap does
// not end it.
TEST(AppTest, TheTitlePictureGivesWayToTheEditorOnATapOrAKey) {
    for (const int event : {0, 1, 2}) { // a tap, a key, a tap IgnoreNextTap drops
        Routed r(state::kTitle);
        IgnoreNextTap.store(event == 2);
        event == 1 ? r.app.KeyDown(0x5A, KeyMap{}) : r.app.StylusDown(10, 10);
        EXPECT_EQ(GetState(), state::kTitle);
        ScreenStates.Tick();
        EXPECT_EQ(GetState(), event == 2 ? state::kTitle : state::kEditor) << event;
        EXPECT_TRUE(r.log.empty());
    }
}

TEST(AppTest, IgnoreNextTapDropsExactlyOneStylusDown) {
    Routed r(state::kEditor);
    IgnoreNextTap.store(true);
    r.app.StylusDown(1, 1);
    r.app.StylusUp(1, 1);
    r.app.StylusDown(2, 2);
    r.app.StylusDown(3, 3);
    EXPECT_FALSE(IgnoreNextTap.load());
    EXPECT_EQ(r.log,
              (std::vector<std::string>{"editor up 1 1", "editor down 2 2", "editor down 3 3"}));
}

// Start-up loads the pictures for the screen's height from the test archive (whose pictures hold
// no colour key) and asks for state 1, which the first frame shows.
TEST(AppTest, StartUpLoadsThePicturesForTheScreenHeight) {
    test::TempFolder folder;
    ASSERT_TRUE(test::WriteTestArchive(folder / "Brelvo.erc"));
    const struct {
        std::int32_t height, offset;
        std::uint32_t startupSeed, titleSeed;
    } cases[] = {{320, 0, test::kStartupSeed, test::kTitleSeed},
                 {240, 80, test::kStartupShortSeed, test::kTitleShortSeed}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.height);
        App app(TestConfig(), AppOptions{.programFolder = folder.Path() + "/", .startFile = {}});
        Surface frame, startup, title;
        frame.Create(CREATE_CLEAR, 240, c.height);
        ASSERT_EQ(app.OnInit(frame), kOk);
        EXPECT_EQ(std::pair(LayoutOffset, app.DisplayHeight()),
                  std::pair(Point(0, c.offset), c.height));
        test::MakePattern(startup, 240, c.height, c.startupSeed);
        test::MakePattern(title, 240, c.height, c.titleSeed);
        EXPECT_TRUE(test::Pixels(StartupPicture) == test::Pixels(startup));
        EXPECT_TRUE(test::Pixels(TitlePicture) == test::Pixels(title));
        EXPECT_EQ(std::pair(GetState(), ScreenStates.IsPending()), std::pair(state::kNone, true));
        ASSERT_EQ(app.Render(frame, 0), kOk);
        EXPECT_EQ(GetState(), state::kStartup);
        EXPECT_TRUE(test::Pixels(frame) == test::Pixels(startup));
    }
}

TEST(AppTest, StateNineQuits) {
    Routed r(state::kExit);
    Surface frame;
    frame.Create(CREATE_CLEAR, 240, 320);
    EXPECT_FALSE(r.app.IsQuitting());
    EXPECT_EQ(r.app.Render(frame, 0), kOk);
    EXPECT_TRUE(r.app.IsQuitting());
}

// A title font whose ground is the near-white 0xF8FCF8 with two glyph pixels, and a body font
// wider than it, so that the black ground covers the whole title font.
TEST(AppTest, TheTenthFontIsTheTitleFontOnBlack) {
    Surface title, body, onBlack, display;
    display.Create(CREATE_CLEAR, 240, 320);
    title.Create(0, 8, 4);
    FillRect(title, nullptr, 0xF8FCF8);
    onBlack.Create(CREATE_CLEAR, 8, 4);
    for (Surface* s : {&title, &onBlack}) {
        s->SetPixel(2, 1, 0x0000FF);
        s->SetPixel(5, 2, 0x00FF00);
    }
    body.Create(CREATE_CLEAR, 12, 6);
    ArchiveWriter writer;
    test::TempFolder folder;
    ASSERT_TRUE(test::AddPicture(writer, art::kFontTitle, title) &&
                test::AddPicture(writer, art::kFontBody, body) &&
                Succeeded(writer.WriteToFile(folder / "Brelvo.erc")));
    App app(TestConfig(), AppOptions{.programFolder = folder.Path(), .startFile = {}});
    ASSERT_EQ(app.OnInit(display), kOk);
    EXPECT_EQ(test::Pixels(InterfaceFonts[font::kTitleOnBlack]), test::Pixels(onBlack));
    EXPECT_EQ(InterfaceFonts[font::kTitleOnBlack].GetColorKey(), kPixelMagenta);
    EXPECT_EQ(InterfaceFonts[font::kTitle].GetColorKey(), kPixelMagenta);
}

// The centre of a page point's place on the screen, at the top of the page.
Point OnScreen(Point onPage) {
    return Point(kHelpView.left + onPage.x, kHelpView.top + onPage.y);
}

bool ShowsPage(const Surface& frame, const Surface& page, std::int32_t from) {
    for (std::int32_t y = 0; y < page.GetHeight() - from; ++y)
        for (std::int32_t x = 0; x < kHelpView.right - kHelpView.left; ++x)
            if (frame.Header().Row(kHelpView.top + y)[kHelpView.left + x] !=
                page.Header().Row(from + y)[x])
                return false;
    return true;
}

class HelpTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.ok);
        program.Key(kF1);
        ASSERT_TRUE(program.Reach(state::kHelp));
    }
    HelpScreen& Help() { return program.app->Help(); }

    test::TempFolder root;
    Program program{root.Path()};
};

TEST_F(HelpTest, EveryLinkOpensItsTopicAndBackReturnsTenFramesLater) {
    ASSERT_EQ(Help().Topic(), 0);
    program.Key(kF1);
    program.Frames(12);
    EXPECT_EQ(Help().Topic(), 0) << "no back button on the index";
    for (std::int32_t k = 0; k < help::kTopicCount; ++k) {
        SCOPED_TRACE(k + 1);
        // Page y 42, between the second and third links, opens nothing.
        program.Tap(OnScreen(Point(10, 42)));
        EXPECT_EQ(Help().Topic(), 0);
        program.Tap(OnScreen(help::kIndex[static_cast<std::size_t>(k)].area.Center()));
        ASSERT_EQ(Help().Topic(), k + 1);
        program.Frames(1);
        EXPECT_TRUE(Help().BackShown());
        program.Tap(Help().BackRect().Center());
        program.Tap(Help().CloseRect().Center()); // while Back shows pressed, Close is dead
        program.Frames(9);
        EXPECT_EQ(Help().Topic(), k + 1);
        program.Frames(1);
        EXPECT_EQ(std::tuple(Help().Topic(), Help().BackShown(), GetState()),
                  std::tuple(0, false, state::kHelp));
    }
    program.Frames(1); // Back's pressed look has gone
    program.Key(kF2);
    EXPECT_TRUE(program.Reach(state::kEditor));
}

// Every line stands inside its page in the real fonts: each character has a glyph, and the text
// ends before the view's right edge and above the page's bottom.
TEST_F(HelpTest, EveryLineFitsItsPageInItsFont) {
    const auto check = [](const char16_t* line, Point at, std::size_t fontIndex,
                          std::int32_t pageHeight) {
        const std::u16string text = line;
        SCOPED_TRACE(std::string(text.begin(), text.end()));
        const BitmapFont& font = InterfaceFonts[fontIndex];
        EXPECT_LE(text.size(), 50u);
        for (const char16_t c : text)
            EXPECT_TRUE(font.HasGlyph(platform::UnitToAnsi(c))) << static_cast<int>(c);
        EXPECT_LE(at.x + TextWidth(font, line), kHelpView.right - kHelpView.left);
        EXPECT_LE(at.y + font.GetHeight() - 1, pageHeight);
    };
    for (const help::Link& link : help::kIndex)
        check(link.text, link.at, font::kHelpIndex, help::kIndexHeight);
    for (const help::Topic& topic : help::kTopics) {
        check(topic.heading, help::kHeadingAt, font::kHelpHeading, topic.height);
        for (const help::Line& line : topic.body)
            check(line.text, line.at, font::kHelpBody, topic.height);
    }
}

// Names in a folder that start with ".": a temporary file left behind.
std::vector<std::string> Hidden(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string()[0] == '.')
            names.push_back(entry.path().filename().string());
    return names;
}

class SaveFlowTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(root / "Docs");
        ASSERT_TRUE(program.ok);
        ASSERT_EQ(GetState(), state::kEditor);
        program.Change(true);
    }
    std::string Docs(const std::string& name) { return root / ("Docs/" + name); }

    test::TempFolder root;
    Program program{root.Path()};
};

TEST_F(SaveFlowTest, SavesUnderANameTypedOnTheScreenKeyboardOrTheKeys) {
    std::ofstream(root / "other.bmp", std::ios::binary) << program.PictureBmp();
    for (int i = 0; i < 20; ++i)
        fs::create_directories(Docs(std::to_string(i)));
    ASSERT_TRUE(program.ToSaveScreen());
    program.app->OnOpenRequest(root / "other.bmp"); // refused while a name is being typed
    program.SaveHere(u"");
    program.Frames(25);
    EXPECT_EQ(GetState(), state::kSave) << "an empty name saves nothing, nor is other.bmp opened";
    program.app->StylusDown(kSaveDownArrowAt.x + 5, kSaveDownArrowAt.y + 5); // let go below
    program.Frames(1);
    EXPECT_GT(program.app->Saver().List().ScrollOffset(), 0) << "its arrow scrolls the 21 rows";

    // Shift, H, shift, i, 1, space on the drawn keys, then typing, and "-" put in before "y".
    for (const int key : {kKeyCaseSwitch, 31, kKeyCaseSwitch, 20, 0, kKeySpace}) {
        program.app->StylusDown(KeyRect(key).Center().x, KeyRect(key).Center().y);
        program.app->StylusUp(0, 0); // a key acts on release, wherever the stylus is lifted
    }
    program.Type(u"x\u00e9\ty"); // characters the keyboard cannot type are not taken
    program.Key(kLeft);
    program.Type(u"-");
    for (const std::uint16_t key : {kRight, std::uint16_t{0x20}, kBackspace})
        program.Key(key); // Backspace takes the space away again
    EXPECT_EQ(program.app->Saver().Name().Text(), u"Hi1 x-y");
    const std::string expected = program.PictureBmp();
    program.Tap(kSaveButton.Center());
    ASSERT_TRUE(program.Reach(state::kEditor));
    EXPECT_TRUE(ReadTextFile(Docs("Hi1 x-y.bmp")) == expected);
    EXPECT_EQ(Hidden(root / "Docs"), std::vector<std::string>{});
    EXPECT_EQ(program.Describe(), "saved file \\Docs\\Hi1 x-y.bmp #0 Hi1 x-y.bmp - Brelvo");

    // The picture now has its own BMP file: Save writes it back without a word.
    program.Change();
    program.Choose(EditorScreen::kFileMenu, 2);
    EXPECT_TRUE(ReadTextFile(Docs("Hi1 x-y.bmp")) == program.PictureBmp());
    EXPECT_FALSE(program.Changed());
    program.Frames(15);
    EXPECT_EQ(GetState(), state::kEditor);
}

TEST_F(SaveFlowTest, ReplacingAFileIsAskedAboutAndNoKeepsItWhole) {
    for (const std::string name : {"keep", "a[1]"}) {
        std::ofstream(Docs(name + ".bmp")) << "the old picture";
        program.SaveAs(std::u16string(name.begin(), name.end()));
        ASSERT_TRUE(program.Reach(state::kConfirm)) << name;
        EXPECT_EQ(program.app->Dialog().Mode(), EditorScreen::kAskOverwrite);
        program.Key(kEnter); // not an answer to this question
        program.Frames(12);
        program.Answer(ConfirmDialog::kAnswerNo);
        ASSERT_TRUE(program.Reach(state::kSave));
        EXPECT_TRUE(ReadTextFile(Docs(name + ".bmp")) == "the old picture");
        EXPECT_EQ(program.app->Saver().Name().Text(), std::u16string(name.begin(), name.end()));
        EXPECT_TRUE(program.Changed());

        program.Tap(kSaveButton.Center());
        ASSERT_TRUE(program.Reach(state::kConfirm));
        program.Answer(ConfirmDialog::kAnswerYes);
        ASSERT_TRUE(program.Reach(state::kEditor));
        EXPECT_TRUE(ReadTextFile(Docs(name + ".bmp")) == program.PictureBmp());
        EXPECT_FALSE(program.Changed());
        program.Change();
    }
}

// A name the file system cannot take is refused before the disk is touched; the error's Ok (not
// Left or Right) returns to a save screen that still saves. The longest name is 255 bytes.
TEST_F(SaveFlowTest, ABadNameBringsTheErrorAndTheSaveScreenStaysUsable) {
    for (const std::u16string name : {u"a/b", u"a\\b", u"a:b", u"a*", u"a?", u"a\"b", u"a<b",
                                      u"a>b", u"a|b", u".", u"..", u"a\x01", u"a\x7f", u""})
        EXPECT_FALSE(SaveScreen::IsAcceptableName(name)) << std::string(name.begin(), name.end());
    EXPECT_FALSE(SaveScreen::IsAcceptableName(std::u16string(252, u'n')));
    EXPECT_TRUE(SaveScreen::IsAcceptableName(u"a.b c-[1]"));
    ASSERT_TRUE(program.ToSaveScreen());
    program.SaveHere(u"a?");
    ASSERT_TRUE(program.Reach(state::kConfirm));
    EXPECT_EQ(program.app->Dialog().Mode(), EditorScreen::kSaveError);
    program.Key(kLeft);
    program.Key(kRight);
    program.Frames(12);
    EXPECT_EQ(GetState(), state::kConfirm);
    program.Key(kEnter);
    ASSERT_TRUE(program.Reach(state::kSave));
    EXPECT_EQ(program.app->Saver().Name().Text(), u"a?");
    EXPECT_EQ(fs::directory_iterator(root / "Docs"), fs::directory_iterator());
    EXPECT_TRUE(program.Changed());
    program.Key(kBackspace);
    program.Key(kBackspace);
    program.SaveHere(std::u16string(251, u'n'));
    ASSERT_TRUE(program.Reach(state::kEditor));
    EXPECT_TRUE(fs::exists(Docs(std::string(251, 'n') + ".bmp")));
}

// Each answer to each question about unsaved changes (File > Exit, File > New, opening a picture
// by the browser or from a later copy), for a picture with its own BMP file (saved in place) and
// without one (the save screen first). Cancel returns to the editor, or the browser for Open; a
// second answer is ignored.
TEST(SaveQuestionTest, EachAnswerToTheQuestionsAboutUnsavedChanges) {
    enum Ask { kExit, kGallery, kOpen };
    const std::int32_t modes[] = {EditorScreen::kAskBeforeQuitting, EditorScreen::kAskBeforeGallery,
                                  EditorScreen::kAskBeforeOpening};
    Surface other;
    other.Create(CREATE_CLEAR, 40, 30);
    for (const Ask ask : {kExit, kGallery, kOpen})
        for (const ConfirmDialog::Answer answer :
             {ConfirmDialog::kAnswerNo, ConfirmDialog::kAnswerCancel, ConfirmDialog::kAnswerYes})
            for (const bool ownFile : {false, true}) {
                SCOPED_TRACE(testing::Message() << "question " << ask << " answer " << answer
                                                << (ownFile ? " own file" : ""));
                test::TempFolder folder;
                fs::create_directories(folder / "Docs");
                ASSERT_EQ(SaveBmpToHostFile(other, folder / "other.bmp"), kOk);
                Program p(folder.Path());
                ASSERT_TRUE(p.ok);
                p.app->Editor().NextGalleryPicture();
                if (ownFile) {
                    p.SaveAs(u"own");
                    ASSERT_TRUE(p.Reach(state::kEditor));
                }
                p.Change();
                const std::string before = p.PictureBmp();
                const std::string path = folder / (ownFile ? "Docs/own.bmp" : "Docs/new.bmp");
                const std::string fileBefore = ReadTextFile(path);
                if (ask == kOpen && ownFile) {
                    p.app->OnOpenRequest(folder / "other.bmp"); // handed over by a later copy
                } else if (ask == kOpen) {
                    p.Choose(EditorScreen::kFileMenu, 1);
                    ASSERT_TRUE(p.Reach(state::kBrowser));
                    ASSERT_EQ(p.app->Browser().Folder(), u"\\");
                    p.Tap(Point(20, kBrowserList.top + 5 + 15)); // other.bmp, after Docs
                    p.app->Browser().WaitUntilIdle();
                    p.Tap(kOpenButton.Center());
                } else {
                    p.Choose(EditorScreen::kFileMenu, ask == kExit ? 4 : 0);
                }
                ASSERT_TRUE(p.Reach(state::kConfirm));
                EXPECT_EQ(p.app->Dialog().Mode(), modes[ask]);
                p.Answer(answer);
                p.Answer(ConfirmDialog::kAnswerNo);
                if (answer == ConfirmDialog::kAnswerYes && !ownFile) {
                    ASSERT_TRUE(p.Reach(state::kSave));
                    p.SaveHere(u"new");
                }
                if (answer == ConfirmDialog::kAnswerCancel) {
                    ASSERT_TRUE(p.Reach(ask == kOpen ? state::kBrowser : state::kEditor));
                    EXPECT_TRUE(p.PictureBmp() == before);
                    EXPECT_TRUE(p.Changed());
                } else if (ask == kExit) {
                    EXPECT_TRUE(p.Reach(state::kExit));
                } else {
                    ASSERT_TRUE(p.Reach(state::kEditor));
                    EXPECT_EQ(p.Describe(), ask == kGallery
                                                ? "saved  #1 Gallery picture 2 - Brelvo"
                                                : "saved file \\other.bmp #0 other.bmp - Brelvo");
                    EXPECT_TRUE(ask == kGallery ||
                                p.PictureBmp() == ReadTextFile(folder / "other.bmp"));
                }
                EXPECT_TRUE(ReadTextFile(path) ==
                            (answer == ConfirmDialog::kAnswerYes ? before : fileBefore));
            }
}

// File > Exit's dialog shows over a still copy of the editor's frame, moves by its title strip,
// and answers at its new place. Its Yes arranges to quit after the save; the close button and
// Cancel on the save screen forget that, so a later Save as returns to the editor.
TEST_F(SaveFlowTest, TheDialogMovesAndSaveAsForgetsWhatItArranged) {
    program.Frames(2);
    const std::vector<Pixel> editorFrame = test::Pixels(program.frame);
    program.Choose(EditorScreen::kFileMenu, 4);
    ASSERT_TRUE(program.Reach(state::kConfirm));
    ConfirmDialog& dialog = program.app->Dialog();
    // The docs' dialog shots hold its place and its buttons' there; Yes is the one they never tap.
    const Point origin = dialog.Origin();
    EXPECT_EQ(dialog.ButtonRect(ConfirmDialog::kAnswerYes),
              kDialogYes.Translated(kDialogOrigin.x, kDialogOrigin.y));
    program.app->StylusDown(origin.x + 50, origin.y + 10);
    program.app->StylusMove(origin.x + 20, origin.y + 150);
    program.app->StylusUp(origin.x + 20, origin.y + 150);
    EXPECT_EQ(dialog.Origin(), Point(origin.x - 30, origin.y + 140));
    program.Frames(1);
    // Everywhere but the window's rows, the editor as it was, though the menu has closed since.
    const auto outside = [&](std::vector<Pixel> frame) {
        const auto top = static_cast<std::size_t>(dialog.Origin().y) * 240;
        frame.erase(frame.begin() + top, frame.begin() + std::min(frame.size(), top + 125 * 240));
        return frame;
    };
    EXPECT_TRUE(outside(test::Pixels(program.frame)) == outside(editorFrame));
    program.Tap(kDialogCancel.Translated(kDialogOrigin.x, kDialogOrigin.y).Center());
    program.Frames(12);
    EXPECT_EQ(GetState(), state::kConfirm) << "the old place of Cancel is no button now";
    program.Answer(ConfirmDialog::kAnswerYes);
    ASSERT_TRUE(program.Reach(state::kSave));
    EXPECT_EQ(program.app->Saver().AfterSaveAction(), SaveScreen::kQuit);
    program.app->OnClose();
    ASSERT_TRUE(program.Reach(state::kConfirm));
    program.Answer(ConfirmDialog::kAnswerCancel);
    ASSERT_TRUE(program.Reach(state::kEditor));
    program.SaveAs(u"later");
    ASSERT_TRUE(program.Reach(state::kEditor));
    program.Frames(30);
    EXPECT_EQ(GetState(), state::kEditor);
    EXPECT_TRUE(fs::exists(Docs("later.bmp")));
}

// On 240 rows the help view is 191 high: the index (260) and topic 4 (225) scroll 5 pixels a
// frame while Down is held, to the page's end. The drawn keyboard is neither shown nor touched.
TEST(ShortScreenTest, HelpScrollsAndTheKeysTypeTheName) {
    test::TempFolder root;
    Program program(root.Path(), 240);
    ASSERT_TRUE(program.ok);
    program.Key(kF1);
    ASSERT_TRUE(program.Reach(state::kHelp));
    HelpScreen& help = program.app->Help();
    ASSERT_EQ(help.ViewHeight(), 191);
    const Pixel barEdge = program.frame.GetPixelRaw(0, 217); // the top of the bottom bar
    for (const std::int32_t topic : {0, 4}) {
        SCOPED_TRACE(topic);
        if (topic != 0) {
            const Point link = help::kIndex[3].area.Center();
            program.Tap(OnScreen(Point(link.x, link.y - help.ScrollY())));
        }
        ASSERT_EQ(help.Topic(), topic);
        EXPECT_TRUE(help.ScrollBarShown());
        const std::int32_t end = help.Page().GetHeight() - 191;
        program.app->KeyDown(kDown, test::kProgramKeys);
        for (std::int32_t frame = 1; frame * 5 < end; ++frame) {
            program.Frames(1);
            ASSERT_EQ(help.ScrollY(), frame * 5);
        }
        program.Frames(3);
        EXPECT_EQ(help.ScrollY(), end);
        program.app->KeyUp(kDown, test::kProgramKeys);
        program.Key(kUp, 2); // and Up scrolls back
        program.Frames(2);
        EXPECT_EQ(help.ScrollY(), end - 10);
        program.Key(kDown, 2);
        Surface page;
        HelpScreen::DrawPage(topic, InterfaceFonts, page);
        program.Frames(1);
        EXPECT_TRUE(ShowsPage(program.frame, page, end)); // the page's last 191 rows
        program.Tap(help.BackRect().Center());
        program.Frames(11); // back on the index, and Back's pressed look gone
    }
    program.Key(kF2);
    ASSERT_TRUE(program.Reach(state::kEditor));
    program.Change(true);
    ASSERT_TRUE(program.ToSaveScreen());
    EXPECT_EQ(program.frame.GetPixelRaw(0, 217), barEdge) << "the save screen's bottom bar";
    for (const int key : {15, kKeyCaseSwitch, 50})
        program.Tap(KeyRect(key).Translated(0, -80).Center());
    EXPECT_EQ(std::tuple(program.app->Saver().Name().Text(), program.app->Saver().UpperCase()),
              std::tuple(u"", false));
    program.Type(u"short");
    program.Tap(kSaveButton.Translated(0, -80).Center());
    ASSERT_TRUE(program.Reach(state::kEditor));
    EXPECT_TRUE(fs::exists(root / "short.bmp"));
}

// A disk that refuses the picture in each way, for each way a save is asked for: Save as over a
// file for a gallery picture, then Yes to Exit's, New's and Open's questions for a picture with its
// own file. The files stay byte for byte with no temporary one left, the picture keeps its unsaved
// mark (and gets no file), nothing replaces it, the error's Ok returns to the save screen, and
// Exit still asks.
TEST(SaveFaultTest, AFailedSaveLosesNothingAndGoesNoFurther) {
    std::string skipped;
    for (const test::DiskFault fault :
         {test::DiskFault::ReadOnlyFolder, test::DiskFault::FileSizeLimit,
          test::DiskFault::FullDisk}) {
        SCOPED_TRACE(test::Describe(fault));
        test::TempFolder root;
        const std::string docs = root / "Docs";
        fs::create_directories(docs);
        ASSERT_EQ(::chmod(root.Path().c_str(), 0755), 0);
        // The unprivileged user of the read-only case reads the archive from here.
        const std::string program = root / "program";
        fs::create_directories(program);
        fs::copy_file(BRELVO_ARCHIVE_FILE, program + "/Brelvo.erc");
        std::ofstream(docs + "/old.bmp") << std::string(1000, 'o');
        Surface small; // large enough for the Magnifier's tap to land on it, small enough for
        small.Create(CREATE_CLEAR, 110, 105); // the full disk's seed
        ASSERT_EQ(SaveBmpToHostFile(small, root / "other.bmp"), kOk);
        ASSERT_EQ(SaveBmpToHostFile(small, docs + "/own.bmp"), kOk);
        const auto contents = [&] {
            return ReadTextFile(docs + "/old.bmp") + ReadTextFile(docs + "/own.bmp");
        };
        const std::string files = contents();
        const test::FaultRun run = test::RunWithDiskFault(fault, docs, [&] {
            Program p(root.Path(), 320, program);
            if (!p.ok)
                return 1;
            p.Change(true);
            for (int ask = 0; ask < 4; ++ask) {
                if (ask > 0)
                    p.Change();
                const std::string before = p.PictureBmp(), described = p.Describe();
                if (ask == 0) {
                    p.SaveAs(u"old"); // over old.bmp: asked about first
                } else if (ask == 3) {
                    p.app->OnOpenRequest(root / "other.bmp"); // asks as the browser's Open does
                } else {
                    p.Choose(EditorScreen::kFileMenu, ask == 1 ? 4 : 0); // Exit, New
                }
                int check = 0; // the one that fails is the report's tens
                const auto pass = [&check](bool ok) { return ++check, ok; };
                const bool ok = pass(p.Reach(state::kConfirm)) &&
                                (p.Answer(ConfirmDialog::kAnswerYes),
                                 pass(p.Reach(state::kConfirm) &&
                                      p.app->Dialog().Mode() == EditorScreen::kSaveError)) &&
                                (p.Frames(40), p.app->Browser().WaitUntilIdle(), p.Frames(2),
                                 pass(GetState() == state::kConfirm && p.PictureBmp() == before &&
                                      p.Describe() == described)) &&
                                pass(contents() == files && Hidden(docs).empty()) &&
                                (p.Answer(ConfirmDialog::kAnswerOk),
                                 pass(p.Reach(state::kSave) &&
                                      (ask > 0 || p.app->Saver().Name().Text() == u"old"))) &&
                                (p.Tap(kSaveCancelButton.Center()), pass(p.Reach(state::kEditor)));
                if (!ok)
                    return 10 * check + ask;
                if (ask == 0) { // the picture with its own file for the questions
                    p.app->Browser().OpenPictureFile(u"\\Docs\\own.bmp");
                    p.app->Browser().WaitUntilIdle();
                    if (!p.Reach(state::kEditor) || !p.app->Editor().HasOwnBmpFile())
                        return 2;
                }
            }
            p.app->OnClose();
            return p.Reach(state::kConfirm) &&
                           p.app->Dialog().Mode() == EditorScreen::kAskBeforeQuitting
                       ? 0
                       : 3;
        });
        if (!run.cannot.empty()) {
            skipped += std::string(test::Describe(fault)) + " skipped: " + run.cannot + "\n";
            continue;
        }
        EXPECT_EQ(run.code, 0) << "2: own file not opened, 3: Exit does not ask; 1x: no question, "
                                  "2x: no error, 3x: went further or mark lost, 4x: a file changed "
                                  "or a temporary one left, 5x/6x: no way back (x: 0 Save as, 1 "
                                  "Exit, 2 New, 3 Open)";
        EXPECT_TRUE(contents() == files);
    }
    if (!skipped.empty())
        GTEST_SKIP() << skipped;
}

} // namespace
} // namespace brelvo
