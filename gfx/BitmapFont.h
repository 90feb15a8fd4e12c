#pragma once

#include "base/Rect.h"
#include "base/Result.h"
#include "gfx/Blit.h"
#include "gfx/Surface.h"

#include <array>
#include <cstdint>
#include <span>

namespace brelvo {

// Character sets of a font image's marker row: the k-th run of the row is the glyph of the k-th
// byte of the set (bytes of the device code page, Windows-1251).
inline constexpr std::uint32_t CHARSET_LATIN = 1;
inline constexpr std::uint32_t CHARSET_CYRILLIC = 2;
inline constexpr std::uint32_t CHARSET_FULL = 4;

// DrawText layout flags.
inline constexpr std::uint32_t TEXT_CENTER = 2;   // x is the centre of the text
inline constexpr std::uint32_t TEXT_SHIFT = 4;    // the text starts at x plus its own width
inline constexpr std::uint32_t TEXT_MEASURE = 16; // nothing is drawn; the width is returned

// Texts are converted into a 256-byte buffer: longer texts are cut at this many characters.
inline constexpr int kMaxTextLength = 255;

// The bytes of a character set in marker-row order, followed by the zero bytes up to its scan
// limit; empty for no set. A 0 entry ends the assignment of glyphs.
std::span<const std::uint8_t> CharsetTable(std::uint32_t charsetFlags);

// A font: an image whose row 0 marks each glyph with a run of non-key pixels, and the glyph
// rectangle of every character byte. Rows 1 and below hold the glyph pictures on the key.
class BitmapFont : public Surface {
public:
    BitmapFont() = default;
    BitmapFont(BitmapFont&&) noexcept = default;
    BitmapFont& operator=(BitmapFont&&) noexcept = default;
    ~BitmapFont() override { m_glyphCount = 0; }

    // Right is the last column of the marker run; drawing treats it as exclusive, so a glyph is
    // drawn one column narrower than its run. All zero for a character without a glyph.
    const Rect& GlyphRect(std::uint8_t c) const { return m_glyphs[c]; }
    bool HasGlyph(std::uint8_t c) const { return m_present[c] != 0; }
    int GlyphCount() const { return m_glyphCount; }

private:
    friend HResult BuildGlyphs(BitmapFont& font, std::uint32_t charsetFlags);

    std::array<Rect, 256> m_glyphs{};
    std::array<std::uint32_t, 256> m_present{};
    int m_glyphCount = 0;
};

// Assigns the glyph rectangles from the marker row. 0xC8660070 when the font has no pixels.
HResult BuildGlyphs(BitmapFont& font, std::uint32_t charsetFlags);

// Draws or measures one line of text with its top-left at (x, y) (see the TEXT_ flags). Each
// glyph is drawn with Blit, BLT_KEYED always added to blitFlags; spacing pixels follow every
// glyph. A character without a glyph draws nothing and advances by the spacing. Texts longer
// than kMaxTextLength characters are cut. 0x80070057 for a font without glyphs, or a measure
// request without outWidth; the empty text draws nothing and leaves outWidth alone.
HResult DrawText(Surface& dst, std::int32_t x, std::int32_t y, const char16_t* text,
                 const BitmapFont* font, std::uint32_t layoutFlags = 0, std::uint32_t blitFlags = 0,
                 const BlitEffect* effect = nullptr, std::int32_t* outWidth = nullptr,
                 std::int32_t spacing = 0);

// The width DrawText gives the text in the font; 0 for the empty text or a font without glyphs.
std::int32_t TextWidth(const BitmapFont& font, const char16_t* text);

// The font built into the program, made on the first call; later calls return the same object
// (or what a failed first attempt left: null, or a font without glyphs). Its characters are
// those of CHARSET_FULL.
BitmapFont* GetDefaultFont();
// Destroys the default font: 1 when there was one, else 0. A later GetDefaultFont does not load
// it again.
int ReleaseDefaultFont();

} // namespace brelvo
