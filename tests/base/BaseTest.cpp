#include "base/Array.h"
#include "base/Options.h"
#include "base/Paths.h"
#include "base/Point.h"
#include "base/Rect.h"
#include "base/WString.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace brelvo {
namespace {

// Counts live instances, so a leak or a double destruction shows as a wrong count, and
// remembers its own address, so an element relocated by a byte copy is noticed when used.
class Tracked {
public:
    static inline int s_live = 0, s_misplaced = 0;

    explicit Tracked(int value = 0) : m_self(this), m_value(value) { ++s_live; }
    Tracked(const Tracked& other) : Tracked(other.Value()) {}
    Tracked& operator=(const Tracked& other) {
        m_value = other.Value();
        return *this;
    }
    ~Tracked() {
        Value();
        --s_live;
        // Through volatile, so that the store outlives the object and a read of a destroyed
        // element sees it.
        const Tracked* volatile* self = &m_self;
        *self = nullptr;
    }
    int Value() const {
        s_misplaced += m_self != this ? 1 : 0;
        return m_value;
    }

private:
    const Tracked* m_self;
    int m_value;
};

class ArrayTest : public ::testing::Test {
protected:
    void SetUp() override { Tracked::s_live = Tracked::s_misplaced = 0; }
    void TearDown() override {
        EXPECT_EQ(std::tuple(Tracked::s_live, Tracked::s_misplaced), std::tuple(0, 0));
    }
};

TEST_F(ArrayTest, GrowthFollowsTheStep) {
    const int cases[][4] = {
        {100, 0, 101, 112}, {16, 0, 17, 20}, {10000, 0, 10001, 11024},
        {10, 7, 11, 17},    {10, 0, 50, 50},
    };
    for (const auto& [full, growBy, request, capacity] : cases) {
        SCOPED_TRACE(full);
        Array<int> a;
        a.SetSize(full, growBy);
        EXPECT_EQ(a.GetCapacity(), full);
        a.SetSize(request);
        EXPECT_EQ(std::pair(a.GetSize(), a.GetCapacity()), std::pair(request, capacity));
    }
}

TEST_F(ArrayTest, SizeChangesAtTheEdges) {
    Array<int> a;
    a.SetSize(0);
    EXPECT_EQ(a.GetCapacity(), 0);
    EXPECT_EQ(a.begin(), a.end());
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(a.Add(i + 10), i);
    // Shrinking keeps the storage; growing into it again must start the new elements at zero.
    a.SetSize(2);
    a.SetSize(5);
    EXPECT_EQ(a.GetCapacity(), 5);
    EXPECT_EQ(std::vector<int>(a.begin(), a.end()), (std::vector<int>{10, 11, 0, 0, 0}));
    a.SetSize(-5);
    EXPECT_EQ(std::pair(a.GetSize(), a.GetCapacity()), std::pair(0, 0));
    a.SetAtGrow(2, 7);
    EXPECT_EQ(std::vector<int>(a.begin(), a.end()), (std::vector<int>{0, 0, 7}));
}

TEST_F(ArrayTest, ElementsSurviveRelocationCopyAndMove) {
    Array<Tracked> a;
    for (int i = 0; i < 5000; ++i)
        a.Add(Tracked(i));
    Array<Tracked> copy(a);
    copy[0] = Tracked(-1);
    EXPECT_EQ(Tracked::s_live, 10000);
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(a[i].Value(), i);

    copy.SetSize(1000);
    EXPECT_EQ(Tracked::s_live, 6000);
    const Array<Tracked>& same = copy;
    copy = same;
    a = copy;
    EXPECT_EQ(std::tuple(Tracked::s_live, a[0].Value()), std::tuple(2000, -1));
    Array<Tracked> moved(std::move(a));
    copy = std::move(moved);
    EXPECT_EQ(Tracked::s_live, 1000);
    EXPECT_EQ(a.GetSize(), 0); // NOLINT(bugprone-use-after-move): the moved-from state is tested.
    EXPECT_EQ(copy[999].Value(), 999);
}

TEST_F(ArrayTest, AddOfOwnElementWhileFull) {
    Array<Tracked> a;
    a.SetSize(16);
    a[15] = Tracked(42);
    EXPECT_EQ(a.Add(a[15]), 16);
    EXPECT_EQ(std::pair(a.GetCapacity(), a[16].Value()), std::pair(20, 42));
    a.SetAtGrow(30, a[16]);
    EXPECT_EQ(a[30].Value(), 42);
    a.SetSize(a.GetCapacity());
    a.Add(std::move(a[30]));
    EXPECT_EQ(a[a.GetSize() - 1].Value(), 42);
}

// A rectangle holds all four of its edges; its centre truncates toward zero, also at the ends
// of the range, and translation moves every edge.
TEST(GeometryTest, EdgesCentreAndTranslation) {
    const Rect r(10, 20, 30, 40);
    const std::pair<Point, bool> points[] = {{{10, 20}, true},  {{30, 40}, true}, {{10, 40}, true},
                                             {{30, 20}, true},  {{9, 30}, false}, {{31, 30}, false},
                                             {{20, 19}, false}, {{20, 41}, false}};
    for (const auto& [p, inside] : points)
        EXPECT_EQ(std::pair(r.Contains(p), r.Contains(p.x, p.y)), std::pair(inside, inside))
            << p.x << "," << p.y;
    EXPECT_TRUE(Rect().Contains(Point()));
    using Centre = std::pair<Rect, Point>;
    for (const auto& [rect, centre] :
         {Centre{{0, 0, 10, 10}, {5, 5}}, Centre{{-3, -5, 0, 0}, {-1, -2}},
          Centre{{-7, 3, 2, 6}, {-2, 4}},
          Centre{{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, {0, 0}}})
        EXPECT_EQ(rect.Center(), centre) << rect.Center().x << "," << rect.Center().y;
    const Rect small(1, 2, 3, 4);
    EXPECT_EQ(small.Translated(10, -20), Rect(11, -18, 13, -16));
    EXPECT_EQ(small.TranslatedBack(10, -20), Rect(-9, 22, -7, 24));
    EXPECT_EQ(Rect().TranslatedBack(INT32_MIN + 1, 0), Rect(INT32_MAX, 0, INT32_MAX, 0));
}

constexpr OptionSpec kSpecs[] = {{"--root", true}, {"--flag"}, {"-h"}};

// Each argument read back as "option=value" or, for an operand, as its text in brackets.
std::string Read(const std::vector<std::string>& args) {
    std::vector<Argument> read;
    std::string error;
    if (!ReadArguments(kSpecs, args, read, error))
        return "error: " + error;
    std::string shown;
    for (const Argument& a : read)
        shown += a.IsOperand() ? "[" + a.value + "] " : std::string(a.option) + "=" + a.value + " ";
    return shown;
}

TEST(OptionsTest, ReadsBothValueFormsOperandsInOrderAndSaysWhatIsWrong) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--root", "/a b", "x.png", "--flag"}, "--root=/a b [x.png] --flag= "},
        {{"--root=/a=b", "-h"}, "--root=/a=b -h= "},
        {{"--root", "--flag"}, "--root=--flag "},
        {{"--root="}, "--root= "},
        {{"-", "--", "--flag", "-h"}, "[-] [--flag] [-h] "},
        {{"--root"}, "error: --root needs a value"},
        {{"--flag=1"}, "error: --flag takes no value"},
        {{"--fla"}, "error: unknown option '--fla'"},
        {{"-h=1"}, "error: unknown option '-h=1'"},
        {{"a", "-x"}, "error: unknown option '-x'"}};
    for (const auto& [args, read] : cases)
        EXPECT_EQ(Read(args), read) << args.front();
}

TEST(OptionsTest, WholeNumbersMustBeWholeAndInRange) {
    const std::pair<const char*, int> cases[] = {
        {"1", 1},  {"16", 16}, {"-3", -3},
        {"-4", 0}, {"17", 0},  {"", 0},
        {"2x", 0}, {" 2", 0},  {"99999999999999999999", 0}};
    for (const auto& [text, expected] : cases) {
        int value = 0;
        std::string error;
        const bool ok = expected != 0;
        EXPECT_EQ(ReadWholeNumber("--n", text, -3, 16, value, error), ok) << text;
        EXPECT_EQ(value, expected) << text;
        EXPECT_EQ(error,
                  ok ? ""
                     : "--n needs a whole number from -3 to 16, not '" + std::string(text) + "'");
    }
}

// Platform calls read c_str() up to the terminator, so the length and the terminator must agree.
void ExpectText(const WString& s, const std::u16string& expected) {
    ASSERT_NE(s.c_str(), nullptr);
    EXPECT_EQ(std::tuple(std::u16string(s.c_str()), s.GetLength(), s.c_str()[s.GetLength()]),
              std::tuple(expected, static_cast<int>(expected.size()), u'\0'));
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
    const std::tuple<std::string, std::u16string, std::string> cases[] = {
        {"", u"", ""},
        {"\xC3\xA9t\xE2\x82\xAC", u"\u00E9t\u20AC", "\xC3\xA9t\xE2\x82\xAC"},
        {"\xF0\x9F\x98\x80!", u"\xD83D\xDE00!", "\xF0\x9F\x98\x80!"},
        {"\xE2\x82!", u"\xFFFD!", kBad + "!"},                        // truncated
        {"\xC0\xAF", u"\xFFFD\xFFFD", kBad + kBad},                   // overlong
        {"\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD", kBad + kBad + kBad},  // surrogate
        {"\xF0\x9F\x98\xC3\xA9", u"\xFFFD\u00E9", kBad + "\xC3\xA9"}, // cut by a new lead
        {std::string("ab\0c", 4), u"ab", "ab"}};
    for (const auto& [in, units, out] : cases) {
        SCOPED_TRACE(in);
        const WString decoded = FromUtf8(in);
        ExpectText(decoded, units);
        EXPECT_EQ(ToUtf8(decoded), out);
        bool wellFormed = false;
        EXPECT_EQ(Utf8ToUtf16(in, &wellFormed), units);
        EXPECT_EQ(wellFormed, units.find(u'\xFFFD') == std::u16string::npos);
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
