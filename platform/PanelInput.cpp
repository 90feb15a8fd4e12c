#include "platform/PanelInput.h"

#include "base/Options.h"
#include "platform/VirtualKeys.h"

#include <linux/input.h>

#include <algorithm>
#include <utility>

namespace brelvo::platform {
namespace {

constexpr std::uint16_t kLetters[26] = {
    KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I, KEY_J, KEY_K, KEY_L, KEY_M,
    KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R, KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z,
};

constexpr struct {
    std::uint16_t code;
    std::uint16_t key;
} kKeys[] = {
    {KEY_UP, vk::kUp},
    {KEY_DOWN, vk::kDown},
    {KEY_LEFT, vk::kLeft},
    {KEY_RIGHT, vk::kRight},
    {KEY_ENTER, vk::kEnter},
    {KEY_KPENTER, vk::kEnter},
    {KEY_SPACE, vk::kSpace},
    {KEY_BACKSPACE, vk::kBackspace},
    {KEY_TAB, vk::kTab},
    {KEY_ESC, vk::kEscape},
    {KEY_DELETE, vk::kDelete},
    {KEY_HOME, vk::kHome},
    {KEY_END, vk::kEnd},
    {KEY_PAGEUP, vk::kPageUp},
    {KEY_PAGEDOWN, vk::kPageDown},
    {KEY_LEFTCTRL, vk::kControl},
    {KEY_RIGHTCTRL, vk::kControl},
    {KEY_LEFTSHIFT, vk::kShift},
    {KEY_RIGHTSHIFT, vk::kShift},
    {KEY_F11, vk::kF11},
    {KEY_F12, vk::kF12},
};

std::uint16_t VirtualKey(std::uint16_t code) {
    for (std::size_t i = 0; i < std::size(kLetters); ++i)
        if (kLetters[i] == code)
            return static_cast<std::uint16_t>('A' + i);
    if (code >= KEY_1 && code <= KEY_9)
        return static_cast<std::uint16_t>('1' + (code - KEY_1));
    if (code == KEY_0)
        return '0';
    if (code >= KEY_F1 && code <= KEY_F10)
        return static_cast<std::uint16_t>(vk::kF1 + (code - KEY_F1));
    for (const auto& k : kKeys)
        if (k.code == code)
            return k.key;
    return 0;
}

// The character a key types: letters (upper case with Shift), digits, space and the control
// characters the desktop window also sends.
char16_t Typed(std::uint16_t key, bool shift) {
    if (key >= 'A' && key <= 'Z')
        return static_cast<char16_t>(shift ? key : key - 'A' + 'a');
    if ((key >= '0' && key <= '9') || key == vk::kSpace)
        return static_cast<char16_t>(key);
    return ControlCharForKey(key);
}

} // namespace

bool ParseTouchRange(std::string_view text, TouchCalibration& out, std::string& error) {
    std::int32_t v[4] = {};
    if (!ReadNumberList(text, ',', v, 4) || v[0] >= v[1] || v[2] >= v[3]) {
        error = "--touch-range needs XMIN,XMAX,YMIN,YMAX with each minimum below its maximum, "
                "not '" +
                std::string(text) + "'";
        return false;
    }
    out.xMin = v[0];
    out.xMax = v[1];
    out.yMin = v[2];
    out.yMax = v[3];
    out.rangeGiven = true;
    return true;
}

bool ParseTouchAxes(std::string_view text, TouchCalibration& out, std::string& error) {
    TouchCalibration result = out;
    result.swap = result.invertX = result.invertY = false;
    std::string_view rest = text;
    while (text != "none") {
        const std::size_t comma = rest.find(',');
        const std::string_view word = rest.substr(0, comma);
        if (word == "swap") {
            result.swap = true;
        } else if (word == "invert-x") {
            result.invertX = true;
        } else if (word == "invert-y") {
            result.invertY = true;
        } else {
            error = "--touch-axes takes swap, invert-x and invert-y, separated by commas, or "
                    "none, not '" +
                    std::string(text) + "'";
            return false;
        }
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
    out = result;
    return true;
}

EvdevDecoder::EvdevDecoder(const TouchCalibration& calibration, const WindowLayout& layout,
                           std::int32_t panelWidth, std::int32_t panelHeight)
    : m_calibration(calibration), m_layout(layout), m_panelWidth(panelWidth),
      m_panelHeight(panelHeight) {}

void EvdevDecoder::Feed(std::uint16_t type, std::uint16_t code, std::int32_t value,
                        std::deque<WindowEvent>& out) {
    Slot& slot = m_slots[m_slot];
    switch (type) {
    case EV_ABS:
        switch (code) {
        case ABS_X:
            m_haveAbs = true;
            m_absX = value;
            break;
        case ABS_Y:
            m_haveAbs = true;
            m_absY = value;
            break;
        case ABS_MT_SLOT:
            m_slot = static_cast<std::size_t>(
                std::clamp(value, 0, static_cast<std::int32_t>(m_slots.size()) - 1));
            break;
        case ABS_MT_TRACKING_ID:
            slot.id = value;
            if (value < 0 && m_tracked == static_cast<int>(m_slot))
                m_tracked = -1;
            else if (value >= 0 && m_tracked < 0)
                m_tracked = static_cast<int>(m_slot);
            break;
        case ABS_MT_POSITION_X:
            slot.x = m_mtX = value;
            break;
        case ABS_MT_POSITION_Y:
            slot.y = m_mtY = value;
            break;
        default:
            break;
        }
        break;
    case EV_KEY:
        if (code == BTN_TOUCH) {
            m_haveButton = true;
            m_button = value != 0;
        } else if (code < BTN_MISC) {
            Key(code, value, out);
        }
        break;
    case EV_SYN:
        if (code == SYN_MT_REPORT) {
            m_anonymous = true;
            if (m_contacts++ == 0)
                m_first = Point(m_mtX, m_mtY);
        } else if (code == SYN_REPORT) {
            Commit(out);
        }
        break;
    default:
        break;
    }
}

// A controller that reports the single-touch axes keeps them at its oldest contact, so they are
// the first contact whatever protocol it also speaks; only without them do the multi-touch
// positions count.
void EvdevDecoder::Commit(std::deque<WindowEvent>& out) {
    bool contact = false;
    Point raw;
    if (m_anonymous) {
        contact = m_contacts > 0;
        raw = m_first;
        m_contacts = 0;
    } else if (m_tracked >= 0) {
        contact = true;
        const Slot& s = m_slots[static_cast<std::size_t>(m_tracked)];
        raw = Point(s.x, s.y);
    }
    if (m_haveButton)
        contact = m_button;
    if (m_haveAbs)
        raw = Point(m_absX, m_absY);

    using Type = WindowEvent::Type;
    const auto emit = [&](Type type, Point at) {
        out.push_back(WindowEvent{.type = type, .x = at.x, .y = at.y});
    };
    if (!contact) {
        if (m_down)
            emit(Type::StylusUp, m_last);
        m_down = false;
        return;
    }
    const Point at = ToScreen(raw.x, raw.y);
    if (!m_down)
        emit(Type::StylusDown, at);
    else if (at != m_last)
        emit(Type::StylusMove, at);
    m_down = true;
    m_last = at;
}

Point EvdevDecoder::ToScreen(std::int32_t rawX, std::int32_t rawY) const {
    const TouchCalibration& c = m_calibration;
    std::int32_t xMin = c.xMin, xMax = c.xMax, yMin = c.yMin, yMax = c.yMax;
    if (c.swap) {
        std::swap(rawX, rawY);
        std::swap(xMin, yMin);
        std::swap(xMax, yMax);
    }
    rawX = std::clamp(rawX, xMin, xMax);
    rawY = std::clamp(rawY, yMin, yMax);
    if (c.invertX)
        rawX = xMax - (rawX - xMin);
    if (c.invertY)
        rawY = yMax - (rawY - yMin);
    const auto along = [](std::int32_t raw, std::int32_t min, std::int32_t max,
                          std::int32_t pixels) {
        return static_cast<std::int32_t>(std::int64_t{raw - min} * pixels /
                                         (std::int64_t{max} - min + 1));
    };
    Point screen;
    WindowToScreen(m_layout, along(rawX, xMin, xMax, m_panelWidth),
                   along(rawY, yMin, yMax, m_panelHeight), screen.x, screen.y);
    return screen;
}

void EvdevDecoder::Key(std::uint16_t code, std::int32_t value, std::deque<WindowEvent>& out) {
    const std::uint16_t key = VirtualKey(code);
    if (key == 0)
        return;
    using Type = WindowEvent::Type;
    if (key == vk::kShift)
        m_shift = value != 0;
    if (value == 0) {
        out.push_back(WindowEvent{.type = Type::KeyUp, .key = key});
        return;
    }
    out.push_back(WindowEvent{.type = Type::KeyDown, .key = key, .repeat = value == 2});
    if (const char16_t c = Typed(key, m_shift))
        out.push_back(WindowEvent{.type = Type::Char, .character = c, .keyData = 1});
}

} // namespace brelvo::platform
