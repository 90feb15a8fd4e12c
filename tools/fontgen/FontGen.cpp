#include "tools/fontgen/FontGen.h"

#include "base/ByteSink.h"
#include "gfx/ImageLoad.h"
#include "platform/CodePage.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <span>
#include <type_traits>
#include <vector>

namespace brelvo::fontgen {

namespace {

// The key of every font image, as written into its eBM header.
constexpr Color kKeyColor = 0xff00ff;
constexpr Pixel kMarkerPixel = ColorToPixel(0x000000);
// Large enough for any heading; a larger size is almost certainly a mistyped argument, and its
// image would not fit a Surface.
constexpr int kMaxPixelSize = 256;

struct LibraryDeleter {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceDeleter {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using LibraryPtr = std::unique_ptr<std::remove_pointer_t<FT_Library>, LibraryDeleter>;
using FacePtr = std::unique_ptr<std::remove_pointer_t<FT_Face>, FaceDeleter>;

// One glyph's coverage in its cell, row by row, from 0 (none) to 255 (full).
struct Cell {
    int width = 0;
    std::vector<std::uint8_t> coverage;
};

void SetError(std::string* error, const std::string& message) {
    if (error)
        *error = message;
}

std::string CharName(char16_t ch) {
    char name[16];
    std::snprintf(name, sizeof(name), "U+%04X", static_cast<unsigned>(ch));
    return name;
}

// A glyph pixel that happens to equal the key would vanish when drawn; flipping the lowest blue
// bit is the smallest change that keeps it.
constexpr Pixel Visible(Pixel p) {
    return p == kPixelMagenta ? static_cast<Pixel>(p ^ 1u) : p;
}

// The pixel for each coverage value. Mixing happens in 8 bits per channel, before the colour is
// cut to 5-6-5, so that partly covered pixels round the same way as opaque ones.
std::array<Pixel, 256> CoveragePixels(const FontSpec& fontSpec) {
    std::array<Pixel, 256> pixels{};
    for (unsigned c = 1; c < 256; ++c) {
        Color mixed = fontSpec.foreground;
        if (fontSpec.background && c < 255) {
            mixed = 0;
            for (unsigned shift = 0; shift < 24; shift += 8) {
                const unsigned f = (fontSpec.foreground >> shift) & 0xFF;
                const unsigned b = (*fontSpec.background >> shift) & 0xFF;
                mixed |= ((f * c + b * (255 - c) + 127) / 255) << shift;
            }
        }
        pixels[c] = Visible(ColorToPixel(mixed));
    }
    pixels[0] = kPixelMagenta;
    return pixels;
}

bool RenderCell(FT_Face face, char16_t ch, const FontSpec& fontSpec, int ascender, int height,
                Cell& cell, std::string* error) {
    const FT_UInt index = FT_Get_Char_Index(face, ch);
    if (index == 0) {
        SetError(error, "the font has no glyph for " + CharName(ch));
        return false;
    }
    const bool mono = !fontSpec.background;
    // Embedded bitmaps are skipped so that every size is drawn from the outlines the same way.
    const FT_Int32 loadFlags =
        FT_LOAD_NO_BITMAP | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    if (FT_Load_Glyph(face, index, loadFlags) != 0 ||
        FT_Render_Glyph(face->glyph, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) {
        SetError(error, "FreeType cannot render " + CharName(ch));
        return false;
    }
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    const unsigned char expectedMode = mono ? FT_PIXEL_MODE_MONO : FT_PIXEL_MODE_GRAY;
    if (bitmap.rows > 0 && (bitmap.pixel_mode != expectedMode || bitmap.pitch < 0)) {
        SetError(error, "unexpected bitmap layout for " + CharName(ch));
        return false;
    }
    const int bitmapWidth = static_cast<int>(bitmap.width);
    const int bitmapRows = static_cast<int>(bitmap.rows);
    auto coverage = [&](int x, int y) -> std::uint8_t {
        const unsigned char* row = bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
        if (mono)
            return (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        return row[x];
    };

    // Only the rows that land inside the cell count: ink that is cut off must not push the
    // rest of the glyph sideways.
    const int firstRow = std::max(0, slot->bitmap_top - ascender);
    const int endRow = std::min(bitmapRows, slot->bitmap_top - ascender + height);
    int inkFirst = bitmapWidth, inkLast = -1;
    for (int y = firstRow; y < endRow; ++y)
        for (int x = 0; x < bitmapWidth; ++x)
            if (coverage(x, y) != 0) {
                inkFirst = std::min(inkFirst, x);
                inkLast = std::max(inkLast, x);
            }
    const int inkWidth = inkLast >= inkFirst ? inkLast - inkFirst + 1 : 0;

    const int advance =
        std::max(0, static_cast<int>((slot->advance.x + 32) >> 6) + fontSpec.extraAdvance);
    cell.width = std::max(advance, inkWidth);
    cell.coverage.assign(static_cast<std::size_t>(cell.width) * height, 0);
    const int left = std::clamp(slot->bitmap_left + inkFirst, 0, cell.width - inkWidth);
    for (int y = firstRow; y < endRow; ++y) {
        const int cellRow = ascender - slot->bitmap_top + y;
        for (int x = 0; x < inkWidth; ++x)
            cell.coverage[static_cast<std::size_t>(cellRow) * cell.width + left + x] =
                coverage(inkFirst + x, y);
    }
    return true;
}

bool RenderFontImageUnguarded(const FontSpec& fontSpec, Surface& out, std::string* error) {
    out.Release();
    if (fontSpec.pixelSize < 1 || fontSpec.pixelSize > kMaxPixelSize) {
        SetError(error, "the pixel size must be between 1 and " + std::to_string(kMaxPixelSize));
        return false;
    }
    // FreeType takes a negative index as a question about the file, not as a face.
    if (fontSpec.faceIndex < 0) {
        SetError(error, "the face index must not be negative");
        return false;
    }
    std::span<const std::uint8_t> table = CharsetTable(fontSpec.charset);
    table = table.first(static_cast<std::size_t>(
        std::find(table.begin(), table.end(), std::uint8_t{0}) - table.begin()));
    if (table.empty()) {
        SetError(error, "no character set chosen");
        return false;
    }

    FT_Library rawLibrary = nullptr;
    if (FT_Init_FreeType(&rawLibrary) != 0) {
        SetError(error, "FreeType cannot start");
        return false;
    }
    const LibraryPtr library(rawLibrary);
    FT_Face rawFace = nullptr;
    if (FT_New_Face(library.get(), fontSpec.fontFile.c_str(), fontSpec.faceIndex, &rawFace) != 0) {
        SetError(error, fontSpec.fontFile + ": not a font FreeType can read");
        return false;
    }
    const FacePtr face(rawFace);
    if (!FT_IS_SCALABLE(face.get()) ||
        FT_Set_Pixel_Sizes(face.get(), 0, static_cast<FT_UInt>(fontSpec.pixelSize)) != 0) {
        SetError(error, fontSpec.fontFile + ": cannot be scaled to " +
                            std::to_string(fontSpec.pixelSize) + " px");
        return false;
    }
    const FT_Size_Metrics& metrics = face->size->metrics;
    const int ascender = static_cast<int>((metrics.ascender + 63) >> 6);
    const int descender = static_cast<int>(metrics.descender >> 6);
    const int height = ascender - descender;
    if (height < 1) {
        SetError(error, fontSpec.fontFile + ": the font has no height");
        return false;
    }

    std::vector<Cell> cells(table.size());
    std::int64_t imageWidth = 0;
    for (std::size_t k = 0; k < table.size(); ++k) {
        if (!RenderCell(face.get(), platform::AnsiToUnit(table[k]), fontSpec, ascender, height,
                        cells[k], error))
            return false;
        // The marker run is one pixel wider than the glyph, and a key pixel ends it.
        imageWidth += cells[k].width + 2;
    }

    if (imageWidth > INT32_MAX ||
        Failed(out.Create(0, static_cast<std::int32_t>(imageWidth), height + 1))) {
        SetError(error, "the font image is too large");
        return false;
    }
    // Spare row pixels included, so that the encoded image is the same on every run.
    out.SetColorKeyRaw(kPixelMagenta);
    std::fill_n(out.GetPixels(), out.GetSize() / kBytesPerPixel, kPixelMagenta);
    const std::array<Pixel, 256> pixels = CoveragePixels(fontSpec);
    const SurfaceHeader& image = out.Header();
    int x0 = 0;
    for (const Cell& cell : cells) {
        std::fill_n(image.Row(0) + x0, cell.width + 1, kMarkerPixel);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < cell.width; ++x)
                image.Row(y + 1)[x0 + x] =
                    pixels[cell.coverage[static_cast<std::size_t>(y) * cell.width + x]];
        x0 += cell.width + 2;
    }
    return true;
}

bool EncodeFontImage(const Surface& image, VectorSink& sink) {
    return image.GetPixels() && image.GetColorKey() == kPixelMagenta &&
           EncodeEbm(image, kKeyColor, sink);
}

bool MakeBitmapFontUnguarded(const Surface& image, std::uint32_t charset, BitmapFont& font) {
    VectorSink sink;
    if (!EncodeFontImage(image, sink))
        return false;
    const std::vector<std::uint8_t>& bytes = sink.Bytes();
    void* block = std::malloc(bytes.size());
    if (!block)
        return false;
    std::memcpy(block, bytes.data(), bytes.size());
    return Succeeded(LoadImageFromMemory(font, block, bytes.size())) &&
           Succeeded(BuildGlyphs(font, charset)) && font.GlyphCount() > 0;
}

bool MakeFontSourceUnguarded(const Surface& image, const std::string& note, std::string& source) {
    VectorSink sink;
    if (!EncodeFontImage(image, sink))
        return false;
    const std::vector<std::uint8_t>& ebm = sink.Bytes();
    uLongf streamSize = compressBound(static_cast<uLong>(ebm.size()));
    std::vector<Bytef> stream(streamSize);
    if (compress2(stream.data(), &streamSize, ebm.data(), static_cast<uLong>(ebm.size()), 9) !=
        Z_OK)
        return false;

    std::string oneLineNote = note;
    std::replace(oneLineNote.begin(), oneLineNote.end(), '\n', ' ');
    source = "// The built-in font: " + oneLineNote +
             ".\n// Generated by brelvo-fontgen during the build; change its arguments in "
             "tools/CMakeLists.txt\n// rather than this file.\n\n"
             "#include \"gfx/DefaultFontData.h\"\n\nnamespace brelvo {\n\n"
             "const std::uint8_t kDefaultFontStream[] = {";
    for (uLongf i = 0; i < streamSize; ++i) {
        char byte[8];
        std::snprintf(byte, sizeof(byte), "0x%02x,", stream[i]);
        source += i % 12 == 0 ? "\n    " : " ";
        source += byte;
    }
    source += "\n};\nconst std::size_t kDefaultFontStreamSize = " + std::to_string(streamSize) +
              ";\nconst std::size_t kDefaultFontImageSize = " + std::to_string(ebm.size()) +
              ";\n\n} // namespace brelvo\n";
    return true;
}

} // namespace

// The tools that call these run them once per font; running out of memory there ends the
// font, not the caller.
bool RenderFontImage(const FontSpec& fontSpec, Surface& out, std::string* error) {
    try {
        return RenderFontImageUnguarded(fontSpec, out, error);
    } catch (const std::exception&) {
        out.Release();
        SetError(error, "out of memory");
        return false;
    }
}

bool MakeBitmapFont(const Surface& image, std::uint32_t charset, BitmapFont& font) {
    try {
        return MakeBitmapFontUnguarded(image, charset, font);
    } catch (const std::exception&) {
        return false;
    }
}

bool MakeFontSource(const Surface& image, const std::string& note, std::string& source) {
    try {
        return MakeFontSourceUnguarded(image, note, source);
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace brelvo::fontgen
