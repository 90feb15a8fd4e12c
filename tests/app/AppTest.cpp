// The program's controller: its routing and start-up with screens of the test's own, then help
// and saving through its own screens on the real artwork, files in a folder the test makes.
#include "app/App.h"
#include "gfx/BitmapFont.h"
#include "gfx/Blit.h"
#include "platform/CodePage.h"
#include "screens/HelpText.h"
#include "screens/Layout.h"
#include "tests/app/ProgramDriver.h"
#include "tests/app/TestArtwork.h"
#include "tests/support/DiskFaults.h"
#include "tests/support/Subprocess.h"
#include "ui/Shared.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace brelvo {
namespace {

using namespace layout;
using test::Program;
using test::ReadTextFile;
namespace fs = std::filesystem;

constexpr std::uint16_t kUp = 0x26, kDown = 0x28, kLeft = 0x25, kRight = 0x27, kEnter = 0x0D,
                        kBackspace = 0x08, kF1 = 0x70, kF2 = 0x71;

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

// Help through the program's own controller, on the real artwork and fonts.

// The centre of a page point's place on the screen, at the top of the page.
Point OnScreen(Point onPage) {
    return Point(kHelpView.left + onPage.x, kHelpView.top + onPage.y);
}

// Whether the screen's view shows the rows of the page from the given one on, pixel for pixel.
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
        program.Key(kF1); // from the editor
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
        // Between this link and the one above it nothing opens (page y 42 lies between the
        // second and third links).
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
        EXPECT_EQ(Help().Topic(), 0);
        EXPECT_FALSE(Help().BackShown());
        EXPECT_EQ(GetState(), state::kHelp);
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

// Saving, and every question before work could be lost.

// Names in a folder that start with ".": a temporary file left behind.
std::vector<std::string> Hidden(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string()[0] == '.')
            names.push_back(entry.path().filename().string());
    return names;
}

// The program in the editor with a changed gallery picture, and an empty folder Docs.
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
    ASSERT_TRUE(program.ToSaveScreen());
    program.app->OnOpenRequest(root / "other.bmp"); // refused while a name is being typed
    program.SaveHere(u"");
    program.Frames(25);
    EXPECT_EQ(GetState(), state::kSave) << "an empty name saves nothing, nor is other.bmp opened";

    // Shift, H, shift, i, 1, space, then the platform's typing and keys: "Hi1 x-y", with the
    // caret moved back over "y" to insert "-".
    for (const int key : {kKeyCaseSwitch, 31, kKeyCaseSwitch, 20, 0, kKeySpace}) {
        program.app->StylusDown(KeyRect(key).Center().x, KeyRect(key).Center().y);
        program.app->StylusUp(0, 0); // a key acts on release, wherever the stylus is lifted
    }
    program.Type(u"x\u00e9\ty"); // characters the keyboard cannot type are not taken
    program.Key(kLeft);
    program.Type(u"-");
    program.Key(kRight);
    program.Key(0x20);
    program.Key(kBackspace); // and Backspace takes the space away again
    EXPECT_EQ(program.app->Saver().Name().Text(), u"Hi1 x-y");
    const std::string expected = program.PictureBmp();
    program.Tap(kSaveButton.Center());
    ASSERT_TRUE(program.Reach(state::kEditor));
    EXPECT_TRUE(ReadTextFile(Docs("Hi1 x-y.bmp")) == expected);
    EXPECT_EQ(Hidden(root / "Docs"), std::vector<std::string>{});
    EXPECT_FALSE(program.Changed());
    EXPECT_TRUE(program.app->Editor().Document().hasFile);
    EXPECT_EQ(program.DocumentPath(), u"\\Docs\\Hi1 x-y.bmp");
    EXPECT_EQ(program.app->Editor().Title(), u"Hi1 x-y.bmp - Brelvo");

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

// A name the file system cannot take is refused before the disk is touched; the error's Ok
// (Left and Right do not answer it) leads back to a save screen where the name can be mended and
// saved. The longest name takes 255 bytes with ".bmp".
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

// Each answer to each question about unsaved changes (File > Exit, File > New, and opening a
// picture, by the browser's Open or handed over by a later copy of the program), for a picture
// with its own BMP file (saved in place) and without one (the save screen first, then what was
// asked for). Cancel keeps the picture and returns to the editor, or to the browser when a
// picture was to be opened. A second answer to the same question is ignored.
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
                    EXPECT_FALSE(p.Changed());
                    // The gallery's next picture, or the chosen file.
                    EXPECT_TRUE(ask == kGallery
                                    ? p.app->Editor().GalleryIndex() == 1
                                    : p.DocumentPath() == u"\\other.bmp" &&
                                          p.PictureBmp() == ReadTextFile(folder / "other.bmp"));
                }
                EXPECT_TRUE(ReadTextFile(path) ==
                            (answer == ConfirmDialog::kAnswerYes ? before : fileBefore));
            }
}

// File > Exit's dialog shows over a still copy of the editor's last frame, moves by its title
// strip, and its buttons answer at their new place. Its Yes arranges to quit after the save; the
// window's close button and Cancel on the save screen leave no such errand behind, so a later
// Save as returns to the editor rather than quitting.
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

// On a screen of 240 rows the help view is 191 pixels high: the index (260) and topic 4 (225)
// scroll 5 pixels a frame while Down is held, and stop at the page's end. The save screen's name
// is typed on the platform's own keyboard: the drawn one is neither shown nor touched.
TEST(ShortScreenTest, HelpScrollsAndTheKeysTypeTheName) {
    test::TempFolder root;
    Program program(root.Path(), 240);
    ASSERT_TRUE(program.ok);
    program.Key(kF1);
    ASSERT_TRUE(program.Reach(state::kHelp));
    HelpScreen& help = program.app->Help();
    ASSERT_EQ(help.ViewHeight(), 191);
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
    for (const int key : {15, kKeyCaseSwitch, 50})
        program.Tap(KeyRect(key).Translated(0, -80).Center());
    EXPECT_EQ(program.app->Saver().Name().Text(), u"");
    EXPECT_FALSE(program.app->Saver().UpperCase());
    program.Type(u"short");
    program.Tap(kSaveButton.Translated(0, -80).Center());
    ASSERT_TRUE(program.Reach(state::kEditor));
    EXPECT_TRUE(fs::exists(root / "short.bmp"));
}

// A disk that refuses the picture, in each way a save can meet, and each way a save is asked
// for: Save as over an existing file for a gallery picture, then Yes to the questions of Exit, New
// and opening another picture, for a picture with its own BMP file. Nothing is lost and nothing
// further happens: the files stay byte for byte, no temporary file is left, the picture keeps its
// history and its unsaved mark (and gets no file), no gallery picture or chosen file replaces it,
// the program does not quit, the error's Ok returns to the save screen, and Exit still asks.
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
        const std::string files = ReadTextFile(docs + "/old.bmp") + ReadTextFile(docs + "/own.bmp");
        const test::FaultRun run = test::RunWithDiskFault(fault, docs, [&] {
            Program p(root.Path(), 320, program);
            if (!p.ok)
                return 1;
            p.Change(true);
            for (int ask = 0; ask < 4; ++ask) {
                if (ask > 0)
                    p.Change();
                const std::string before = p.PictureBmp();
                const int gallery = p.app->Editor().GalleryIndex();
                if (ask == 0) {
                    p.SaveAs(u"old"); // over old.bmp: asked about first
                } else if (ask == 3) {
                    p.app->OnOpenRequest(root / "other.bmp"); // asks as the browser's Open does
                } else {
                    p.Choose(EditorScreen::kFileMenu, ask == 1 ? 4 : 0); // Exit, New
                }
                if (!p.Reach(state::kConfirm))
                    return 10 + ask;
                p.Answer(ConfirmDialog::kAnswerYes);
                if (!p.Reach(state::kConfirm) || p.app->Dialog().Mode() != EditorScreen::kSaveError)
                    return 20 + ask;
                p.Frames(40);
                p.app->Browser().WaitUntilIdle();
                p.Frames(2);
                if (GetState() != state::kConfirm || p.PictureBmp() != before || !p.Changed() ||
                    p.app->Editor().Document().hasFile != (ask > 0) ||
                    p.app->Editor().GalleryIndex() != gallery)
                    return 30 + ask;
                if (ReadTextFile(docs + "/old.bmp") + ReadTextFile(docs + "/own.bmp") != files ||
                    !Hidden(docs).empty())
                    return 40 + ask;
                p.Answer(ConfirmDialog::kAnswerOk);
                if (!p.Reach(state::kSave) || (ask == 0 && p.app->Saver().Name().Text() != u"old"))
                    return 50 + ask;
                p.Tap(kSaveCancelButton.Center());
                if (!p.Reach(state::kEditor))
                    return 60 + ask;
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
        EXPECT_TRUE(ReadTextFile(docs + "/old.bmp") + ReadTextFile(docs + "/own.bmp") == files);
    }
    if (!skipped.empty())
        GTEST_SKIP() << skipped;
}

} // namespace
} // namespace brelvo
