#include "tests/support/XwdImage.h"

#include <bit>

namespace brelvo::test {

bool ReadXwd(const std::vector<std::uint8_t>& bytes, XwdImage& out, std::string& error) {
    // The header is 25 big-endian 32-bit words: 0 its size, 1 the version, 2 the format (2 is
    // ZPixmap), 4 and 5 the size, 7 the byte order, 11 the bits per pixel, 12 the bytes per line,
    // 13 the visual class, 14 to 16 the red, green and blue masks, and 19 the number of 12-byte
    // colour records between it and the pixels.
    const auto fail = [&](const char* why) {
        error = why;
        return false;
    };
    if (bytes.size() < 100)
        return fail("shorter than an XWD header");
    std::uint64_t h[25];
    for (int i = 0; i < 25; ++i)
        h[i] = std::uint64_t{bytes[4 * i]} << 24 | bytes[4 * i + 1] << 16 | bytes[4 * i + 2] << 8 |
               bytes[4 * i + 3];
    // 4 is TrueColor; 5, DirectColor, is Xvfb's default visual, whose colour map is the
    // identity ramp, so its masks apply as TrueColor's do.
    if (h[1] != 7 || h[2] != 2 || (h[13] != 4 && h[13] != 5))
        return fail("not a version 7 TrueColor or DirectColor ZPixmap dump");
    std::uint64_t bpp = h[11];
    const std::uint64_t width = h[4], height = h[5], line = h[12];
    const std::uint64_t start = h[0] + h[19] * 12;
    for (int mask = 14; mask <= 16; ++mask)
        if (h[mask] == 0 || h[mask] >> std::countr_zero(h[mask]) != 0xFF)
            bpp = 0;
    if (bpp != 24 && bpp != 32)
        return fail("not 24 or 32 bits per pixel with 8-bit channels");
    if (width == 0 || height == 0 || width > 16384 || height > 16384 || line < width * bpp / 8 ||
        start + line * height > bytes.size())
        return fail("the image does not fit the file");
    const std::uint64_t step = bpp / 8;
    out.width = static_cast<std::int32_t>(width);
    out.height = static_cast<std::int32_t>(height);
    out.pixels.assign(width * height, 0);
    for (std::uint64_t i = 0; i < width * height; ++i) {
        const std::uint8_t* p = bytes.data() + start + i / width * line + i % width * step;
        std::uint64_t pixel = 0;
        for (std::uint64_t b = 0; b < step; ++b)
            pixel = pixel << 8 | p[h[7] != 0 ? b : step - 1 - b];
        for (int mask = 14; mask <= 16; ++mask)
            out.pixels[i] =
                out.pixels[i] << 8 |
                static_cast<std::uint32_t>((pixel & h[mask]) >> std::countr_zero(h[mask]));
    }
    return true;
}

} // namespace brelvo::test
