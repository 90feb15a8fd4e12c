#pragma once

#include "platform/Window.h"

#include <cstdint>
#include <memory>

namespace brelvo::platform {

struct SdlWindowOptions {
    // Whole factor the device screen is shown at; 0 picks the largest that fits the desktop, at
    // least 2.
    std::int32_t scale = 0;
    // Start in desktop full screen (F11 switches at any time).
    bool fullScreen = false;
};

// The desktop window: SDL2 video, an RGB565 streaming texture, and the frames scaled by a whole
// factor and centred. SDL's renderer belongs to the window thread, so the primary thread only
// copies its frame into a front buffer and wakes the window thread, which uploads and shows it.
// A frame equal to the one on screen is not shown again: a still picture costs one comparison a
// frame and no drawing.
//
// SIGINT and SIGTERM are left to the program (SignalWatcher); SDL installs no handlers.
std::unique_ptr<Window> CreateSdlWindow(const SdlWindowOptions& options);

} // namespace brelvo::platform
