#include "app/App.h"
#include "gfx/Blit.h"
#include "tests/app/TestArtwork.h"
#include "tests/support/Subprocess.h"
#include "ui/Shared.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace brelvo {
namespace {

// Writes down every call the controller makes on it.
class RecordingScreen final : public Screen {
public:
    explicit RecordingScreen(std::string name) : m_name(std::move(name)) {}

    void Initialise(ResourceArchive&) override { Note("init"); }
    void Draw(Surface&) override { Note("draw"); }
    void StylusDown(std::int32_t x, std::int32_t y) override { Note("down", x, y); }
    void StylusUp(std::int32_t x, std::int32_t y) override { Note("up", x, y); }
    void StylusMove(std::int32_t x, std::int32_t y) override { Note("move", x, y); }
    void KeyDown(std::uint16_t key, const KeyMap&) override { Note("keydown", key); }
    void KeyUp(std::uint16_t key, const KeyMap&) override { Note("keyup", key); }
    void Char(char16_t c, std::uint32_t) override { Note("char", c); }
    void ReleaseHeldKeys() override { Note("release"); }

    std::vector<std::string> calls;

private:
    void Note(const std::string& what, int a = -1, int b = -1) {
        // Appended piece by piece: GCC 12 at -O3 warns falsely, -Wrestrict, about " " + string.
        std::string call = m_name;
        call.append(1, ' ').append(what);
        for (const int n : {a, b}) {
            if (n >= 0)
                call.append(1, ' ').append(std::to_string(n));
        }
        calls.push_back(call);
    }
    std::string m_name;
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
        app.SetScreen(state::kEditor, &editor);
        app.SetScreen(state::kBrowser, &browser);
        app.SetScreen(state::kSave, &save);
        app.SetScreen(state::kConfirm, &confirm);
        app.SetScreen(state::kHelp, &help);
        EnterState(s);
    }
    std::vector<std::string> All() const {
        std::vector<std::string> all;
        for (const RecordingScreen* s : {&editor, &browser, &save, &confirm, &help})
            all.insert(all.end(), s->calls.begin(), s->calls.end());
        return all;
    }

    App app{TestConfig()};
    RecordingScreen editor{"editor"}, browser{"browser"}, save{"save"}, confirm{"confirm"},
        help{"help"};
};

TEST(AppTest, EventsReachTheScreenOfTheCurrentStateOnly) {
    struct Case {
        std::int32_t state;
        std::vector<std::string> calls;
    };
    const auto all = [](const std::string& s, bool chars) {
        std::vector<std::string> v{s + " down 1 2", s + " up 3 4", s + " move 5 6",
                                   s + " keydown 65", s + " char 97"};
        if (!chars)
            v.pop_back();
        return v;
    };
    const Case cases[] = {
        {state::kNone, {}},
        {state::kStartup, {}},
        {state::kEditor, all("editor", true)},
        {state::kBrowser, all("browser", true)},
        {state::kUnused, {}},
        {state::kSave, all("save", true)},
        {state::kConfirm, all("confirm", false)},
        {state::kHelp, all("help", false)},
        {state::kExit, {}},
    };
    for (const Case& c : cases) {
        Routed r(c.state);
        r.app.StylusDown(1, 2);
        r.app.StylusUp(3, 4);
        r.app.StylusMove(5, 6);
        r.app.KeyDown(0x41, KeyMap{});
        r.app.Char(u'a', 1);
        EXPECT_EQ(r.All(), c.calls) << "state " << c.state;
    }
}

TEST(AppTest, KeyReleaseClearsHeldKeysEverywhereAndReachesOnlyTheEditor) {
    for (std::int32_t s = 0; s < state::kCount; ++s) {
        Routed r(s);
        r.app.KeyUp(0x26, KeyMap{});
        std::vector<std::string> expected = {"editor release"};
        if (s == state::kEditor)
            expected.push_back("editor keyup 38");
        expected.push_back("help release");
        EXPECT_EQ(r.All(), expected) << "state " << s;
    }
}

TEST(AppTest, TheTitlePictureGivesWayToTheEditorOnATapOrAKey) {
    for (const bool tap : {true, false}) {
        Routed r(state::kTitle);
        if (tap)
            r.app.StylusDown(10, 10);
        else
            r.app.KeyDown(0x5A, KeyMap{});
        EXPECT_EQ(GetState(), state::kTitle);
        ScreenStates.Tick();
        EXPECT_EQ(GetState(), state::kEditor);
        // The event that ended the title reached no screen.
        EXPECT_TRUE(r.All().empty());
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
    EXPECT_EQ(r.editor.calls,
              (std::vector<std::string>{"editor up 1 1", "editor down 2 2", "editor down 3 3"}));

    // On the title picture the dropped tap does not end it either.
    EnterState(state::kTitle);
    IgnoreNextTap.store(true);
    r.app.StylusDown(4, 4);
    ScreenStates.Tick();
    EXPECT_EQ(GetState(), state::kTitle);
}

// Start-up loads the pictures for the screen's height from the test archive (whose pictures hold
// no colour key, so a picture keyed onto black is the picture), and the start-up picture stays
// for 61 frames before the editor's first frame.
TEST(AppTest, StartUpShowsThePicturesForTheScreenHeightFor61Frames) {
    test::TempFolder folder;
    ASSERT_TRUE(test::WriteTestArchive(folder / "Brelvo.erc"));
    struct Case {
        std::int32_t height;
        std::int32_t offset;
        std::uint32_t startupSeed;
        std::uint32_t titleSeed;
    };
    const Case cases[] = {{320, 0, test::kStartupSeed, test::kTitleSeed},
                          {240, 80, test::kStartupShortSeed, test::kTitleShortSeed}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.height);
        App app(TestConfig(), AppOptions{.programFolder = folder.Path() + "/", .startFile = {}});
        Surface frame;
        frame.Create(CREATE_CLEAR, 240, c.height);
        ASSERT_EQ(app.OnInit(frame), kOk);
        EXPECT_EQ(LayoutOffset, Point(0, c.offset));
        EXPECT_EQ(app.DisplayHeight(), c.height);
        Surface startup, title, editor;
        test::MakePattern(startup, 240, c.height, c.startupSeed);
        test::MakePattern(title, 240, c.height, c.titleSeed);
        EXPECT_TRUE(test::Pixels(StartupPicture) == test::Pixels(startup));
        EXPECT_TRUE(test::Pixels(TitlePicture) == test::Pixels(title));
        // Start-up ends by asking for state 1, which the first frame shows.
        EXPECT_EQ(GetState(), state::kNone);
        EXPECT_TRUE(ScreenStates.IsPending());
        if (c.height != 320)
            continue; // the test archive has the editor's picture for the full height only
        test::MakePattern(editor, 240, 320, test::kEditorSeed);
        for (int n = 1; n <= 61; ++n) {
            ASSERT_EQ(app.Render(frame, 0), kOk);
            ASSERT_EQ(GetState(), state::kStartup) << "frame " << n;
            ASSERT_TRUE(test::Pixels(frame) == test::Pixels(startup)) << "frame " << n;
        }
        ASSERT_EQ(app.Render(frame, 0), kOk);
        EXPECT_EQ(GetState(), state::kEditor);
        EXPECT_TRUE(test::Pixels(frame) == test::Pixels(editor));
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

TEST(AppTest, TheTenthFontIsTheTitleFontOnBlack) {
    // A title font whose ground is the near-white 0xF8FCF8 with two glyph pixels, and a body
    // font wider than it, so the black ground covers the whole title font.
    Surface title, body, onBlack;
    title.Create(0, 8, 4);
    FillRect(title, nullptr, 0xF8FCF8);
    onBlack.Create(CREATE_CLEAR, 8, 4);
    for (Surface* s : {&title, &onBlack}) {
        s->SetPixel(2, 1, 0x0000FF);
        s->SetPixel(5, 2, 0x00FF00);
    }
    body.Create(CREATE_CLEAR, 12, 6);
    ArchiveWriter writer;
    ASSERT_TRUE(test::AddPicture(writer, art::kFontTitle, title));
    ASSERT_TRUE(test::AddPicture(writer, art::kFontBody, body));
    test::TempFolder folder;
    ASSERT_TRUE(Succeeded(writer.WriteToFile(folder / "Brelvo.erc")));

    App app(TestConfig(), AppOptions{.programFolder = folder.Path(), .startFile = {}});
    Surface display;
    display.Create(CREATE_CLEAR, 240, 320);
    ASSERT_EQ(app.OnInit(display), kOk);
    EXPECT_EQ(test::Pixels(InterfaceFonts[9]), test::Pixels(onBlack));
    EXPECT_EQ(InterfaceFonts[9].GetColorKey(), kPixelMagenta);
    EXPECT_EQ(InterfaceFonts[2].GetColorKey(), kPixelMagenta);
}

} // namespace
} // namespace brelvo
