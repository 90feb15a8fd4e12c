#include "gfx/BitmapFont.h"

#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <string>

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
std::string Runs(int count) {
    std::string s = ".";
    for (int i = 0; i < count; ++i)
        s += std::string(static_cast<std::size_t>(2 + i % 2), '#') + ".";
    return s;
}

TEST(BitmapFont, MarkerRowAssignsGlyphs) {
    BitmapFont f = FontFromMarkers(".###.##.###");
    ASSERT_EQ(BuildGlyphs(f, CHARSET_LATIN), kOk);
    EXPECT_EQ(f.GlyphCount(), 2); // the run reaching the end of the row is not recorded
    EXPECT_EQ(f.GlyphRect(0x20), Rect(1, 1, 3, 5));
    EXPECT_EQ(f.GlyphRect(0x21), Rect(5, 1, 6, 5));
    EXPECT_FALSE(f.HasGlyph(0x22));

    BitmapFont empty;
    EXPECT_EQ(BuildGlyphs(empty, CHARSET_LATIN), kErrFontNoPixels);
}

TEST(BitmapFont, CharacterSetsMapRunsToBytes) {
    const struct {
        std::uint32_t charset;
        int runs, expectedCount;
        std::uint8_t lastByte;
    } cases[] = {
        {CHARSET_LATIN, 95, 95, 0x7E},
        {CHARSET_LATIN, 120, 95, 0x7E},
        {CHARSET_CYRILLIC, 109, 109, 0x7E},
        {CHARSET_FULL, 161, 161, 0xFF},
        {CHARSET_FULL | CHARSET_LATIN, 170, 161, 0xFF},
    };
    for (const auto& c : cases) {
        BitmapFont f = FontFromMarkers(Runs(c.runs));
        ASSERT_EQ(BuildGlyphs(f, c.charset), kOk);
        EXPECT_EQ(f.GlyphCount(), c.expectedCount) << c.charset;
        EXPECT_TRUE(f.HasGlyph(c.lastByte));
    }
    // In the full set the apostrophe's place holds the grave accent: 0x27 never gets a glyph,
    // 0x60 gets its later run, and the letters of 1251 are there.
    BitmapFont full = FontFromMarkers(Runs(161));
    ASSERT_EQ(BuildGlyphs(full, CHARSET_FULL), kOk);
    EXPECT_FALSE(full.HasGlyph(0x27));
    BitmapFont latin = FontFromMarkers(Runs(95));
    ASSERT_EQ(BuildGlyphs(latin, CHARSET_LATIN), kOk);
    EXPECT_EQ(full.GlyphRect(0x60), latin.GlyphRect(0x60));
    for (const std::uint8_t c : {0xA8, 0xB8, 0xC0, 0xDF, 0xE0, 0xFF})
        EXPECT_TRUE(full.HasGlyph(c)) << int(c);
}

TEST(DrawText, MeasuresCentresAndShifts) {
    BitmapFont f = FontFromMarkers(".###.##.");
    ASSERT_EQ(BuildGlyphs(f, CHARSET_LATIN), kOk); // ' ' advances 2, '!' advances 1
    Surface dst;
    ASSERT_EQ(dst.Create(CREATE_CLEAR, 200, 10), kOk);

    const struct {
        const char16_t* text;
        std::int32_t spacing;
        std::int32_t width;
    } measures[] = {{u" !", 1, 4}, {u" !", 0, 3}, {u"!!!", 2, 7}, {u"\"", 3, 0}, {u"!\"!", 1, 4}};
    for (const auto& m : measures) {
        std::int32_t w = -1;
        EXPECT_EQ(DrawText(dst, 0, 0, m.text, &f, TEXT_MEASURE, 0, nullptr, &w, m.spacing), kOk);
        EXPECT_EQ(w, m.width) << std::u16string(m.text).size() << " spacing " << m.spacing;
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
        Surface s;
        ASSERT_EQ(s.Create(CREATE_CLEAR, 200, 10), kOk);
        ASSERT_EQ(DrawText(s, 100, 2, u"!!!!!", &f, flags), kOk);
        for (int x = 90; x < 115; ++x)
            EXPECT_EQ(s.GetPixels()[2 * s.GetPitch() + x],
                      (x >= start && x < start + 5) ? 0x105 : 0)
                << "x " << x << " flags " << flags;
    }
}

TEST(DrawText, GlyphsComeFromTheCodePageBytes) {
    // Every run one column wide plus its end: glyph k draws one pixel holding its column.
    BitmapFont f = FontFromMarkers(Runs(161));
    ASSERT_EQ(BuildGlyphs(f, CHARSET_FULL), kOk);
    Surface s;
    ASSERT_EQ(s.Create(CREATE_CLEAR, 600, 8), kOk);
    // Cyrillic capital Zhe is byte 0xC6 of the code page, small yo 0xB8, and the apostrophe
    // has no glyph: it only advances by the spacing.
    ASSERT_EQ(DrawText(s, 0, 0, u"\u0416'\u0451", &f, 0, 0, nullptr, nullptr, 1), kOk);
    const Rect zhe = f.GlyphRect(platform::UnitToAnsi(u'\u0416'));
    const Rect yo = f.GlyphRect(0xB8);
    const int zheWidth = zhe.right - zhe.left;
    EXPECT_EQ(s.GetPixels()[0], 0x100 + zhe.left);
    EXPECT_EQ(s.GetPixels()[zheWidth], 0);                   // the spacing
    EXPECT_EQ(s.GetPixels()[zheWidth + 1], 0);               // the apostrophe's spacing
    EXPECT_EQ(s.GetPixels()[zheWidth + 2], 0x100 + yo.left); // then yo
}

TEST(DrawText, LongTextsAreCutAt255Characters) {
    BitmapFont f = FontFromMarkers(".##.##.");
    ASSERT_EQ(BuildGlyphs(f, CHARSET_LATIN), kOk); // ' ' and '!' each advance 1
    const std::u16string text(400, u'!');
    std::int32_t w = 0;
    ASSERT_EQ(DrawText(f, 0, 0, text.c_str(), &f, TEXT_MEASURE, 0, nullptr, &w), kOk);
    EXPECT_EQ(w, 255);
}

} // namespace
} // namespace brelvo
