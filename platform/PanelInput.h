#pragma once

#include "base/Point.h"
#include "platform/Window.h"
#include "platform/WindowLayout.h"

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace brelvo::platform {

// How a touch controller's readings become panel pixels. The ranges are the controller's raw
// values at the panel's edges, read from the device where it reports them. The axes are turned
// first (swap: the controller's y runs along the panel's x), then inverted.
struct TouchCalibration {
    std::int32_t xMin = 0;
    std::int32_t xMax = 4095;
    std::int32_t yMin = 0;
    std::int32_t yMax = 4095;
    // The user gave the ranges (--touch-range); the device's own are then not asked for.
    bool rangeGiven = false;
    bool swap = false;
    bool invertX = false;
    bool invertY = false;
};

// "XMIN,XMAX,YMIN,YMAX" and "swap,invert-x,invert-y" (any of the three, in any order, or
// "none"). False with a message naming the option for anything else.
bool ParseTouchRange(std::string_view text, TouchCalibration& out, std::string& error);
bool ParseTouchAxes(std::string_view text, TouchCalibration& out, std::string& error);

// Turns the input_event records of one evdev device into the window's events: the first contact
// of a touch controller (single-touch, or the multi-touch protocols with or without slots) as the
// stylus, in device-screen pixels; keys as virtual keys, with the characters they type on a US
// keyboard. Touch state is committed at each SYN_REPORT, as the kernel frames it.
class EvdevDecoder {
public:
    EvdevDecoder(const TouchCalibration& calibration, const WindowLayout& layout,
                 std::int32_t panelWidth, std::int32_t panelHeight);

    void Feed(std::uint16_t type, std::uint16_t code, std::int32_t value,
              std::deque<WindowEvent>& out);

private:
    struct Slot {
        std::int32_t id = -1;
        std::int32_t x = 0;
        std::int32_t y = 0;
    };

    void Commit(std::deque<WindowEvent>& out);
    void Key(std::uint16_t code, std::int32_t value, std::deque<WindowEvent>& out);
    Point ToScreen(std::int32_t rawX, std::int32_t rawY) const;

    TouchCalibration m_calibration;
    WindowLayout m_layout;
    std::int32_t m_panelWidth;
    std::int32_t m_panelHeight;

    // Single-touch axes and the touch button.
    bool m_haveAbs = false;
    std::int32_t m_absX = 0;
    std::int32_t m_absY = 0;
    bool m_haveButton = false;
    bool m_button = false;
    // Multi-touch with slots: the slot of the first contact, -1 when none touches.
    std::array<Slot, 16> m_slots{};
    std::size_t m_slot = 0;
    int m_tracked = -1;
    // Multi-touch without slots: the contacts of the report being read; the first one counts.
    bool m_anonymous = false;
    int m_contacts = 0;
    std::int32_t m_mtX = 0;
    std::int32_t m_mtY = 0;
    Point m_first;

    bool m_down = false;
    Point m_last;
    bool m_shift = false;
};

} // namespace brelvo::platform
