// The editor's document: the picture with its history, and the Trim tool that edits both.

#include "editor/EditHistory.h"
#include "editor/ImageDocument.h"
#include "editor/TrimTool.h"
#include "editor/ViewState.h"
#include "gfx/Blit.h"
#include "screens/EditorView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <tuple>

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

Point SizeOf(const Surface& s) {
    return Point(s.GetWidth(), s.GetHeight());
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
    // 'S' while a selection is active, 'F' while a block floats, the history's count, '*' when
    // the picture changed, then Cut, Copy, Crop and Paste as last reported ('?' never).
    std::string state() {
        std::string s = std::string(trim.selection().active ? "S" : "-") +
                        (trim.floating().isFloating() ? "F" : "-") +
                        std::to_string(doc.history.count()) + (doc.changed ? "* " : "- ");
        for (EditCommand c :
             {EditCommand::Cut, EditCommand::Copy, EditCommand::Crop, EditCommand::Paste})
            s += !recorder.state.contains(c) ? '?' : recorder.state.at(c) ? '1' : '0';
        return s;
    }
    // The screen as text, '#' where the overlay colour is, row after row each ended by '|', for
    // the part r of the screen (relative to the view's origin); the rest of the screen must hold
    // no overlay pixel.
    std::string overlay(Rect r) {
        Surface screen;
        EXPECT_EQ(screen.Create(CREATE_CLEAR, 320, 400), kOk);
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
    const struct {
        Point touch, release;
        const char* state;
    } cases[] = {
        {{10, 10}, {10, 10}, "--1- 000?"}, {{10, 10}, {10, 30}, "--1- 000?"},
        {{10, 10}, {20, 10}, "--1- 000?"}, {{10, 10}, {20, 30}, "S-1- 111?"},
        {{20, 30}, {10, 10}, "S-1- 111?"},
    };
    for (const auto& c : cases) {
        load(40, 40);
        trim.touch(c.touch);
        trim.move(Point(15, 15));
        trim.release(c.release, true);
        EXPECT_EQ(state(), c.state) << c.release.x << "," << c.release.y;
    }
    EXPECT_EQ(trim.selection().bounds(), Rect(10, 10, 20, 30));
    // A stroke that did not begin on the picture leaves the corner where the touch put it.
    trim.touch(Point(5, 5));
    trim.release(Point(9, 9), false);
    EXPECT_EQ(trim.selection().bounds(), Rect(5, 5, 5, 5));
}

TEST_F(TrimTest, CutWhitensOnlyThePartInsideThePicture) {
    // The corners of a selection and the part of it on the picture, which the clipboard takes.
    const struct {
        Point corner1, corner2;
        Rect inside;
    } cases[] = {{{90, 95}, {100, 100}, {90, 95, 99, 99}}, {{2, 1}, {-3, -2}, {0, 0, 2, 1}}};
    for (const auto& c : cases) {
        load(100, 100);
        select(c.corner1, c.corner2);
        trim.cutSelection();
        EXPECT_EQ(state(), "--2* 0001");
        for (std::int32_t y = 0; y < 100; ++y)
            for (std::int32_t x = 0; x < 100; ++x)
                ASSERT_EQ(At(doc.picture, x, y), c.inside.Contains(x, y) ? 0xFFFF : Pattern(x, y))
                    << x << "," << y;
        const Surface& block = trim.clipboard().pixels();
        const Point last(c.inside.right - c.inside.left, c.inside.bottom - c.inside.top);
        ASSERT_EQ(SizeOf(block), Point(last.x + 1, last.y + 1));
        EXPECT_EQ(At(block, 0, 0), Pattern(c.inside.left, c.inside.top));
        EXPECT_EQ(At(block, last.x, last.y), Pattern(c.inside.right, c.inside.bottom));
    }
}

TEST_F(TrimTest, CopyWithoutSelectionAndPasteWithoutContentPlaceNothing) {
    load(50, 50);
    select(Point(1, 1), Point(9, 9));
    trim.clearSelection();
    const int calls = recorder.calls;
    trim.copySelection();
    EXPECT_FALSE(trim.clipboard().hasContent());
    EXPECT_EQ(recorder.calls, calls);
    trim.cutSelection();
    EXPECT_EQ(At(doc.picture, 5, 5), Pattern(5, 5));
    EXPECT_EQ(state(), "--1- 000?");
    trim.pasteClipboard();
    EXPECT_EQ(state(), "--1* 000?");
    EXPECT_EQ(recorder.trimSelected, 1);
}

TEST_F(TrimTest, PastedBlockFloatsAtTheViewCornerUntilATouchElsewhere) {
    load(640, 480);
    select(Point(10, 10), Point(19, 14));
    trim.copySelection();
    view.setScroll(40, 30);
    trim.pasteClipboard();
    EXPECT_EQ(trim.floating().position(), Point(40, 30));
    EXPECT_EQ(state(), "-F1* 1011");
    // Within one pixel of the block a touch grabs it; the block follows the stylus.
    for (Point grab : {Point(39, 29), Point(50, 35)})
        select(grab, Point(grab.x + 5, grab.y + 5));
    EXPECT_EQ(trim.floating().position(), Point(50, 40));
    EXPECT_EQ(state(), "-F1* 1011");
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
    ASSERT_EQ(SizeOf(doc.picture), Point(300, 304));
    EXPECT_EQ(At(doc.picture, 299, 303), Pattern(304, 309));
    EXPECT_EQ(view.zoomedWidth(), 300);
    EXPECT_EQ(Point(view.scrollX(), view.scrollY()), Point(0, 0));
    EXPECT_FALSE(trim.clipboard().hasContent());
    EXPECT_EQ(state(), "--2* 0000");

    load(640, 480);
    select(Point(10, 10), Point(19, 14));
    trim.copySelection();
    trim.pasteClipboard();
    trim.cropToSelection();
    ASSERT_EQ(SizeOf(doc.picture), Point(10, 5));
    EXPECT_EQ(At(doc.picture, 9, 4), Pattern(19, 14));
    EXPECT_EQ(trim.clipboard().pixels().GetWidth(), 10);
    EXPECT_EQ(state(), "--3* 0001"); // the settled block, then the crop
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
    const std::size_t bytes = 8 * 2 * 9;
    void* junk = std::malloc(bytes);
    std::memset(junk, 0x5A, bytes);
    std::free(junk);
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
    EXPECT_EQ(At(trim.clipboard().pixels(), 0, 0), Pattern(1, 1));
    EXPECT_EQ(recorder.trimSelected, 0);
    EXPECT_EQ(state(), "S-1- 1111");
    EXPECT_EQ(doc.picture.GetWidth(), 0);
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
        paint(100);
        doc.history.load();
    }
    void paint(Pixel colour) {
        if (doc.picture.GetWidth() == 0) {
            ASSERT_EQ(doc.picture.Create(0, 30, 20), kOk);
        }
        std::fill_n(doc.picture.GetPixels(), doc.picture.GetSize() / 2, colour);
    }
    Pixel shown() const { return doc.picture.GetPixels()[0]; }
    // Undo, Redo and Undo all as last reported, '1' where available.
    std::string commands() {
        std::string s;
        for (EditCommand c : {EditCommand::Undo, EditCommand::Redo, EditCommand::UndoAll})
            s += recorder.state.at(c) ? '1' : '0';
        return s;
    }
};

// One session, step by step: 'c' paints the colour and commits, 'p' only paints, 'a' hands the
// painted picture over with its copies made beforehand, 'u' undo, 'r' redo, 'A' undo all. After
// each step: the colour shown, the commands ('?' not checked), the states and the current one.
// On the way: a commit after undo cuts the redo branch (c5); redo at the newest state copies it
// again (r after p9); the fourth commit drops the loaded state (c6), so undo stops at the oldest
// kept state while undo all still reaches the loaded one; a picture adopted with its copies is a
// loaded picture (a); undo all forgot the dropped state (the last u).
TEST_F(EditHistoryTest, KeepsFourStatesAndTheLoadedPicture) {
    const struct {
        char op;
        Pixel colour, shown;
        const char* commands;
        int count, current;
    } steps[] = {
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
    for (const auto& s : steps) {
        SCOPED_TRACE(testing::Message() << s.op << " " << s.colour);
        if (s.op == 'c' || s.op == 'p')
            paint(s.colour);
        if (s.op == 'c')
            doc.history.commit();
        if (s.op == 'a') {
            Surface base, first;
            ASSERT_EQ(CopySurface(doc.picture, base), kOk);
            ASSERT_EQ(CopySurface(doc.picture, first), kOk);
            doc.history.adopt(std::move(base), std::move(first));
        }
        s.op == 'u'   ? doc.history.undo()
        : s.op == 'r' ? doc.history.redo()
        : s.op == 'A' ? doc.history.undoAll()
                      : void();
        restores += s.op == 'u' || s.op == 'r' || s.op == 'A';
        std::string reported = commands();
        for (std::size_t i = 0; i < reported.size(); ++i)
            reported[i] = s.commands[i] == '?' ? '?' : reported[i];
        EXPECT_EQ(std::tuple(shown(), reported, doc.history.count(), doc.history.current()),
                  std::tuple(s.shown, s.commands, s.count, s.current));
    }
    EXPECT_EQ(recorder.replaced, restores);
}

TEST_F(EditHistoryTest, UndoRestoresThePictureSizeACropChanged) {
    ASSERT_EQ(doc.picture.Create(0, 7, 3), kOk);
    paint(6);
    doc.history.commit();
    doc.history.undo();
    EXPECT_EQ(std::tuple(doc.picture.GetWidth(), doc.picture.GetHeight(), shown()),
              std::tuple(30, 20, Pixel{100}));
    doc.history.redo();
    EXPECT_EQ(std::tuple(doc.picture.GetWidth(), doc.picture.GetHeight(), shown()),
              std::tuple(7, 3, Pixel{6}));
}

} // namespace
} // namespace brelvo
