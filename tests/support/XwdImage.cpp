#include "tests/support/XwdImage.h"

namespace brelvo::test {
namespace {

// The header is 25 big-endian 32-bit words; these are the ones a TrueColor dump needs.
enum Field {
    kHeaderSize = 0,
    kVersion = 1,
    kFormat = 2,
    kWidth = 4,
    kHeight = 5,
    kByteOrder = 7,
    kBitsPerPixel = 11,
    kBytesPerLine = 12,
    kVisualClass = 13,
    kRedMask = 14,
    kGreenMask = 15,
    kBlueMask = 16,
    kColourCount = 19,
    kFieldCount = 25,
};
constexpr std::uint32_t kZPixmap = 2;
constexpr std::uint32_t kTrueColor = 4;
// Xvfb's default visual; its colour map is the identity ramp, so masks apply as for TrueColor.
constexpr std::uint32_t kDirectColor = 5;
constexpr std::size_t kColourRecordBytes = 12;

std::uint32_t BigEndian(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}

// The channel selected by mask, scaled to 8 bits.
std::uint32_t Channel(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0)
        return 0;
    int shift = 0;
    while (((mask >> shift) & 1u) == 0)
        ++shift;
    int bits = 0;
    while (shift + bits < 32 && ((mask >> (shift + bits)) & 1u) != 0)
        ++bits;
    const std::uint32_t value = (pixel & mask) >> shift;
    if (bits >= 8)
        return value >> (bits - 8);
    // Widen by repeating the top bits, as the screen would show it.
    std::uint32_t wide = 0;
    int filled = 0;
    while (filled < 8) {
        wide = (wide << bits) | value;
        filled += bits;
    }
    return (wide >> (filled - 8)) & 0xFF;
}

} // namespace

bool ReadXwd(const std::vector<std::uint8_t>& bytes, XwdImage& out, std::string& error) {
    if (bytes.size() < kFieldCount * 4u) {
        error = "shorter than an XWD header";
        return false;
    }
    std::uint32_t h[kFieldCount];
    for (int i = 0; i < kFieldCount; ++i)
        h[i] = BigEndian(bytes.data() + 4 * i);
    if (h[kVersion] != 7 || h[kFormat] != kZPixmap ||
        (h[kVisualClass] != kTrueColor && h[kVisualClass] != kDirectColor)) {
        error = "not a version 7 TrueColor or DirectColor ZPixmap dump";
        return false;
    }
    const std::uint32_t bpp = h[kBitsPerPixel];
    if (bpp != 16 && bpp != 24 && bpp != 32) {
        error = "unsupported bits per pixel " + std::to_string(bpp);
        return false;
    }
    const std::uint64_t start =
        std::uint64_t{h[kHeaderSize]} + std::uint64_t{h[kColourCount]} * kColourRecordBytes;
    const std::uint64_t width = h[kWidth];
    const std::uint64_t height = h[kHeight];
    const std::uint64_t line = h[kBytesPerLine];
    if (width == 0 || height == 0 || width > 16384 || height > 16384 || line < width * bpp / 8 ||
        start + line * height > bytes.size()) {
        error = "the image does not fit the file";
        return false;
    }
    const bool msbFirst = h[kByteOrder] != 0;
    const std::size_t step = bpp / 8;
    out.width = static_cast<std::int32_t>(width);
    out.height = static_cast<std::int32_t>(height);
    out.pixels.assign(width * height, 0);
    for (std::uint64_t y = 0; y < height; ++y) {
        const std::uint8_t* row = bytes.data() + start + y * line;
        for (std::uint64_t x = 0; x < width; ++x) {
            const std::uint8_t* p = row + x * step;
            std::uint32_t pixel = 0;
            for (std::size_t b = 0; b < step; ++b) {
                const std::uint32_t byte = p[msbFirst ? b : step - 1 - b];
                pixel = (pixel << 8) | byte;
            }
            out.pixels[y * width + x] = (Channel(pixel, h[kRedMask]) << 16) |
                                        (Channel(pixel, h[kGreenMask]) << 8) |
                                        Channel(pixel, h[kBlueMask]);
        }
    }
    return true;
}

} // namespace brelvo::test
