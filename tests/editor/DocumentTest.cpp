#include "editor/EditHistory.h"
#include "editor/ImageDocument.h"
#include "editor/TrimTool.h"
#include "editor/ViewState.h"
#include "gfx/Blit.h"
#include "screens/EditorView.h"
#include "tests/gfx/TestSupport.h"
#include "tests/reference/Reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace brelvo {
namespace {

struct Recorder : EditorObserver {
    void commandAvailable(EditCommand command, bool available) override {
        state[command] = available;
        ++calls;
    }
    void pictureReplaced() override { ++replaced; }
    void selectTrimTool() override { ++trimSelected; }
    std::map<EditCommand, bool> state;
    int calls = 0, replaced = 0, trimSelected = 0;
};

Pixel& At(const Surface& s, std::int32_t x, std::int32_t y) {
    return s.Header().Row(y)[x];
}

// Every pixel tells where it is, and none is the colour key or white by accident.
Pixel Pattern(std::int32_t x, std::int32_t y) {
    const auto p = static_cast<Pixel>(x * 31 + y * 1009 + 1);
    return p == kPixelMagenta || p == 0xFFFF ? Pixel{2} : p;
}

class DocumentTest : public ::testing::Test {
protected:
    void load(std::int32_t w, std::int32_t h) {
        ASSERT_EQ(doc.picture.Create(0, w, h), kOk);
        for (std::int32_t y = 0; y < h; ++y)
            for (std::int32_t x = 0; x < w; ++x)
                At(doc.picture, x, y) = Pattern(x, y);
        doc.history.setObserver(&recorder);
        trim.setObserver(&recorder);
        doc.history.load();
        view.updateZoomedSize();
        doc.changed = false;
    }
    // A stroke on the picture: a selection, or a drag of the floating block it lands on.
    void select(Point a, Point b) {
        trim.touch(a);
        trim.move(Point((a.x + b.x) / 2, (a.y + b.y) / 2));
        trim.move(b);
        trim.release(b, true);
    }
    // The commands as last reported: '1' available, '0' not, '?' never reported.
    std::string reported(std::initializer_list<EditCommand> commands) {
        std::string s;
        for (EditCommand c : commands)
            s += !recorder.state.contains(c) ? '?' : recorder.state.at(c) ? '1' : '0';
        return s;
    }
    // 'S' while a selection is active, 'F' while a block floats, the history's count, '*' when
    // the picture changed, then Cut, Copy, Crop and Paste as reported.
    std::string state() {
        return std::string(trim.selection().active ? "S" : "-") +
               (trim.floating().isFloating() ? "F" : "-") + std::to_string(doc.history.count()) +
               (doc.changed ? "* " : "- ") +
               reported(
                   {EditCommand::Cut, EditCommand::Copy, EditCommand::Crop, EditCommand::Paste});
    }
    // The screen as text, '#' where the overlay colour is, row after row each ended by '|', for
    // the part r of the screen (relative to the view's origin); the rest of the screen must hold
    // no overlay pixel.
    std::string overlay(Rect r) {
        Surface screen = test::Solid(320, 400, 0);
        trim.drawOverlays(screen);
        std::string art;
        int outside = 0;
        for (std::int32_t y = 0; y < 400; ++y)
            for (std::int32_t x = 0; x < 320; ++x) {
                const bool dash = At(screen, x, y) == ColorToPixel(TrimTool::kOverlayColor);
                const bool inside = r.Contains(x - 30, y - 51);
                if (inside)
                    art += std::string(dash ? "#" : ".") + (x - 30 == r.right ? "|" : "");
                outside += dash && !inside;
            }
        EXPECT_EQ(outside, 0);
        return art;
    }

    std::recursive_mutex lock;
    ImageDocument doc{lock};
    ViewState view{doc.picture, lock, EditorViewPlacement(0)};
    TrimTool trim{doc, view};
    Recorder recorder;
};

using TrimTest = DocumentTest;

TEST_F(TrimTest, ReleaseKeepsOnlySelectionsWithWidthAndHeight) {
    const std::tuple<Point, Point, const char*> cases[] = {
        {{10, 10}, {10, 10}, "--1- 000?"}, {{10, 10}, {10, 30}, "--1- 000?"},
        {{10, 10}, {20, 10}, "--1- 000?"}, {{10, 10}, {20, 30}, "S-1- 111?"},
        {{20, 30}, {10, 10}, "S-1- 111?"},
    };
    for (const auto& [touch, release, expected] : cases) {
        load(40, 40);
        trim.touch(touch);
        trim.move(Point(15, 15));
        trim.release(release, true);
        EXPECT_EQ(state(), expected) << release.x << "," << release.y;
    }
    EXPECT_EQ(trim.selection().bounds(), Rect(10, 10, 20, 30));
    // A stroke that did not begin on the picture leaves the corner where the touch put it.
    trim.touch(Point(5, 5));
    trim.release(Point(9, 9), false);
    EXPECT_EQ(trim.selection().bounds(), Rect(5, 5, 5, 5));
}

TEST_F(TrimTest, CutWhitensOnlyThePartInsideThePicture) {
    // The corners of a selection and the part of it on the picture, which the clipboard takes.
    const std::tuple<Point, Point, Rect> cases[] = {{{90, 95}, {100, 100}, {90, 95, 99, 99}},
                                                    {{2, 1}, {-3, -2}, {0, 0, 2, 1}}};
    for (const auto& [corner1, corner2, inside] : cases) {
        load(100, 100);
        select(corner1, corner2);
        trim.cutSelection();
        EXPECT_EQ(state(), "--2* 0001");
        for (std::int32_t y = 0; y < 100; ++y)
            for (std::int32_t x = 0; x < 100; ++x)
                ASSERT_EQ(At(doc.picture, x, y), inside.Contains(x, y) ? 0xFFFF : Pattern(x, y))
                    << x << "," << y;
        const Surface& block = trim.clipboard().pixels();
        const Point last(inside.right - inside.left, inside.bottom - inside.top);
        ASSERT_EQ(std::pair(block.GetWidth(), block.GetHeight()),
                  std::pair(last.x + 1, last.y + 1));
        EXPECT_EQ(At(block, 0, 0), Pattern(inside.left, inside.top));
        EXPECT_EQ(At(block, last.x, last.y), Pattern(inside.right, inside.bottom));
    }
}

TEST_F(TrimTest, CopyWithoutSelectionAndPasteWithoutContentPlaceNothing) {
    load(50, 50);
    trim.copySelection(); // a new tool has no selection either
    select(Point(1, 1), Point(9, 9));
    trim.clearSelection();
    const int calls = recorder.calls;
    trim.copySelection();
    EXPECT_EQ(std::pair(trim.clipboard().hasContent(), recorder.calls), std::pair(false, calls));
    trim.cutSelection();
    EXPECT_EQ(At(doc.picture, 5, 5), Pattern(5, 5));
    EXPECT_EQ(state(), "--1- 000?");
    trim.pasteClipboard();
    EXPECT_EQ(std::tuple(state(), recorder.trimSelected), std::tuple("--1* 000?", 1));
}

TEST_F(TrimTest, PastedBlockFloatsAtTheViewCornerUntilATouchElsewhere) {
    load(640, 480);
    select(Point(10, 10), Point(19, 14));
    trim.copySelection();
    view.setScroll(40, 30);
    trim.pasteClipboard();
    Surface screen = test::Solid(240, 320, 0);
    view.drawPicture(screen, &trim.floating());
    EXPECT_EQ(At(screen, 30, 51), Pattern(10, 10)); // the block's corner in the view's
    EXPECT_EQ(state(), "-F1* 1011");
    // Within one pixel of the block a touch grabs it; the block follows the stylus.
    for (Point grab : {Point(39, 29), Point(50, 35)})
        select(grab, Point(grab.x + 5, grab.y + 5));
    EXPECT_EQ(state(), "-F1* 1011");
    EXPECT_FALSE(trim.floating().isOnBlock(Point(55, 46)));
    trim.touch(Point(61, 40));
    EXPECT_EQ(state(), "S-2* 1011");
    for (std::int32_t y = 0; y < 5; ++y)
        for (std::int32_t x = 0; x < 10; ++x)
            ASSERT_EQ(At(doc.picture, 50 + x, 40 + y), Pattern(10 + x, 10 + y));
}

TEST_F(TrimTest, CropMakesTheSelectionOrTheFloatingBlockThePicture) {
    load(640, 480);
    view.setScroll(100, 100);
    select(Point(5, 6), Point(304, 309));
    trim.cropToSelection();
    ASSERT_EQ(std::pair(doc.picture.GetWidth(), doc.picture.GetHeight()), std::pair(300, 304));
    EXPECT_EQ(At(doc.picture, 299, 303), Pattern(304, 309));
    EXPECT_EQ(std::tuple(view.zoomedWidth(), view.scrollX(), view.scrollY(),
                         trim.clipboard().hasContent(), state()),
              std::tuple(300, 0, 0, false, "--2* 0000"));

    load(640, 480);
    select(Point(10, 10), Point(19, 14));
    trim.copySelection();
    trim.pasteClipboard();
    trim.cropToSelection();
    ASSERT_EQ(std::pair(doc.picture.GetWidth(), doc.picture.GetHeight()), std::pair(10, 5));
    // The history holds the settled block, then the crop.
    EXPECT_EQ(std::tuple(At(doc.picture, 9, 4), trim.clipboard().pixels().GetWidth(), state()),
              std::tuple(Pattern(19, 14), 10, "--3* 0001"));
}

TEST_F(TrimTest, CutOfAFloatingBlockKeepsBothStatesInTheHistory) {
    load(60, 60);
    select(Point(0, 0), Point(3, 3));
    trim.copySelection();
    trim.pasteClipboard();
    select(Point(1, 1), Point(21, 11));
    trim.cutSelection();
    EXPECT_EQ(state(), "--3* 0001");
    EXPECT_EQ(At(doc.picture, 20, 10), Pattern(20, 10));
    doc.history.undo();
    EXPECT_EQ(At(doc.picture, 20, 10), Pattern(0, 0));
    EXPECT_EQ(At(doc.picture, 23, 13), Pattern(3, 3));
}

TEST_F(TrimTest, KeyColouredAndOutsidePixelsNeverReachThePicture) {
    load(64, 64);
    for (std::int32_t x = 0; x < 8; ++x)
        At(doc.picture, x, 4) = kPixelMagenta;
    select(Point(0, 0), Point(7, 8));
    // Leave recognisable junk where the clipboard's storage is likely to come from.
    std::free(std::memset(std::malloc(8 * 2 * 9), 0x5A, 8 * 2 * 9));
    trim.copySelection();
    for (std::int32_t y = 0; y < 9; ++y)
        for (std::int32_t x = 0; x < 8; ++x)
            ASSERT_EQ(At(trim.clipboard().pixels(), x, y), At(doc.picture, x, y));
    trim.pasteClipboard();
    select(Point(0, 0), Point(30, 30));
    trim.touch(Point(5, 60));
    for (std::int32_t x = 0; x < 8; ++x)
        EXPECT_EQ(At(doc.picture, 30 + x, 34), Pattern(30 + x, 34));
    EXPECT_EQ(At(doc.picture, 30, 35), Pattern(0, 5));
    // A selection reaching past the picture copies nothing from beyond it either.
    select(Point(60, 60), Point(64, 64));
    trim.copySelection();
    trim.pasteClipboard();
    trim.settleFloating();
    EXPECT_EQ(At(doc.picture, 4, 0), Pattern(4, 0));
    EXPECT_EQ(At(doc.picture, 3, 3), Pattern(63, 63));
}

TEST_F(TrimTest, EmptyPictureIgnoresTheCommands) {
    load(40, 40);
    select(Point(1, 1), Point(3, 3));
    trim.copySelection();
    doc.picture.Release();
    for (auto command : {&TrimTool::copySelection, &TrimTool::pasteClipboard,
                         &TrimTool::cutSelection, &TrimTool::cropToSelection})
        (trim.*command)();
    EXPECT_EQ(std::tuple(At(trim.clipboard().pixels(), 0, 0), recorder.trimSelected, state(),
                         doc.picture.GetWidth()),
              std::tuple(Pattern(1, 1), 0, "S-1- 1111", 0));
}

TEST_F(TrimTest, OverlaysAreDashedInsideTheVisibleArea) {
    load(100, 100);
    select(Point(0, 1), Point(12, 6)); // the left edge lies on the view's edge: not drawn
    EXPECT_EQ(overlay(Rect(1, 1, 12, 6)),
              "##....####.#|...........#|...........#|............|............|##....####..|");
    view.setZoomBy(Point(0, 0), 50); // 1.5, 7.5 and 4.5 round up
    select(Point(1, 1), Point(5, 3));
    EXPECT_EQ(overlay(Rect(2, 2, 8, 5)), "###...#|#.....#|#.....#|###....|");
    view.setZoomBy(Point(0, 0), -50);
    trim.copySelection();
    trim.pasteClipboard();
    select(Point(0, 0), Point(3, 2));
    EXPECT_EQ(overlay(Rect(2, 1, 8, 5)), "###...#|#.....#|#.....#|.......|###....|");
    // Past the visible width and height nothing is drawn.
    trim.settleFloating();
    load(640, 480);
    select(Point(190, 250), Point(205, 270));
    const std::string art = overlay(Rect(0, 0, 199, 258));
    EXPECT_EQ(art.substr(250 * 201 + 190, 10), "###....###");
    EXPECT_EQ(art.substr(258 * 201 + 190, 1), "#");
}

// A document whose picture is one colour at a time, so that a picture is known by its first
// pixel; it is loaded in colour 100.
class EditHistoryTest : public DocumentTest {
protected:
    void SetUp() override {
        doc.history.setObserver(&recorder);
        ASSERT_EQ(doc.picture.Create(0, 30, 20), kOk);
        paint(100);
        doc.history.load();
    }
    void paint(Pixel colour) {
        std::fill_n(doc.picture.GetPixels(), doc.picture.GetSize() / 2, colour);
    }
    Pixel shown() const { return doc.picture.GetPixels()[0]; }
};

// One session, step by step: 'c' paints the colour and commits, 'p' only paints, 'a' hands the
// painted picture over with its copies made beforehand, 'u' undo, 'r' redo, 'A' undo all. After
// each step: the colour shown, the commands ('?' not checked), the states and the current one.
// On the way: a commit after undo cuts the redo branch (c5); redo at the newest state copies it
// again (r after p9); the fourth commit drops the loaded state (c6), so undo stops at the oldest
// kept state while undo all still reaches the loaded one; a picture adopted with its copies is a
// loaded picture (a); undo all forgot the dropped state (the last u).
TEST_F(EditHistoryTest, KeepsFourStatesAndTheLoadedPicture) {
    const std::tuple<char, Pixel, Pixel, const char*, int, int> steps[] = {
        {'-', 0, 100, "000", 1, 0}, {'c', 1, 1, "101", 2, 1},  {'c', 2, 2, "101", 3, 2},
        {'u', 0, 1, "111", 3, 1},   {'c', 5, 5, "101", 3, 2},  {'p', 9, 9, "101", 3, 2},
        {'r', 0, 5, "101", 3, 2},   {'u', 0, 1, "111", 3, 1},  {'c', 3, 3, "101", 3, 2},
        {'c', 4, 4, "101", 4, 3},   {'c', 6, 6, "101", 4, 3},  {'u', 0, 4, "111", 4, 2},
        {'u', 0, 3, "111", 4, 1},   {'u', 0, 1, "011", 4, 0},  {'u', 0, 1, "011", 4, 0},
        {'p', 50, 50, "011", 4, 0}, {'a', 0, 50, "000", 1, 0}, {'c', 60, 60, "101", 2, 1},
        {'u', 0, 50, "010", 2, 0},  {'c', 1, 1, "101", 2, 1},  {'c', 2, 2, "101", 3, 2},
        {'c', 3, 3, "101", 4, 3},   {'c', 4, 4, "101", 4, 3},  {'A', 0, 50, "?00", 1, 0},
        {'c', 7, 7, "101", 2, 1},   {'u', 0, 50, "010", 2, 0},
    };
    int restores = recorder.replaced;
    for (const auto& [op, colour, colourShown, expected, count, current] : steps) {
        SCOPED_TRACE(testing::Message() << op << " " << colour);
        if (op == 'c' || op == 'p')
            paint(colour);
        if (op == 'c')
            doc.history.commit();
        if (op == 'a')
            doc.history.adopt(test::Clone(doc.picture), test::Clone(doc.picture));
        op == 'u'   ? doc.history.undo()
        : op == 'r' ? doc.history.redo()
        : op == 'A' ? doc.history.undoAll()
                    : void();
        restores += op == 'u' || op == 'r' || op == 'A';
        std::string commands =
            reported({EditCommand::Undo, EditCommand::Redo, EditCommand::UndoAll});
        for (std::size_t i = 0; i < commands.size(); ++i)
            commands[i] = expected[i] == '?' ? '?' : commands[i];
        EXPECT_EQ(std::tuple(shown(), commands, doc.history.count(), doc.history.current()),
                  std::tuple(colourShown, expected, count, current));
    }
    EXPECT_EQ(recorder.replaced, restores);
}

TEST_F(EditHistoryTest, UndoRestoresThePictureSizeACropChanged) {
    ASSERT_EQ(doc.picture.Create(0, 7, 3), kOk);
    paint(6);
    doc.history.commit();
    const auto picture = [&] {
        return std::tuple(doc.picture.GetWidth(), doc.picture.GetHeight(), shown());
    };
    doc.history.undo();
    EXPECT_EQ(picture(), std::tuple(30, 20, Pixel{100}));
    doc.history.redo();
    EXPECT_EQ(picture(), std::tuple(7, 3, Pixel{6}));
}

struct View {
    View(std::int32_t w, std::int32_t h, std::int32_t d = 0)
        : view(picture, lock, EditorViewPlacement(d)) {
        EXPECT_EQ(picture.Create(0, w, h), kOk);
        for (std::int32_t y = 0; y < h; ++y)
            for (std::int32_t x = 0; x < w; ++x)
                At(picture, x, y) = Pattern(x, y);
        view.updateZoomedSize();
    }
    Surface picture;
    std::recursive_mutex lock;
    ViewState view;
};

TEST(ViewState, ZoomLadderIsTheSameBothWays) {
    const std::vector<int> ladder{20,  30,  40,  50,  60,  70,  80,  90,  100, 150, 200,
                                  250, 300, 350, 400, 450, 500, 550, 600, 650, 700};
    View v(640, 480);
    auto walk = [&](void (ViewState::*step)(Point)) {
        std::vector<int> seen{v.view.zoom()};
        for (int i = 0; i < 30; ++i) {
            (v.view.*step)(v.view.pictureCentre());
            if (v.view.zoom() != seen.back())
                seen.push_back(v.view.zoom());
        }
        // At either end the command leaves the zoom and the offsets alone.
        v.view.setScroll(3, 4);
        (v.view.*step)(Point(600, 400));
        EXPECT_EQ(v.view.scrollX(), 3);
        return seen;
    };
    EXPECT_EQ(walk(&ViewState::zoomOut), std::vector<int>(ladder.rbegin() + 12, ladder.rend()));
    EXPECT_EQ(walk(&ViewState::zoomIn), ladder);
    EXPECT_EQ(walk(&ViewState::zoomOut), std::vector<int>(ladder.rbegin(), ladder.rend()));
}

// Each row: the picture's size, the commands (S to screen, + in, - out, Z by the delta at the
// point, 1 for 100%), then the zoom and the offsets. For 5000 x 10, 4% is asked for. At 640 x 100
// the view widens when the vertical bar goes, and refresh moves the offset back; the offset is
// held within the full view width before refresh narrows the view. "100%" centres the middle of
// the view, a screen point (130, 180), as if it were a picture point.
TEST(ViewState, ZoomCommandsCentreThePointWithinThePicture) {
    std::istringstream rows(
        "640x480 S -> 32 0,0; 640x480 S+ -> 42 29,0; 640x480 S-- -> 20 0,0; "
        "100x200 S -> 134 0,0; 100x200 S+ -> 184 0,50; 207x100 S- -> 51 0,0; "
        "1x1 S -> 700 0,0; 5000x10 S -> 20 0,0; 640x480 Z 320,240 100 -> 200 540,351; "
        "640x480 Z 640,480 0 -> 100 440,221; 640x480 Z 640,480 -1000 -> 20 0,0; "
        "640x480 Z 0,0 1000 -> 700 0,0; 640x100 Z 640,0 0 -> 100 430,0; "
        "640x100 Z 640,100 200 -> 300 1720,41; 640x480 Z1 320,240 100 -> 100 30,51");
    for (std::string row; std::getline(rows >> std::ws, row, ';');) {
        Point size, p, scroll;
        int delta = 0, zoom = 0;
        char commands[8] = {};
        std::sscanf(row.c_str(), "%dx%d %7s %d,%d %d", &size.x, &size.y, commands, &p.x, &p.y,
                    &delta);
        std::sscanf(std::strstr(row.c_str(), "->"), "-> %d %d,%d", &zoom, &scroll.x, &scroll.y);
        View v(size.x, size.y);
        v.view.setScroll(50, 50);
        for (const char* s = commands; *s; ++s) {
            const Point centre = v.view.pictureCentre();
            *s == 'S'   ? v.view.zoomToScreen()
            : *s == '+' ? v.view.zoomIn(centre)
            : *s == '-' ? v.view.zoomOut(centre)
            : *s == 'Z' ? v.view.setZoomBy(p, delta)
                        : v.view.zoom100();
        }
        EXPECT_EQ(std::tuple(v.view.zoom(), v.view.scrollX(), v.view.scrollY()),
                  std::tuple(zoom, scroll.x, scroll.y))
            << row;
    }
}

TEST(ViewState, MappingTakesTheFactorFirstAndTruncates) {
    View v(720, 480);
    v.view.zoomToScreen();
    ASSERT_EQ(v.view.zoom(), 29);
    // 145 * (100.0 / 29) is 499.99..., while 145 * 100 / 29 would be 500.
    EXPECT_EQ(v.view.pictureFromScreen(30 + 145, 51), Point(499, 0));
    ASSERT_EQ(v.picture.Create(0, 100, 100), kOk);
    v.view.updateZoomedSize();
    EXPECT_EQ(v.view.zoomedWidth(), 28); // 100 * 0.29, not 100 * 29 / 100.0

    View big(640, 480);
    EXPECT_EQ(big.view.pictureFromScreen(30, 51), Point(0, 0));
    EXPECT_EQ(big.view.pictureFromScreen(229, 309), Point(199, 258));
    big.view.setZoomBy(Point(320, 240), 100);
    EXPECT_EQ(big.view.pictureFromScreen(31, 52), Point(270, 176));
}

// Each row: the picture's size and a screen point, then whether the point is on the picture and
// the point held within the view.
TEST(ViewState, OnlyTheShownPictureTakesTouches) {
    std::istringstream rows(
        "100x100 31,52 -> 1 31,52; 100x100 30,52 -> 0 30,52; 100x100 31,51 -> 0 31,51; "
        "100x100 129,150 -> 1 129,150; 100x100 130,100 -> 0 130,100; "
        "100x100 100,151 -> 0 100,151; 100x100 0,0 -> 0 30,51; 100x100 500,500 -> 0 130,151; "
        "640x480 229,309 -> 1 229,309; 640x480 230,100 -> 0 230,100; "
        "640x480 100,310 -> 0 100,310; 640x480 900,900 -> 0 230,310");
    for (std::string row; std::getline(rows >> std::ws, row, ';');) {
        Point size, p, clamped;
        int on = 0;
        std::sscanf(row.c_str(), "%dx%d %d,%d -> %d %d,%d", &size.x, &size.y, &p.x, &p.y, &on,
                    &clamped.x, &clamped.y);
        View v(size.x, size.y);
        EXPECT_EQ(std::pair(v.view.isOnPicture(p.x, p.y), v.view.clampToView(p.x, p.y)),
                  std::pair(on == 1, clamped))
            << row;
    }
}

// Each row: the view's vertical placement and the picture's size, then the visible size and the
// fractions of the picture each bar shows (at 640 x 100 the horizontal bar runs on, at 100 x 640
// the vertical one).
TEST(ViewState, RefreshHidesTheBarsThatAreNotNeeded) {
    std::istringstream rows(
        "0 100x100 -> 210x269 2/1 2.69/1; 0 640x100 -> 210x259 210/640 2.59/1; "
        "0 100x640 -> 200x269 2/1 269/640; 0 205x300 -> 200x259 200/205 259/300; "
        "0 210x100 -> 210x269 1/1 2.59/1; 0 200x270 -> 200x269 1/1 269/270; "
        "0 640x480 -> 200x259 200/640 259/480; 80 100x185 -> 210x189 2/1 189/185; "
        "80 100x190 -> 200x189 2/1 189/190");
    for (std::string row; std::getline(rows >> std::ws, row, ';');) {
        int d = 0, w = 0, h = 0, visibleW = 0, visibleH = 0;
        double h1 = 0, h2 = 1, v1 = 0, v2 = 1;
        std::sscanf(row.c_str(), "%d %dx%d -> %dx%d %lf/%lf %lf/%lf", &d, &w, &h, &visibleW,
                    &visibleH, &h1, &h2, &v1, &v2);
        const double fractionH = h1 / h2, fractionV = v1 / v2;
        View v(w, h, d);
        v.view.setScroll(1000, 1000);
        v.view.refresh();
        EXPECT_EQ(std::tuple(v.view.visibleWidth(), v.view.visibleHeight(), v.view.scrollX(),
                             v.view.scrollY(), v.view.showsBarTracks(), v.view.horizontalFraction(),
                             v.view.verticalFraction()),
                  std::tuple(visibleW, visibleH, fractionH >= 1 ? 0 : w - visibleW,
                             fractionV >= 1 ? 0 : h - visibleH, fractionH < 1 || fractionV < 1,
                             fractionH, fractionV))
            << row;
    }
}

TEST(ViewState, ScrollStepsStayInsideThePicture) {
    // Each row: the picture's size, the offset, the step, and the offset after it. r, l, d and u
    // scroll by a step; eX,Y edge-scrolls for the stylus at X,Y. The edges are those of the full
    // view, even where a hidden bar widened it (640x100, last).
    std::istringstream rows(
        "640x480 0,0 r -> 10,0; 640x480 435,7 r -> 440,7; 640x480 5,0 l -> 0,0; "
        "640x480 20,20 l -> 10,20; 640x480 0,215 d -> 0,221; 640x480 0,3 u -> 0,0; "
        "100x100 0,0 r -> 0,0; 100x100 0,0 d -> 0,0; 100x640 0,365 d -> 0,371; "
        "640x100 425,0 r -> 430,0; 640x480 100,100 e231,100 -> 110,100; "
        "640x480 100,100 e230,310 -> 100,100; 640x480 100,100 e29,311 -> 90,110; "
        "640x480 100,100 e100,50 -> 100,90; 640x100 100,0 e235,100 -> 110,0");
    for (std::string row; std::getline(rows >> std::ws, row, ';');) {
        Point size, start, stylus, end;
        char step = 0;
        std::sscanf(row.c_str(), "%dx%d %d,%d %c%d,%d", &size.x, &size.y, &start.x, &start.y, &step,
                    &stylus.x, &stylus.y);
        std::sscanf(std::strstr(row.c_str(), "->"), "-> %d,%d", &end.x, &end.y);
        View v(size.x, size.y);
        v.view.setScroll(start.x, start.y);
        step == 'r'   ? v.view.scrollRight()
        : step == 'l' ? v.view.scrollLeft()
        : step == 'd' ? v.view.scrollDown()
        : step == 'u' ? v.view.scrollUp()
                      : v.view.edgeScroll(stylus.x, stylus.y);
        EXPECT_EQ(Point(v.view.scrollX(), v.view.scrollY()), end) << row;
    }
}

// The view shows the source part of the picture (right and bottom exclusive), with the floating
// layer drawn over it, stretched onto the shown part of the screen. A picture that does not fill
// the view is shown whole (the docs screenshots show that stretched); an empty one is not drawn.
TEST(ViewState, DrawPictureStretchesTheScrolledPartAndLetsTheLayerDraw) {
    struct Layer : FloatingLayer {
        void drawFloating(Surface& part, std::int32_t left, std::int32_t top) const override {
            calls.push_back(Rect(left, top, left + part.GetWidth(), top + part.GetHeight()));
            At(part, 0, 0) = 0xFFFF;
        }
        mutable std::vector<Rect> calls;
    };
    const std::tuple<std::int32_t, std::int32_t, std::int32_t, Point, Rect, Rect> cases[] = {
        {640, 480, 0, {40, 30}, {40, 30, 240, 289}, {30, 51, 230, 310}},
        {100, 100, 0, {0, 0}, {0, 0, 100, 100}, {30, 51, 130, 151}},
        {640, 480, -50, {10, 0}, {20, 0, 440, 480}, {30, 51, 240, 291}},
        // 100.0 / 150 makes the right edge 302.67: truncated once, from the sum, not as 168
        // plus 133.
        {640, 480, 50, {253, 101}, {168, 67, 302, 240}, {30, 51, 230, 310}},
        {0, 0, 0, {0, 0}, {}, {}},
    };
    for (const auto& [w, h, delta, scroll, source, shown] : cases) {
        SCOPED_TRACE(testing::Message() << w << "x" << h << " zoom " << delta);
        View v(w, h);
        v.view.setZoomBy(Point(0, 0), delta);
        v.view.setScroll(scroll.x, scroll.y);
        Surface screen = test::Solid(240, 320, 0x0841), expected = test::Clone(screen);
        Layer layer;
        v.view.drawPicture(screen, &layer);
        if (w == 0) {
            EXPECT_TRUE(layer.calls.empty());
        } else {
            ASSERT_EQ(layer.calls, std::vector<Rect>{source});
            Surface part = test::Solid(source.right - source.left, source.bottom - source.top, 0);
            Blit(part, 0, 0, v.picture, &source);
            At(part, 0, 0) = 0xFFFF;
            ASSERT_EQ(reference::TransformBlit(expected, &shown, part, nullptr, 0, nullptr), kOk);
        }
        EXPECT_TRUE(test::SameStorage(screen, expected));
    }
}

TEST(ViewState, EmptyPictureKeepsItsZoom) {
    View v(0, 0);
    v.view.zoomIn(Point(0, 0));
    v.view.zoomToScreen();
    v.view.zoom100();
    v.view.refresh();
    EXPECT_EQ(std::pair(v.view.zoom(), v.view.visibleWidth()), std::pair(100, 200));
}

} // namespace
} // namespace brelvo
