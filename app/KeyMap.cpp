#include "app/KeyMap.h"

namespace brelvo {

KeyMapHolder::KeyMapHolder(std::int32_t deviceModel, const PortraitKeyList& keyList)
    : m_deviceModel(deviceModel), m_keyList(keyList) {
    Open();
}

KeyMapHolder::~KeyMapHolder() {
    Close();
}

HResult KeyMapHolder::Open() {
    m_keys = KeyMap{};
    // The desktop's keyboard needs nothing opened; the flag keeps the open/close pairing that a
    // device key interface requires.
    m_inputOpen = true;
    const PortraitKeyList& k = m_keyList;

    // The directions turn with the screen, so that "up" is always towards the top of what the
    // user sees.
    switch (m_orientation) {
    case 2:
        m_keys.up = k.down;
        m_keys.down = k.up;
        m_keys.left = k.right;
        m_keys.right = k.left;
        break;
    case 4:
        m_keys.up = k.left;
        m_keys.down = k.right;
        m_keys.left = k.down;
        m_keys.right = k.up;
        break;
    case 8:
        m_keys.up = k.right;
        m_keys.down = k.left;
        m_keys.left = k.up;
        m_keys.right = k.down;
        break;
    default:
        m_keys.up = k.up;
        m_keys.down = k.down;
        m_keys.left = k.left;
        m_keys.right = k.right;
        break;
    }
    m_keys.start = k.start;
    m_keys.a = k.a;
    m_keys.b = k.b;
    m_keys.c = k.c;

    switch (m_deviceModel) {
    case 2:
    case 3:
        m_keys.extra1 = 0xC0;
        m_keys.extra2 = 0xC1;
        break;
    case 7:
        m_keys.extra1 = 0xD5;
        break;
    case 8:
    case 9:
    case 10:
        m_keys.extra1 = 0xC1;
        m_keys.extra2 = 0xC2;
        break;
    default:
        break;
    }
    return kOk;
}

HResult KeyMapHolder::Reopen(std::uint32_t orientation) {
    m_orientation = orientation;
    Close();
    return Open();
}

HResult KeyMapHolder::Close() {
    m_inputOpen = false;
    return kOk;
}

} // namespace brelvo
