#include "ui/Button.h"
#include "tests/ui/WidgetTestImages.h"

#include <gtest/gtest.h>

#include <string>

namespace brelvo {
namespace {

using test::IsColor;
using test::Solid;

constexpr Color kNormal = 0x00FF00;
constexpr Color kPressed = 0x0000FF;
constexpr Color kGround = 0x808080;

Button MakeButton() {
    Button b;
    b.Set(Point(4, 6), Rect(4, 6, 13, 15));
    Solid(b.NormalImage(), 10, 10, kNormal);
    Solid(b.PressedImage(), 10, 10, kPressed);
    return b;
}

// What one Draw leaves at the button's position: 'n', 'p' or '-' for nothing.
char DrawOnce(Button& b) {
    Surface target;
    Solid(target, 20, 20, kGround);
    b.Draw(target);
    return IsColor(target, 5, 7, kNormal) ? 'n' : IsColor(target, 5, 7, kPressed) ? 'p' : '-';
}

std::string DrawFrames(Button& b, int frames) {
    std::string shown;
    for (int i = 0; i < frames; ++i)
        shown += DrawOnce(b);
    return shown;
}

// A flash shows the pressed image for exactly ten frames, also on a hidden button, which
// disappears again; a held button stays pressed until it is released.
TEST(ButtonTest, AFlashShowsThePressedImageForTenFramesAndAHoldUntilReleased) {
    struct Case {
        bool visible, flash;
        const char* shown;
    };
    for (const Case& c : {Case{true, true, "ppppppppppnn"}, Case{false, true, "pppppppppp--"},
                          Case{true, false, "pppppppppppp"}}) {
        Button b = MakeButton();
        b.SetVisible(c.visible);
        c.flash ? b.Flash() : b.Press();
        EXPECT_EQ(DrawFrames(b, 12), c.shown) << "visible " << c.visible;
        EXPECT_EQ(b.IsPressed(), !c.flash);
        b.Release();
        EXPECT_EQ(DrawOnce(b), c.visible ? 'n' : '-');
    }
}

TEST(ButtonTest, HitsInsideItsRectangleEdgesIncludedWhenVisibleAndEnabled) {
    struct Case {
        std::int32_t x, y;
        bool visible, enabled, hit;
    };
    const Case cases[] = {
        {4, 6, true, true, true},    {13, 15, true, true, true},  {14, 15, true, true, false},
        {8, 10, false, true, false}, {8, 10, true, false, false},
    };
    for (const Case& c : cases) {
        Button b = MakeButton();
        b.SetVisible(c.visible);
        b.SetEnabled(c.enabled);
        EXPECT_EQ(b.HitTest(c.x, c.y), c.hit) << c.x << "," << c.y;
    }
}

} // namespace
} // namespace brelvo
