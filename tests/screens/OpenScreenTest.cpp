#include "screens/OpenScreen.h"

#include "archive/ResourceArchive.h"
#include "base/WString.h"
#include "platform/DeviceFiles.h"
#include "screens/EditorScreen.h"
#include "screens/Layout.h"
#include "tests/support/PictureWriters.h"
#include "tests/support/Subprocess.h"

#include "tests/support/TestScreenContext.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace brelvo {
namespace {

using namespace layout;
namespace fs = std::filesystem;

void WriteBytes(const std::string& path, const test::Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// A browser and an editor of the test's own, over a device root of the test's own.
class OpenScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(root / "Pictures/Holiday");
        fs::create_directories(root / "Empty");
        WriteBytes(root / "Pictures/b.bmp", {'B', 'M'}); // broken
        WriteBytes(root / "Pictures/c.png",
                   test::WritePng(test::TestPictureRgba(640, 480), 640, 480));
        WriteBytes(root / "Pictures/a.jpg",
                   test::WriteJpeg(test::Bytes(40 * 30 * 3, 200), 40, 30, 0, 90, 0, false));
        WriteBytes(root / "Pictures/notes.txt", {'x'});
        platform::SetDeviceRoot(root.Path());
        ASSERT_TRUE(archive.IsOpen());
        editor.Initialise(archive);
        browser.Initialise(archive);
        target.Create(CREATE_CLEAR, 240, 320);
    }
    void TearDown() override { platform::SetDeviceRoot(""); }

    void Frames(int count) {
        for (int i = 0; i < count; ++i) {
            std::lock_guard hold(shared.lock);
            states.Tick();
            browser.Draw(target);
        }
    }
    // The handlers run as the controller runs them, under the lock the loader hands over with.
    void Tap(std::int32_t x, std::int32_t y) {
        ScreenContext::Dispatch hold(shared.context);
        browser.StylusDown(x, y);
        browser.StylusUp(x, y);
    }
    void Tap(const Rect& r) { Tap(r.Center().x, r.Center().y); }
    void Key(std::uint16_t key) {
        ScreenContext::Dispatch hold(shared.context);
        browser.KeyDown(key, keys);
    }
    void TapRow(int row) {
        Tap(20, kBrowserList.top + row * OpenScreen::kRowHeight + 5);
        Frames(2); // a folder's new listing follows on the next frames
    }
    std::vector<std::u16string> Rows() {
        std::vector<std::u16string> rows;
        for (int i = 0; i < browser.RowCount(); ++i)
            rows.push_back(browser.NameOf(i));
        return rows;
    }

    test::TempFolder root;
    ResourceArchive archive{FromUtf8(BRELVO_ARCHIVE_FILE).c_str()};
    test::TestScreenContext shared;
    StateMachine& states = shared.states;
    EditorScreen editor{shared.context, [] {
                            EditorScreen::Neighbours browserOnly;
                            browserOnly.browser = true;
                            return browserOnly;
                        }()};
    OpenScreen browser{shared.context, editor};
    const KeyMap keys{.up = 0x26, .down = 0x28};
    Surface target;
};

TEST_F(OpenScreenTest, WalksTheFoldersAndListsEachFilterGroupedByFormat) {
    using Names = std::vector<std::u16string>;
    EXPECT_EQ(Rows(), (Names{u"Empty", u"Pictures"})) << "no parent row at the root";
    Tap(kOpenButton); // on a folder row: nothing to open, and the browser still answers
    TapRow(1);
    EXPECT_EQ(browser.Folder(), u"\\Pictures\\");
    EXPECT_EQ(Rows(), (Names{u"..", u"Holiday", u"b.bmp", u"c.png", u"a.jpg"}));
    struct Case {
        int item;
        Names rows;
    };
    const Case cases[] = {{0, {u"..", u"Holiday", u"a.jpg"}},
                          {1, {u"..", u"Holiday", u"c.png"}},
                          {2, {u"..", u"Holiday", u"b.bmp"}},
                          {3, {u"..", u"Holiday"}},
                          {4, {u"..", u"Holiday", u"b.bmp", u"c.png", u"a.jpg"}}};
    for (const Case& c : cases) {
        Tap(kFilterHeader);
        Frames(4);
        Tap(kFilterItems[static_cast<std::size_t>(c.item)]);
        EXPECT_EQ(Rows(), c.rows) << c.item;
        Frames(11);
    }
    TapRow(0);
    ASSERT_EQ(browser.Folder(), u"\\");
    Key(0x0D); // Enter on row 0, Empty
    Frames(2);
    EXPECT_EQ(browser.Folder(), u"\\Empty\\");
    // An empty folder: nothing below the parent row, whatever the keys and taps.
    for (int i = 0; i < 3; ++i)
        Key(0x28);
    EXPECT_EQ(browser.Selected(), 0);
    Tap(20, kBrowserList.top + 5 * OpenScreen::kRowHeight + 5);
    EXPECT_EQ(browser.KindOf(browser.Selected()), OpenScreen::Row::None);
    Frames(2);
    EXPECT_EQ(browser.Selected(), 0) << "the rescan that follows starts at the top";
}

TEST(OpenScreenThumbnailTest, ThumbnailsFillTheBoxInOneDirection) {
    struct Case {
        std::int32_t width, height, offsetY, thumbWidth, thumbHeight;
    };
    const Case cases[] = {{40, 30, 0, 115, 86},
                          {2000, 10, 0, 115, 1},
                          {10, 5000, 0, 1, 272},
                          {300, 400, 80, 115, 153}};
    for (const Case& c : cases) {
        std::int32_t w = 0, h = 0;
        OpenScreen::ThumbnailSize(c.width, c.height, c.offsetY, w, h);
        EXPECT_EQ(std::pair(w, h), std::pair(c.thumbWidth, c.thumbHeight)) << c.width;
    }
}

TEST_F(OpenScreenTest, TheSelectedPictureGetsItsThumbnailAndABrokenOneSaysSo) {
    TapRow(1);
    TapRow(3); // c.png, 640 x 480
    browser.WaitUntilIdle();
    EXPECT_EQ(std::pair(browser.Thumbnail().GetWidth(), browser.Thumbnail().GetHeight()),
              std::pair(115, 86));
    EXPECT_EQ(browser.ThumbnailName(), u"\\Pictures\\c.png");
    Key(0x26); // b.bmp, broken
    browser.WaitUntilIdle();
    EXPECT_EQ(browser.Thumbnail().GetPixels(), nullptr);
    EXPECT_EQ(browser.Message(), u"Cannot open this picture");
    // Open on it changes nothing and stays.
    Tap(kOpenButton);
    browser.WaitUntilIdle();
    Frames(30);
    EXPECT_EQ(states.GetState(), 0);
    EXPECT_EQ(editor.Document().picture.GetPixels(), nullptr);
    EXPECT_FALSE(editor.Document().hasFile);
    Tap(kBrowserCancelButton); // the failed Open has let go: Cancel works
    Frames(21);
    EXPECT_EQ(states.GetState(), state::kEditor);
}

// Open makes the picture the editor's and returns to it; the keys and Cancel are ignored from
// then on. A name outside the fonts' code page is drawn with "?" but opened by its real name.
TEST_F(OpenScreenTest, OpenMakesThePictureTheEditorsByItsRealNameAndReturnsToIt) {
    fs::copy_file(root / "Pictures/a.jpg", root / "Pictures/Holiday/日本 фото.jpg");
    TapRow(1);
    TapRow(1);
    ASSERT_EQ(browser.Folder(), u"\\Pictures\\Holiday\\");
    Key(0x28);
    ASSERT_EQ(browser.NameOf(browser.Selected()), u"日本 фото.jpg");
    Tap(kOpenButton);
    Key(0x26);
    Tap(kBrowserCancelButton);
    browser.WaitUntilIdle();
    EXPECT_EQ(browser.Selected(), 1);
    Frames(21);
    EXPECT_EQ(states.GetState(), state::kEditor);
    EXPECT_EQ(editor.Document().picture.GetWidth(), 40);
    EXPECT_TRUE(editor.Document().hasFile);
    EXPECT_EQ(std::u16string(editor.Document().path.c_str()),
              u"\\Pictures\\Holiday\\日本 фото.jpg");
    EXPECT_EQ(editor.Title(), u"日本 фото.jpg - Brelvo");
}

// Ten thousand files: the list keeps its geometry and draws only the rows in view.
TEST_F(OpenScreenTest, AFolderOfTenThousandFilesScrollsToItsLastRow) {
    fs::create_directories(root / "Many");
    for (int i = 0; i < 10000; ++i)
        std::ofstream(root / ("Many/p" + std::to_string(10000 + i) + ".gif")) << 'x';
    {
        ScreenContext::Dispatch hold(shared.context);
        browser.Reset(); // a visit lists the folder afresh
    }
    Frames(1);
    TapRow(1);
    ASSERT_EQ(browser.Folder(), u"\\Many\\");
    ASSERT_EQ(browser.RowCount(), 10001);
    Frames(1);
    {
        // The thumb dragged to the bottom, then a tap on the last row.
        ScreenContext::Dispatch hold(shared.context);
        browser.StylusDown(kBrowserTrackX, 67);
        browser.StylusMove(kBrowserTrackX, 1000);
        browser.StylusUp(kBrowserTrackX, 1000);
    }
    const std::int32_t window = kBrowserList.bottom - kBrowserList.top + 1;
    const std::int32_t rowTop = kBrowserList.top + window - OpenScreen::kRowHeight - 2;
    Tap(40, rowTop + 5);
    Frames(1);
    EXPECT_EQ(browser.Selected(), 10000);
    EXPECT_EQ(browser.NameOf(10000), u"p19999.gif");
    // The keys keep the selected row in the window.
    for (int i = 0; i < 30; ++i)
        Key(0x26);
    EXPECT_EQ(browser.Selected(), 9970);
    EXPECT_EQ(browser.ScrollOffset(), 9970 * OpenScreen::kRowHeight);
    Key(0x28); // a row still in view: the list stays
    EXPECT_EQ(browser.ScrollOffset(), 9970 * OpenScreen::kRowHeight);
    for (int i = 0; i < 29; ++i)
        Key(0x28);
    EXPECT_EQ(browser.ScrollOffset(), 10001 * OpenScreen::kRowHeight - window + 2);
    Frames(1);
    // The last row is drawn framed at the bottom of the window.
    EXPECT_EQ(target.GetPixelRaw(kBrowserList.left + 40, rowTop), ColorToPixel(0x585858));
}

} // namespace
} // namespace brelvo
