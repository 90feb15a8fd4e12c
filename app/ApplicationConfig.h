#pragma once

#include <cstdint>

namespace brelvo {

namespace platform {
class DirectDisplay;
class Window;
} // namespace platform

// ApplicationConfig::flags: the program runs full screen. On a desktop the device screen is the
// window, so this opens a window the size of the scaled screen; desktop full screen is the
// user's choice (F11, --fullscreen).
inline constexpr std::uint32_t APP_FULLSCREEN = 2;

// What the program's entry tells the framework, copied whole into the Application. The words
// the framework does not read are kept so that the layout stays that of the handheld's.
struct ApplicationConfig {
    // The window the program lives in (a desktop window or the headless twin); it stands where
    // the handheld had the module instance, from which its window was made.
    platform::Window* window = nullptr;
    // The window title, also the name that keeps the program to one running copy.
    const char16_t* title = nullptr;
    std::uint32_t frameRate = 0;
    std::uint32_t flags = 0;
    // Display orientation 1, 2, 4 or 8; 0 leaves the display as it is.
    std::uint32_t orientation = 0;
    // Nonzero: no frame pacing while active (the headless twin composes frames on demand).
    std::uint32_t freeRunning = 0;
    std::uint32_t doubleTaps = 0;
    std::uint32_t runWhileInactive = 0;
    std::uint32_t suspendOnDeactivate = 0;
    std::uint32_t unused10to15[6] = {};
    std::uint32_t icon = 0;
    std::uint32_t unused17to18[2] = {};
    // Non-null selects direct frame-buffer presentation on it; null the window.
    platform::DirectDisplay* directDisplay = nullptr;
};

} // namespace brelvo
