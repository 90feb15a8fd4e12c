// brelvo-fontgen: renders an outline font into one of the program's bitmap font images, and
// writes it as an eBM image, a PNG for review, the C++ definition of the built-in font, or a
// page of sample text.

#include "base/ByteSink.h"
#include "base/Options.h"
#include "gfx/BitmapFont.h"
#include "gfx/Blit.h"
#include "gfx/ImageLoad.h"
#include "tools/common/SurfacePng.h"
#include "tools/fontgen/FontGen.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace brelvo::fontgen {
namespace {

constexpr const char* kUsage =
    R"(usage: brelvo-fontgen --font FILE --size PX [options] OUTPUT...

Renders an outline font into a bitmap font image: the glyphs of one character set of the
Windows-1251 code page side by side, each marked by a run in row 0, on the colour key magenta.

  --font FILE          the outline font (TrueType, OpenType, ...)
  --face N             the face within a font collection; default 0
  --size PX            the em size in pixels
  --charset SET        latin (0x20-0x7E), cyrillic, or full (both); default full
  --fg COLOR           the glyph colour, written 0xRRGGBB with red first as in paint
                       programs (#RRGGBB works too); default 0x000000
  --bg COLOR           the background the text will be drawn on, 0xRRGGBB; glyph edges are
                       then anti-aliased towards it. Without it glyphs are 1-bit.
  --extra-advance PX   pixels added to every glyph's advance; default 0

Outputs, at least one:
  --out FILE.ebm       the font image in the program's eBM format
  --png FILE.png       the font image as a PNG, for review
  --cpp FILE.cpp       the image as the C++ definition of the built-in font
  --sample FILE.png    sample text drawn with the font on a page 240 pixels wide, white or
                       the --bg colour
  --sample-scale N     the sample enlarged N times, pixel for pixel; default 1
  --help               this text
)";

struct Options {
    FontSpec fontSpec;
    std::string ebmPath, pngPath, cppPath, samplePath;
    int sampleScale = 1;
};

// Command-line colours are 0xRRGGBB; the program's colours are 0x00BBGGRR.
bool ParseColor(std::string_view text, Color& color) {
    if (text.starts_with("0x") || text.starts_with("0X"))
        text.remove_prefix(2);
    else if (text.starts_with("#"))
        text.remove_prefix(1);
    std::uint32_t rgb = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), rgb, 16);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || rgb > 0xFFFFFF)
        return false;
    color = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | (rgb >> 16);
    return true;
}

bool ParseCharset(std::string_view text, std::uint32_t& charset) {
    if (text == "latin")
        charset = CHARSET_LATIN;
    else if (text == "cyrillic")
        charset = CHARSET_CYRILLIC;
    else if (text == "full")
        charset = CHARSET_FULL;
    else
        return false;
    return true;
}

// 0 to go on, 2 for a usage error (already reported), -1 when --help was asked for.
int ParseArguments(int argc, char** argv, Options& options) {
    static constexpr OptionSpec kOptions[] = {
        {"--font", true}, {"--face", true}, {"--size", true},          {"--charset", true},
        {"--fg", true},   {"--bg", true},   {"--extra-advance", true}, {"--out", true},
        {"--png", true},  {"--cpp", true},  {"--sample", true},        {"--sample-scale", true},
        {"--help"},       {"-h"},
    };
    std::vector<Argument> args;
    std::string error;
    if (!ReadArguments(kOptions, std::vector<std::string>(argv + 1, argv + argc), args, error))
        return UsageError("brelvo-fontgen", error);
    bool haveFont = false, haveSize = false;
    FontSpec& font = options.fontSpec;
    for (const Argument& arg : args) {
        const std::string& value = arg.value;
        bool ok = true;
        if (arg.Is("--help") || arg.Is("-h")) {
            return -1;
        } else if (arg.IsOperand()) {
            return UsageError("brelvo-fontgen", "unexpected '" + value + "': outputs are options");
        } else if (arg.Is("--font")) {
            font.fontFile = value;
            haveFont = true;
        } else if (arg.Is("--face")) {
            ok = ReadWholeNumber("--face", value, 0, 65535, font.faceIndex, error);
        } else if (arg.Is("--size")) {
            ok = ReadWholeNumber("--size", value, 1, 1000, font.pixelSize, error);
            haveSize = true;
        } else if (arg.Is("--extra-advance")) {
            ok = ReadWholeNumber("--extra-advance", value, -100, 100, font.extraAdvance, error);
        } else if (arg.Is("--sample-scale")) {
            ok = ReadWholeNumber("--sample-scale", value, 1, 16, options.sampleScale, error);
        } else if (arg.Is("--charset")) {
            ok = ParseCharset(value, font.charset);
            error = "--charset takes latin, cyrillic or full, not '" + value + "'";
        } else if (arg.Is("--fg") || arg.Is("--bg")) {
            Color color = 0;
            ok = ParseColor(value, color);
            if (arg.Is("--fg"))
                font.foreground = color;
            else
                font.background = color;
            error = std::string(arg.option) + " takes a colour 0xRRGGBB, not '" + value + "'";
        } else {
            (arg.Is("--out")   ? options.ebmPath
             : arg.Is("--png") ? options.pngPath
             : arg.Is("--cpp") ? options.cppPath
                               : options.samplePath) = value;
        }
        if (!ok)
            return UsageError("brelvo-fontgen", error);
    }
    if (!haveFont || !haveSize)
        return UsageError("brelvo-fontgen", "--font and --size are required");
    if (options.ebmPath.empty() && options.pngPath.empty() && options.cppPath.empty() &&
        options.samplePath.empty())
        return UsageError("brelvo-fontgen", "no output given");
    return 0;
}

// The file appears whole or not at all: the build must never compile half a font because the
// tool was stopped while writing it.
bool WriteFile(const std::string& path, const void* data, std::size_t size) {
    const std::string temporary = path + ".part";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    bool ok = file && std::fwrite(data, 1, size, file) == size;
    ok = file && std::fclose(file) == 0 && ok;
    std::error_code ec;
    if (ok)
        std::filesystem::rename(temporary, path, ec);
    if (!ok || ec) {
        std::fprintf(stderr, "brelvo-fontgen: cannot write %s: %s\n", path.c_str(),
                     ec ? ec.message().c_str() : std::strerror(errno));
        std::filesystem::remove(temporary, ec);
        return false;
    }
    return true;
}

// Breaks text at spaces into lines no wider than width.
void WrapText(const BitmapFont& font, const std::u16string& text, std::int32_t width,
              std::vector<std::u16string>& lines) {
    Surface nowhere;
    std::u16string line;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(u' ', start);
        if (end == std::u16string::npos)
            end = text.size();
        const std::u16string word = text.substr(start, end - start);
        const std::u16string longer = line.empty() ? word : line + u' ' + word;
        std::int32_t measured = 0;
        DrawText(nowhere, 0, 0, longer.c_str(), &font, TEXT_MEASURE, 0, nullptr, &measured);
        if (measured > width && !line.empty()) {
            lines.push_back(line);
            line = word;
        } else {
            line = longer;
        }
        start = end + 1;
    }
    lines.push_back(line);
}

// A page of text in the font for judging it at its real size: Latin and Cyrillic pangrams in
// both cases, the digits and the punctuation the character set has. The page has the colour the
// font was made for.
bool DrawSample(const BitmapFont& font, Color pageColor, int scale, Surface& out) {
    constexpr std::int32_t kWidth = 240, kMargin = 4;
    const std::int32_t lineHeight = font.GetHeight() - 1 + 2;
    const bool latin = font.HasGlyph('a'), cyrillic = font.HasGlyph(0xE0);
    const std::pair<bool, std::u16string> paragraphs[] = {
        {latin, u"The quick brown fox jumps over the lazy dog 0123456789"},
        {latin, u"THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG"},
        {cyrillic, u"Съешь же ещё этих мягких французских булок, да выпей чаю"},
        {cyrillic, u"СЪЕШЬ ЖЕ ЕЩЁ ЭТИХ МЯГКИХ ФРАНЦУЗСКИХ БУЛОК, ДА ВЫПЕЙ ЧАЮ"},
        {true, u"!\"#$%&()*+,-./:;<=>?@[\\]^_`{|}~"},
        {latin, u"Replace existing file? Yes / No"},
    };
    std::vector<std::pair<std::int32_t, std::u16string>> placed;
    std::int32_t y = kMargin;
    for (const auto& [shown, text] : paragraphs) {
        if (!shown)
            continue;
        std::vector<std::u16string> lines;
        WrapText(font, text, kWidth - 2 * kMargin, lines);
        for (std::u16string& line : lines) {
            placed.emplace_back(y, std::move(line));
            y += lineHeight;
        }
        y += lineHeight / 2;
    }
    const std::int32_t height = y - lineHeight / 2 + kMargin;

    Surface page;
    if (Failed(page.Create(0, kWidth, height)) || Failed(FillRect(page, nullptr, pageColor)))
        return false;
    for (const auto& [top, line] : placed)
        DrawText(page, kMargin, top, line.c_str(), &font);
    if (Failed(out.Create(0, kWidth * scale, height * scale)))
        return false;
    for (std::int32_t py = 0; py < height * scale; ++py)
        for (std::int32_t px = 0; px < kWidth * scale; ++px)
            out.Header().Row(py)[px] = page.Header().Row(py / scale)[px / scale];
    return true;
}

int Run(int argc, char** argv) {
    Options options;
    const int parsed = ParseArguments(argc, argv, options);
    if (parsed < 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (parsed > 0)
        return 2;
    Surface image;
    std::string error;
    if (!RenderFontImage(options.fontSpec, image, &error)) {
        std::fprintf(stderr, "brelvo-fontgen: %s\n", error.c_str());
        return 1;
    }

    if (!options.ebmPath.empty()) {
        VectorSink sink;
        if (!EncodeEbm(image, 0xff00ff, sink) ||
            !WriteFile(options.ebmPath, sink.Bytes().data(), sink.Bytes().size()))
            return 1;
    }
    if (!options.pngPath.empty() && !WriteSurfacePng(image, options.pngPath))
        return 1;
    if (!options.cppPath.empty()) {
        const std::string note =
            std::filesystem::path(options.fontSpec.fontFile).filename().string() + " at " +
            std::to_string(options.fontSpec.pixelSize) + " px, " +
            (options.fontSpec.background ? "anti-aliased" : "1-bit") + " glyphs";
        std::string source;
        if (!MakeFontSource(image, note, source)) {
            std::fprintf(stderr, "brelvo-fontgen: cannot encode the font image\n");
            return 1;
        }
        if (!WriteFile(options.cppPath, source.data(), source.size()))
            return 1;
    }
    if (!options.samplePath.empty()) {
        BitmapFont font;
        Surface sample;
        if (!MakeBitmapFont(image, options.fontSpec.charset, font) ||
            !DrawSample(font, options.fontSpec.background.value_or(0xffffff), options.sampleScale,
                        sample)) {
            std::fprintf(stderr, "brelvo-fontgen: cannot draw the sample\n");
            return 1;
        }
        if (!WriteSurfacePng(sample, options.samplePath))
            return 1;
    }
    return 0;
}

} // namespace
} // namespace brelvo::fontgen

int main(int argc, char** argv) {
    try {
        return brelvo::fontgen::Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "brelvo-fontgen: %s\n", e.what());
        return 1;
    }
}
