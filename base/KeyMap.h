#pragma once

#include <cstdint>

namespace brelvo {

// The hardware keys the screens react to, as 16-bit virtual-key codes arranged for the current
// display orientation; 0 means the device has no such key.
struct KeyMap {
    std::uint16_t up = 0;
    std::uint16_t down = 0;
    std::uint16_t left = 0;
    std::uint16_t right = 0;
    std::uint16_t start = 0;
    std::uint16_t a = 0;
    std::uint16_t b = 0;
    std::uint16_t c = 0;
    std::uint16_t extra1 = 0;
    std::uint16_t extra2 = 0;

    friend constexpr bool operator==(const KeyMap&, const KeyMap&) = default;
};

} // namespace brelvo
