#pragma once

#include <cstddef>
#include <cstdint>

namespace brelvo::platform {

// The device's single-byte code page, in which bitmap fonts index their glyphs: Windows-1251,
// ASCII below 0x80 and the Cyrillic letters above it.

// The byte for one UTF-16 unit: the code page's byte when it has the character, else '?'.
// Surrogates, which stand for characters outside the code page, also give '?'.
std::uint8_t UnitToAnsi(char16_t unit);

// The character a byte of the code page stands for (U+FFFD for the one unassigned byte, 0x98).
char16_t AnsiToUnit(std::uint8_t byte);

} // namespace brelvo::platform
