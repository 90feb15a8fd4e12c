#pragma once

#include <cstdint>

namespace brelvo {

// The files the program reads and writes (BMP, its artwork archive, its picture format) store
// numbers least significant byte first, whatever the machine; these read and write them.
constexpr std::uint16_t LoadLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

constexpr std::uint32_t LoadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

constexpr void StoreLe16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

constexpr void StoreLe32(std::uint8_t* p, std::uint32_t v) {
    StoreLe16(p, v);
    StoreLe16(p + 2, v >> 16);
}

} // namespace brelvo
