// The application framework around the controller: its two threads, its events and errors, and
// the frame timer that paces it.
#include "app/Application.h"
#include "app/FrameTimer.h"
#include "app/SteadyFrameClock.h"
#include "platform/HeadlessWindow.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace brelvo {
namespace {

using platform::WindowEvent;

// Records what the framework calls, from either thread; read once Run has returned.
class RecordingApplication final : public Application {
public:
    using Application::Application;

    HResult OnInit(Surface& display) override {
        displayWidth = display.GetWidth();
        displayHeight = display.GetHeight();
        return onInitResult;
    }
    HResult Render(Surface& backBuffer, std::uint32_t frameFlags) override {
        std::lock_guard lock(m_lock);
        frameFlagsSeen.push_back(frameFlags);
        if (backBuffer.GetPixels())
            backBuffer.Header().Row(0)[0] = static_cast<Pixel>(frameFlagsSeen.size());
        return renderResult;
    }
    HResult OnSuspend() override { return Note("suspend"); }
    HResult OnResume() override { return Note("resume"); }
    HResult KeyDown(std::uint16_t key, KeyMap keys) override {
        return lastKeys = keys, Note("keydown", key);
    }
    HResult KeyUp(std::uint16_t key, KeyMap) override { return Note("keyup", key); }
    HResult Char(char16_t c, std::uint32_t) override { return Note("char", c); }
    HResult StylusDown(std::int32_t x, std::int32_t y) override { return Note("down", x, y); }
    HResult StylusUp(std::int32_t x, std::int32_t y) override { return Note("up", x, y); }
    HResult StylusMove(std::int32_t x, std::int32_t y) override { return Note("move", x, y); }

    HResult onInitResult = kOk;
    HResult renderResult = kOk;
    std::int32_t displayWidth = 0;
    std::int32_t displayHeight = 0;
    KeyMap lastKeys;
    std::vector<std::string> events;
    std::vector<std::uint32_t> frameFlagsSeen;

private:
    HResult Note(std::string what, int x = -1, int y = -1) {
        std::lock_guard lock(m_lock);
        for (const int n : {x, y})
            if (n >= 0)
                what.append(1, ' ').append(std::to_string(n));
        events.push_back(what);
        return kOk;
    }
    std::mutex m_lock;
};

ApplicationConfig ConfigFor(platform::Window* window) {
    ApplicationConfig config;
    config.window = window;
    config.title = u"Brelvo";
    config.frameRate = 30;
    config.flags = APP_FULLSCREEN;
    config.orientation = 1;
    config.freeRunning = 1;
    config.suspendOnDeactivate = 1;
    return config;
}

platform::HeadlessScript Script(const std::string& text) {
    platform::HeadlessScript script;
    std::string error;
    EXPECT_TRUE(platform::ParseHeadlessScript(text, "test", script, error)) << error;
    return script;
}

TEST(ApplicationTest, SetErrorTexts) {
    struct Case {
        const char16_t* text;
        std::uint32_t code;
        std::u16string stored;
        HResult result;
    };
    const Case cases[] = {
        {u"Some text", 0, u"Some text", kOk},
        {u"Some text", 31, u"Some text\nError code=0x1f.", kOk},
        {nullptr, 31, u"Invalid error code description.", kErrFail},
        {u"", 0, u"Invalid error code description.", kErrFail},
        {u"ignored", 0xc8660120u, u"This application requires a 16-bit Pocket PC or Smartphone.",
         kOk},
        {u"ignored", 0xc8660130u, u"Missing or incorrect file: exe file", kOk},
    };
    for (const Case& c : cases) {
        Application app(ConfigFor(nullptr));
        EXPECT_EQ(app.SetError(c.text, static_cast<HResult>(c.code)), c.result);
        EXPECT_EQ(app.GetErrorText(), c.stored);
    }

    // A later text replaces the earlier one, and no text outgrows the 260-character buffer.
    Application app(ConfigFor(nullptr));
    app.SetError(u"first", 1);
    app.SetError(std::u16string(300, u'x').c_str(), 0);
    EXPECT_EQ(app.GetErrorText(), std::u16string(259, u'x'));
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
        EXPECT_EQ(app.frameFlagsSeen.size(), startUp ? 0u : 1u);
        EXPECT_EQ(app.displayWidth, 240);
        EXPECT_EQ(app.displayHeight, 320);
        EXPECT_TRUE(app.GetErrorText().empty());
        EXPECT_FALSE(window.Finish());
    }
}

// A few thousand events between frames keep their order (and ThreadSanitizer watches the two
// threads meanwhile); while the window is hidden the program is suspended, stylus moves are
// dropped and no frame is drawn, and the first frame after says it follows a suspension.
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

// At 1 MHz and 60 frames a second a period is 16666 ticks, the true 16666.7 truncated. A frame
// ready early sleeps until its deadline, rounded down to whole milliseconds; a late one (the
// deadline itself is late) is reported, sleeps not at all and is not made up. Either way the next
// period starts at the moment the frame was accounted for, the waking or the late call, not at
// the old deadline.
TEST(FrameTimerTest, EarlyFramesSleepAndLateOnesAreNotMadeUp) {
    struct Step {
        std::uint64_t work; // ticks since the previous frame started
        HResult result;
        std::uint32_t sleepMs; // a late frame does not sleep at all
    };
    const Step steps[] = {{6666, kOk, 10}, {0, kOk, 16},
                          {16665, kOk, 0}, {6667, kOk, 9},
                          {16665, kOk, 0}, {100000, kInfoLateFrame, 0},
                          {16665, kOk, 0}, {16666, kInfoLateFrame, 0},
                          {10, kOk, 16}};
    FakeClock clock;
    FrameTimer timer(clock);
    ASSERT_EQ(timer.Start(60), kOk);
    for (const Step& s : steps) {
        SCOPED_TRACE(s.work);
        const std::uint64_t started = clock.now;
        clock.sleeps.clear();
        clock.now += s.work;
        EXPECT_EQ(timer.WaitFrame(), s.result);
        EXPECT_EQ(clock.sleeps, s.result == kOk ? std::vector<std::uint32_t>{s.sleepMs}
                                                : std::vector<std::uint32_t>{});
        EXPECT_EQ(clock.now, started + s.work + 1000u * s.sleepMs);
    }
}

// No counter, a counter without a frequency (even one that still counts) or a rate of 0: every
// wait is late and nothing sleeps.
TEST(FrameTimerTest, WithoutAPeriodEveryWaitIsLate) {
    const struct {
        bool counter;
        std::uint64_t frequency;
        std::uint32_t fps;
        HResult started;
    } cases[] = {{false, 1000000, 30, kErrNoCounter},
                 {true, 0, 30, kErrNoCounter},
                 {true, 1000000, 0, kErrInvalidArg}};
    for (const auto& c : cases) {
        FakeClock clock;
        clock.hasCounter = c.counter;
        clock.frequency = c.frequency;
        FrameTimer timer(clock);
        EXPECT_EQ(timer.Start(c.fps), c.started);
        for (int i = 0; i < 3; ++i, clock.now += 1000)
            EXPECT_EQ(timer.WaitFrame(), kInfoLateFrame);
        EXPECT_TRUE(clock.sleeps.empty());
    }
}

// Poll keeps the books as WaitFrame does without sleeping. The average starts from 0 and moves
// half way to each frame's rate, capped at the target; a frame's length shows once there is one.
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
    timer.LastFrameSeconds(&seconds);
    EXPECT_EQ(seconds, 0.0f);              // no average yet
    for (float average : {10.0f, 15.0f}) { // the last frame, 50000 ticks, is 20 a second
        timer.AverageFps(&fps);
        EXPECT_FLOAT_EQ(fps, average);
    }
    timer.LastFrameSeconds(&seconds);
    EXPECT_FLOAT_EQ(seconds, 0.05f);
    clock.now += 10000; // 100 frames a second, reported as at most 30
    ASSERT_EQ(timer.WaitFrame(), kOk);
    timer.AverageFps(&fps);
    EXPECT_EQ(fps, 30.0f);
    timer.LastFrameSeconds(&seconds);
    EXPECT_FLOAT_EQ(seconds, 0.01f);
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

} // namespace
} // namespace brelvo
