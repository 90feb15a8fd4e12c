// The libraries the tools share: the font generator, the PNG writer of surfaces and the
// built-in default font the generator makes.

#include "tools/fontgen/FontGen.h"

#include "gfx/BitmapFont.h"
#include "platform/CodePage.h"
#include "platform/PictureDecoder.h"
#include "tools/common/SurfacePng.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include <unistd.h>

namespace brelvo {
namespace {

using fontgen::FontSpec;

constexpr const char* kFont = BRELVO_TEST_FONT;

FontSpec MakeFontSpec(std::uint32_t charset, int size = 12, int extra = 0) {
    FontSpec font{.fontFile = kFont, .pixelSize = size, .charset = charset, .background = {}};
    font.extraAdvance = extra;
    return font;
}

// The marker runs of row 0 as [first, last] column pairs, the one still open at the right edge
// included, so that a stray run cannot hide from BuildGlyphs' count.
std::vector<std::pair<int, int>> MarkerRuns(const Surface& image) {
    std::vector<std::pair<int, int>> runs;
    const Pixel* row = image.Header().Row(0);
    for (int x = 0; x < image.GetWidth(); ++x) {
        if (row[x] == image.GetColorKey())
            continue;
        if (x == 0 || row[x - 1] == image.GetColorKey())
            runs.emplace_back(x, x);
        runs.back().second = x;
    }
    return runs;
}

// Whether two glyph rectangles, each in its own font image, hold the same picture.
bool SamePicture(const Surface& a, const Rect& ra, const Surface& b, const Rect& rb) {
    if (ra.right - ra.left != rb.right - rb.left || a.GetHeight() != b.GetHeight())
        return false;
    for (int y = 1; y < a.GetHeight(); ++y)
        for (int x = 0; x < ra.right - ra.left; ++x)
            if (a.GetPixelRaw(ra.left + x, y) != b.GetPixelRaw(rb.left + x, y))
                return false;
    return true;
}

// Every character of the set gets one glyph, as wide as its advance plus the extra, holding
// exactly the ink of FreeType's own monochrome rendering.
TEST(RenderFontImage, DrawsEachCharacterOfItsSetAsWideAsItsAdvance) {
    FT_Library library = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    FT_Face face = nullptr;
    ASSERT_EQ(FT_New_Face(library, kFont, 0, &face), 0);
    const std::tuple<int, int, std::uint32_t, int> cases[] = {
        {11, 0, CHARSET_FULL, 161}, {11, 2, CHARSET_LATIN, 95}, {12, 0, CHARSET_CYRILLIC, 109},
        {12, 2, CHARSET_FULL, 161}, {16, 0, CHARSET_FULL, 161}, {16, 2, CHARSET_CYRILLIC, 109}};
    for (const auto& [size, extra, charset, glyphs] : cases) {
        SCOPED_TRACE(testing::Message() << size << " px, extra " << extra << ", set " << charset);
        const FontSpec fontSpec = MakeFontSpec(charset, size, extra);
        Surface image;
        BitmapFont font;
        ASSERT_TRUE(fontgen::RenderFontImage(fontSpec, image));
        ASSERT_TRUE(fontgen::MakeBitmapFont(image, charset, font));
        EXPECT_EQ(std::pair(static_cast<int>(MarkerRuns(image).size()), font.GlyphCount()),
                  std::pair(glyphs, glyphs));
        ASSERT_EQ(FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size)), 0);
        for (int c = 0x20; c < 256; ++c) {
            if (!font.HasGlyph(static_cast<std::uint8_t>(c)))
                continue;
            const char16_t ch = platform::AnsiToUnit(static_cast<std::uint8_t>(c));
            ASSERT_EQ(FT_Load_Char(face, ch, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_MONO), 0);
            ASSERT_EQ(FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO), 0);
            const Rect& r = font.GlyphRect(static_cast<std::uint8_t>(c));
            EXPECT_EQ(r.right - r.left, ((face->glyph->advance.x + 32) >> 6) + extra)
                << "byte 0x" << std::hex << c;
            // Ink that starts left of the pen (J) is moved into the cell, not cut.
            const FT_Bitmap& bitmap = face->glyph->bitmap;
            int ink = 0, drawn = 0;
            for (unsigned y = 0; y < bitmap.rows; ++y)
                for (unsigned x = 0; x < bitmap.width; ++x)
                    ink += (bitmap.buffer[y * bitmap.pitch + x / 8] >> (7 - x % 8)) & 1;
            for (int y = 1; y < image.GetHeight(); ++y)
                for (int x = r.left; x < r.right; ++x)
                    drawn += image.GetPixelRaw(x, y) != kPixelMagenta;
            EXPECT_EQ(drawn, ink) << "byte 0x" << std::hex << c;
        }
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

TEST(RenderFontImage, DrawsTheGraveAccentAtBothOfItsPlaces) {
    Surface full, latin;
    ASSERT_TRUE(fontgen::RenderFontImage(MakeFontSpec(CHARSET_FULL), full));
    ASSERT_TRUE(fontgen::RenderFontImage(MakeFontSpec(CHARSET_LATIN), latin));
    BitmapFont fullFont, latinFont;
    ASSERT_TRUE(fontgen::MakeBitmapFont(full, CHARSET_FULL, fullFont));
    ASSERT_TRUE(fontgen::MakeBitmapFont(latin, CHARSET_LATIN, latinFont));
    const auto [left, last] = MarkerRuns(full)[7];
    const Rect eighth(left, 1, last, full.GetHeight());
    EXPECT_TRUE(SamePicture(full, eighth, full, fullFont.GlyphRect(0x60)));
    EXPECT_TRUE(SamePicture(full, eighth, latin, latinFont.GlyphRect(0x60)));
    EXPECT_FALSE(SamePicture(full, eighth, latin, latinFont.GlyphRect(0x27)));
    EXPECT_FALSE(fullFont.HasGlyph(0x27));
}

TEST(RenderFontImage, PaintsOnlyTheKeyTheForegroundAndTheirBlends) {
    // Magenta glyphs would be the key itself unless they are moved off it.
    const std::pair<Color, std::optional<Color>> cases[] = {
        {0x000000, std::nullopt}, {0x30c060, std::nullopt}, {0xff00ff, std::nullopt},
        {0xffffff, 0x603020},     {0xff00ff, 0xffffff},     {0x000000, 0xff00ff},
    };
    for (const auto& [ink, paper] : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "fg " << ink << " bg " << paper.value_or(0));
        FontSpec fontSpec = MakeFontSpec(CHARSET_FULL);
        fontSpec.background = paper;
        Surface reference, image;
        ASSERT_TRUE(fontgen::RenderFontImage(fontSpec, reference)); // black on the same background
        fontSpec.foreground = ink;
        ASSERT_TRUE(fontgen::RenderFontImage(fontSpec, image));
        ASSERT_EQ(image.GetWidth(), reference.GetWidth());
        const Pixel key = image.GetColorKey();
        ASSERT_EQ(key, kPixelMagenta);
        const Pixel visibleKey = static_cast<Pixel>(key ^ 1);
        const Pixel fg = ColorToPixel(ink) == key ? visibleKey : ColorToPixel(ink);
        const Pixel bg = ColorToPixel(paper.value_or(ink));
        auto between = [](int p, int a, int b, int m) {
            return std::clamp(p & m, std::min(a & m, b & m), std::max(a & m, b & m)) == (p & m);
        };
        // A blend lies between the two colours in each channel; one nudged off the key is a blue
        // step away from it.
        int stray = 0, partial = 0, shapeChanged = 0;
        for (int y = 1; y < image.GetHeight(); ++y)
            for (int x = 0; x < image.GetWidth(); ++x) {
                const Pixel p = image.GetPixelRaw(x, y);
                shapeChanged += (p == key) != (reference.GetPixelRaw(x, y) == key);
                const Pixel q = p == visibleKey ? key : p;
                partial += p != key && p != fg;
                stray += p != key && p != fg &&
                         (!paper || !between(q, fg, bg, 0xF800) || !between(q, fg, bg, 0x07E0) ||
                          !between(q, fg, bg, 0x001F));
            }
        EXPECT_EQ(std::pair(stray, shapeChanged), std::pair(0, 0));
        EXPECT_TRUE(!paper || partial > 0) << partial;
    }
}

TEST(RenderFontImage, RefusesWhatItCannotRender) {
    FontSpec missing = MakeFontSpec(CHARSET_FULL);
    missing.fontFile = "/nonexistent/font.ttf";
    for (const FontSpec& fontSpec : {missing, MakeFontSpec(CHARSET_FULL, 0), MakeFontSpec(0)}) {
        Surface image;
        ASSERT_TRUE(fontgen::RenderFontImage(MakeFontSpec(CHARSET_LATIN), image));
        std::string error;
        EXPECT_FALSE(fontgen::RenderFontImage(fontSpec, image, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(image.GetPixels(), nullptr); // no stale font left behind
    }
}

TEST(WriteSurfacePng, WidensEveryChannelAndShowsTheKeyMagenta) {
    const std::pair<Pixel, std::uint32_t> cases[] = {
        {0x0000, 0x000000}, {0xFFFF, 0xffffff}, {0xF800, 0xff0000}, {0x07E0, 0x00ff00},
        {0x001F, 0x0000ff}, {0x8410, 0x848284}, {0x0821, 0x080408}, {0x1234, 0xff00ff}, // key
    };
    Surface s;
    ASSERT_EQ(s.Create(0, 4, 2), kOk);
    for (int i = 0; i < 8; ++i)
        s.Header().Row(i / 4)[i % 4] = cases[i].first;
    s.SetColorKeyRaw(0x1234);
    const std::string path = ::testing::TempDir() + "brelvo-png-" + std::to_string(getpid());
    ASSERT_TRUE(WriteSurfacePng(s, path));
    platform::Bitmap back;
    ASSERT_EQ(platform::DecodePictureFile(path, back), kOk);
    std::filesystem::remove(path);
    ASSERT_EQ(std::tuple(back.width, back.height, back.channels), std::tuple(4, 2, 3));
    for (int i = 0; i < 8; ++i) {
        const std::uint8_t* p = back.Row(i / 4) + (i % 4) * 3;
        EXPECT_EQ((p[0] << 16) | (p[1] << 8) | p[2], static_cast<int>(cases[i].second))
            << std::hex << "pixel 0x" << cases[i].first;
    }
}

// The built-in font, which the build generates with brelvo-fontgen, is one object for the whole
// program, so its checks run in one test, with the release last. The docs screenshots show text
// drawn with it pixel for pixel.
TEST(DefaultFont, LoadsOnceInBlackAndReleases) {
    BitmapFont* font = GetDefaultFont();
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(std::pair(GetDefaultFont(), font->GlyphCount()), std::pair(font, 161));
    // Drawn on unknown backgrounds, so nothing but black and the key.
    for (int y = 1; y < font->GetHeight(); ++y)
        for (int x = 0; x < font->GetWidth(); ++x)
            ASSERT_TRUE(font->GetPixelRaw(x, y) == 0 || font->GetPixelRaw(x, y) == kPixelMagenta);
    EXPECT_EQ((std::tuple{ReleaseDefaultFont(), ReleaseDefaultFont(), GetDefaultFont()}),
              std::tuple(1, 0, nullptr));
}

} // namespace
} // namespace brelvo
