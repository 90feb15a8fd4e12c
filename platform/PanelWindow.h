#pragma once

#include "platform/PanelInput.h"
#include "platform/Window.h"
#include "platform/WindowLayout.h"

#include <memory>
#include <string>

namespace brelvo::platform {

struct PanelWindowOptions {
    // The touch controller, and optionally a keyboard or the board's buttons: evdev devices
    // (/dev/input/eventN), or a FIFO or regular file of input_event records standing for one.
    std::string touchPath;
    std::string keysPath;
    TouchCalibration calibration;
    // The panel's size in pixels and where the device screen lies on it.
    std::int32_t panelWidth = 0;
    std::int32_t panelHeight = 0;
    WindowLayout layout;
};

// The window of a program that owns a small panel with no desktop: the picture goes straight
// into the frame buffer (the program's direct display), so this window only gathers the input
// and wakes the window thread. Stylus events are in the pixels of the screen as laid on the
// panel, before the display's orientation, which the program undoes as for any window.
//
// Devices are taken for the program alone (EVIOCGRAB), so that key presses do not also reach
// the console behind it. A FIFO is opened again when its writer leaves, so that another can
// write; a regular file is followed as it grows.
//
// Null with a message naming the path when a device cannot be opened.
std::unique_ptr<Window> OpenPanelWindow(const PanelWindowOptions& options, std::string& error);

} // namespace brelvo::platform
