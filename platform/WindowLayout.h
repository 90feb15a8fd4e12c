#pragma once

#include <cstdint>

namespace brelvo::platform {

// Where the device screen lies inside a window: scaled by a whole factor, so that every screen
// pixel is a square of window pixels, and centred.
struct WindowLayout {
    std::int32_t scale = 1;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;  // screen width x scale
    std::int32_t height = 0; // screen height x scale
};

// The largest whole factor at which the screen fits the window (at least 1, so that a window
// smaller than the screen still shows its top-left part), centred.
WindowLayout FitScreen(std::int32_t windowWidth, std::int32_t windowHeight,
                       std::int32_t screenWidth, std::int32_t screenHeight);

// The factor a new window gets: the largest at which the scaled screen fits the desktop area,
// but at least 2, since a 240 x 320 picture at its natural size is too small to work with on a
// desktop monitor.
std::int32_t DefaultScale(std::int32_t desktopWidth, std::int32_t desktopHeight,
                          std::int32_t screenWidth, std::int32_t screenHeight);

// The screen pixel under a window position. Positions outside the screen area map outside the
// screen (negative, or beyond its size), as the stylus reports them; rounding is toward minus
// infinity, so the pixel just left of the area is -1 and not 0.
void WindowToScreen(const WindowLayout& layout, std::int32_t windowX, std::int32_t windowY,
                    std::int32_t& screenX, std::int32_t& screenY);

} // namespace brelvo::platform
