#include "tests/ui/WidgetTestImages.h"
#include "ui/MenuBar.h"

#include <gtest/gtest.h>

#include <vector>

namespace brelvo {
namespace {

using test::IsColor;
using test::Solid;

constexpr Color kWhite = 0xFFFFFF;
constexpr Color kBlack = 0x000000;
constexpr Color kGrey = 0xC8C5C5;
constexpr Color kGround = 0x404040;

// A menu of height 70 (so speed 25 rolls it out on the third frame) at (10, 30), with three
// items; the second overlaps the first. Each item has a black "letter" at its (4, 4).
constexpr Rect kMenuRect(10, 30, 80, 100);
constexpr Rect kItems[] = {Rect(12, 35, 70, 50), Rect(12, 45, 70, 60), Rect(12, 70, 70, 85)};

struct Fixture {
    Menu menu{25, kMenuRect};
    std::vector<int> calls;

    Fixture() {
        Solid(menu.PanelImage(), 71, 71, kWhite);
        for (int i = 0; i < 3; ++i) {
            menu.AddItem(kItems[i], [this, i] { calls.push_back(i); });
            const Rect r = kItems[i].TranslatedBack(kMenuRect.left, kMenuRect.top);
            menu.PanelImage().SetPixel(r.left + 4, r.top + 4, kBlack);
        }
    }
    void OpenFully() {
        menu.Open();
        Surface target;
        Solid(target, 240, 320, kGround);
        while (!menu.IsFullyOut())
            menu.Draw(target);
    }
};

Surface Frame(Menu& menu) {
    Surface target;
    Solid(target, 240, 320, kGround);
    menu.Draw(target);
    return target;
}

// Each panel row has its own colour, so the target shows which rows of the panel are drawn: the
// menu slides out of its header, the panel's bottom edge first, and is out on the third frame.
TEST(MenuTest, RollsOutBottomEdgeFirstAndIsOutOnTheThirdFrame) {
    Fixture f;
    Surface& panel = f.menu.PanelImage();
    for (int y = 0; y < panel.GetHeight(); ++y)
        for (int x = 0; x < panel.GetWidth(); ++x)
            panel.SetPixel(x, y, static_cast<Color>(y * 3) << 8);
    f.menu.Open();
    for (const int rows : {26, 51, 71}) {
        const Surface target = Frame(f.menu);
        EXPECT_TRUE(IsColor(target, 20, kMenuRect.top, static_cast<Color>((71 - rows) * 3) << 8));
        EXPECT_TRUE(IsColor(target, 20, kMenuRect.top + rows - 1, 70 * 3 << 8)) << rows;
        EXPECT_TRUE(IsColor(target, 20, kMenuRect.top + rows, kGround)) << rows;
        EXPECT_EQ(f.menu.IsFullyOut(), rows == 71);
    }
}

TEST(MenuTest, ATapChoosesOnlyOnceFullyOutAndTheFirstEnabledItemWins) {
    struct Case {
        std::int32_t x, y;
        bool disableFirst;
        int chosen; // -1 for none
    };
    const Case cases[] = {
        {20, 38, false, 0},  {20, 47, false, 0}, // the overlap belongs to the item added first
        {20, 47, true, 1},   {20, 55, false, 1},  {70, 85, false, 2}, // edges are inside
        {20, 63, false, -1}, {71, 80, false, -1}, {20, 38, true, -1},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.menu.SetItemEnabled(0, !c.disableFirst);
        f.menu.Open();
        Frame(f.menu);
        EXPECT_FALSE(f.menu.StylusDown(c.x, c.y)) << "still rolling out";
        f.OpenFully();
        EXPECT_EQ(f.menu.StylusDown(c.x, c.y), c.chosen >= 0) << c.x << "," << c.y;
        EXPECT_EQ(f.calls, c.chosen >= 0 ? std::vector<int>{c.chosen} : std::vector<int>{});
        EXPECT_EQ(f.menu.IsOpen(), c.chosen < 0);
        EXPECT_EQ(f.menu.Chosen(), c.chosen);
    }
}

// A choice marks its item for ten frames over the whole panel: outlined, filled and its letter
// put back on top, or only framed in the frame style. An item that disabled itself (Undo all
// does) is marked with its letter black, not grey.
TEST(MenuTest, AChoiceIsMarkedForTenFrames) {
    struct Case {
        std::int32_t style;
        bool disabled;
        Color edge, fill;
    };
    for (const Case& c : {Case{Menu::kHighlight, false, 0xFF4D00, 0xFEB783},
                          Case{Menu::kHighlight, true, 0xFF4D00, 0xFEB783},
                          Case{Menu::kFrame, false, 0x585858, kWhite}}) {
        Fixture f;
        f.menu.SetFeedbackStyle(c.style);
        f.OpenFully();
        ASSERT_TRUE(f.menu.StylusDown(20, 38));
        if (c.disabled)
            f.menu.SetItemEnabled(0, false);
        for (int frame = 1; frame <= 11; ++frame) {
            SCOPED_TRACE(frame);
            const Surface target = Frame(f.menu);
            const bool marked = frame <= 10;
            EXPECT_EQ(IsColor(target, 12, 35, c.edge), marked);
            EXPECT_EQ(IsColor(target, 20, 40, c.fill), marked);
            EXPECT_EQ(IsColor(target, 12 + 4, 35 + 4, kBlack), marked) << "the letter";
            EXPECT_EQ(IsColor(target, 20, 65, kWhite), marked) << "the whole panel";
        }
    }
}

TEST(MenuTest, DisablingGreysAnItemsBlackPixelsInThePanelAndEnablingRestoresThem) {
    Fixture f;
    Surface& panel = f.menu.PanelImage();
    const Rect first = kItems[0].TranslatedBack(kMenuRect.left, kMenuRect.top);
    const Rect third = kItems[2].TranslatedBack(kMenuRect.left, kMenuRect.top);
    panel.SetPixel(third.right + 1, third.top + 4, kBlack); // beside the item
    f.menu.SetItemEnabled(2, false);
    EXPECT_TRUE(IsColor(panel, third.left + 4, third.top + 4, kGrey));
    EXPECT_TRUE(IsColor(panel, third.right + 1, third.top + 4, kBlack));
    EXPECT_TRUE(IsColor(panel, third.left + 10, third.top + 4, kWhite));
    EXPECT_TRUE(IsColor(panel, first.left + 4, first.top + 4, kBlack)) << "other items untouched";
    EXPECT_EQ(panel.GetColorKey(), kPixelMagenta);
    f.menu.SetItemEnabled(2, true);
    EXPECT_TRUE(IsColor(panel, third.left + 4, third.top + 4, kBlack));
    f.menu.SetItemEnabled(7, false); // beyond the items: ignored
    EXPECT_TRUE(f.menu.IsItemEnabled(2));

    // A highlighted disabled item is outlined but not filled.
    f.menu.SetItemEnabled(0, false);
    f.menu.SetHighlighted(0);
    f.OpenFully();
    const Surface target = Frame(f.menu);
    EXPECT_TRUE(IsColor(target, 12, 35, 0xFF4D00));
    EXPECT_TRUE(IsColor(target, 20, 40, kWhite));
}

TEST(MenuTest, UpAndDownMoveTheHighlightAndWrap) {
    const KeyMap keys{.up = 0x26, .down = 0x28};
    struct Case {
        int from;
        std::uint16_t key;
        int to;
    };
    const Case cases[] = {{-1, 0x26, 2}, {0, 0x26, 2}, {2, 0x26, 1}, {-1, 0x28, 0},
                          {1, 0x28, 2},  {2, 0x28, 0}, {1, 0x41, 1}};
    for (const Case& c : cases) {
        Fixture f;
        f.menu.SetHighlighted(c.from);
        f.menu.Key(c.key, keys);
        EXPECT_EQ(f.menu.Highlighted(), c.from) << "a closed menu ignores keys";
        f.OpenFully();
        f.menu.Key(c.key, keys);
        EXPECT_EQ(f.menu.Highlighted(), c.to) << c.from << " key " << c.key;
        EXPECT_TRUE(f.calls.empty()) << "no key chooses";
    }
}

struct BarFixture {
    MenuBar bar;
    int buttonCalls = 0;
    int itemCalls = 0;

    BarFixture() {
        bar.SetButton(Rect(200, 1, 220, 20), [this] { ++buttonCalls; });
        for (int m = 0; m < 2; ++m) {
            Menu& menu = bar.SetUp(Rect(10 + 50 * m, 1, 50 + 50 * m, 20), 25,
                                   Rect(10 + 50 * m, 22, 80 + 50 * m, 92));
            Solid(menu.PanelImage(), 71, 71, kWhite);
            menu.AddItem(Rect(12 + 50 * m, 30, 70 + 50 * m, 45), [this] { ++itemCalls; });
        }
    }
    void Frames(int count) {
        Surface target;
        Solid(target, 240, 320, kGround);
        for (int i = 0; i < count; ++i)
            bar.Draw(target);
    }
};

TEST(MenuBarTest, HeadersOpenAndCloseTheirMenusAndTheirEdgesAreOutside) {
    BarFixture f;
    EXPECT_FALSE(f.bar.StylusDown(10, 10)) << "left edge of the first header";
    EXPECT_FALSE(f.bar.StylusDown(30, 1)) << "top edge";
    EXPECT_TRUE(f.bar.StylusDown(11, 10));
    EXPECT_TRUE(f.bar.GetMenu(0).IsOpen());
    EXPECT_TRUE(f.bar.StylusDown(70, 10)) << "the other header";
    EXPECT_FALSE(f.bar.GetMenu(0).IsOpen());
    EXPECT_TRUE(f.bar.GetMenu(1).IsOpen());
    EXPECT_TRUE(f.bar.StylusDown(70, 10)) << "its own header again";
    EXPECT_FALSE(f.bar.GetMenu(1).IsOpen());
}

TEST(MenuBarTest, TapsOnAnOpenMenu) {
    struct Case {
        int frames; // drawn after opening the first menu
        std::int32_t x, y;
        bool taken;
        int itemCalls;
        bool stillOpen;
    };
    const Case cases[] = {
        {1, 20, 35, true, 0, true},     // on an item while rolling out: swallowed
        {3, 20, 35, true, 1, false},    // fully out: chosen
        {3, 20, 60, true, 0, true},     // between items: swallowed, the menu stays
        {3, 150, 200, false, 0, false}, // elsewhere: every menu closes, the screen has it
        {0, 20, 35, false, 0, false},   // not drawn yet, so not rolled out at all
    };
    for (const Case& c : cases) {
        BarFixture f;
        f.bar.StylusDown(20, 10);
        f.Frames(c.frames);
        EXPECT_EQ(f.bar.StylusDown(c.x, c.y), c.taken) << c.frames << " " << c.x << "," << c.y;
        EXPECT_EQ(f.itemCalls, c.itemCalls);
        EXPECT_EQ(f.bar.GetMenu(0).IsOpen(), c.stillOpen);
        // While a choice is shown every tap is swallowed, the other header's too.
        EXPECT_TRUE(f.bar.StylusDown(70, 10));
        EXPECT_EQ(f.bar.GetMenu(1).IsOpen(), c.itemCalls == 0);
    }
}

TEST(MenuBarTest, TheButtonsCommandRunsWhenItsTenFramesOfFeedbackEnd) {
    BarFixture f;
    f.bar.StylusDown(20, 10);
    EXPECT_TRUE(f.bar.StylusDown(210, 10));
    EXPECT_FALSE(f.bar.GetMenu(0).IsOpen()) << "the button closes the menus";
    f.Frames(9);
    EXPECT_EQ(f.buttonCalls, 0);
    f.Frames(1);
    EXPECT_EQ(f.buttonCalls, 1);
    f.Frames(20);
    EXPECT_EQ(f.buttonCalls, 1);
    EXPECT_FALSE(f.bar.StylusDown(200, 10)) << "its edge is outside";
}

} // namespace
} // namespace brelvo
