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

struct Screens {
    RecordingScreen editor{"editor"};
    RecordingScreen browser{"browser"};
    RecordingScreen save{"save"};
    RecordingScreen confirm{"confirm"};
    RecordingScreen help{"help"};

    void Register(App& app) {
        app.SetScreen(state::kEditor, &editor);
        app.SetScreen(state::kBrowser, &browser);
        app.SetScreen(state::kSave, &save);
        app.SetScreen(state::kConfirm, &confirm);
        app.SetScreen(state::kHelp, &help);
    }
    std::vector<std::string> All() const {
        std::vector<std::string> all;
        for (const RecordingScreen* s : {&editor, &browser, &save, &confirm, &help})
            all.insert(all.end(), s->calls.begin(), s->calls.end());
        return all;
    }
};

TEST(AppTest, EventsReachTheScreenOfTheCurrentStateOnly) {
    struct Case {
        std::int32_t state;
        std::vector<std::string> calls;
    };
    const auto all = [](const std::string& s) {
        return std::vector<std::string>{s + " down 1 2", s + " up 3 4", s + " move 5 6",
                                        s + " keydown 65", s + " char 97"};
    };
    const auto noChar = [&](const std::string& s) {
        std::vector<std::string> v = all(s);
        v.pop_back();
        return v;
    };
    const Case cases[] = {
        {state::kNone, {}},
        {state::kStartup, {}},
        {state::kEditor, all("editor")},
        {state::kBrowser, all("browser")},
        {state::kUnused, {}},
        {state::kSave, all("save")},
        {state::kConfirm, noChar("confirm")},
        {state::kHelp, noChar("help")},
        {state::kExit, {}},
    };
    for (const Case& c : cases) {
        App app(TestConfig());
        Screens screens;
        screens.Register(app);
        EnterState(c.state);
        app.StylusDown(1, 2);
        app.StylusUp(3, 4);
        app.StylusMove(5, 6);
        app.KeyDown(0x41, KeyMap{});
        app.Char(u'a', 1);
        EXPECT_EQ(screens.All(), c.calls) << "state " << c.state;
    }
}

TEST(AppTest, KeyReleaseClearsHeldKeysEverywhereAndReachesOnlyTheEditor) {
    for (std::int32_t s = 0; s < state::kCount; ++s) {
        App app(TestConfig());
        Screens screens;
        screens.Register(app);
        EnterState(s);
        app.KeyUp(0x26, KeyMap{});
        std::vector<std::string> expected = {"editor release"};
        if (s == state::kEditor)
            expected.push_back("editor keyup 38");
        expected.push_back("help release");
        EXPECT_EQ(screens.All(), expected) << "state " << s;
    }
}

TEST(AppTest, TheTitlePictureGivesWayToTheEditorOnATapOrAKey) {
    for (const bool tap : {true, false}) {
        App app(TestConfig());
        Screens screens;
        screens.Register(app);
        EnterState(state::kTitle);
        if (tap)
            app.StylusDown(10, 10);
        else
            app.KeyDown(0x5A, KeyMap{});
        EXPECT_EQ(GetState(), state::kTitle);
        ScreenStates.Tick();
        EXPECT_EQ(GetState(), state::kEditor);
        // The event that ended the title reached no screen.
        EXPECT_TRUE(screens.All().empty());
    }
}

TEST(AppTest, IgnoreNextTapDropsExactlyOneStylusDown) {
    App app(TestConfig());
    Screens screens;
    screens.Register(app);
    EnterState(state::kEditor);
    IgnoreNextTap.store(true);
    app.StylusDown(1, 1);
    app.StylusUp(1, 1);
    app.StylusDown(2, 2);
    app.StylusDown(3, 3);
    EXPECT_FALSE(IgnoreNextTap.load());
    EXPECT_EQ(screens.editor.calls,
              (std::vector<std::string>{"editor up 1 1", "editor down 2 2", "editor down 3 3"}));

    // On the title picture the dropped tap does not end it either.
    EnterState(state::kTitle);
    IgnoreNextTap.store(true);
    app.StylusDown(4, 4);
    ScreenStates.Tick();
    EXPECT_EQ(GetState(), state::kTitle);
}

// The pixels a picture leaves in a black back buffer when blitted keyed at (0, 0).
bool ShowsPicture(const Surface& frame, const Surface& picture) {
    Surface expected;
    expected.Create(CREATE_CLEAR, frame.GetWidth(), frame.GetHeight());
    Blit(expected, 0, 0, picture, nullptr, BLT_KEYED);
    for (std::int32_t y = 0; y < frame.GetHeight(); ++y) {
        for (std::int32_t x = 0; x < frame.GetWidth(); ++x) {
            if (frame.Header().Row(y)[x] != expected.Header().Row(y)[x])
                return false;
        }
    }
    return true;
}

TEST(AppTest, StartUpLoadsThePicturesForTheScreenHeight) {
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
        App app(TestConfig(), AppOptions{.programFolder = folder.Path() + "/", .startFile = {}});
        Surface display;
        display.Create(CREATE_CLEAR, 240, c.height);
        ASSERT_EQ(app.OnInit(display), kOk);
        EXPECT_EQ(LayoutOffset, Point(0, c.offset));
        EXPECT_EQ(app.DisplayHeight(), c.height);
        Surface startup, title;
        test::MakePattern(startup, 240, c.height, c.startupSeed);
        test::MakePattern(title, 240, c.height, c.titleSeed);
        EXPECT_TRUE(ShowsPicture(StartupPicture, startup)) << c.height;
        EXPECT_TRUE(ShowsPicture(TitlePicture, title)) << c.height;
        // Start-up ends by asking for state 1, which the first frame shows.
        EXPECT_EQ(GetState(), state::kNone);
        EXPECT_TRUE(ScreenStates.IsPending());
    }
}

TEST(AppTest, TheStartUpPictureStaysFor61FramesThenTheEditorDraws) {
    test::TempFolder folder;
    ASSERT_TRUE(test::WriteTestArchive(folder / "Brelvo.erc"));
    App app(TestConfig(), AppOptions{.programFolder = folder.Path(), .startFile = {}});
    Surface frame;
    frame.Create(CREATE_CLEAR, 240, 320);
    ASSERT_EQ(app.OnInit(frame), kOk);
    Surface startup, editor;
    test::MakePattern(startup, 240, 320, test::kStartupSeed);
    test::MakePattern(editor, 240, 320, test::kEditorSeed);
    for (int n = 1; n <= 61; ++n) {
        ASSERT_EQ(app.Render(frame, 0), kOk);
        ASSERT_EQ(GetState(), state::kStartup) << "frame " << n;
        ASSERT_TRUE(ShowsPicture(frame, startup)) << "frame " << n;
    }
    ASSERT_EQ(app.Render(frame, 0), kOk);
    EXPECT_EQ(GetState(), state::kEditor);
    EXPECT_TRUE(ShowsPicture(frame, editor));
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

TEST(AppTest, AMissingArchiveEndsStartUpWithItsCode) {
    test::TempFolder folder;
    App app(TestConfig(), AppOptions{.programFolder = folder.Path(), .startFile = {}});
    Surface display;
    display.Create(CREATE_CLEAR, 240, 320);
    EXPECT_EQ(app.OnInit(display), kErrArchiveMissing);
    EXPECT_EQ(app.ArchivePath(), folder.Path() + "/Brelvo.erc");
    EXPECT_FALSE(ScreenStates.IsPending());
}

TEST(AppTest, TheTenthFontIsTheTitleFontOnBlack) {
    // A title font whose ground is the near-white 0xF8FCF8 with two glyph pixels, and a body
    // font wider than it, so the black ground covers the whole title font.
    Surface title;
    title.Create(0, 8, 4);
    FillRect(title, nullptr, 0xF8FCF8);
    title.SetPixel(2, 1, 0x0000FF);
    title.SetPixel(5, 2, 0x00FF00);
    Surface body;
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
    const BitmapFont& onBlack = InterfaceFonts[9];
    ASSERT_EQ(onBlack.GetWidth(), 8);
    ASSERT_EQ(onBlack.GetHeight(), 4);
    for (std::int32_t y = 0; y < 4; ++y) {
        for (std::int32_t x = 0; x < 8; ++x) {
            Color expected = 0;
            title.GetPixel(x, y, &expected);
            if (expected == PixelToColor(ColorToPixel(0xF8FCF8)))
                expected = 0;
            Color got = 0;
            onBlack.GetPixel(x, y, &got);
            EXPECT_EQ(got, expected) << x << "," << y;
        }
    }
    EXPECT_EQ(onBlack.GetColorKey(), kPixelMagenta);
    EXPECT_EQ(InterfaceFonts[2].GetColorKey(), kPixelMagenta);
}

} // namespace
} // namespace brelvo
