#include "editor/TrimTool.h"

#include "editor/ImageDocument.h"
#include "editor/ViewState.h"
#include "screens/EditorView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace brelvo {
namespace {

struct Recorder : EditorObserver {
    void commandAvailable(EditCommand command, bool available) override {
        state[command] = available;
        ++calls;
    }
    void selectTrimTool() override { ++trimSelected; }
    std::map<EditCommand, bool> state;
    int calls = 0;
    int trimSelected = 0;
};

Pixel& At(const Surface& s, std::int32_t x, std::int32_t y) {
    return s.Header().Row(y)[x];
}

// Every pixel tells where it is, and none is the colour key or white by accident.
Pixel Pattern(std::int32_t x, std::int32_t y) {
    const auto p = static_cast<Pixel>(x * 31 + y * 1009 + 1);
    return p == kPixelMagenta || p == 0xFFFF ? Pixel{2} : p;
}

class TrimTest : public ::testing::Test {
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
    bool available(EditCommand command) { return recorder.state.at(command); }
    // The screen as text, '#' where the overlay colour is, for the w x h pixels at the view's
    // origin; the rest of the screen must hold no overlay pixel.
    std::string overlay(std::int32_t w, std::int32_t h) {
        Surface screen;
        EXPECT_EQ(screen.Create(CREATE_CLEAR, 320, 400), kOk);
        trim.drawOverlays(screen);
        std::string art;
        int outside = 0;
        for (std::int32_t y = 0; y < 400; ++y)
            for (std::int32_t x = 0; x < 320; ++x) {
                const bool dash = At(screen, x, y) == ColorToPixel(TrimTool::kOverlayColor);
                const bool inside = x >= 30 && x < 30 + w && y >= 51 && y < 51 + h;
                if (inside)
                    art += dash ? '#' : '.';
                if (inside && x == 30 + w - 1)
                    art += '\n';
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

TEST_F(TrimTest, ReleaseKeepsOnlySelectionsWithWidthAndHeight) {
    struct Case {
        Point touch, release;
        bool active;
    };
    const Case cases[] = {
        {{10, 10}, {10, 10}, false}, {{10, 10}, {10, 30}, false}, {{10, 10}, {20, 10}, false},
        {{10, 10}, {20, 30}, true},  {{20, 30}, {10, 10}, true},
    };
    for (const Case& c : cases) {
        load(40, 40);
        trim.touch(c.touch);
        trim.move(Point(15, 15));
        trim.release(c.release, true);
        EXPECT_EQ(trim.selection().active, c.active) << c.release.x << "," << c.release.y;
        for (EditCommand command : {EditCommand::Cut, EditCommand::Copy, EditCommand::Crop})
            EXPECT_EQ(available(command), c.active);
    }
    EXPECT_EQ(trim.selection().bounds(), Rect(10, 10, 20, 30));
    // A stroke that did not begin on the picture leaves the corner where the touch put it.
    trim.touch(Point(5, 5));
    trim.release(Point(9, 9), false);
    EXPECT_EQ(trim.selection().bounds(), Rect(5, 5, 5, 5));
}

TEST_F(TrimTest, CutWhitensOnlyThePartInsideThePicture) {
    struct Case {
        Point corner1, corner2;
        Rect inside;
        Point blockSize; // the clipboard takes only the part on the picture
    };
    const Case cases[] = {{{90, 95}, {100, 100}, {90, 95, 99, 99}, {10, 5}},
                          {{2, 1}, {-3, -2}, {0, 0, 2, 1}, {3, 2}}};
    for (const Case& c : cases) {
        load(100, 100);
        select(c.corner1, c.corner2);
        trim.cutSelection();
        for (std::int32_t y = 0; y < 100; ++y)
            for (std::int32_t x = 0; x < 100; ++x)
                ASSERT_EQ(At(doc.picture, x, y), c.inside.Contains(x, y) ? 0xFFFF : Pattern(x, y))
                    << x << "," << y;
        const Surface& block = trim.clipboard().pixels();
        ASSERT_EQ(Point(block.GetWidth(), block.GetHeight()), c.blockSize);
        EXPECT_EQ(At(block, 0, 0), Pattern(c.inside.left, c.inside.top));
        EXPECT_EQ(At(block, c.blockSize.x - 1, c.blockSize.y - 1),
                  Pattern(c.inside.right, c.inside.bottom));
        EXPECT_FALSE(trim.selection().active);
        EXPECT_TRUE(available(EditCommand::Paste));
        EXPECT_EQ(doc.history.count(), 2);
        EXPECT_TRUE(doc.changed);
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
    EXPECT_FALSE(doc.changed);

    trim.pasteClipboard();
    EXPECT_FALSE(trim.floating().isFloating());
    EXPECT_EQ(recorder.trimSelected, 1);
    EXPECT_TRUE(doc.changed);
    EXPECT_EQ(doc.history.count(), 1);
}

TEST_F(TrimTest, PastedBlockFloatsAtTheViewCornerUntilATouchElsewhere) {
    load(640, 480);
    select(Point(10, 10), Point(19, 14));
    trim.copySelection();
    view.setScroll(40, 30);
    trim.pasteClipboard();
    EXPECT_EQ(trim.floating().position(), Point(40, 30));
    EXPECT_TRUE(available(EditCommand::Cut));
    EXPECT_FALSE(available(EditCommand::Copy));
    // Within one pixel of the block a touch grabs it; the block follows the stylus.
    for (Point grab : {Point(39, 29), Point(50, 35)})
        select(grab, Point(grab.x + 5, grab.y + 5));
    EXPECT_EQ(trim.floating().position(), Point(50, 40));
    EXPECT_FALSE(trim.selection().active);
    trim.touch(Point(61, 40));
    EXPECT_FALSE(trim.floating().isFloating());
    EXPECT_TRUE(trim.selection().active);
    EXPECT_EQ(doc.history.count(), 2);
    for (std::int32_t y = 0; y < 5; ++y)
        for (std::int32_t x = 0; x < 10; ++x)
            ASSERT_EQ(At(doc.picture, 50 + x, 40 + y), Pattern(10 + x, 10 + y));
}

TEST_F(TrimTest, CropMakesTheSelectionOrTheFloatingBlockThePicture) {
    load(640, 480);
    view.setScroll(100, 100);
    select(Point(5, 6), Point(304, 309));
    trim.cropToSelection();
    ASSERT_EQ(Point(doc.picture.GetWidth(), doc.picture.GetHeight()), Point(300, 304));
    EXPECT_EQ(At(doc.picture, 299, 303), Pattern(304, 309));
    EXPECT_EQ(view.zoomedWidth(), 300);
    EXPECT_EQ(Point(view.scrollX(), view.scrollY()), Point(0, 0));
    EXPECT_FALSE(trim.clipboard().hasContent());
    EXPECT_FALSE(available(EditCommand::Paste));
    EXPECT_EQ(doc.history.count(), 2);

    load(640, 480);
    select(Point(10, 10), Point(19, 14));
    trim.copySelection();
    trim.pasteClipboard();
    trim.cropToSelection();
    ASSERT_EQ(Point(doc.picture.GetWidth(), doc.picture.GetHeight()), Point(10, 5));
    EXPECT_EQ(At(doc.picture, 9, 4), Pattern(19, 14));
    EXPECT_FALSE(trim.floating().isFloating());
    EXPECT_EQ(trim.clipboard().pixels().GetWidth(), 10);
    EXPECT_TRUE(available(EditCommand::Paste));
    EXPECT_EQ(doc.history.count(), 3); // the settled block, then the crop
}

TEST_F(TrimTest, CutOfAFloatingBlockKeepsBothStatesInTheHistory) {
    load(60, 60);
    select(Point(0, 0), Point(3, 3));
    trim.copySelection();
    trim.pasteClipboard();
    select(Point(1, 1), Point(21, 11));
    trim.cutSelection();
    EXPECT_EQ(doc.history.count(), 3);
    EXPECT_FALSE(trim.floating().isFloating());
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
    trim.copySelection();
    EXPECT_EQ(At(trim.clipboard().pixels(), 0, 0), Pattern(1, 1));
    trim.pasteClipboard();
    trim.cutSelection();
    trim.cropToSelection();
    EXPECT_EQ(recorder.trimSelected, 0);
    EXPECT_FALSE(trim.floating().isFloating());
    EXPECT_FALSE(doc.changed);
    EXPECT_EQ(doc.picture.GetWidth(), 0);
}

TEST_F(TrimTest, OverlaysAreDashedInsideTheVisibleArea) {
    load(100, 100);
    select(Point(0, 1), Point(12, 6)); // the left edge lies on the view's edge: not drawn
    EXPECT_EQ(overlay(14, 8), "..............\n"
                              ".##....####.#.\n"
                              "............#.\n"
                              "............#.\n"
                              "..............\n"
                              "..............\n"
                              ".##....####...\n"
                              "..............\n");
    view.setZoomBy(Point(0, 0), 100);
    select(Point(1, 1), Point(6, 3));
    EXPECT_EQ(overlay(14, 8), "..............\n"
                              "..............\n"
                              "..###....####.\n"
                              "..#.........#.\n"
                              "..#.........#.\n"
                              "..............\n"
                              "..###....####.\n"
                              "..............\n");
    view.setZoomBy(Point(0, 0), -50); // 1.5, 7.5 and 4.5 round up
    select(Point(1, 1), Point(5, 3));
    EXPECT_EQ(overlay(9, 6), ".........\n"
                             ".........\n"
                             "..###...#\n"
                             "..#.....#\n"
                             "..#.....#\n"
                             "..###....\n");
    view.setZoomBy(Point(0, 0), -50);
    trim.copySelection();
    trim.pasteClipboard();
    select(Point(0, 0), Point(3, 2));
    EXPECT_EQ(overlay(11, 6), "...........\n"
                              "..###...#..\n"
                              "..#.....#..\n"
                              "..#.....#..\n"
                              "...........\n"
                              "..###......\n");
    // Past the visible width and height nothing is drawn.
    trim.settleFloating();
    load(640, 480);
    select(Point(190, 250), Point(205, 270));
    const std::string art = overlay(200, 259);
    EXPECT_EQ(art.substr(250 * 201 + 190, 10), "###....###");
    EXPECT_EQ(art.substr(258 * 201 + 190, 1), "#");
}

} // namespace
} // namespace brelvo
