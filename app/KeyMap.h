#pragma once

#include "app/DeviceModel.h"
#include "base/KeyMap.h"
#include "base/Result.h"

#include <cstdint>

namespace brelvo {

// The platform's keys for the portrait layout, in the platform's own order.
struct PortraitKeyList {
    std::uint16_t up = 0;
    std::uint16_t down = 0;
    std::uint16_t left = 0;
    std::uint16_t right = 0;
    std::uint16_t a = 0;
    std::uint16_t b = 0;
    std::uint16_t c = 0;
    std::uint16_t start = 0;
};

// On a desktop the keys are the keyboard's, as the virtual-key codes the window layer
// translates them to: the arrow keys for the directions, Z for A, X for B (the menu key), C for
// C and Enter for Start. Z, X and C sit side by side under the left hand while the right hand
// holds the arrows or the mouse.
inline constexpr PortraitKeyList kDesktopKeyList{0x26, 0x28, 0x25, 0x27, 0x5A, 0x58, 0x43, 0x0D};

// Holds the key map for one display orientation (1 portrait, 2 upside down, 4 and 8 the two
// landscape turns). The key input is opened on construction and closed on destruction; the
// application closes it while it is suspended and opens it again on reactivation.
class KeyMapHolder {
public:
    // deviceModel decides the extra keys; keyList is the platform's portrait layout.
    explicit KeyMapHolder(std::int32_t deviceModel = DeviceModel(),
                          const PortraitKeyList& keyList = kDesktopKeyList);
    ~KeyMapHolder();
    KeyMapHolder(const KeyMapHolder&) = delete;
    KeyMapHolder& operator=(const KeyMapHolder&) = delete;

    // Opens the key input and arranges the keys for the stored orientation. An orientation other
    // than 2, 4 or 8 is taken as portrait. Always kOk.
    HResult Open();
    // Stores the orientation, then closes and opens again.
    HResult Reopen(std::uint32_t orientation);
    HResult Close();
    void Copy(KeyMap& out) const { out = m_keys; }

    std::uint32_t Orientation() const { return m_orientation; }
    bool IsInputOpen() const { return m_inputOpen; }

private:
    KeyMap m_keys;
    std::uint32_t m_orientation = 1;
    std::int32_t m_deviceModel;
    PortraitKeyList m_keyList;
    bool m_inputOpen = false;
};

} // namespace brelvo
