#include "base/WString.h"
#include "base/Paths.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace brelvo {
namespace {

// Platform calls read c_str() up to the terminator, so the length and the terminator must agree.
void ExpectText(const WString& s, const std::u16string& expected) {
    ASSERT_NE(s.c_str(), nullptr);
    EXPECT_EQ(std::u16string(s.c_str()), expected);
    EXPECT_EQ(s.GetLength(), static_cast<int>(expected.size()));
    EXPECT_EQ(s.c_str()[s.GetLength()], u'\0');
}

TEST(WStringTest, SlicesAndSearch) {
    const WString name(u"x.bmp");
    using Row = std::tuple<int, const char16_t*, const char16_t*>;
    for (const auto& [count, left, right] :
         {Row{-3, u"", u""}, Row{0, u"", u""}, Row{3, u"x.b", u"bmp"}, Row{5, u"x.bmp", u"x.bmp"},
          Row{9, u"x.bmp", u"x.bmp"}}) {
        SCOPED_TRACE(count);
        ExpectText(name.Left(count), left);
        ExpectText(name.Right(count), right);
    }
    EXPECT_EQ(WString(u"\\A\\B\\").ReverseFind(u'\\'), 4);
    EXPECT_EQ(WString(u"abca").ReverseFind(u'a'), 3);
    EXPECT_EQ(WString(u"BMP").ReverseFind(u'b'), -1);
    EXPECT_EQ(WString().ReverseFind(u'a'), -1);
}

TEST(WStringTest, EditsAndMovesKeepTheBufferTerminated) {
    WString s(nullptr);
    ExpectText(s, u"");
    s += u"";
    s += WString();
    ExpectText(s, u"");
    s += u"ab";
    s += u'\0';
    ExpectText(s, u"ab");
    s += s;
    ExpectText(s, u"abab");
    // Appending its own tail while growing far enough that realloc is likely to move the buffer.
    std::u16string expected = u"abab";
    for (int i = 0; i < 8; ++i) {
        s += s.c_str() + 1;
        expected += expected.substr(1);
    }
    ExpectText(s, expected);
    const WString& self = s;
    s = self;
    ExpectText(s, expected);
    s = s.c_str() + expected.size() - 2;
    ExpectText(s, u"ab");
    s.Assign(u"cd\0ef", 5);
    ExpectText(s, u"cd");
    s.Empty();
    ExpectText(s, u"");
    EXPECT_TRUE(s.IsEmpty());

    // A moved-from string is empty and usable.
    WString a(u"moved");
    WString b(std::move(a));
    ExpectText(b, u"moved");
    ExpectText(a, u""); // NOLINT(bugprone-use-after-move): the state after a move is the subject.
    a = u"again";
    b = std::move(a);
    ExpectText(b, u"again");
    ExpectText(a, u""); // NOLINT(bugprone-use-after-move)
    a += u'x';
    ExpectText(a, u"x");
}

TEST(WStringTest, ComparisonAndConcatenation) {
    using Pair = std::pair<const char16_t*, const char16_t*>;
    for (const auto& [a, b] : {Pair{u"bmp", u"bmp"}, Pair{u"", u""}})
        EXPECT_TRUE(WString(a) == WString(b)) << ToUtf8(a);
    for (const auto& [a, b] : {Pair{u"bmp", u"BMP"}, Pair{u"ab", u"abc"}, Pair{u"", u"a"}})
        EXPECT_FALSE(WString(a) == WString(b)) << ToUtf8(a) << " " << ToUtf8(b);
    const WString folder(u"\\P\\");
    ExpectText(folder + WString(u"a.bmp"), u"\\P\\a.bmp");
    ExpectText(folder + u"b", u"\\P\\b");
}

// Well-formed text comes back unchanged; malformed text comes back with U+FFFD.
TEST(WStringTest, Utf8Conversion) {
    const std::string kBad = "\xEF\xBF\xBD";
    const struct {
        std::string in;
        std::u16string units;
        std::string out;
    } cases[] = {{"", u"", ""},
                 {"\xC3\xA9t\xE2\x82\xAC", u"\u00E9t\u20AC", "\xC3\xA9t\xE2\x82\xAC"},
                 {"\xF0\x9F\x98\x80!", u"\xD83D\xDE00!", "\xF0\x9F\x98\x80!"},
                 {"\xE2\x82!", u"\xFFFD!", kBad + "!"},                        // truncated
                 {"\xC0\xAF", u"\xFFFD\xFFFD", kBad + kBad},                   // overlong
                 {"\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD", kBad + kBad + kBad},  // surrogate
                 {"\xF0\x9F\x98\xC3\xA9", u"\xFFFD\u00E9", kBad + "\xC3\xA9"}, // cut by a new lead
                 {std::string("ab\0c", 4), u"ab", "ab"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        const WString decoded = FromUtf8(c.in);
        ExpectText(decoded, c.units);
        EXPECT_EQ(ToUtf8(decoded), c.out);
        bool wellFormed = false;
        EXPECT_EQ(Utf8ToUtf16(c.in, &wellFormed), c.units);
        EXPECT_EQ(wellFormed, c.units.find(u'\xFFFD') == std::u16string::npos);
    }
    EXPECT_EQ(ToUtf8(u"a\xD83D!"), "a" + kBad + "!");
    EXPECT_EQ(ToUtf8(u"\xDE00\xD83D"), kBad + kBad);
    EXPECT_EQ(ToUtf8(u"\xD83D\xD83D\xDE00"), kBad + "\xF0\x9F\x98\x80");
}

// Device paths are WStrings with backslashes; a folder path ends in one.
TEST(PathsTest, ParentFolderDropsTheLastFolderAndAppendFolderEndsInSeparator) {
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"\\A\\B\\", u"\\A\\"},        {u"\\A\\", u"\\"},  {u"\\", u"\\"},
        {u"\\A\\b.bmp", u"\\A\\b.bmp"}, {u"", u""},         {u"\\A b\\C\\D\\", u"\\A b\\C\\"},
        {u"C:\\P\\", u"C:\\"},          {u"C:\\", u"C:\\"}, {u"\\\\", u"\\"}};
    for (const auto& [path, parent] : cases) {
        WString folder(path);
        ParentFolder(folder);
        ExpectText(folder, parent);
    }
    WString path;
    AppendFolder(path, u"A");
    ExpectText(path, u"A\\");
    path = u"\\";
    AppendFolder(path, u"A");
    AppendFolder(path, u"B");
    ExpectText(path, u"\\A\\B\\");
}

} // namespace
} // namespace brelvo
