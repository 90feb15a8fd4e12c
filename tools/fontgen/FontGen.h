#pragma once

#include "gfx/BitmapFont.h"
#include "gfx/PixelFormat.h"
#include "gfx/Surface.h"

#include <cstdint>
#include <optional>
#include <string>

namespace brelvo::fontgen {

// What one font image is made from. Colours are the program's own, 0x00BBGGRR.
struct FontSpec {
    std::string fontFile;                 // any outline font FreeType reads
    int pixelSize = 12;                   // the em size in pixels
    std::uint32_t charset = CHARSET_FULL; // CHARSET_LATIN, CHARSET_CYRILLIC or CHARSET_FULL
    Color foreground = 0;                 // the colour of fully covered pixels
    std::optional<Color> background;      // none: 1-bit glyphs; else edges blend towards it
    int extraAdvance = 0;                 // pixels added to every glyph's advance
    int faceIndex = 0;                    // the face within a collection file
};

// Renders the glyphs of fontSpec.charset side by side in the marker-row layout that BuildGlyphs
// reads, on the colour key magenta (0xF81F). Every glyph is the character its byte stands for in
// the device code page, all on one baseline; the cell reaches from the font's ascender down to
// its descender at this size, and is as wide as the glyph's advance. A glyph whose ink would stick
// out of its cell is moved inside it, and one whose ink is wider than its advance gets a cell as
// wide as the ink, so no glyph loses a column; ink above the ascender or below the descender is
// cut.
//
// Without a background, glyphs are hinted for monochrome and every pixel is either the
// foreground or the key. With a background, edges are anti-aliased: partly covered pixels mix
// the foreground with the background the text is meant for, never with the key. A glyph pixel
// that would come out as the key value is moved to the nearest other value so it stays visible.
// The same FontSpec always gives the same pixels.
//
// False, with the reason in *error when given, for an unreadable font file, a size below 1, no
// character set, or a font without one of the set's characters.
bool RenderFontImage(const FontSpec& fontSpec, Surface& out, std::string* error = nullptr);

// Makes a usable font of a rendered image the way the program loads its fonts: through the eBM
// format and BuildGlyphs. False when the image cannot be loaded or its key is not magenta.
bool MakeBitmapFont(const Surface& image, std::uint32_t charset, BitmapFont& font);

// The C++ source that defines the built-in font (gfx/DefaultFontData.h) from a font image: its
// eBM bytes compressed with zlib at level 9. note goes into the file's opening comment and
// should say what the image was made from. False when the image cannot be encoded.
bool MakeFontSource(const Surface& image, const std::string& note, std::string& source);

} // namespace brelvo::fontgen
