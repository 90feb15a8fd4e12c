#include "ui/TextField.h"

#include "gfx/BitmapFont.h"
#include "tests/gfx/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace brelvo {
namespace {

std::int32_t Width(const std::u16string& text) {
    return TextWidth(*GetDefaultFont(), text.c_str());
}

// The name field's editing keys, each a step of a script and the text and caret after it.
TEST(TextFieldTest, EditsAtTheCaret) {
    TextField field(235, GetDefaultFont());
    struct Step {
        char op; // a character to insert, '<' '>' for the cursor keys, '#' for delete
        const char16_t* text;
        std::int32_t cursor;
    };
    const Step steps[] = {
        {'#', u"", 0}, // delete at the start changes nothing
        {'<', u"", 0},    {'a', u"a", 1},   {'c', u"ac", 2},  {'<', u"ac", 1},
        {'b', u"abc", 2}, {'>', u"abc", 3}, {'>', u"abc", 3}, // not past the end
        {'<', u"abc", 2}, {'<', u"abc", 1}, {'#', u"bc", 0},  {'#', u"bc", 0},
        {'>', u"bc", 1},  {'#', u"c", 0},
    };
    for (const Step& s : steps) {
        if (s.op == '<')
            field.CursorLeft();
        else if (s.op == '>')
            field.CursorRight();
        else if (s.op == '#')
            field.Delete();
        else
            field.Insert(static_cast<char16_t>(s.op));
        EXPECT_EQ(std::pair(field.Text(), field.Cursor()),
                  std::pair(std::u16string(s.text), s.cursor))
            << "after " << s.op;
    }
    field.Clear();
    EXPECT_EQ(std::tuple(field.Text(), field.Cursor(), field.FirstVisible()),
              std::tuple(std::u16string(), 0, 0));
}

TEST(TextFieldTest, HoldsAtMostTwoHundredAndFiftyNineCharacters) {
    TextField field(235, GetDefaultFont());
    for (int i = 0; i < 300; ++i)
        field.Insert(u'a' + i % 26);
    EXPECT_EQ(field.Text().size(), 259u);
    EXPECT_EQ(field.Cursor(), 259);
    // A full field still deletes, and then takes one character again.
    field.Delete();
    field.Insert(u'!');
    EXPECT_EQ(field.Text().back(), u'!');
    field.Insert(u'?');
    EXPECT_EQ(field.Text().size(), 259u);
}

// Typing past the width scrolls by whole characters so that the caret stays at the right edge:
// the text from the first visible character to the caret fits, and one character more would not.
// Going left past the first visible character scrolls back one character at a time.
TEST(TextFieldTest, KeepsTheCaretInView) {
    for (const std::int32_t width : {30, 60, 235}) {
        TextField field(width, GetDefaultFont());
        const std::u16string typed = u"Holiday pictures WWW iii from the summer of 2026";
        for (char16_t c : typed) {
            field.Insert(c);
            const std::u16string& text = field.Text();
            const auto first = static_cast<std::size_t>(field.FirstVisible());
            EXPECT_LE(Width(text.substr(first, field.Cursor() - first)), width) << text.size();
            EXPECT_TRUE(first == 0 ||
                        Width(text.substr(first - 1, field.Cursor() - first + 1)) >= width)
                << "at " << text.size();
            // What is shown starts at the first visible character, fits, and is the longest run
            // that fits.
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
    }
}

// The caret is drawn centred on the insertion point, after the visible text.
TEST(TextFieldTest, DrawsTheCaretAtTheInsertionPoint) {
    const BitmapFont& font = *GetDefaultFont();
    TextField field(235, &font);
    for (char16_t c : std::u16string(u"cat"))
        field.Insert(c);
    field.CursorLeft();
    Surface drawn, expected;
    ASSERT_TRUE(Succeeded(drawn.Create(CREATE_CLEAR, 240, 20)));
    ASSERT_TRUE(Succeeded(expected.Create(CREATE_CLEAR, 240, 20)));
    field.Draw(drawn, 4, 2);
    DrawText(expected, 4, 2, u"cat", &font);
    DrawText(expected, 4 + Width(u"ca") - Width(u"|") / 2, 2, u"|", &font);
    EXPECT_TRUE(test::SameStorage(drawn, expected));
}

} // namespace
} // namespace brelvo
