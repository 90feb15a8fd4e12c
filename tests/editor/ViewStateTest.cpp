#include "editor/ViewState.h"

#include "gfx/Blit.h"
#include "screens/EditorView.h"
#include "tests/gfx/TestSupport.h"
#include "tests/reference/Reference.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace brelvo {
namespace {

Pixel Pattern(std::int32_t x, std::int32_t y) {
    return static_cast<Pixel>(x * 31 + y * 1009 + 1);
}

Pixel& At(const Surface& s, std::int32_t x, std::int32_t y) {
    return s.Header().Row(y)[x];
}

// A picture of the given size (every pixel telling where it is) and a view of it, refreshed.
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

// For 5000 x 10, 4% is asked for. At 640 x 100 the view widens when the vertical bar goes, and
// refresh moves the offset back; the offset is held within the full view width before refresh
// narrows the view. "100%" centres the middle of the view, a screen point, as if it were a
// picture point.
TEST(ViewState, ZoomCommandsCentreThePointWithinThePicture) {
    struct Case {
        std::int32_t w, h;
        const char* commands; // S to screen, + in, - out, Z by delta at p, 1 for 100%
        Point p;
        std::int32_t delta, zoom, scrollX, scrollY;
    };
    const Case cases[] = {
        {640, 480, "S", {}, 0, 32, 0, 0},
        {640, 480, "S+", {}, 0, 42, 29, 0},
        {640, 480, "S--", {}, 0, 20, 0, 0},
        {100, 200, "S", {}, 0, 134, 0, 0},
        {100, 200, "S+", {}, 0, 184, 0, 50},
        {207, 100, "S-", {}, 0, 51, 0, 0},
        {1, 1, "S", {}, 0, 700, 0, 0},
        {5000, 10, "S", {}, 0, 20, 0, 0},
        {640, 480, "Z", {320, 240}, 100, 200, 540, 351},
        {640, 480, "Z", {640, 480}, 0, 100, 440, 221},
        {640, 480, "Z", {640, 480}, -1000, 20, 0, 0},
        {640, 480, "Z", {0, 0}, 1000, 700, 0, 0},
        {640, 100, "Z", {640, 0}, 0, 100, 430, 0},
        {640, 100, "Z", {640, 100}, 200, 300, 1720, 41},
        {640, 480, "Z1", {320, 240}, 100, 100, 130 - 100, 180 - 129},
    };
    for (const Case& c : cases) {
        View v(c.w, c.h);
        v.view.setScroll(50, 50);
        for (const char* s = c.commands; *s; ++s) {
            const Point centre = v.view.pictureCentre();
            *s == 'S'   ? v.view.zoomToScreen()
            : *s == '+' ? v.view.zoomIn(centre)
            : *s == '-' ? v.view.zoomOut(centre)
            : *s == 'Z' ? v.view.setZoomBy(c.p, c.delta)
                        : v.view.zoom100();
        }
        EXPECT_EQ(std::tuple(v.view.zoom(), v.view.scrollX(), v.view.scrollY()),
                  std::tuple(c.zoom, c.scrollX, c.scrollY))
            << c.w << "x" << c.h << c.commands;
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

TEST(ViewState, OnlyTheShownPictureTakesTouches) {
    struct Case {
        std::int32_t w, h, x, y;
        bool on;
        Point clamped;
    };
    const Case cases[] = {
        {100, 100, 31, 52, true, {31, 52}},      {100, 100, 30, 52, false, {30, 52}},
        {100, 100, 31, 51, false, {31, 51}},     {100, 100, 129, 150, true, {129, 150}},
        {100, 100, 130, 100, false, {130, 100}}, {100, 100, 100, 151, false, {100, 151}},
        {100, 100, 0, 0, false, {30, 51}},       {100, 100, 500, 500, false, {130, 151}},
        {640, 480, 229, 309, true, {229, 309}},  {640, 480, 230, 100, false, {230, 100}},
        {640, 480, 100, 310, false, {100, 310}}, {640, 480, 900, 900, false, {230, 310}},
    };
    for (const Case& c : cases) {
        View v(c.w, c.h);
        EXPECT_EQ(std::pair(v.view.isOnPicture(c.x, c.y), v.view.clampToView(c.x, c.y)),
                  std::pair(c.on, c.clamped))
            << c.x << "," << c.y;
    }
}

TEST(ViewState, RefreshHidesTheBarsThatAreNotNeeded) {
    struct Case {
        std::int32_t d, w, h, visibleW, visibleH;
        double fractionH, fractionV;
    };
    const Case cases[] = {
        {0, 100, 100, 210, 269, 2.0, 2.69},
        {0, 640, 100, 210, 259, 210.0 / 640, 2.59}, // the horizontal bar runs on
        {0, 100, 640, 200, 269, 2.0, 269.0 / 640},  // the vertical bar runs on
        {0, 205, 300, 200, 259, 200.0 / 205, 259.0 / 300},
        {0, 210, 100, 210, 269, 1.0, 2.59},
        {0, 200, 270, 200, 269, 1.0, 269.0 / 270},
        {0, 640, 480, 200, 259, 200.0 / 640, 259.0 / 480},
        {80, 100, 185, 210, 189, 2.0, 189.0 / 185},
        {80, 100, 190, 200, 189, 2.0, 189.0 / 190},
    };
    for (const Case& c : cases) {
        View v(c.w, c.h, c.d);
        v.view.setScroll(1000, 1000);
        v.view.refresh();
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
        EXPECT_EQ(std::tuple(v.view.visibleWidth(), v.view.visibleHeight(), v.view.scrollX(),
                             v.view.scrollY(), v.view.showsBarTracks(), v.view.horizontalFraction(),
                             v.view.verticalFraction()),
                  std::tuple(c.visibleW, c.visibleH, c.fractionH >= 1 ? 0 : c.w - c.visibleW,
                             c.fractionV >= 1 ? 0 : c.h - c.visibleH,
                             c.fractionH < 1 || c.fractionV < 1, c.fractionH, c.fractionV));
    }
}

TEST(ViewState, ScrollStepsStayInsideThePicture) {
    // r, l, d and u scroll by a step; e edge-scrolls for the stylus at the given point. The
    // edges are those of the full view, even where a hidden bar widened it (wide, last).
    struct Case {
        Point size, start;
        char step;
        Point stylus, end;
    };
    const Point big(640, 480), small(100, 100), wide(640, 100), tall(100, 640);
    const Case cases[] = {
        {big, {0, 0}, 'r', {}, {10, 0}},
        {big, {435, 7}, 'r', {}, {440, 7}},
        {big, {5, 0}, 'l', {}, {0, 0}},
        {big, {20, 20}, 'l', {}, {10, 20}},
        {big, {0, 215}, 'd', {}, {0, 221}},
        {big, {0, 3}, 'u', {}, {0, 0}},
        {small, {0, 0}, 'r', {}, {0, 0}},
        {small, {0, 0}, 'd', {}, {0, 0}},
        {tall, {0, 365}, 'd', {}, {0, 371}},
        {wide, {425, 0}, 'r', {}, {430, 0}},
        {big, {100, 100}, 'e', {231, 100}, {110, 100}},
        {big, {100, 100}, 'e', {230, 310}, {100, 100}},
        {big, {100, 100}, 'e', {29, 311}, {90, 110}},
        {big, {100, 100}, 'e', {100, 50}, {100, 90}},
        {wide, {100, 0}, 'e', {235, 100}, {110, 0}},
    };
    for (const Case& c : cases) {
        View v(c.size.x, c.size.y);
        v.view.setScroll(c.start.x, c.start.y);
        c.step == 'r'   ? v.view.scrollRight()
        : c.step == 'l' ? v.view.scrollLeft()
        : c.step == 'd' ? v.view.scrollDown()
        : c.step == 'u' ? v.view.scrollUp()
                        : v.view.edgeScroll(c.stylus.x, c.stylus.y);
        EXPECT_EQ(Point(v.view.scrollX(), v.view.scrollY()), c.end)
            << c.start.x << "," << c.start.y << " " << c.step << " " << c.stylus.x << ","
            << c.stylus.y;
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
    struct Case {
        std::int32_t w, h, delta;
        Point scroll;
        Rect source, shown;
    };
    const Case cases[] = {
        {640, 480, 0, {40, 30}, {40, 30, 240, 289}, {30, 51, 230, 310}},
        {100, 100, 0, {0, 0}, {0, 0, 100, 100}, {30, 51, 130, 151}},
        {640, 480, -50, {10, 0}, {20, 0, 440, 480}, {30, 51, 240, 291}},
        // 100.0 / 150 makes the right edge 302.67: truncated once, from the sum, not as 168
        // plus 133.
        {640, 480, 50, {253, 101}, {168, 67, 302, 240}, {30, 51, 230, 310}},
        {0, 0, 0, {0, 0}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " zoom " << c.delta);
        View v(c.w, c.h);
        v.view.setZoomBy(Point(0, 0), c.delta);
        v.view.setScroll(c.scroll.x, c.scroll.y);
        Surface screen, expected, part;
        ASSERT_EQ(screen.Create(0, 240, 320), kOk);
        std::fill_n(screen.GetPixels(), screen.GetSize() / 2, 0x0841);
        ASSERT_EQ(CopySurface(screen, expected), kOk);
        Layer layer;
        v.view.drawPicture(screen, &layer);
        if (c.w == 0) {
            EXPECT_TRUE(layer.calls.empty());
        } else {
            ASSERT_EQ(layer.calls, std::vector<Rect>{c.source});
            ASSERT_EQ(
                part.Create(0, c.source.right - c.source.left, c.source.bottom - c.source.top),
                kOk);
            Blit(part, 0, 0, v.picture, &c.source);
            At(part, 0, 0) = 0xFFFF;
            ASSERT_EQ(reference::TransformBlit(expected, &c.shown, part, nullptr, 0, nullptr), kOk);
        }
        EXPECT_TRUE(test::SameStorage(screen, expected));
    }
}

// An empty picture ignores the zoom commands.
TEST(ViewState, EmptyPictureKeepsItsZoom) {
    View v(0, 0);
    v.view.zoomIn(Point(0, 0));
    v.view.zoomToScreen();
    v.view.zoom100();
    v.view.refresh();
    EXPECT_EQ(v.view.zoom(), 100);
    EXPECT_EQ(v.view.visibleWidth(), 200);
}

TEST(ViewState, ThumbFollowsTheOffset) {
    // The horizontal bar's thumb when the view shows half of the picture.
    const ViewState::Thumb half{80, 91, 171};
    struct Case {
        std::int32_t scroll, zoomed, visible;
        float placement;
        std::int32_t centre;
    };
    const Case cases[] = {{0, 640, 200, 0.0f, 91},
                          {440, 640, 200, 1.0f, 171},
                          {220, 640, 200, 0.5f, 131},
                          {0, 200, 200, 0.0f, 91},
                          {5, 100, 210, 0.0f, 91}};
    for (const Case& c : cases) {
        const float f = ViewState::thumbPlacement(c.scroll, c.zoomed, c.visible);
        EXPECT_EQ(std::pair(f, ViewState::thumbCentre(half, f)), std::pair(c.placement, c.centre))
            << c.scroll << "/" << c.zoomed;
    }
}

} // namespace
} // namespace brelvo
