#include "screens/EditorScreen.h"
#include "screens/OpenScreen.h"

#include "archive/LoadArtwork.h"
#include "archive/ResourceArchive.h"
#include "base/WString.h"
#include "platform/DeviceFiles.h"
#include "screens/Layout.h"
#include "tests/app/TestArtwork.h"
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
using test::Pixels;
namespace fs = std::filesystem;

// An editor and a browser of the test's own, on the real artwork and over a device root of the
// test's own, driven as the controller drives them.
class EditorScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(root / "Pictures/Holiday");
        fs::create_directories(root / "Empty");
        for (const auto& [name, bytes] : std::vector<std::pair<std::string, test::Bytes>>{
                 {"b.bmp", {'B', 'M'}}, // broken
                 {"c.png", test::WritePng(test::TestPictureRgba(640, 480), 640, 480)},
                 {"a.jpg", test::WriteJpeg(test::Bytes(40 * 30 * 3, 200), 40, 30, 0, 90, 0, false)},
                 {"notes.txt", {'x'}}})
            test::WriteFile(root / ("Pictures/" + name), bytes);
        platform::SetDeviceRoot(root.Path());
        ASSERT_TRUE(archive.IsOpen()) << BRELVO_ARCHIVE_FILE;
        editor.Initialise(archive);
        editor.ResetPaste();
        browser.Initialise(archive);
        target.Create(CREATE_CLEAR, 240, 320);
    }
    void TearDown() override { platform::SetDeviceRoot(""); }

    // Frames of the screen on show; its handlers run under the lock the loader hands over with.
    void Frames(int count) {
        for (int i = 0; i < count; ++i) {
            std::lock_guard hold(shared.lock);
            shared.states.Tick();
            on->Draw(target);
        }
    }
    void Tap(Point at) { Stroke({at}, 0); }
    void Key(std::uint16_t key, int times = 1) {
        for (int i = 0; i < times; ++i) {
            ScreenContext::Dispatch hold(shared.context);
            on->KeyDown(key, keys);
        }
    }
    void Choose(int menu, int item) {
        const MenuLayout& m = kEditorMenus[static_cast<std::size_t>(menu)];
        Tap(m.header.Center());
        Frames(6);
        Tap(m.items[static_cast<std::size_t>(item)].Center());
    }
    void Stroke(std::vector<Point> points, int frames = 1) {
        {
            ScreenContext::Dispatch hold(shared.context);
            on->StylusDown(points.front().x, points.front().y);
            for (std::size_t i = 1; i < points.size(); ++i)
                on->StylusMove(points[i].x, points[i].y);
            on->StylusUp(points.back().x, points.back().y);
        }
        Frames(frames);
    }
    std::vector<Pixel> Picture() { return Pixels(editor.Document().picture); }
    char EditItem(int item) {
        return editor.Menus().GetMenu(EditorScreen::kEditMenu).IsItemEnabled(item) ? '1' : '0';
    }
    // Undo, Redo and Undo all as the Edit menu shows them.
    std::string History() { return {EditItem(0), EditItem(1), EditItem(2)}; }
    void TapRow(int row) {
        Tap({20, kBrowserList.top + row * OpenScreen::kRowHeight + 5});
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
    EditorScreen editor{shared.context, {}};
    OpenScreen browser{shared.context, editor};
    Screen* on = &editor;
    const KeyMap keys{.up = 0x26, .down = 0x28, .left = 0x25, .right = 0x27, .b = 0x58};
    Surface target;
};

class OpenScreenTest : public EditorScreenTest {
protected:
    OpenScreenTest() { on = &browser; }
};

TEST_F(EditorScreenTest, TheGalleryCyclesThroughItsThreePictures) {
    const art::EntryId ids[] = {art::kGalleryPicture1, art::kGalleryPicture2, art::kGalleryPicture3,
                                art::kGalleryPicture1};
    for (int i = 0; i < 4; ++i) {
        Choose(EditorScreen::kFileMenu, 0);
        Surface expected;
        ASSERT_TRUE(LoadArtwork(archive, ids[i], expected));
        EXPECT_EQ(Picture(), Pixels(expected)) << i;
        const std::u16string title = u"Gallery picture " + std::u16string(1, u'1' + i % 3);
        EXPECT_EQ(std::tuple(History(), editor.Document().changed.load(), editor.Title()),
                  std::tuple("000", false, title + u" - Brelvo"));
        Frames(10); // the menu's feedback swallows taps meanwhile
        Stroke({{130, 150}});
        EXPECT_TRUE(editor.Document().changed.load());
    }
}

// After each step ('u' Undo, 'r' Redo, 'a' the Undo arrow, 'A' Edit > Undo all): the picture
// shown, as the number of strokes it holds, and Undo, Redo and Undo all as the menu shows them.
// Four pictures are kept, so the loaded one is dropped after the fifth stroke.
TEST_F(EditorScreenTest, UndoGivesBackEachKeptPictureAndUndoAllTheLoadedOne) {
    editor.NextGalleryPicture();
    editor.SelectTool(ToolId::Magnifier);
    std::vector<std::vector<Pixel>> pictures{Picture()};
    for (int i = 0; i < 5; ++i) {
        Stroke({{80 + 20 * i, 120 + 10 * i}, {90 + 20 * i, 130 + 10 * i}});
        pictures.push_back(Picture());
        EXPECT_NE(pictures.back(), pictures[pictures.size() - 2]) << "stroke " << i;
    }
    const auto shown = [&] {
        const auto at = std::find(pictures.begin(), pictures.end(), Picture()) - pictures.begin();
        return std::to_string(at) + " " + History();
    };
    EXPECT_EQ(shown(), "5 101");
    const std::pair<char, const char*> steps[] = {
        {'u', "4 111"}, {'a', "3 111"}, {'u', "2 011"},                  // Undo all stays
        {'u', "2 011"}, {'r', "3 111"}, {'A', "0 000"}, {'a', "0 000"}}; // a disabled arrow
    for (const auto& [step, expected] : steps) {
        step == 'u'   ? editor.Undo()
        : step == 'r' ? editor.Redo()
        : step == 'a' ? Tap({kUndoArrowAt.x + 5, kUndoArrowAt.y + 5})
                      : (Choose(EditorScreen::kEditMenu, 2), Frames(10));
        EXPECT_EQ(shown(), expected) << step;
    }
}

// Each stroke on the sliders, and Size and Power after it. At 100 the Size thumb stands 7
// pixels left of the Power thumb at 0; between them each takes the grab when it is the nearer.
TEST_F(EditorScreenTest, TheSlidersFollowTheStylusOneUnitAtATime) {
    editor.Char(u',', 1); // the Magnifier; set-ups choose tools by their other characters
    const std::int32_t y = kOptionsPanelOrigin.y + kSliderY;
    const std::int32_t size = kOptionsPanelOrigin.x + kSizeTrackLeft;
    const std::int32_t power = kOptionsPanelOrigin.x + kPowerTrackLeft;
    const std::tuple<Point, std::int32_t, int, int> strokes[] = {
        {{size + 29, y + 4}, size + 40, 70, 50}, // 11 pixels of a 53-pixel track
        {{size + 37, y}, -500, 0, 50},           {{size, y}, 500, 100, 50},
        {{power + 26, y}, -500, 100, 0},         {{power - 2, y}, power + 4, 100, 12},
    };
    const ToolEntry& entry = editor.Entry(ToolId::Magnifier);
    for (const auto& [from, to, sizeAfter, powerAfter] : strokes) {
        Stroke({from, {to, y}});
        EXPECT_EQ(std::pair(entry.size, entry.power), std::pair(sizeAfter, powerAfter)) << from.x;
    }
    EXPECT_EQ(editor.Entry(ToolId::Gripper).size, 50) << "each tool keeps its own";
}

// A drag that reaches an open menu leaves the picture alone there; leaving the screen in the
// middle of it closes the menu and commits the stroke, once.
TEST_F(EditorScreenTest, ADragOverAnOpenMenuLeavesThePictureAloneAndLeavingCommitsItOnce) {
    editor.NextGalleryPicture();
    editor.SelectTool(ToolId::Magnifier);
    editor.StylusDown(60, 200);
    Key(keys.b);
    Frames(6);
    const std::vector<Pixel> before = Picture();
    editor.StylusMove(70, 100); // inside the File menu's drop-down
    EXPECT_EQ(Picture(), before);
    editor.StylusMove(150, 250);
    EXPECT_NE(Picture(), before);
    editor.Leave();
    editor.Leave();
    EXPECT_EQ(std::tuple(editor.Menus().AnyMenuShown(), editor.Document().history.count(),
                         editor.Document().history.isPending()),
              std::tuple(false, 2, false));
}

TEST_F(EditorScreenTest, WithoutAPictureEveryCommandDoesNothing) {
    Frames(1);
    const std::vector<Pixel> frame = Pixels(target);
    for (const auto& command :
         {&EditorScreen::Undo, &EditorScreen::Redo, &EditorScreen::UndoAll, &EditorScreen::Cut,
          &EditorScreen::Copy, &EditorScreen::Paste, &EditorScreen::Crop})
        (editor.*command)();
    for (ToolId tool : {ToolId::Hook, ToolId::Magnifier, ToolId::Zoom, ToolId::Trim}) {
        editor.SelectTool(tool);
        Stroke({{120, 150}, {140, 170}});
    }
    EXPECT_NE(target.GetPixelRaw(10, 26), frame[26 * 240 + 10]) << "the Hook's button let go";
    editor.Char(u'$', 1); // the Hook
    Frames(1);
    EXPECT_EQ(std::tuple(Pixels(target), editor.Title()), std::tuple(frame, u"Brelvo"));
}

TEST_F(EditorScreenTest, AToolCursorOfRadiusZeroIsOnePixel) {
    editor.NextGalleryPicture();
    FillRect(editor.Document().picture, nullptr, 0x0000FF); // bright in one channel: a white cursor
    const std::int32_t y = kOptionsPanelOrigin.y + kSliderY;
    Stroke({{kOptionsPanelOrigin.x + kSizeTrackLeft + 26, y}, {-500, y}}); // Size 0
    editor.StylusDown(120, 150);
    Frames(1);
    const std::vector<Pixel> withCursor = Pixels(target);
    editor.StylusUp(120, 150);
    Frames(1);
    const std::vector<Pixel> without = Pixels(target);
    // Inside the view; the history arrows beside it change with the commit.
    int differ = 0;
    for (std::size_t i = 0; i < without.size(); ++i)
        differ += static_cast<std::int32_t>(i % 240) >= kViewLeft && withCursor[i] != without[i];
    EXPECT_EQ(differ, 1);
    EXPECT_EQ(withCursor[150 * 240 + 120], Pixel{0xFFFF});
}

// Trim through its panel: a stroke selects, Copy and Paste float the block at the view's corner,
// another tool settles it into the picture as one more state of the history.
TEST_F(EditorScreenTest, TrimSelectsCopiesPastesAndSettles) {
    editor.NextGalleryPicture();
    editor.Char(u'3', 1); // Trim
    Stroke({{60, 80}, {90, 120}, {100, 130}});
    EXPECT_EQ(EditItem(4), '1') << "Copy";
    Tap(kTrimButtons[0].Translated(kOptionsPanelOrigin.x, kOptionsPanelOrigin.y).Center());
    EXPECT_EQ(EditItem(5), '1') << "Paste";
    Frames(11); // the Copy button's flash
    Tap(kTrimButtons[1].Translated(kOptionsPanelOrigin.x, kOptionsPanelOrigin.y).Center());
    const int kept = editor.Document().history.count();
    const std::vector<Pixel> before = Picture();
    editor.SelectTool(ToolId::Magnifier);
    EXPECT_EQ(EditItem(3), '0') << "another tool drops the selection";
    Frames(1);
    EXPECT_EQ(editor.Document().history.count(), kept + 1);
    EXPECT_NE(Picture(), before);
    editor.Paste();
    EXPECT_EQ(editor.CurrentTool(), ToolId::Trim) << "Paste chooses Trim";
}

TEST_F(EditorScreenTest, TheScrollBarsThumbsScrollThePictureUntilLetGo) {
    editor.NextGalleryPicture(); // 360 x 464 at 100%: both bars
    Frames(1);
    const std::int32_t line = kViewArrowLeftAt.top + 5;
    const std::int32_t thumb = kViewArrowLeftAt.right + 44; // a thumb 88 long at the track's start
    editor.StylusDown(thumb, line);
    editor.StylusMove(thumb + 30, line);
    const std::int32_t moved = editor.View().scrollX();
    EXPECT_GT(moved, 0);
    editor.StylusUp(thumb + 30, line);
    editor.StylusMove(thumb + 80, line);
    EXPECT_EQ(editor.View().scrollX(), moved) << "let go";
    const std::int32_t column = kViewArrowUpAt.left + 5;
    editor.StylusDown(column, kViewArrowUpAt.bottom + 20);
    editor.StylusMove(column, kViewArrowUpAt.bottom + 60);
    EXPECT_GT(editor.View().scrollY(), 0);
    editor.StylusUp(0, 0);
    EXPECT_EQ(editor.Document().history.count(), 1) << "no tool acted";
}

// The corner icon hides the panels and brings them back; without Zoom's options the whole
// screen is the docs' editor-full-view.png, but Zoom keeps them.
TEST_F(EditorScreenTest, TheCornerIconGivesThePictureTheWholeScreen) {
    editor.NextGalleryPicture();
    editor.Char(u'*', 1); // Zoom
    const auto toggle = [&] {
        Tap({kPanelToggle.left + 10, kPanelToggle.top + 10});
        const ViewState& v = editor.View();
        return std::vector<std::int32_t>{v.viewLeft(), v.viewTop(), v.viewWidth(), v.viewHeight()};
    };
    EXPECT_EQ(toggle(), (std::vector<std::int32_t>{0, 51, 230, 259}));
    EXPECT_EQ(toggle(), (std::vector<std::int32_t>{30, 51, 200, 259}));
    // Hidden, the tool bar takes no taps: they reach the picture.
    editor.SelectTool(ToolId::Magnifier);
    EXPECT_EQ(toggle(), (std::vector<std::int32_t>{0, 24, 230, 286})) << "both panels hidden";
    Tap({kToolButtonOrigin.x + 5, kToolButtonOrigin.y + 28 * 4 + 5});
    EXPECT_NE(editor.CurrentTool(), ToolId::Trim);
    editor.Char(u'Z', 1);
    EXPECT_TRUE(editor.PanelShown()) << "choosing Zoom shows its options";
}

TEST_F(EditorScreenTest, KeysOpenTheMenusOrScrollTheView) {
    editor.NextGalleryPicture();
    Key(keys.down);
    Frames(3);
    EXPECT_EQ(editor.View().scrollY(), 30);
    editor.KeyUp(keys.down, keys);
    Frames(3);
    EXPECT_EQ(editor.View().scrollY(), 30);

    Key(keys.b);
    EXPECT_TRUE(editor.Menus().GetMenu(EditorScreen::kFileMenu).IsOpen());
    Key(keys.left);
    EXPECT_TRUE(editor.Menus().GetMenu(EditorScreen::kHelpMenu).IsOpen()) << "wraps";
    Key(keys.right);
    EXPECT_TRUE(editor.Menus().GetMenu(EditorScreen::kFileMenu).IsOpen()) << "wraps back";
    Frames(6);
    Key(keys.up);
    EXPECT_EQ(editor.Menus().GetMenu(EditorScreen::kFileMenu).Highlighted(), 4);
    Frames(3);
    EXPECT_EQ(editor.View().scrollY(), 30) << "the arrows went to the menu";
    Key(keys.b);
    EXPECT_FALSE(editor.Menus().AnyMenuShown());
}

TEST_F(EditorScreenTest, TheDesktopShortcutsAreTheMenuCommands) {
    Key(0x11);
    Key('N');
    editor.Char(u'g', 1); // typed with Ctrl held: not a tool choice
    EXPECT_EQ(editor.CurrentTool(), ToolId::Hook);
    editor.KeyUp(0x11, keys);
    const std::vector<Pixel> loaded = Picture();
    editor.Char(u'6', 1); // the Gripper
    Stroke({{120, 150}});
    const std::vector<Pixel> warped = Picture();
    ASSERT_NE(warped, loaded);
    Key(0x11); // held: Z undoes, Y redoes, and so does Shift+Z, with nothing left to redo
    for (const auto& [key, after] :
         {std::pair('Z', &loaded), {'Y', &warped}, {0x10, &warped}, {'Z', &warped}}) {
        Key(static_cast<std::uint16_t>(key));
        EXPECT_EQ(Picture(), *after) << key;
    }
    Key('Q');
    shared.states.Tick();
    EXPECT_EQ(shared.states.GetState(), state::kExit);
}

TEST_F(OpenScreenTest, WalksTheFoldersAndListsEachFilterGroupedByFormat) {
    using Names = std::vector<std::u16string>;
    Tap(kOpenButton.Center()); // on a folder row: nothing to open, and the browser still answers
    TapRow(1);
    EXPECT_EQ(Rows(), (Names{u"..", u"Holiday", u"b.bmp", u"c.png", u"a.jpg"}));
    // The docs' pictures show "all formats"; here *.jpg, and *.gif, which matches nothing.
    for (const auto& [item, rows] : {std::pair(0, Names{u"..", u"Holiday", u"a.jpg"}),
                                     std::pair(3, Names{u"..", u"Holiday"})}) {
        Tap(kFilterHeader.Center());
        Frames(4);
        Tap(kFilterItems[static_cast<std::size_t>(item)].Center());
        EXPECT_EQ(Rows(), rows) << item;
        Frames(11);
    }
    TapRow(0); // up to the root
    Key(0x0D); // Enter on row 0, Empty
    Frames(2);
    EXPECT_EQ(browser.Folder(), u"\\Empty\\");
    // An empty folder: nothing below the parent row, whatever the keys and taps.
    Key(0x28, 3);
    EXPECT_EQ(browser.Selected(), 0);
    Tap({20, kBrowserList.top + 5 * OpenScreen::kRowHeight + 5});
    EXPECT_EQ(browser.KindOf(browser.Selected()), OpenScreen::Row::None);
    Frames(2);
    EXPECT_EQ(browser.Selected(), 0) << "the rescan that follows starts at the top";
}

TEST(OpenScreenThumbnailTest, ThumbnailsFillTheBoxInOneDirectionAndAreNeverEmpty) {
    const std::tuple<std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t> cases[] =
        {{2000, 10, 0, 115, 1}, {10, 5000, 0, 1, 272}, {300, 400, 80, 115, 153}};
    for (const auto& [width, height, offsetY, thumbWidth, thumbHeight] : cases) {
        std::int32_t w = 0, h = 0;
        OpenScreen::ThumbnailSize(width, height, offsetY, w, h);
        EXPECT_EQ(std::pair(w, h), std::pair(thumbWidth, thumbHeight)) << width;
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
    EXPECT_EQ(std::tuple(browser.Thumbnail().GetPixels(), browser.Message()),
              std::tuple(nullptr, u"Cannot open this picture"));
    // Open on it changes nothing and stays.
    Tap(kOpenButton.Center());
    browser.WaitUntilIdle();
    Frames(30);
    EXPECT_EQ(std::tuple(shared.states.GetState(), editor.Document().picture.GetPixels()),
              std::tuple(0, nullptr));
    Tap(kBrowserCancelButton.Center()); // the failed Open has let go: Cancel works
    Frames(21);
    EXPECT_EQ(shared.states.GetState(), state::kEditor);
}

// Open makes the picture the editor's and returns to it; the keys and Cancel are ignored from
// then on. A name outside the fonts' code page is drawn with "?" but opened by its real name.
TEST_F(OpenScreenTest, OpenMakesThePictureTheEditorsByItsRealNameAndReturnsToIt) {
    fs::copy_file(root / "Pictures/a.jpg", root / "Pictures/Holiday/日本 фото.jpg");
    TapRow(1);
    TapRow(1);
    Key(0x28);
    Tap(kOpenButton.Center());
    Key(0x26);
    Tap(kBrowserCancelButton.Center());
    browser.WaitUntilIdle();
    EXPECT_EQ(browser.Selected(), 1);
    Frames(21);
    EXPECT_EQ(shared.states.GetState(), state::kEditor);
    EXPECT_EQ(std::tuple(editor.Document().picture.GetWidth(),
                         std::u16string(editor.Document().path.c_str()), editor.Title()),
              std::tuple(40, u"\\Pictures\\Holiday\\日本 фото.jpg", u"日本 фото.jpg - Brelvo"));
}

// A folder long enough for the shortest thumb (400 files): the thumb dragged to the bottom, a
// tap on the last row, the keys keeping the selected row in the window, and only the rows in
// view drawn, the last one framed at the bottom of the window.
TEST_F(OpenScreenTest, ALongFolderScrollsToItsLastRow) {
    for (int i = 0; i < 400; ++i)
        std::ofstream(root / ("Pictures/Holiday/p" + std::to_string(1000 + i) + ".gif")) << 'x';
    TapRow(1);
    TapRow(1);
    Stroke({{kBrowserTrackX, 67}, {kBrowserTrackX, 1000}}); // from the 10-pixel thumb's centre
    const std::int32_t window = kBrowserList.bottom - kBrowserList.top + 1;
    const std::int32_t rowTop = kBrowserList.top + window - OpenScreen::kRowHeight - 2;
    Tap({40, rowTop + 5});
    Frames(1);
    EXPECT_EQ(browser.Selected(), 400);
    Key(0x26, 30);
    EXPECT_EQ(std::pair(browser.Selected(), browser.ScrollOffset()),
              std::pair(370, 370 * OpenScreen::kRowHeight));
    Key(0x28); // a row still in view: the list stays
    EXPECT_EQ(browser.ScrollOffset(), 370 * OpenScreen::kRowHeight);
    Key(0x28, 29);
    EXPECT_EQ(browser.ScrollOffset(), 401 * OpenScreen::kRowHeight - window + 2);
    Frames(1);
    EXPECT_EQ(target.GetPixelRaw(kBrowserList.left + 40, rowTop), ColorToPixel(0x585858));
}

} // namespace
} // namespace brelvo
