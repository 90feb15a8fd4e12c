// Saving, and every question before work could be lost, through the program's own controller:
// the real screens on the real artwork, files in a folder the test makes.
#include "base/ByteSink.h"
#include "gfx/BmpWriter.h"
#include "platform/DeviceFiles.h"
#include "screens/Layout.h"
#include "tests/app/ProgramDriver.h"
#include "tests/support/DiskFaults.h"
#include "tests/support/Subprocess.h"
#include "ui/Shared.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace brelvo {
namespace {

using test::BmpOf;
using test::Program;

using namespace layout;
namespace fs = std::filesystem;

constexpr std::uint16_t kLeft = 0x25, kRight = 0x27, kEnter = 0x0D, kSpaceKey = 0x20;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
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
        program.app->Editor().NextGalleryPicture();
        program.Change();
    }
    std::string Docs(const std::string& name) { return root / ("Docs/" + name); }

    test::TempFolder root;
    Program program{root.Path()};
};

TEST_F(SaveFlowTest, SavesUnderANameTypedOnTheScreenKeyboardOrTheKeys) {
    program.Choose(EditorScreen::kFileMenu, 3);
    ASSERT_TRUE(program.Reach(state::kSave));
    program.Tap(Point(20, kSaveList.top + 5)); // Docs
    program.Frames(2);
    program.Tap(kSaveButton.Center());
    program.Frames(25);
    EXPECT_EQ(GetState(), state::kSave) << "an empty name saves nothing";

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
    program.Key(kSpaceKey);
    program.Key(0x08); // and Backspace takes the space away again
    EXPECT_EQ(program.app->Saver().Name().Text(), u"Hi1 x-y");
    const std::string expected = program.PictureBmp();
    program.Tap(kSaveButton.Center());
    ASSERT_TRUE(program.Reach(state::kEditor));
    EXPECT_TRUE(ReadFile(Docs("Hi1 x-y.bmp")) == expected);
    EXPECT_EQ(Hidden(root / "Docs"), std::vector<std::string>{});
    EditorScreen& editor = program.app->Editor();
    EXPECT_FALSE(program.Changed());
    EXPECT_TRUE(editor.Document().hasFile);
    EXPECT_EQ(std::u16string(editor.Document().path.c_str()), u"\\Docs\\Hi1 x-y.bmp");
    EXPECT_EQ(editor.Title(), u"Hi1 x-y.bmp - Brelvo");

    // The picture now has its own BMP file: Save writes it back without a word.
    program.Change();
    program.Choose(EditorScreen::kFileMenu, 2);
    EXPECT_TRUE(ReadFile(Docs("Hi1 x-y.bmp")) == program.PictureBmp());
    EXPECT_FALSE(program.Changed());
    program.Frames(15);
    EXPECT_EQ(GetState(), state::kEditor);
}

TEST_F(SaveFlowTest, ReplacingAFileIsAskedAboutAndNoKeepsItWhole) {
    for (const std::string name : {"keep", "a[1]"}) {
        WriteFile(Docs(name + ".bmp"), "the old picture");
        program.SaveAs(std::u16string(name.begin(), name.end()));
        ASSERT_TRUE(program.Reach(state::kConfirm)) << name;
        EXPECT_EQ(program.app->Dialog().Mode(), EditorScreen::kAskOverwrite);
        program.Key(kEnter); // not an answer to this question
        program.Frames(12);
        ASSERT_EQ(GetState(), state::kConfirm);
        program.Answer(ConfirmDialog::kAnswerNo);
        ASSERT_TRUE(program.Reach(state::kSave));
        EXPECT_TRUE(ReadFile(Docs(name + ".bmp")) == "the old picture");
        EXPECT_EQ(program.app->Saver().Name().Text(), std::u16string(name.begin(), name.end()));
        EXPECT_TRUE(program.Changed());

        program.Tap(kSaveButton.Center());
        ASSERT_TRUE(program.Reach(state::kConfirm));
        program.Answer(ConfirmDialog::kAnswerYes);
        ASSERT_TRUE(program.Reach(state::kEditor));
        EXPECT_TRUE(ReadFile(Docs(name + ".bmp")) == program.PictureBmp());
        EXPECT_FALSE(program.Changed());
        program.Change();
    }
}

// A name the file system cannot take is refused before the disk is touched; the error's Ok
// leads back to a save screen where the name can be mended and saved, or Cancel works.
TEST_F(SaveFlowTest, ABadNameBringsTheErrorAndTheSaveScreenStaysUsable) {
    const std::u16string bad[] = {u"a/b", u"a\\b", u"a:b", u"a*", u"a?", u"a\"b",
                                  u"a<b", u"a>b",  u"a|b", u".",  u"..", std::u16string(252, u'n')};
    program.Choose(EditorScreen::kFileMenu, 3);
    ASSERT_TRUE(program.Reach(state::kSave));
    for (const std::u16string& name : bad) {
        program.SaveHere(name);
        ASSERT_TRUE(program.Reach(state::kConfirm)) << name.size();
        EXPECT_EQ(program.app->Dialog().Mode(), EditorScreen::kSaveError);
        program.Key(kLeft);
        program.Key(kRight);
        program.Frames(12);
        EXPECT_EQ(GetState(), state::kConfirm) << "Left and Right do not answer an error";
        program.Key(kEnter);
        ASSERT_TRUE(program.Reach(state::kSave));
        EXPECT_EQ(program.app->Saver().Name().Text(), name);
        for (std::size_t i = 0; i < name.size(); ++i)
            program.Key(0x08);
    }
    EXPECT_EQ(fs::directory_iterator(root / "Docs"), fs::directory_iterator());
    EXPECT_TRUE(program.Changed());
    program.SaveHere(std::u16string(251, u'n')); // 255 bytes with ".bmp"
    ASSERT_TRUE(program.Reach(state::kEditor));
    EXPECT_TRUE(fs::exists(Docs(std::string(251, 'n') + ".bmp")));
}

// Each answer to each question about unsaved changes, for a picture with its own BMP file
// (saved in place) and without one (the save screen first, then what was asked for).
TEST_F(SaveFlowTest, EachAnswerToTheQuestionsAboutUnsavedChanges) {
    enum class Ask { Exit, Gallery, Open };
    enum class Then { Quit, Gallery, Opened, Same, Browser };
    struct Case {
        Ask ask;
        ConfirmDialog::Answer answer;
        bool ownFile;
        Then then;
        bool saved;
    };
    const Case cases[] = {
        {Ask::Exit, ConfirmDialog::kAnswerNo, false, Then::Quit, false},
        {Ask::Exit, ConfirmDialog::kAnswerCancel, false, Then::Same, false},
        {Ask::Exit, ConfirmDialog::kAnswerYes, true, Then::Quit, true},
        {Ask::Exit, ConfirmDialog::kAnswerYes, false, Then::Quit, true},
        {Ask::Gallery, ConfirmDialog::kAnswerNo, false, Then::Gallery, false},
        {Ask::Gallery, ConfirmDialog::kAnswerCancel, true, Then::Same, false},
        {Ask::Gallery, ConfirmDialog::kAnswerYes, true, Then::Gallery, true},
        {Ask::Gallery, ConfirmDialog::kAnswerYes, false, Then::Gallery, true},
        {Ask::Open, ConfirmDialog::kAnswerNo, true, Then::Opened, false},
        {Ask::Open, ConfirmDialog::kAnswerCancel, false, Then::Browser, false},
        {Ask::Open, ConfirmDialog::kAnswerYes, true, Then::Opened, true},
        {Ask::Open, ConfirmDialog::kAnswerYes, false, Then::Opened, true},
    };
    Surface other;
    other.Create(CREATE_CLEAR, 40, 30);
    ASSERT_EQ(SaveBmpToHostFile(other, root / "other.bmp"), kOk);
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n++);
        test::TempFolder folder;
        fs::create_directories(folder / "Docs");
        fs::copy_file(root / "other.bmp", folder / "other.bmp");
        Program p(folder.Path());
        ASSERT_TRUE(p.ok);
        EditorScreen& editor = p.app->Editor();
        editor.NextGalleryPicture();
        if (c.ownFile) {
            p.SaveAs(u"own");
            ASSERT_TRUE(p.Reach(state::kEditor));
        }
        p.Change();
        const std::string before = p.PictureBmp();
        const std::string path = c.ownFile ? folder / "Docs/own.bmp" : folder / "Docs/new.bmp";
        const std::string fileBefore = ReadFile(path);
        switch (c.ask) {
        case Ask::Exit:
            p.Choose(EditorScreen::kFileMenu, 4);
            break;
        case Ask::Gallery:
            p.Choose(EditorScreen::kFileMenu, 0);
            break;
        case Ask::Open:
            p.Choose(EditorScreen::kFileMenu, 1);
            ASSERT_TRUE(p.Reach(state::kBrowser));
            if (p.app->Browser().Folder() != u"\\") {
                p.Tap(Point(20, kBrowserList.top + 5)); // back to the root
                p.Frames(3);
            }
            p.Tap(Point(20, kBrowserList.top + 5 + 15)); // other.bmp, after Docs
            p.app->Browser().WaitUntilIdle();
            p.Tap(kOpenButton.Center());
            break;
        }
        ASSERT_TRUE(p.Reach(state::kConfirm));
        // Three buttons in their places.
        const Point origin = p.app->Dialog().Origin();
        EXPECT_EQ(p.app->Dialog().ButtonRect(ConfirmDialog::kAnswerYes),
                  kDialogYes.Translated(origin.x, origin.y));
        EXPECT_EQ(p.app->Dialog().ButtonRect(ConfirmDialog::kAnswerCancel),
                  kDialogCancel.Translated(origin.x, origin.y));
        EXPECT_EQ(p.app->Dialog().Mode(), c.ask == Ask::Exit ? EditorScreen::kAskBeforeQuitting
                                          : c.ask == Ask::Gallery
                                              ? EditorScreen::kAskBeforeGallery
                                              : EditorScreen::kAskBeforeOpening);
        p.Answer(c.answer);
        p.Answer(ConfirmDialog::kAnswerNo); // a second answer to the same question is ignored
        if (c.answer == ConfirmDialog::kAnswerYes && !c.ownFile) {
            ASSERT_TRUE(p.Reach(state::kSave));
            p.SaveHere(u"new");
        }
        switch (c.then) {
        case Then::Quit:
            EXPECT_TRUE(p.Reach(state::kExit));
            break;
        case Then::Gallery:
            ASSERT_TRUE(p.Reach(state::kEditor));
            EXPECT_EQ(editor.GalleryIndex(), 1);
            EXPECT_FALSE(p.Changed());
            break;
        case Then::Opened:
            ASSERT_TRUE(p.Reach(state::kEditor));
            EXPECT_EQ(std::u16string(editor.Document().path.c_str()), u"\\other.bmp");
            EXPECT_TRUE(p.PictureBmp() == ReadFile(folder / "other.bmp"));
            EXPECT_FALSE(p.Changed());
            break;
        case Then::Same:
        case Then::Browser:
            ASSERT_TRUE(p.Reach(c.then == Then::Same ? state::kEditor : state::kBrowser));
            EXPECT_TRUE(p.PictureBmp() == before);
            EXPECT_TRUE(p.Changed());
            break;
        }
        EXPECT_TRUE(ReadFile(path) == (c.saved ? before : fileBefore));
    }
}

// Leaving the save screen by the window's close button and Cancel leaves no errand behind: a
// later Save as returns to the editor rather than quitting.
TEST_F(SaveFlowTest, SaveAsForgetsWhatAnEarlierQuestionArranged) {
    program.Choose(EditorScreen::kFileMenu, 4);
    ASSERT_TRUE(program.Reach(state::kConfirm));
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

// A picture handed over by another copy of the program, while this one holds unsaved changes,
// is asked about as the browser's Open asks; while a name is being typed it is refused.
TEST_F(SaveFlowTest, AHandedOverPictureAsksAboutUnsavedChangesFirst) {
    Surface other;
    other.Create(CREATE_CLEAR, 50, 40);
    ASSERT_EQ(SaveBmpToHostFile(other, root / "other.bmp"), kOk);
    program.Choose(EditorScreen::kFileMenu, 3);
    ASSERT_TRUE(program.Reach(state::kSave));
    program.app->OnOpenRequest(root / "other.bmp");
    program.Frames(30);
    EXPECT_EQ(GetState(), state::kSave);
    program.Tap(kSaveCancelButton.Center());
    ASSERT_TRUE(program.Reach(state::kEditor));

    program.app->OnOpenRequest(root / "other.bmp");
    ASSERT_TRUE(program.Reach(state::kConfirm));
    EXPECT_EQ(program.app->Dialog().Mode(), EditorScreen::kAskBeforeOpening);
    program.Answer(ConfirmDialog::kAnswerNo);
    ASSERT_TRUE(program.Reach(state::kEditor));
    EXPECT_EQ(std::u16string(program.app->Editor().Document().path.c_str()), u"\\other.bmp");
    EXPECT_FALSE(program.Changed());
}

// On a screen of 240 rows the platform's own keyboard types the name: the drawn one is neither
// shown nor touched.
TEST(SaveShortScreenTest, TheKeysTypeTheNameAndTheScreenKeyboardIsGone) {
    test::TempFolder root;
    Program p(root.Path(), 240);
    ASSERT_TRUE(p.ok);
    p.app->Editor().NextGalleryPicture();
    p.Change();
    p.Choose(EditorScreen::kFileMenu, 3);
    ASSERT_TRUE(p.Reach(state::kSave));
    for (const int key : {15, kKeyCaseSwitch, 50})
        p.Tap(KeyRect(key).Translated(0, -80).Center());
    EXPECT_EQ(p.app->Saver().Name().Text(), u"");
    EXPECT_FALSE(p.app->Saver().UpperCase());
    p.Type(u"short");
    p.Tap(kSaveButton.Translated(0, -80).Center());
    ASSERT_TRUE(p.Reach(state::kEditor));
    EXPECT_TRUE(fs::exists(root / "short.bmp"));
}

// The dialog shows over a still copy of the editor's last frame, moves by its title strip, and
// its buttons answer at their new place.
TEST_F(SaveFlowTest, TheDialogMovesOverAStillPictureOfTheEditor) {
    program.Frames(2);
    Surface editorFrame;
    ASSERT_EQ(CopySurface(program.frame, editorFrame), kOk);
    program.Choose(EditorScreen::kFileMenu, 4);
    ASSERT_TRUE(program.Reach(state::kConfirm));
    ConfirmDialog& dialog = program.app->Dialog();
    const Point origin = dialog.Origin();
    EXPECT_EQ(origin, kDialogOrigin);
    program.app->StylusDown(origin.x + 50, origin.y + 10);
    program.app->StylusMove(origin.x + 20, origin.y + 150);
    program.app->StylusUp(origin.x + 20, origin.y + 150);
    EXPECT_EQ(dialog.Origin(), Point(origin.x - 30, origin.y + 140));
    program.Frames(1);
    // Everywhere but the window, the editor as it was, though the menu has closed since.
    int same = 0, total = 0;
    for (std::int32_t y = 0; y < 320; ++y)
        for (std::int32_t x = 0; x < 240; ++x) {
            if (y >= dialog.Origin().y && y < dialog.Origin().y + 125)
                continue;
            ++total;
            same += program.frame.Header().Row(y)[x] == editorFrame.Header().Row(y)[x];
        }
    EXPECT_EQ(same, total);
    program.Tap(kDialogCancel.Translated(kDialogOrigin.x, kDialogOrigin.y).Center());
    program.Frames(12);
    EXPECT_EQ(GetState(), state::kConfirm) << "the old place of Cancel is no button now";
    program.Answer(ConfirmDialog::kAnswerCancel);
    EXPECT_TRUE(program.Reach(state::kEditor));
}

// A disk that refuses the picture, in each way a save can meet: the old file stays byte for
// byte, no temporary file is left, the picture keeps its unsaved mark, the error shows and its Ok
// returns to the save screen, and Exit still asks.
TEST(SaveFaultTest, AFailedSaveLosesNothing) {
    std::string skipped;
    for (const test::DiskFault fault :
         {test::DiskFault::ReadOnlyFolder, test::DiskFault::FileSizeLimit,
          test::DiskFault::FullDisk}) {
        SCOPED_TRACE(test::Describe(fault));
        test::TempFolder root;
        const std::string docs = root / "Docs";
        fs::create_directories(docs);
        ASSERT_EQ(::chmod(root.Path().c_str(), 0755), 0);
        const std::string old(1000, 'o');
        WriteFile(docs + "/old.bmp", old);
        // The unprivileged user of the read-only case reads the archive from here.
        const std::string program = root / "program";
        fs::create_directories(program);
        fs::copy_file(BRELVO_ARCHIVE_FILE, program + "/Brelvo.erc");
        const test::FaultRun run = test::RunWithDiskFault(fault, docs, [&] {
            Program p(root.Path(), 320, program);
            if (!p.ok)
                return 1;
            p.app->Editor().NextGalleryPicture();
            p.Change();
            p.SaveAs(u"old");
            if (!p.Reach(state::kConfirm))
                return 2;
            p.Answer(ConfirmDialog::kAnswerYes); // replace it
            if (!p.Reach(state::kConfirm) || p.app->Dialog().Mode() != EditorScreen::kSaveError)
                return 3;
            if (ReadFile(docs + "/old.bmp") != old || !Hidden(docs).empty())
                return 4;
            if (!p.Changed() || p.app->Editor().Document().hasFile)
                return 5;
            p.Answer(ConfirmDialog::kAnswerOk);
            if (!p.Reach(state::kSave) || p.app->Saver().Name().Text() != u"old")
                return 6;
            p.Tap(kSaveCancelButton.Center());
            if (!p.Reach(state::kEditor))
                return 7;
            p.app->OnClose();
            if (!p.Reach(state::kConfirm) ||
                p.app->Dialog().Mode() != EditorScreen::kAskBeforeQuitting)
                return 8;
            return 0;
        });
        if (!run.cannot.empty()) {
            skipped += std::string(test::Describe(fault)) + " skipped: " + run.cannot + "\n";
            continue;
        }
        EXPECT_EQ(run.code, 0) << "2: no question, 3: no error, 4: old file changed or temporary "
                                  "left, 5: mark lost, 6: save screen, 7: Cancel, 8: Exit";
        EXPECT_TRUE(ReadFile(docs + "/old.bmp") == old);
    }
    if (!skipped.empty())
        GTEST_SKIP() << skipped;
}

// When Yes saves a picture into its own BMP file and that fails, nothing further happens: the
// program does not quit, no gallery picture or chosen file replaces the picture, and it keeps its
// history and its unsaved mark.
TEST(SaveFaultTest, AFailedSaveInPlaceGoesNoFurther) {
    test::TempFolder root;
    const std::string docs = root / "Docs";
    fs::create_directories(docs);
    ASSERT_EQ(::chmod(root.Path().c_str(), 0755), 0);
    Surface small; // large enough for the Magnifier's tap to land on it
    small.Create(CREATE_CLEAR, 200, 200);
    ASSERT_EQ(SaveBmpToHostFile(small, root / "other.bmp"), kOk);
    ASSERT_EQ(SaveBmpToHostFile(small, docs + "/own.bmp"), kOk);
    const std::string program = root / "program"; // readable by the unprivileged user
    fs::create_directories(program);
    fs::copy_file(BRELVO_ARCHIVE_FILE, program + "/Brelvo.erc");
    const test::FaultRun run = test::RunWithDiskFault(test::DiskFault::ReadOnlyFolder, docs, [&] {
        Program p(root.Path(), 320, program);
        if (!p.ok)
            return 1;
        p.app->Browser().OpenPictureFile(u"\\Docs\\own.bmp");
        p.app->Browser().WaitUntilIdle();
        if (!p.Reach(state::kEditor) || !p.app->Editor().HasOwnBmpFile())
            return 2;
        for (int ask = 0; ask < 3; ++ask) {
            p.Change();
            const std::string before = p.PictureBmp();
            if (ask == 2) {
                // As the browser's Open asks, for a picture chosen there.
                p.app->Browser().Choose(u"\\other.bmp");
                p.app->Dialog().Start(EditorScreen::kAskBeforeOpening);
                SetState(state::kConfirm, 0);
            } else {
                p.Choose(EditorScreen::kFileMenu, ask == 0 ? 4 : 0); // Exit, New
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
                p.app->Editor().GalleryIndex() != -1)
                return 30 + ask;
            p.Answer(ConfirmDialog::kAnswerOk);
            if (!p.Reach(state::kSave))
                return 40 + ask;
            p.Tap(kSaveCancelButton.Center());
            if (!p.Reach(state::kEditor))
                return 50 + ask;
        }
        return 0;
    });
    ASSERT_TRUE(run.cannot.empty()) << run.cannot;
    EXPECT_EQ(run.code, 0) << "1x: no question, 2x: no error, 3x: went further, 4x/5x: no way "
                              "back (x: 0 Exit, 1 New, 2 Open)";
}

} // namespace
} // namespace brelvo
