#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brelvo::test {

// A window dump as the X server's xwd tool writes it, reduced to 8-bit RGB.
struct XwdImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint32_t> pixels; // 0x00RRGGBB, rows top first

    std::uint32_t At(std::int32_t x, std::int32_t y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

// Reads an XWD file (version 7, ZPixmap, TrueColor or DirectColor, 24 or 32 bits per pixel with
// 8-bit channels, as a 24-bit X screen dumps it). False with the reason in error for anything
// else or a truncated file.
bool ReadXwd(const std::vector<std::uint8_t>& bytes, XwdImage& out, std::string& error);

} // namespace brelvo::test
