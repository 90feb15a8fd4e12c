#include "app/App.h"
#include "tests/app/TestArtwork.h"
#include "tests/support/Subprocess.h"
#include "ui/Shared.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace brelvo {
namespace {

// Writes every call the controller makes on it, with its name, into a log all screens share.
class RecordingScreen final : public Screen {
public:
    RecordingScreen(std::string name, std::vector<std::string>& log)
        : m_name(std::move(name)), m_log(log) {}

    void StylusDown(std::int32_t x, std::int32_t y) override { Note("down", x, y); }
    void StylusUp(std::int32_t x, std::int32_t y) override { Note("up", x, y); }
    void StylusMove(std::int32_t x, std::int32_t y) override { Note("move", x, y); }
    void KeyDown(std::uint16_t key, const KeyMap&) override { Note("keydown", key); }
    void KeyUp(std::uint16_t key, const KeyMap&) override { Note("keyup", key); }
    void Char(char16_t c, std::uint32_t) override { Note("char", c); }
    void ReleaseHeldKeys() override { Note("release"); }

private:
    void Note(const std::string& what, int a = -1, int b = -1) {
        // Appended piece by piece: GCC 12 at -O3 warns falsely, -Wrestrict, about " " + string.
        std::string call = m_name;
        call.append(1, ' ').append(what);
        for (const int n : {a, b})
            if (n >= 0)
                call.append(1, ' ').append(std::to_string(n));
        m_log.push_back(call);
    }
    std::string m_name;
    std::vector<std::string>& m_log;
};

ApplicationConfig TestConfig() {
    ApplicationConfig config;
    config.title = u"Brelvo";
    config.frameRate = 30;
    return config;
}

void EnterState(std::int32_t s) {
    ScreenStates.Reset();
    ScreenStates.SetState(s, 0);
    ScreenStates.Tick();
}

// The controller with a recording screen in each state that takes one, entered into a state.
struct Routed {
    explicit Routed(std::int32_t s) {
        for (std::size_t i = 0; i < std::size(screens); ++i)
            app.SetScreen(states[i], &screens[i]);
        EnterState(s);
    }

    App app{TestConfig()};
    std::vector<std::string> log;
    const std::int32_t states[5] = {state::kEditor, state::kBrowser, state::kSave, state::kConfirm,
                                    state::kHelp};
    RecordingScreen screens[5] = {
        {"editor", log}, {"browser", log}, {"save", log}, {"confirm", log}, {"help", log}};
};

// Stylus, key and typing events reach the screen of the current state only (typing not the
// dialog's or help's); a key's release clears the held keys of the editor and help in every
// state, and reaches the editor only. The title picture has a test of its own.
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
    for (const bool tap : {true, false}) {
        Routed r(state::kTitle);
        tap ? r.app.StylusDown(10, 10) : r.app.KeyDown(0x5A, KeyMap{});
        EXPECT_EQ(GetState(), state::kTitle);
        ScreenStates.Tick();
        EXPECT_EQ(GetState(), state::kEditor);
        EXPECT_TRUE(r.log.empty());
    }
    Routed r(state::kTitle);
    IgnoreNextTap.store(true);
    r.app.StylusDown(4, 4);
    ScreenStates.Tick();
    EXPECT_EQ(GetState(), state::kTitle);
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
        EXPECT_EQ(LayoutOffset, Point(0, c.offset));
        EXPECT_EQ(app.DisplayHeight(), c.height);
        test::MakePattern(startup, 240, c.height, c.startupSeed);
        test::MakePattern(title, 240, c.height, c.titleSeed);
        EXPECT_TRUE(test::Pixels(StartupPicture) == test::Pixels(startup));
        EXPECT_TRUE(test::Pixels(TitlePicture) == test::Pixels(title));
        EXPECT_EQ(GetState(), state::kNone);
        EXPECT_TRUE(ScreenStates.IsPending());
        ASSERT_EQ(app.Render(frame, 0), kOk);
        EXPECT_EQ(GetState(), state::kStartup);
        EXPECT_TRUE(test::Pixels(frame) == test::Pixels(startup));
    }
}

TEST(AppTest, StateNineQuits) {
    App app(TestConfig());
    EnterState(state::kExit);
    Surface frame;
    frame.Create(CREATE_CLEAR, 240, 320);
    EXPECT_FALSE(app.IsQuitting());
    EXPECT_EQ(app.Render(frame, 0), kOk);
    EXPECT_TRUE(app.IsQuitting());
}

} // namespace
} // namespace brelvo
