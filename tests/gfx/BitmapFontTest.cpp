#include "gfx/BitmapFont.h"

#include "platform/CodePage.h"
#include "tests/gfx/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace brelvo {
namespace {

constexpr Pixel kKey = 0xF81F;

// A font image whose marker row is the given pattern ('#' a marker pixel, '.' key) and whose
// glyph rows are filled so that glyph k's pixels hold the value 0x100 + its column.
BitmapFont FontFromMarkers(const std::string& markers, int height = 5) {
    BitmapFont f;
    EXPECT_EQ(f.Create(0, static_cast<std::int32_t>(markers.size()), height), kOk);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < static_cast<int>(markers.size()); ++x)
            f.GetPixels()[y * static_cast<int>(f.GetPitch()) + x] =
                y == 0 ? (markers[static_cast<std::size_t>(x)] == '#' ? 0 : kKey)
                       : static_cast<Pixel>(0x100 + x);
    return f;
}

// Runs of widths 3, 2, 3 ... as many as asked, with single key pixels between them and after.
BitmapFont Runs(int count, std::uint32_t charset) {
    std::string s = ".";
    for (int i = 0; i < count; ++i)
        s += std::string(static_cast<std::size_t>(2 + i % 2), '#') + ".";
    BitmapFont f = FontFromMarkers(s);
    EXPECT_EQ(BuildGlyphs(f, charset), kOk);
    return f;
}

TEST(BitmapFont, MarkerRowAssignsGlyphsToTheBytesOfTheCharacterSet) {
    BitmapFont f = FontFromMarkers(".###.##.###");
    ASSERT_EQ(BuildGlyphs(f, CHARSET_LATIN), kOk);
    EXPECT_EQ(f.GlyphCount(), 2); // the run reaching the end of the row is not recorded
    EXPECT_EQ(f.GlyphRect(0x20), Rect(1, 1, 3, 5));
    EXPECT_EQ(f.GlyphRect(0x21), Rect(5, 1, 6, 5));
    EXPECT_FALSE(f.HasGlyph(0x22));
    BitmapFont empty;
    EXPECT_EQ(BuildGlyphs(empty, CHARSET_LATIN), kErrFontNoPixels);
    // Each character set maps the runs to its bytes, as many as it has.
    const std::tuple<std::uint32_t, int, int, std::uint8_t> cases[] = {
        {CHARSET_LATIN, 95, 95, 0x7E},
        {CHARSET_LATIN, 120, 95, 0x7E},
        {CHARSET_CYRILLIC, 109, 109, 0x7E},
        {CHARSET_FULL, 161, 161, 0xFF},
        {CHARSET_FULL | CHARSET_LATIN, 170, 161, 0xFF}};
    for (const auto& [charset, runs, expectedCount, lastByte] : cases) {
        const BitmapFont font = Runs(runs, charset);
        EXPECT_EQ(font.GlyphCount(), expectedCount) << charset;
        EXPECT_TRUE(font.HasGlyph(lastByte)) << charset;
    }
    // In the full set the apostrophe's place holds the grave accent: 0x27 never gets a glyph,
    // 0x60 gets its later run, and the letters of 1251 are there.
    const BitmapFont full = Runs(161, CHARSET_FULL);
    EXPECT_FALSE(full.HasGlyph(0x27));
    EXPECT_EQ(full.GlyphRect(0x60), Runs(95, CHARSET_LATIN).GlyphRect(0x60));
    for (const std::uint8_t c : {0xA8, 0xB8, 0xC0, 0xDF, 0xE0, 0xFF})
        EXPECT_TRUE(full.HasGlyph(c)) << int(c);
}

TEST(DrawText, MeasuresCentresAndShifts) {
    BitmapFont f = FontFromMarkers(".###.##.");
    ASSERT_EQ(BuildGlyphs(f, CHARSET_LATIN), kOk); // ' ' advances 2, '!' advances 1
    Surface dst = test::Solid(200, 10, 0);
    // Texts longer than 255 characters are cut.
    const std::u16string long400(400, u'!');
    const std::tuple<const char16_t*, std::int32_t, std::int32_t> measures[] = {
        {u" !", 1, 4}, {u" !", 0, 3},   {u"!!!", 2, 7},
        {u"\"", 3, 0}, {u"!\"!", 1, 4}, {long400.c_str(), 0, 255}};
    for (const auto& [text, spacing, width] : measures) {
        std::int32_t w = -1;
        EXPECT_EQ(DrawText(dst, 0, 0, text, &f, TEXT_MEASURE, 0, nullptr, &w, spacing), kOk);
        EXPECT_EQ(w, width) << std::u16string(text).size() << " spacing " << spacing;
    }
    std::int32_t untouched = 77;
    EXPECT_EQ(DrawText(dst, 0, 0, u"", &f, TEXT_MEASURE, 0, nullptr, &untouched), kOk);
    EXPECT_EQ(untouched, 77);
    EXPECT_EQ(DrawText(dst, 0, 0, u"x", &f, TEXT_MEASURE), kErrInvalidArg);
    BitmapFont none;
    EXPECT_EQ(DrawText(dst, 0, 0, u"x", &none), kErrInvalidArg);

    // "!!!!!" is 5 wide: centred at 100 it starts at 98; shifted it starts at 105. Each glyph
    // pixel holds 0x100 + its image column, 5 for '!'.
    for (const auto& [flags, start] : {std::pair{TEXT_CENTER, 98}, std::pair{TEXT_SHIFT, 105}}) {
        Surface s = test::Solid(200, 10, 0);
        ASSERT_EQ(DrawText(s, 100, 2, u"!!!!!", &f, flags), kOk);
        std::vector<Pixel> row(200, 0);
        std::fill_n(row.begin() + start, 5, 0x105);
        EXPECT_EQ(std::vector<Pixel>(s.GetPixels() + 400, s.GetPixels() + 600), row) << flags;
    }
}

TEST(DrawText, GlyphsComeFromTheCodePageBytes) {
    // Every run one column wide plus its end: glyph k draws one pixel holding its column.
    const BitmapFont f = Runs(161, CHARSET_FULL);
    Surface s = test::Solid(600, 8, 0);
    // Cyrillic capital Zhe is byte 0xC6 of the code page, small yo 0xB8, and the apostrophe
    // has no glyph: it only advances by the spacing.
    ASSERT_EQ(DrawText(s, 0, 0, u"\u0416'\u0451", &f, 0, 0, nullptr, nullptr, 1), kOk);
    const Rect zhe = f.GlyphRect(platform::UnitToAnsi(u'\u0416'));
    const int zheWidth = zhe.right - zhe.left;
    EXPECT_EQ(s.GetPixels()[0], 0x100 + zhe.left);
    EXPECT_EQ(s.GetPixels()[zheWidth], 0);     // the spacing
    EXPECT_EQ(s.GetPixels()[zheWidth + 1], 0); // the apostrophe's spacing
    EXPECT_EQ(s.GetPixels()[zheWidth + 2], 0x100 + f.GlyphRect(0xB8).left); // then yo
}

} // namespace
} // namespace brelvo
