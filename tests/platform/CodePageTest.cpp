#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace brelvo {
namespace {

TEST(CodePage, Windows1251) {
    const struct {
        char16_t unit;
        std::uint8_t byte;
    } cases[] = {{u'A', 'A'},       {u'\u0410', 0xC0}, {u'\u044F', 0xFF}, {u'\u0401', 0xA8},
                 {u'\u0451', 0xB8}, {u'\u2116', 0xB9}, {u'\u20AC', 0x88}, {u'\u00E9', '?'},
                 {u'\xD83D', '?'},  {u'\xFFFD', '?'}};
    for (const auto& c : cases) {
        EXPECT_EQ(platform::UnitToAnsi(c.unit), c.byte) << int(c.unit);
        if (c.byte != '?') {
            EXPECT_EQ(platform::AnsiToUnit(c.byte), c.unit);
        }
    }
    for (int b = 0; b < 256; ++b) {
        const char16_t u = platform::AnsiToUnit(static_cast<std::uint8_t>(b));
        if (u != 0xFFFD) {
            EXPECT_EQ(platform::UnitToAnsi(u), b);
        }
    }
}

} // namespace
} // namespace brelvo
