// Help through the program's own controller, on the real artwork and fonts.
#include "gfx/BitmapFont.h"
#include "platform/CodePage.h"
#include "screens/HelpText.h"
#include "screens/Layout.h"
#include "tests/app/ProgramDriver.h"
#include "tests/support/Subprocess.h"
#include "ui/Shared.h"

#include <gtest/gtest.h>

#include <string>

namespace brelvo {
namespace {

using namespace layout;
using test::Program;

constexpr std::uint16_t kUp = 0x26, kDown = 0x28, kF1 = 0x70, kF2 = 0x71;

// The centre of a page point's place on the screen, at the top of the page.
Point OnScreen(Point onPage) {
    return Point(kHelpView.left + onPage.x, kHelpView.top + onPage.y);
}

// Whether the screen's view shows rows of the page from the given one on, pixel for pixel.
bool ShowsPage(const Surface& frame, const Surface& page, std::int32_t rows, std::int32_t from) {
    for (std::int32_t y = 0; y < rows; ++y)
        for (std::int32_t x = 0; x < kHelpView.right - kHelpView.left; ++x)
            if (frame.Header().Row(kHelpView.top + y)[kHelpView.left + x] !=
                page.Header().Row(from + y)[x])
                return false;
    return true;
}

class HelpTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.ok);
        program.Key(kF1); // from the editor
        ASSERT_TRUE(program.Reach(state::kHelp));
    }
    HelpScreen& Help() { return program.app->Help(); }

    test::TempFolder root;
    Program program{root.Path()};
};

TEST_F(HelpTest, EveryLinkOpensItsTopicAndBackReturnsTenFramesLater) {
    ASSERT_EQ(Help().Topic(), 0);
    program.Key(kF1);
    program.Frames(12);
    EXPECT_EQ(Help().Topic(), 0) << "no back button on the index";
    for (std::int32_t k = 0; k < help::kTopicCount; ++k) {
        SCOPED_TRACE(k + 1);
        // Between this link and the one above it nothing opens (page y 42 lies between the
        // second and third links).
        program.Tap(OnScreen(Point(10, 42)));
        EXPECT_EQ(Help().Topic(), 0);
        program.Tap(OnScreen(help::kIndex[static_cast<std::size_t>(k)].area.Center()));
        ASSERT_EQ(Help().Topic(), k + 1);
        program.Frames(1);
        Surface page;
        HelpScreen::DrawPage(k + 1, InterfaceFonts, page);
        EXPECT_TRUE(ShowsPage(program.frame, page, page.GetHeight(), 0));
        EXPECT_TRUE(Help().BackShown());
        program.Tap(Help().BackRect().Center());
        program.Tap(Help().CloseRect().Center()); // while Back shows pressed, Close is dead
        program.Frames(9);
        EXPECT_EQ(Help().Topic(), k + 1);
        program.Frames(1);
        EXPECT_EQ(Help().Topic(), 0);
        EXPECT_FALSE(Help().BackShown());
        EXPECT_EQ(GetState(), state::kHelp);
    }
    program.Frames(1); // Back's pressed look has gone
    program.Key(kF2);
    EXPECT_TRUE(program.Reach(state::kEditor));
}

// On a screen of 240 rows the view is 191 pixels high: the index (260) and topic 4 (225) scroll
// 5 pixels a frame while Down is held, and stop at the page's end.
TEST(HelpScrollTest, HeldDownScrollsFivePixelsAFrameToThePageEnd) {
    test::TempFolder root;
    Program program(root.Path(), 240);
    ASSERT_TRUE(program.ok);
    program.Key(kF1);
    ASSERT_TRUE(program.Reach(state::kHelp));
    HelpScreen& help = program.app->Help();
    ASSERT_EQ(help.ViewHeight(), 191);
    for (const std::int32_t topic : {0, 4}) {
        SCOPED_TRACE(topic);
        if (topic != 0) {
            const Point link = help::kIndex[3].area.Center();
            program.Tap(OnScreen(Point(link.x, link.y - help.ScrollY())));
        }
        ASSERT_EQ(help.Topic(), topic);
        EXPECT_TRUE(help.ScrollBarShown());
        const std::int32_t end = help.Page().GetHeight() - 191;
        program.app->KeyDown(kDown, test::kProgramKeys);
        for (std::int32_t frame = 1; frame * 5 < end; ++frame) {
            program.Frames(1);
            ASSERT_EQ(help.ScrollY(), frame * 5);
        }
        program.Frames(3);
        EXPECT_EQ(help.ScrollY(), end);
        program.app->KeyUp(kDown, test::kProgramKeys);
        program.Key(kUp, 2); // and Up scrolls back
        program.Frames(2);
        EXPECT_EQ(help.ScrollY(), end - 10);
        program.Key(kDown, 2);
        Surface page;
        HelpScreen::DrawPage(topic, InterfaceFonts, page);
        program.Frames(1);
        EXPECT_TRUE(ShowsPage(program.frame, page, 191, end)); // the page's last 191 rows
        program.Tap(help.BackRect().Center());
        program.Frames(10);
    }
}

// Every line stands inside its page in the real fonts: each character has a glyph, and the text
// ends before the view's right edge and above the page's bottom.
TEST_F(HelpTest, EveryLineFitsItsPageInItsFont) {
    const auto check = [](const char16_t* line, Point at, std::size_t fontIndex,
                          std::int32_t pageHeight) {
        const std::u16string text = line;
        SCOPED_TRACE(std::string(text.begin(), text.end()));
        const BitmapFont& font = InterfaceFonts[fontIndex];
        EXPECT_LE(text.size(), 50u);
        for (const char16_t c : text)
            EXPECT_TRUE(font.HasGlyph(platform::UnitToAnsi(c))) << static_cast<int>(c);
        EXPECT_LE(at.x + TextWidth(font, line), kHelpView.right - kHelpView.left);
        EXPECT_LE(at.y + font.GetHeight() - 1, pageHeight);
    };
    for (const help::Link& link : help::kIndex)
        check(link.text, link.at, font::kHelpIndex, help::kIndexHeight);
    for (const help::Topic& topic : help::kTopics) {
        check(topic.heading, help::kHeadingAt, font::kHelpHeading, topic.height);
        for (const help::Line& line : topic.body)
            check(line.text, line.at, font::kHelpBody, topic.height);
    }
}

} // namespace
} // namespace brelvo
