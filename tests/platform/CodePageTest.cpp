#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace brelvo::platform {
namespace {

// Windows-1251 both ways: every byte with a character comes back from it, and a character
// outside the page becomes '?'.
TEST(CodePage, Windows1251) {
    const std::pair<char16_t, std::uint8_t> cases[] = {
        {u'A', 'A'},       {u'\u0410', 0xC0}, {u'\u044F', 0xFF}, {u'\u0401', 0xA8},
        {u'\u2116', 0xB9}, {u'\u00E9', '?'},  {u'\xD83D', '?'},  {u'\xFFFD', '?'}};
    for (const auto& [unit, byte] : cases) {
        EXPECT_EQ(UnitToAnsi(unit), byte) << int(unit);
        if (byte != '?') {
            EXPECT_EQ(AnsiToUnit(byte), unit);
        }
    }
    for (int b = 0; b < 256; ++b) {
        const char16_t u = AnsiToUnit(static_cast<std::uint8_t>(b));
        if (u != 0xFFFD) {
            EXPECT_EQ(UnitToAnsi(u), b);
        }
    }
}

} // namespace
} // namespace brelvo::platform
