#include "tests/gfx/TestSupport.h"
#include "ui/Button.h"
#include "ui/ListScrollBar.h"
#include "ui/MenuBar.h"
#include "ui/StateMachine.h"
#include "ui/TextField.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace brelvo {
namespace {

constexpr Color kWhite = 0xFFFFFF, kBlack = 0x000000, kGround = 0x404040;
constexpr Color kNormal = 0x00FF00, kPressed = 0x0000FF;

Surface Solid(std::int32_t width, std::int32_t height, Color c) {
    return test::Solid(width, height, ColorToPixel(c));
}
bool IsColor(const Surface& s, std::int32_t x, std::int32_t y, Color c) {
    return s.GetPixelRaw(x, y) == ColorToPixel(c);
}

Button MakeButton() {
    Button b;
    b.Set(Point(4, 6), Rect(4, 6, 13, 15));
    b.NormalImage() = Solid(10, 10, kNormal);
    b.PressedImage() = Solid(10, 10, kPressed);
    return b;
}

// What each frame leaves at the button's position: 'n', 'p' or '-' for nothing.
std::string DrawFrames(Button& b, int frames) {
    std::string shown;
    for (int i = 0; i < frames; ++i) {
        Surface target = Solid(20, 20, kGround);
        b.Draw(target);
        shown += IsColor(target, 5, 7, kNormal) ? 'n' : IsColor(target, 5, 7, kPressed) ? 'p' : '-';
    }
    return shown;
}

// Also on a hidden button, which disappears again.
TEST(ButtonTest, AFlashShowsThePressedImageForTenFramesAndAHoldUntilReleased) {
    const std::tuple<bool, bool, std::string> cases[] = {
        {true, true, "ppppppppppnn"}, {false, true, "pppppppppp--"}, {true, false, "pppppppppppp"}};
    for (const auto& [visible, flash, shown] : cases) {
        Button b = MakeButton();
        b.SetVisible(visible);
        flash ? b.Flash() : b.Press();
        EXPECT_EQ(DrawFrames(b, 12), shown) << "visible " << visible;
        b.Release();
        EXPECT_EQ(DrawFrames(b, 1), visible ? "n" : "-");
    }
}

TEST(ButtonTest, HitsInsideItsRectangleOnlyWhenVisibleAndEnabled) {
    Button b = MakeButton(); // the rectangle's edges are GeometryTest's
    EXPECT_EQ(std::pair(b.HitTest(8, 10), b.HitTest(14, 15)), std::pair(true, false));
    b.SetVisible(false);
    EXPECT_FALSE(b.HitTest(8, 10));
    b.SetVisible(true);
    b.SetEnabled(false);
    EXPECT_FALSE(b.HitTest(8, 10));
}

// A list bar along x = 110 from y 50 to 250, with arrows above and below the track.
void SetUpBar(ListScrollBar& bar, std::int32_t content) {
    bar.TrackImage() = Solid(10, 300, 0x808080);
    bar.ThumbImage() = Solid(8, 300, kNormal);
    bar.SetTrack(110, 50, 250);
    bar.UpArrow().Set(Point(105, 30), Rect(105, 30, 115, 49));
    bar.DownArrow().Set(Point(105, 251), Rect(105, 251, 115, 270));
    bar.SetContent(content, 200);
}

std::int32_t Hold(ListScrollBar& bar, bool down, int frames) {
    Surface target = Solid(240, 320, kGround);
    bar.StylusDown(110, down ? 260 : 40);
    for (int i = 0; i < frames; ++i)
        bar.Draw(target);
    bar.StylusUp();
    return bar.Offset();
}

TEST(ScrollBarTest, AHeldArrowStepsTwentyPixelsAFrameUpToTheEnd) {
    ListScrollBar bar;
    SetUpBar(bar, 900);
    EXPECT_EQ(Hold(bar, true, 1), 20);
    EXPECT_EQ(Hold(bar, true, 40), 700);
    EXPECT_EQ(Hold(bar, false, 1), 680) << "released, the bar stayed at the end";
    EXPECT_EQ(Hold(bar, false, 40), 0);
}

// The thumb's length is the visible share of the track and its centre the offset's place along
// it; all of the content visible, the bar is hidden: it draws nothing and takes no stylus.
TEST(ScrollBarTest, TheThumbShowsTheVisibleShareAndItsPlace) {
    // Content (200 pixels visible), offset, shown, and the thumb's length and centre.
    const std::tuple<std::int32_t, std::int32_t, bool, std::int32_t, std::int32_t> cases[] = {
        {800, 0, true, 50, 75},    // a quarter of the 200-pixel track, at its top
        {800, 600, true, 50, 225}, // at its bottom
        {800, 300, true, 50, 150}, {100000, 0, true, 10, 55}, // never shorter than 10 pixels
        {200, 0, false, 200, 150},                            // all of it visible: hidden
        {100, 0, false, 200, 150},
    };
    for (const auto& [content, offset, shown, length, centre] : cases) {
        SCOPED_TRACE(content);
        ListScrollBar bar;
        SetUpBar(bar, content);
        bar.SetOffset(offset);
        bar.Sync();
        EXPECT_EQ(std::tuple(bar.IsVisible(), bar.ThumbLength(), std::int32_t(bar.ThumbCentre())),
                  std::tuple(shown, length, centre));
        Surface target = Solid(240, 320, kGround);
        bar.Draw(target);
        EXPECT_EQ(IsColor(target, 110, centre, kNormal), shown);
        // The outline's top left corner: the thumb is centred across and along.
        EXPECT_EQ(IsColor(target, 106, centre - length / 2, 0x6C6C6C), shown);
        EXPECT_EQ(bar.StylusDown(110, centre), shown);
    }
}

TEST(ScrollBarTest, ADraggedThumbScrollsInStepsUntilItCatchesUpWithTheStylus) {
    ListScrollBar bar;
    SetUpBar(bar, 800); // thumb 50 long, centre 75 .. 225, 30 steps of 20
    // Grabbed 10 pixels below its centre, and up to its width beside the centre line.
    EXPECT_FALSE(bar.StylusDown(110, 101)) << "beyond the half-length";
    EXPECT_FALSE(bar.StylusDown(118, 85)) << "a thumb's width beside the line";
    ASSERT_TRUE(bar.StylusDown(103, 85));
    // The thumb centre plus the grab offset reaches the stylus, one step of 5 pixels at a time;
    // the content's end holds it.
    for (const auto& [to, offset] :
         {std::pair(135, 200), std::pair(1000, 600), std::pair(96, 40)}) {
        EXPECT_TRUE(bar.StylusMove(103, to));
        EXPECT_EQ(bar.Offset(), offset) << to;
    }
}

TEST(ScrollBarTest, ADragOverContentThatDoesNotMoveEnds) {
    ScrollBar bar;
    bar.ThumbImage() = Solid(8, 300, kNormal);
    bar.SetTrack(110, 50, 250);
    bar.SetRatio(0.25);
    bar.SetThumbCentre(75);
    ASSERT_TRUE(bar.StylusDown(110, 75));
    bar.StylusMove(110, 200);
    EXPECT_EQ(bar.ThumbCentre(), 75.0);
}

// A menu of height 70 (so speed 25 rolls it out on the third frame) at (10, 30), with three
// items; the second overlaps the first. Each item has a black "letter" at its (4, 4).
constexpr Rect kMenuRect(10, 30, 80, 100);
constexpr Rect kItems[] = {Rect(12, 35, 70, 50), Rect(12, 45, 70, 60), Rect(12, 70, 70, 85)};

Surface Frame(Menu& menu) {
    Surface target = Solid(240, 320, kGround);
    menu.Draw(target);
    return target;
}

struct MenuFixture {
    Menu menu{25, kMenuRect};
    std::vector<int> calls;

    MenuFixture() {
        menu.PanelImage() = Solid(71, 71, kWhite);
        for (int i = 0; i < 3; ++i) {
            menu.AddItem(kItems[i], [this, i] { calls.push_back(i); });
            const Rect r = kItems[i].TranslatedBack(kMenuRect.left, kMenuRect.top);
            menu.PanelImage().SetPixel(r.left + 4, r.top + 4, kBlack);
        }
    }
    void OpenFully() {
        menu.Open();
        while (!menu.IsFullyOut())
            Frame(menu);
    }
};

// Each panel row has its own colour, so the target shows which rows of the panel are drawn: the
// menu slides out of its header, the panel's bottom edge first, and is out on the third frame.
TEST(MenuTest, RollsOutBottomEdgeFirstAndIsOutOnTheThirdFrame) {
    MenuFixture f;
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
    // The tap, whether the first item is disabled, and the item chosen (-1 for none).
    const std::tuple<std::int32_t, std::int32_t, bool, int> cases[] = {
        {20, 38, false, 0},  {20, 47, false, 0}, // the overlap belongs to the item added first
        {20, 47, true, 1},   {20, 55, false, 1},  {70, 85, false, 2}, // edges are inside
        {20, 63, false, -1}, {71, 80, false, -1}, {20, 38, true, -1},
    };
    for (const auto& [x, y, disableFirst, chosen] : cases) {
        MenuFixture f;
        f.menu.SetItemEnabled(0, !disableFirst);
        f.OpenFully();
        EXPECT_EQ(f.menu.StylusDown(x, y), chosen >= 0) << x << "," << y;
        EXPECT_EQ(f.calls, chosen >= 0 ? std::vector<int>{chosen} : std::vector<int>{});
        EXPECT_EQ(std::tuple(f.menu.IsOpen(), f.menu.Chosen()), std::tuple(chosen < 0, chosen));
    }
}

// A choice marks its item for ten frames over the whole panel: outlined, filled and its letter
// put back on top, or only framed in the frame style. An item that disabled itself (Undo all
// does) is marked with its letter black, not grey.
TEST(MenuTest, AChoiceIsMarkedForTenFrames) {
    const std::tuple<std::int32_t, bool, Color, Color> cases[] = {
        {Menu::kHighlight, false, 0xFF4D00, 0xFEB783},
        {Menu::kHighlight, true, 0xFF4D00, 0xFEB783},
        {Menu::kFrame, false, 0x585858, kWhite}};
    for (const auto& [style, disabled, edge, fill] : cases) {
        MenuFixture f;
        f.menu.SetFeedbackStyle(style);
        f.OpenFully();
        ASSERT_TRUE(f.menu.StylusDown(20, 38));
        if (disabled)
            f.menu.SetItemEnabled(0, false);
        for (int frame = 1; frame <= 11; ++frame) {
            SCOPED_TRACE(frame);
            const Surface target = Frame(f.menu);
            const bool marked = frame <= 10;
            EXPECT_EQ(IsColor(target, 12, 35, edge), marked);
            EXPECT_EQ(IsColor(target, 20, 40, fill), marked);
            EXPECT_EQ(IsColor(target, 12 + 4, 35 + 4, kBlack), marked) << "the letter";
            EXPECT_EQ(IsColor(target, 20, 65, kWhite), marked) << "the whole panel";
        }
    }
}

// The greying of disabled items in the real panels shows in the docs' Edit menu; a highlighted
// disabled item, which no picture there shows, is outlined but not filled.
TEST(MenuTest, AHighlightedDisabledItemIsOutlinedButNotFilled) {
    MenuFixture f;
    f.menu.SetItemEnabled(3, false); // the first index beyond the items: ignored
    f.menu.SetItemEnabled(0, false);
    f.menu.SetHighlighted(0);
    f.OpenFully();
    const Surface target = Frame(f.menu);
    EXPECT_TRUE(IsColor(target, 12, 35, 0xFF4D00));
    EXPECT_TRUE(IsColor(target, 20, 40, kWhite));
    EXPECT_TRUE(IsColor(target, 16, 39, 0xC8C5C5)) << "the letter, grey";
}

// The item highlighted after each key: Down, Up (from the first item to the last), Down (from
// the last to the first), Down, Down, another key, Up.
TEST(MenuTest, UpAndDownMoveTheHighlightAndWrap) {
    const KeyMap keys{.up = 0x26, .down = 0x28};
    MenuFixture f;
    f.menu.Key(keys.down, keys);
    EXPECT_EQ(f.menu.Highlighted(), -1) << "a closed menu ignores keys";
    f.OpenFully();
    std::string highlighted;
    for (const std::uint16_t key : {0x28, 0x26, 0x28, 0x28, 0x28, 0x41, 0x26}) {
        f.menu.Key(key, keys);
        highlighted += std::to_string(f.menu.Highlighted());
    }
    EXPECT_EQ(highlighted, "0201221");
    EXPECT_TRUE(f.calls.empty()) << "no key chooses";
}

struct BarFixture {
    MenuBar bar;
    int buttonCalls = 0, itemCalls = 0;

    BarFixture() {
        bar.SetButton(Rect(200, 1, 220, 20), [this] { ++buttonCalls; });
        for (int m = 0; m < 2; ++m) {
            Menu& menu = bar.SetUp(Rect(10 + 50 * m, 1, 50 + 50 * m, 20), 25,
                                   Rect(10 + 50 * m, 22, 80 + 50 * m, 92));
            menu.PanelImage() = Solid(71, 71, kWhite);
            menu.AddItem(Rect(12 + 50 * m, 30, 70 + 50 * m, 45), [this] { ++itemCalls; });
        }
    }
    void Frames(int count) {
        Surface target = Solid(240, 320, kGround);
        for (int i = 0; i < count; ++i)
            bar.Draw(target);
    }
};

TEST(MenuBarTest, HeadersOpenAndCloseTheirMenusAndTheirEdgesAreOutside) {
    BarFixture f;
    // After each tap: whether the bar took it, and which menu is open. The first two taps are on
    // the first header's left and top edges, the last one on the second header again.
    std::string shown;
    for (const auto& [x, y] : {std::pair(10, 10), {30, 1}, {11, 10}, {70, 10}, {70, 10}}) {
        shown += f.bar.StylusDown(x, y) ? "taken" : "-";
        shown += f.bar.GetMenu(0).IsOpen() ? "0 " : f.bar.GetMenu(1).IsOpen() ? "1 " : " ";
    }
    EXPECT_EQ(shown, "- - taken0 taken1 taken ");
}

TEST(MenuBarTest, TapsOnAnOpenMenu) {
    // Frames drawn after opening the first menu, the tap, whether the bar takes it, the item's
    // calls, and whether the menu is still open.
    const std::tuple<int, std::int32_t, std::int32_t, bool, int, bool> cases[] = {
        {1, 20, 35, true, 0, true},     // on an item while rolling out: swallowed
        {3, 20, 35, true, 1, false},    // fully out: chosen
        {3, 20, 60, true, 0, true},     // between items: swallowed, the menu stays
        {3, 150, 200, false, 0, false}, // elsewhere: every menu closes, the screen has it
        {0, 20, 35, false, 0, false},   // not drawn yet, so not rolled out at all
    };
    for (const auto& [frames, x, y, taken, itemCalls, stillOpen] : cases) {
        BarFixture f;
        f.bar.StylusDown(20, 10);
        f.Frames(frames);
        EXPECT_EQ(f.bar.StylusDown(x, y), taken) << frames << " " << x << "," << y;
        EXPECT_EQ(f.itemCalls, itemCalls);
        EXPECT_EQ(f.bar.GetMenu(0).IsOpen(), stillOpen);
        // While a choice is shown every tap is swallowed, the other header's too.
        EXPECT_TRUE(f.bar.StylusDown(70, 10));
        EXPECT_EQ(f.bar.GetMenu(1).IsOpen(), itemCalls == 0);
    }
}

TEST(MenuBarTest, TheButtonsCommandRunsWhenItsTenFramesOfFeedbackEnd) {
    BarFixture f;
    f.bar.StylusDown(20, 10);
    EXPECT_TRUE(f.bar.StylusDown(210, 10));
    EXPECT_FALSE(f.bar.GetMenu(0).IsOpen()) << "the button closes the menus";
    std::string calls; // after 9, 10 and 30 frames
    for (const int frames : {9, 1, 20})
        calls += (f.Frames(frames), std::to_string(f.buttonCalls));
    EXPECT_EQ(calls, "011");
    EXPECT_FALSE(f.bar.StylusDown(200, 10)) << "its edge is outside";
}

TEST(StateMachineTest, ARequestTakesEffectAtTheTickAfterItsDelay) {
    // The requests (state, delay) made before the first tick, and the states after ticks 1, 2...
    using Requests = std::vector<std::pair<std::int32_t, std::int32_t>>;
    const std::pair<Requests, std::vector<std::int32_t>> cases[] = {
        {{{2, 0}}, {2, 2}}, // delay 0: the new screen draws in the very next frame
        {{{4, 10}, {2, 0}}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4}}, // the first wins, not queued
        {{{8, -5}}, {8}}, // a negative delay counts as none
    };
    for (const auto& [requests, expected] : cases) {
        StateMachine machine;
        for (const auto& [s, delay] : requests)
            machine.SetState(s, delay);
        std::vector<std::int32_t> states;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            machine.Tick();
            states.push_back(machine.GetState());
        }
        EXPECT_EQ(states, expected);
    }
}

TEST(StateMachineTest, RequestsFromTwoThreadsLeaveExactlyOneWinner) {
    for (int round = 0; round < 200; ++round) {
        StateMachine machine;
        std::thread a([&] { machine.SetState(4, 0); });
        std::thread b([&] { machine.SetState(7, 0); });
        a.join();
        b.join();
        machine.Tick();
        const std::int32_t s = machine.GetState();
        ASSERT_TRUE(s == 4 || s == 7) << s;
        EXPECT_FALSE(machine.IsPending());
    }
}

std::int32_t Width(const std::u16string& text) {
    return TextWidth(*GetDefaultFont(), text.c_str());
}

// The name field's editing keys (a character to insert, '<' '>' for the cursor keys, '#' for
// delete), and the text with "|" at the caret after each.
TEST(TextFieldTest, EditsAtTheCaret) {
    TextField field(235, GetDefaultFont());
    const std::vector<std::u16string> expected = {u"|",    u"|",    u"a|",   u"ac|",  u"a|c",
                                                  u"ab|c", u"abc|", u"abc|", u"ab|c", u"a|bc",
                                                  u"|bc",  u"|bc",  u"b|c",  u"|c"};
    std::vector<std::u16string> shown;
    for (const char key : std::string("#<ac<b>><<##>#")) {
        key == '<'   ? field.CursorLeft()
        : key == '>' ? field.CursorRight()
        : key == '#' ? field.Delete()
                     : field.Insert(static_cast<char16_t>(key));
        shown.push_back(std::u16string(field.Text()).insert(field.Cursor(), u"|"));
    }
    EXPECT_EQ(shown, expected);
}

TEST(TextFieldTest, HoldsAtMostTwoHundredAndFiftyNineCharacters) {
    TextField field(235, GetDefaultFont());
    for (int i = 0; i < 300; ++i)
        field.Insert(u'a' + i % 26);
    EXPECT_EQ(std::pair(field.Text().size(), field.Cursor()), std::pair(std::size_t{259}, 259));
    // A full field still deletes, and then takes one character again.
    field.Delete();
    field.Insert(u'!');
    field.Insert(u'?');
    EXPECT_EQ(field.Text().substr(257), u"x!");
}

// Typing past the width scrolls by whole characters so that the caret stays at the right edge:
// the text from the first visible character to the caret fits, and one character more would not;
// what is shown starts there and is the longest run that fits. Going left past the first visible
// character scrolls back one character at a time.
TEST(TextFieldTest, KeepsTheCaretInView) {
    for (const std::int32_t width : {30, 60, 235}) {
        TextField field(width, GetDefaultFont());
        for (char16_t c : std::u16string(u"Holiday pictures WWW iii from the summer of 2026")) {
            field.Insert(c);
            const std::u16string& text = field.Text();
            const auto first = static_cast<std::size_t>(field.FirstVisible());
            EXPECT_LE(Width(text.substr(first, field.Cursor() - first)), width) << text.size();
            EXPECT_TRUE(first == 0 ||
                        Width(text.substr(first - 1, field.Cursor() - first + 1)) >= width)
                << "at " << text.size();
            const std::u16string shown = field.VisibleText();
            EXPECT_EQ(text.compare(first, shown.size(), shown), 0);
            EXPECT_LT(Width(shown), width);
            EXPECT_TRUE(first + shown.size() == text.size() ||
                        Width(text.substr(first, shown.size() + 1)) >= width);
        }
        const std::int32_t firstVisible = field.FirstVisible();
        ASSERT_GE(firstVisible, 3) << width;
        for (std::int32_t k = 1; k <= 3; ++k) {
            for (std::int32_t i = field.Cursor(); i > firstVisible; --i)
                field.CursorLeft();
            EXPECT_EQ(field.FirstVisible(), firstVisible - k + 1);
            field.CursorLeft();
            EXPECT_EQ(field.FirstVisible(), firstVisible - k);
            EXPECT_EQ(field.Cursor(), field.FirstVisible());
        }
        field.Clear();
        EXPECT_EQ(std::tuple(field.Text(), field.Cursor(), field.FirstVisible()),
                  std::tuple(std::u16string(), 0, 0));
    }
}

TEST(TextFieldTest, DrawsTheCaretAtTheInsertionPoint) {
    const BitmapFont& font = *GetDefaultFont();
    TextField field(235, &font);
    for (char16_t c : std::u16string(u"cat"))
        field.Insert(c);
    field.CursorLeft();
    Surface drawn = Solid(240, 20, kBlack), expected = Solid(240, 20, kBlack);
    field.Draw(drawn, 4, 2);
    DrawText(expected, 4, 2, u"cat", &font);
    DrawText(expected, 4 + Width(u"ca") - Width(u"|") / 2, 2, u"|", &font);
    EXPECT_TRUE(test::SameStorage(drawn, expected));
}

} // namespace
} // namespace brelvo
