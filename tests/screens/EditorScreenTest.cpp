#include "screens/EditorScreen.h"

#include "archive/ArtworkIds.h"
#include "archive/LoadArtwork.h"
#include "archive/ResourceArchive.h"
#include "base/WString.h"
#include "screens/Layout.h"

#include "tests/support/TestScreenContext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace brelvo {
namespace {

using namespace layout;

std::vector<Pixel> PixelsOf(const Surface& s) {
    std::vector<Pixel> out;
    for (std::int32_t y = 0; y < s.GetHeight(); ++y)
        out.insert(out.end(), s.Header().Row(y), s.Header().Row(y) + s.GetWidth());
    return out;
}

// An editor screen of the test's own, on the real artwork, driven as the controller drives it.
class EditorScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(archive.IsOpen()) << BRELVO_ARCHIVE_FILE;
        editor.Initialise(archive);
        editor.ResetPaste();
        target.Create(CREATE_CLEAR, 240, 320);
    }

    void Frames(int count) {
        for (int i = 0; i < count; ++i) {
            shared.states.Tick();
            editor.Draw(target);
        }
    }
    void Tap(std::int32_t x, std::int32_t y) {
        editor.StylusDown(x, y);
        editor.StylusUp(x, y);
    }
    void Tap(Point at) { Tap(at.x, at.y); }
    // Opens a menu by its header and chooses an item once the menu is out.
    void Choose(int menu, int item) {
        const MenuLayout& m = kEditorMenus[static_cast<std::size_t>(menu)];
        Tap(m.header.Center());
        Frames(6);
        Tap(m.items[static_cast<std::size_t>(item)].Center());
    }
    void Stroke(std::vector<Point> points) {
        editor.StylusDown(points.front().x, points.front().y);
        for (std::size_t i = 1; i < points.size(); ++i)
            editor.StylusMove(points[i].x, points[i].y);
        editor.StylusUp(points.back().x, points.back().y);
        Frames(1);
    }
    std::vector<Pixel> Picture() { return PixelsOf(editor.Document().picture); }
    bool ItemEnabled(int menu, int item) {
        return editor.Menus().GetMenu(menu).IsItemEnabled(item);
    }
    // Undo, Redo and Undo all as the Edit menu shows them.
    std::string History() {
        std::string s;
        for (int i = 0; i < 3; ++i)
            s += ItemEnabled(EditorScreen::kEditMenu, i) ? '1' : '0';
        return s;
    }

    ResourceArchive archive{FromUtf8(BRELVO_ARCHIVE_FILE).c_str()};
    test::TestScreenContext shared;
    EditorScreen editor{shared.context, EditorScreen::Neighbours{}};
    const KeyMap keys{.up = 0x26, .down = 0x28, .left = 0x25, .right = 0x27, .b = 0x58};
    Surface target;
};

TEST_F(EditorScreenTest, TheGalleryCyclesThroughItsThreePictures) {
    const art::EntryId ids[] = {art::kGalleryPicture1, art::kGalleryPicture2, art::kGalleryPicture3,
                                art::kGalleryPicture1};
    for (int i = 0; i < 4; ++i) {
        Choose(EditorScreen::kFileMenu, 0);
        Surface expected;
        ASSERT_TRUE(LoadArtwork(archive, ids[i], expected));
        EXPECT_EQ(editor.GalleryIndex(), i % 3);
        EXPECT_EQ(Picture(), PixelsOf(expected)) << i;
        EXPECT_EQ(History(), "000");
        EXPECT_FALSE(editor.Document().changed.load());
        EXPECT_EQ(editor.Title(),
                  u"Gallery picture " + std::u16string(1, u'1' + i % 3) + u" - Brelvo");
        Frames(10); // the menu's feedback swallows taps meanwhile
        Stroke({{130, 150}});
        EXPECT_TRUE(editor.Document().changed.load());
    }
}

TEST_F(EditorScreenTest, UndoGivesBackEachKeptPictureAndUndoAllTheLoadedOne) {
    editor.NextGalleryPicture();
    editor.SelectTool(ToolId::Magnifier);
    std::vector<std::vector<Pixel>> pictures{Picture()};
    for (int i = 0; i < 5; ++i) {
        Stroke({{80 + 20 * i, 120 + 10 * i}, {90 + 20 * i, 130 + 10 * i}});
        pictures.push_back(Picture());
        EXPECT_NE(pictures.back(), pictures[pictures.size() - 2]) << "stroke " << i;
    }
    EXPECT_EQ(History(), "101");
    // Four pictures are kept: the last three strokes can be undone, with the arrow too.
    for (std::size_t back = 1; back <= 3; ++back) {
        back == 2 ? Tap(kUndoArrowAt.x + 5, kUndoArrowAt.y + 5) : editor.Undo();
        EXPECT_EQ(Picture(), pictures[5 - back]) << back;
    }
    EXPECT_EQ(History(), "011") << "the loaded picture was dropped: Undo all stays";
    editor.Undo();
    EXPECT_EQ(Picture(), pictures[2]);
    editor.Redo();
    EXPECT_EQ(Picture(), pictures[3]);
    EXPECT_EQ(History(), "111");
    Choose(EditorScreen::kEditMenu, 2);
    EXPECT_EQ(Picture(), pictures[0]);
    EXPECT_EQ(History(), "000");
    Frames(10);
    Tap(kUndoArrowAt.x + 5, kUndoArrowAt.y + 5);
    EXPECT_EQ(Picture(), pictures[0]) << "a disabled arrow does nothing";
}

TEST_F(EditorScreenTest, TheSlidersFollowTheStylusOneUnitAtATime) {
    editor.SelectTool(ToolId::Magnifier);
    const std::int32_t y = kOptionsPanelOrigin.y + kSliderY;
    const std::int32_t sizeAt50 = kOptionsPanelOrigin.x + kSizeTrackLeft + 26;
    const std::int32_t powerAt0 = kOptionsPanelOrigin.x + kPowerTrackLeft;
    Stroke({{sizeAt50 + 3, y + 4}, {sizeAt50 + 14, y}});
    const ToolEntry& entry = editor.Entry(ToolId::Magnifier);
    EXPECT_EQ(entry.size, 70) << "the thumb moved 11 pixels of a 53-pixel track";
    EXPECT_EQ(entry.power, 50);
    Stroke({{sizeAt50 + 11, y}, {-500, y}});
    EXPECT_EQ(entry.size, 0);
    // At 100 the Size thumb stands 7 pixels left of the Power thumb at 0; between them each
    // takes the grab when it is the nearer one.
    Stroke({{kOptionsPanelOrigin.x + kSizeTrackLeft, y}, {500, y}});
    EXPECT_EQ(entry.size, 100);
    Stroke({{powerAt0 + 26, y}, {-500, y}});
    EXPECT_EQ(entry.power, 0);
    Stroke({{powerAt0 - 2, y}, {powerAt0 + 4, y}});
    EXPECT_EQ(entry.size, 100);
    EXPECT_GT(entry.power, 0);
    EXPECT_EQ(editor.Entry(ToolId::Gripper).size, 50) << "each tool keeps its own";
}

TEST_F(EditorScreenTest, TheDirectionButtonsAndTheCharactersChooseModeAndTool) {
    editor.SelectTool(ToolId::Gripper);
    EXPECT_EQ(editor.ModeOf(ToolId::Gripper), ToolPanel::Mode::Horizontal);
    const Rect both = kModeBothButton.Translated(kOptionsPanelOrigin.x, kOptionsPanelOrigin.y);
    Tap(both.left, both.bottom);
    EXPECT_EQ(editor.ModeOf(ToolId::Gripper), ToolPanel::Mode::Both);
    EXPECT_EQ(editor.ModeOf(ToolId::Magnifier), ToolPanel::Mode::Horizontal);

    struct Case {
        char16_t c;
        ToolId tool;
    };
    const Case cases[] = {{u'm', ToolId::Magnifier}, {u'$', ToolId::Hook},
                          {u'Z', ToolId::Zoom},      {u'3', ToolId::Trim},
                          {u'6', ToolId::Gripper},   {u'q', ToolId::Gripper}};
    for (const Case& c : cases) {
        editor.Char(c.c, 1);
        EXPECT_EQ(editor.CurrentTool(), c.tool) << static_cast<char>(c.c);
    }
}

// A drag that reaches an open menu leaves the picture alone there; leaving the screen in the
// middle of it closes the menu and commits the stroke, once.
TEST_F(EditorScreenTest, ADragOverAnOpenMenuLeavesThePictureAloneAndLeavingCommitsItOnce) {
    editor.NextGalleryPicture();
    editor.SelectTool(ToolId::Magnifier);
    editor.StylusDown(60, 200);
    editor.KeyDown(keys.b, keys);
    Frames(6);
    const std::vector<Pixel> before = Picture();
    editor.StylusMove(70, 100); // inside the File menu's drop-down
    EXPECT_EQ(Picture(), before);
    editor.StylusMove(150, 250);
    EXPECT_NE(Picture(), before);
    editor.Leave();
    EXPECT_FALSE(editor.Menus().AnyMenuShown());
    EXPECT_EQ(editor.Document().history.count(), 2);
    EXPECT_FALSE(editor.Document().history.isPending());
    editor.Leave();
    EXPECT_EQ(editor.Document().history.count(), 2);
    EXPECT_EQ(History(), "101");
}

TEST_F(EditorScreenTest, WithoutAPictureEveryCommandDoesNothing) {
    Frames(1);
    const std::vector<Pixel> frame = PixelsOf(target);
    for (const auto& command :
         {&EditorScreen::Undo, &EditorScreen::Redo, &EditorScreen::UndoAll, &EditorScreen::Cut,
          &EditorScreen::Copy, &EditorScreen::Paste, &EditorScreen::Crop})
        (editor.*command)();
    for (ToolId tool : {ToolId::Hook, ToolId::Magnifier, ToolId::Zoom, ToolId::Trim}) {
        editor.SelectTool(tool);
        Stroke({{120, 150}, {140, 170}});
    }
    editor.SelectTool(ToolId::Zoom);
    Tap(100, 36);
    Tap(200, 36);
    editor.Char(u'w', 1);
    editor.SelectTool(ToolId::Hook);
    Frames(1);
    EXPECT_EQ(PixelsOf(target), frame);
    EXPECT_EQ(editor.Title(), u"Brelvo");
}

TEST_F(EditorScreenTest, AToolCursorOfRadiusZeroIsOnePixel) {
    editor.NextGalleryPicture();
    const std::int32_t y = kOptionsPanelOrigin.y + kSliderY;
    Stroke({{kOptionsPanelOrigin.x + kSizeTrackLeft + 26, y}, {-500, y}});
    ASSERT_EQ(editor.Entry(ToolId::Hook).size, 0);
    editor.StylusDown(120, 150);
    Frames(1);
    const std::vector<Pixel> withCursor = PixelsOf(target);
    editor.StylusUp(120, 150);
    Frames(1);
    const std::vector<Pixel> without = PixelsOf(target);
    // Inside the view; the history arrows beside it change with the commit.
    int differ = 0;
    for (std::size_t i = 0; i < without.size(); ++i)
        differ += static_cast<std::int32_t>(i % 240) >= kViewLeft && withCursor[i] != without[i];
    EXPECT_EQ(differ, 1);
    EXPECT_NE(withCursor[150 * 240 + 120], without[150 * 240 + 120]);
}

// Trim through its panel: a stroke selects, Copy and Paste float the block at the view's corner,
// another tool settles it into the picture as one more state of the history.
TEST_F(EditorScreenTest, TrimSelectsCopiesPastesAndSettles) {
    editor.NextGalleryPicture();
    editor.SelectTool(ToolId::Trim);
    const Point copy =
        kTrimButtons[0].Translated(kOptionsPanelOrigin.x, kOptionsPanelOrigin.y).Center();
    Tap(copy);
    EXPECT_FALSE(ItemEnabled(EditorScreen::kEditMenu, 5))
        << "Copy without a selection copies nothing";
    Stroke({{60, 80}, {90, 120}, {100, 130}});
    EXPECT_TRUE(ItemEnabled(EditorScreen::kEditMenu, 4)) << "Copy";
    Tap(copy);
    EXPECT_TRUE(ItemEnabled(EditorScreen::kEditMenu, 5)) << "Paste";
    Frames(11); // the Copy button's flash
    Tap(kTrimButtons[1].Translated(kOptionsPanelOrigin.x, kOptionsPanelOrigin.y).Center());
    const int kept = editor.Document().history.count();
    const std::vector<Pixel> before = Picture();
    editor.SelectTool(ToolId::Magnifier);
    EXPECT_FALSE(ItemEnabled(EditorScreen::kEditMenu, 3)) << "another tool drops the selection";
    Frames(1);
    EXPECT_EQ(editor.Document().history.count(), kept + 1);
    // The block, 41 x 51 pixels from (30, 29), now also stands at the picture's corner.
    EXPECT_NE(Picture(), before);
    const std::int32_t width = editor.Document().picture.GetWidth();
    EXPECT_EQ(editor.Document().picture.GetPixelRaw(0, 0),
              before[static_cast<std::size_t>(29 * width + 30)]);
    EXPECT_EQ(editor.Document().picture.GetPixelRaw(40, 49),
              before[static_cast<std::size_t>(78 * width + 70)]);
    editor.Paste();
    EXPECT_EQ(editor.CurrentTool(), ToolId::Trim) << "Paste chooses Trim";
}

// The view's bars: the thumb drags the picture in steps and lets go at stylus up.
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

TEST_F(EditorScreenTest, TheCornerIconGivesThePictureTheWholeScreen) {
    editor.NextGalleryPicture();
    struct Step {
        ToolId tool;
        std::int32_t left, top, width, height; // the view after the tap
    };
    // Without Zoom's options the whole screen is the docs' editor-full-view.png.
    const Step steps[] = {
        {ToolId::Zoom, 0, 51, 230, 259}, // Zoom keeps its options
        {ToolId::Zoom, 30, 51, 200, 259},
    };
    for (const Step& s : steps) {
        editor.SelectTool(s.tool);
        Tap(kPanelToggle.left + 10, kPanelToggle.top + 10);
        const ViewState& v = editor.View();
        EXPECT_EQ(
            std::vector<std::int32_t>({v.viewLeft(), v.viewTop(), v.viewWidth(), v.viewHeight()}),
            std::vector<std::int32_t>({s.left, s.top, s.width, s.height}));
    }
    // Hidden, the tool bar takes no taps: they reach the picture.
    Tap(kPanelToggle.left + 10, kPanelToggle.top + 10);
    Tap(kToolButtonOrigin.x + 5, kToolButtonOrigin.y + 28 * 4 + 5);
    EXPECT_NE(editor.CurrentTool(), ToolId::Trim);
    editor.SelectTool(ToolId::Zoom);
    EXPECT_TRUE(editor.PanelShown()) << "choosing Zoom shows its options";
}

TEST_F(EditorScreenTest, KeysOpenTheMenusOrScrollTheView) {
    editor.NextGalleryPicture();
    editor.KeyDown(keys.down, keys);
    Frames(3);
    EXPECT_EQ(editor.View().scrollY(), 30);
    editor.KeyUp(keys.down, keys);
    Frames(3);
    EXPECT_EQ(editor.View().scrollY(), 30);

    editor.KeyDown(keys.b, keys);
    EXPECT_TRUE(editor.Menus().GetMenu(EditorScreen::kFileMenu).IsOpen());
    editor.KeyDown(keys.left, keys);
    EXPECT_TRUE(editor.Menus().GetMenu(EditorScreen::kHelpMenu).IsOpen()) << "wraps";
    editor.KeyDown(keys.right, keys);
    EXPECT_TRUE(editor.Menus().GetMenu(EditorScreen::kFileMenu).IsOpen());
    Frames(6);
    editor.KeyDown(keys.up, keys);
    EXPECT_EQ(editor.Menus().GetMenu(EditorScreen::kFileMenu).Highlighted(), 4);
    Frames(3);
    EXPECT_EQ(editor.View().scrollY(), 30) << "the arrows went to the menu";
    editor.KeyDown(keys.b, keys);
    EXPECT_FALSE(editor.Menus().AnyMenuShown());
}

TEST_F(EditorScreenTest, TheDesktopShortcutsAreTheMenuCommands) {
    editor.KeyDown(0x11, keys);
    editor.KeyDown('N', keys);
    EXPECT_EQ(editor.GalleryIndex(), 0);
    editor.KeyUp('N', keys);
    const std::vector<Pixel> loaded = Picture();
    editor.Char(u'n', 1); // typed with Ctrl held: not a tool choice
    editor.KeyUp(0x11, keys);
    editor.SelectTool(ToolId::Gripper);
    Stroke({{120, 150}});
    const std::vector<Pixel> warped = Picture();
    for (std::uint16_t key : {std::uint16_t{0x11}, std::uint16_t{'Z'}})
        editor.KeyDown(key, keys);
    EXPECT_EQ(Picture(), loaded);
    editor.KeyDown('Y', keys);
    EXPECT_EQ(Picture(), warped);
    editor.KeyDown(0x10, keys);
    editor.KeyDown('Z', keys);
    EXPECT_EQ(Picture(), warped) << "Ctrl+Shift+Z redoes; nothing is left to redo";
    editor.KeyDown('Q', keys);
    shared.states.Tick();
    EXPECT_EQ(shared.states.GetState(), state::kExit);
}

} // namespace
} // namespace brelvo
