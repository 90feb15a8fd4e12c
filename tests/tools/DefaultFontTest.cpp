// The built-in font, which the build generates with brelvo-fontgen from a real outline font.

#include "gfx/BitmapFont.h"
#include "gfx/Blit.h"

#include <gtest/gtest.h>

#include <string>

namespace brelvo {
namespace {

// The built-in font is one object for the whole program, so its checks run in one test, with the
// release last.
TEST(DefaultFont, LoadsDrawsMeasuresAndReleases) {
    BitmapFont* font = GetDefaultFont();
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(GetDefaultFont(), font);
    EXPECT_EQ(font->GlyphCount(), 161);
    // Drawn on unknown backgrounds, so nothing but black and the key.
    for (int y = 1; y < font->GetHeight(); ++y)
        for (int x = 0; x < font->GetWidth(); ++x)
            ASSERT_TRUE(font->GetPixelRaw(x, y) == 0 || font->GetPixelRaw(x, y) == kPixelMagenta);

    Surface nowhere;
    std::int32_t width = 0, sum = 0;
    ASSERT_EQ(DrawText(nowhere, 0, 0, u"Hello", font, TEXT_MEASURE, 0, nullptr, &width), kOk);
    for (const char c : std::string("Hello"))
        sum += font->GlyphRect(static_cast<std::uint8_t>(c)).right -
               font->GlyphRect(static_cast<std::uint8_t>(c)).left;
    EXPECT_EQ(width, sum);
    EXPECT_GT(width, 0);

    Surface page;
    ASSERT_EQ(page.Create(0, 100, 40), kOk);
    ASSERT_EQ(FillRect(page, nullptr, 0xffffff), kOk);
    ASSERT_EQ(DrawText(page, 10, 5, u"Hello", font), kOk);
    int inked = 0, outside = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 100; ++x)
            if (page.GetPixelRaw(x, y) != 0xFFFF) {
                ++inked;
                outside += x < 10 || x >= 10 + width || y < 5 || y >= 5 + font->GetHeight() - 1;
            }
    EXPECT_GT(inked, 20);
    EXPECT_EQ(outside, 0);

    EXPECT_EQ(ReleaseDefaultFont(), 1);
    EXPECT_EQ(ReleaseDefaultFont(), 0);
    EXPECT_EQ(GetDefaultFont(), nullptr);
}

} // namespace
} // namespace brelvo
