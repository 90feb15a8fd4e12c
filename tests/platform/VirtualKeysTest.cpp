#include "platform/VirtualKeys.h"

#include <gtest/gtest.h>

namespace brelvo::platform {
namespace {

// The codes are the handheld's virtual-key codes; only the four editing keys also type.
TEST(VirtualKeysTest, NamesAndTheCharactersKeysType) {
    const struct {
        const char* name;
        std::uint16_t key;
        char16_t typed;
    } cases[] = {{"up", 0x26, 0},
                 {"DOWN", 0x28, 0},
                 {"left", 0x25, 0},
                 {"right", 0x27, 0},
                 {"enter", 0x0D, 0x0D},
                 {"space", 0x20, 0},
                 {"backspace", 0x08, 0x08},
                 {"escape", 0x1B, 0x1B},
                 {"tab", 0x09, 0x09},
                 {"a", 'A', 0},
                 {"Z", 'Z', 0},
                 {"7", '7', 0},
                 {"f1", 0x70, 0},
                 {"F12", 0x7B, 0},
                 {"f13", 0, 0},
                 {"f0", 0, 0},
                 {"f01", 0, 0},
                 {"", 0, 0},
                 {"!", 0, 0},
                 {"pagedown", 0x22, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(KeyFromName(c.name), c.key) << c.name;
        if (c.key != 0) {
            EXPECT_EQ(ControlCharForKey(c.key), c.typed) << c.name;
        }
    }
}

} // namespace
} // namespace brelvo::platform
