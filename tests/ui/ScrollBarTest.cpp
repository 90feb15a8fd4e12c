#include "tests/ui/WidgetTestImages.h"
#include "ui/ListScrollBar.h"

#include <gtest/gtest.h>

#include <vector>

namespace brelvo {
namespace {

using test::IsColor;
using test::Solid;

constexpr Color kGround = 0x404040;
constexpr Color kThumb = 0x00FF00;

// A list bar along x = 110 from y 50 to 250, with arrows above and below the track.
void SetUpBar(ListScrollBar& bar, std::int32_t content, std::int32_t visible) {
    Solid(bar.TrackImage(), 10, 300, 0x808080);
    Solid(bar.ThumbImage(), 8, 300, kThumb);
    bar.SetTrack(110, 50, 250);
    bar.UpArrow().Set(Point(105, 30), Rect(105, 30, 115, 49));
    bar.DownArrow().Set(Point(105, 251), Rect(105, 251, 115, 270));
    bar.SetContent(content, visible);
}

std::vector<std::int32_t> OffsetsWhileHeld(ListScrollBar& bar, bool down, int frames) {
    Surface target;
    Solid(target, 240, 320, kGround);
    bar.StylusDown(110, down ? 260 : 40);
    std::vector<std::int32_t> offsets;
    for (int i = 0; i < frames; ++i) {
        bar.Draw(target);
        offsets.push_back(bar.Offset());
    }
    bar.StylusUp();
    return offsets;
}

TEST(ScrollBarTest, AHeldArrowStepsTwentyPixelsAFrameUpToTheEnd) {
    ListScrollBar bar;
    SetUpBar(bar, 900, 200);
    std::vector<std::int32_t> down, up;
    for (int i = 1; i <= 40; ++i) {
        down.push_back(std::min(20 * i, 700));
        up.push_back(std::max(700 - 20 * i, 0));
    }
    EXPECT_EQ(OffsetsWhileHeld(bar, true, 40), down);
    EXPECT_EQ(OffsetsWhileHeld(bar, false, 40), up) << "released, the bar stayed at the end";
}

// The thumb's length is the visible share of the track and its centre the offset's place along
// it; all of the content visible, the bar is hidden: it draws nothing and takes no stylus.
TEST(ScrollBarTest, TheThumbShowsTheVisibleShareAndItsPlace) {
    struct Case {
        std::int32_t content, visible, offset;
        bool shown;
        std::int32_t length, centre;
    };
    const Case cases[] = {
        {800, 200, 0, true, 50, 75},    // a quarter of the 200-pixel track, at its top
        {800, 200, 600, true, 50, 225}, // at its bottom
        {800, 200, 300, true, 50, 150},
        {100000, 200, 0, true, 10, 55}, // never shorter than 10 pixels
        {200, 200, 0, false, 200, 150}, // all of it visible: hidden
        {100, 200, 0, false, 200, 150},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        ListScrollBar bar;
        SetUpBar(bar, c.content, c.visible);
        bar.SetOffset(c.offset);
        bar.Sync();
        EXPECT_EQ(bar.IsVisible(), c.shown);
        EXPECT_EQ(bar.ThumbLength(), c.length);
        EXPECT_EQ(static_cast<std::int32_t>(bar.ThumbCentre()), c.centre);
        Surface target;
        Solid(target, 240, 320, kGround);
        bar.Draw(target);
        EXPECT_EQ(IsColor(target, 110, c.centre, kThumb), c.shown);
        // The outline's top left corner: the thumb is centred across and along.
        EXPECT_EQ(IsColor(target, 106, c.centre - c.length / 2, 0x6C6C6C), c.shown);
        EXPECT_EQ(bar.StylusDown(110, c.centre), c.shown);
    }
}

TEST(ScrollBarTest, ADraggedThumbScrollsInStepsUntilItCatchesUpWithTheStylus) {
    ListScrollBar bar;
    SetUpBar(bar, 800, 200); // thumb 50 long, centre 75 .. 225, 30 steps of 20
    // Grabbed 10 pixels below its centre, and up to its width beside the centre line.
    EXPECT_FALSE(bar.StylusDown(110, 101)) << "beyond the half-length";
    EXPECT_FALSE(bar.StylusDown(118, 85)) << "a thumb's width beside the line";
    ASSERT_TRUE(bar.StylusDown(103, 85));
    EXPECT_TRUE(bar.StylusMove(103, 135));
    // The thumb centre plus the grab offset has reached the stylus, one step of 5 pixels at a time.
    EXPECT_EQ(bar.Offset(), 200);
    EXPECT_EQ(bar.ThumbCentre(), 125.0);
    bar.StylusMove(103, 1000);
    EXPECT_EQ(bar.Offset(), 600) << "held at the end";
    bar.StylusMove(103, 96);
    EXPECT_EQ(bar.Offset(), 40);
    bar.StylusUp();
    EXPECT_FALSE(bar.StylusMove(103, 300));
    EXPECT_EQ(bar.Offset(), 40);
}

// A bar whose steps move nothing must not hang the drag.
TEST(ScrollBarTest, ADragOverContentThatDoesNotMoveEnds) {
    ScrollBar bar;
    Solid(bar.ThumbImage(), 8, 300, kThumb);
    bar.SetTrack(110, 50, 250);
    bar.SetRatio(0.25);
    bar.SetThumbCentre(75);
    ASSERT_TRUE(bar.StylusDown(110, 75));
    bar.StylusMove(110, 200);
    EXPECT_EQ(bar.ThumbCentre(), 75.0);
}

} // namespace
} // namespace brelvo
