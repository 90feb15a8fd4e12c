// Saving, and every question before work could be lost, through the program's own controller:
// the real screens on the real artwork, files in a folder the test makes.
#include "tests/app/ProgramDriver.h"
#include "tests/app/TestArtwork.h"
#include "tests/support/DiskFaults.h"
#include "tests/support/Subprocess.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace brelvo {
namespace {

using test::Program;
using test::ReadTextFile;

using namespace layout;
namespace fs = std::filesystem;

constexpr std::uint16_t kLeft = 0x25, kRight = 0x27, kEnter = 0x0D, kBackspace = 0x08;

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

// On a screen of 240 rows the platform's own keyboard types the name: the drawn one is neither
// shown nor touched.
TEST(SaveShortScreenTest, TheKeysTypeTheNameAndTheScreenKeyboardIsGone) {
    test::TempFolder root;
    Program p(root.Path(), 240);
    ASSERT_TRUE(p.ok);
    p.Change(true);
    ASSERT_TRUE(p.ToSaveScreen());
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
    program.Answer(ConfirmDialog::kAnswerCancel);
    EXPECT_TRUE(program.Reach(state::kEditor));
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
