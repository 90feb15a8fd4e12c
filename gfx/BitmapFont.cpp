#include "gfx/BitmapFont.h"

#include "platform/CodePage.h"

#include <cstring>

namespace brelvo {

namespace {

// Each set lists its bytes in marker-row order and ends with zeros up to its scan limit. In the
// Cyrillic and full sets the eighth entry is 0x60 where the Latin set has the apostrophe 0x27,
// and 0x60 comes again in its own place: the apostrophe never gets a glyph there, and 0x60
// takes the later of its two.
constexpr auto kLatin = [] {
    std::array<std::uint8_t, 99> t{};
    for (int i = 0; i < 95; ++i)
        t[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0x20 + i);
    return t;
}();

template <std::size_t N>
struct Builder {
    std::array<std::uint8_t, N> table{};
    std::size_t n = 0;
    constexpr void Range(int from, int to) {
        for (int c = from; c <= to; ++c)
            table[n++] = static_cast<std::uint8_t>(c);
    }
};

constexpr auto kCyrillic = [] {
    Builder<113> b;
    b.Range(0x20, 0x26);
    b.Range(0x60, 0x60);
    b.Range(0x28, 0x40);
    b.Range(0xC0, 0xC5);
    b.Range(0xA8, 0xA8);
    b.Range(0xC6, 0xDF);
    b.Range(0x5B, 0x60);
    b.Range(0xE0, 0xE5);
    b.Range(0xB8, 0xB8);
    b.Range(0xE6, 0xFF);
    b.Range(0x7B, 0x7E);
    return b;
}();
static_assert(kCyrillic.n == 109);

constexpr auto kFull = [] {
    Builder<166> b;
    b.Range(0x20, 0x26);
    b.Range(0x60, 0x60);
    b.Range(0x28, 0x7E);
    b.Range(0xC0, 0xC5);
    b.Range(0xA8, 0xA8);
    b.Range(0xC6, 0xE5);
    b.Range(0xB8, 0xB8);
    b.Range(0xE6, 0xFF);
    return b;
}();
static_assert(kFull.n == 161);

} // namespace

std::span<const std::uint8_t> CharsetTable(std::uint32_t flags) {
    if (flags & CHARSET_FULL)
        return kFull.table;
    if (flags & CHARSET_LATIN)
        return kLatin;
    if (flags & CHARSET_CYRILLIC)
        return kCyrillic.table;
    return {};
}

HResult BuildGlyphs(BitmapFont& font, std::uint32_t charsetFlags) {
    const SurfaceHeader& h = font.Header();
    if (!h.pixels)
        return kErrFontNoPixels;
    font.m_glyphCount = 0;
    const std::span<const std::uint8_t> table = CharsetTable(charsetFlags);
    const Pixel* marker = h.Row(0);
    std::int32_t start = -1;
    for (std::int32_t x = 0; x < h.width; ++x) {
        if (marker[x] != h.colorKey) {
            if (start < 0)
                start = x;
            continue;
        }
        if (start < 0)
            continue;
        const auto k = static_cast<std::size_t>(font.m_glyphCount);
        const std::uint8_t c = k < table.size() ? table[k] : 0;
        if (c != 0) {
            font.m_glyphs[c] = Rect(start, 1, x - 1, h.height);
            font.m_present[c] = 1;
            ++font.m_glyphCount;
        }
        start = -1;
    }
    return kOk;
}

HResult DrawText(Surface& dst, std::int32_t x, std::int32_t y, const char16_t* text,
                 const BitmapFont* font, std::uint32_t layoutFlags, std::uint32_t blitFlags,
                 const BlitEffect* effect, std::int32_t* outWidth, std::int32_t spacing) {
    if (!font || font->GlyphCount() == 0)
        return kErrInvalidArg;
    if ((layoutFlags & TEXT_MEASURE) && !outWidth)
        return kErrInvalidArg;
    // One byte per UTF-16 unit, so character i of the text is byte i of the buffer.
    std::uint8_t bytes[kMaxTextLength + 1];
    int n = 0;
    if (text)
        for (; n < kMaxTextLength && text[n] != 0; ++n)
            bytes[n] = platform::UnitToAnsi(text[n]);
    if (n == 0)
        return kOk;

    auto advance = [&](std::uint8_t c) {
        const Rect& r = font->GlyphRect(c);
        return static_cast<std::int64_t>(r.right) - r.left;
    };
    if (layoutFlags & (TEXT_CENTER | TEXT_SHIFT | TEXT_MEASURE)) {
        std::int64_t width = 0;
        for (int i = 0; i < n; ++i)
            if (bytes[i] != 0)
                width += (i >= 1 ? spacing : 0) + advance(bytes[i]);
        const auto w = static_cast<std::int32_t>(width);
        if (layoutFlags & TEXT_MEASURE) {
            *outWidth = w;
            return kOk;
        }
        x = (layoutFlags & TEXT_CENTER) ? x - (w >> 1) : x + w;
    }
    std::int64_t pen = x;
    for (int i = 0; i < n; ++i) {
        const std::uint8_t c = bytes[i];
        if (c == 0)
            continue;
        if (pen >= INT32_MIN && pen <= INT32_MAX)
            Blit(dst, static_cast<std::int32_t>(pen), y, *font, &font->GlyphRect(c),
                 blitFlags | BLT_KEYED, effect);
        pen += spacing + advance(c);
    }
    return kOk;
}

std::int32_t TextWidth(const BitmapFont& font, const char16_t* text) {
    Surface none; // measuring draws nothing
    std::int32_t width = 0;
    DrawText(none, 0, 0, text, &font, TEXT_MEASURE, 0, nullptr, &width);
    return width;
}

} // namespace brelvo
