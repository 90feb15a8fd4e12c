#pragma once

#include "platform/FrameBuffer.h"
#include "platform/PanelInput.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brelvo {

// What the user asked for on the command line.
struct CommandLine {
    std::string root;        // --root DIR: the folder that stands for the device's "\"
    std::int32_t scale = 0;  // --scale N: 0 picks one that fits the desktop
    bool fullScreen = false; // --fullscreen
    bool headless = false;   // --headless
    std::string script;      // --script FILE (headless only)
    std::string file;        // FILE: a picture to open at start
    // A panel with no desktop: --fbdev DEV --touch DEV [--keys DEV] and how they are mounted.
    std::string frameBuffer;
    std::string touch;
    std::string keys;
    std::int32_t rotate = -1; // --rotate 0|90|180|270; -1 chooses by the panel's shape
    std::optional<platform::FrameBufferFormat> fileGeometry; // --fb-geometry WxHxD
    platform::TouchCalibration calibration;                  // --touch-range, --touch-axes
    bool help = false;
    bool version = false;
};

// Parses the arguments after the program name. "--opt=value" and "--opt value" both work.
// False with a one-line message in error for anything it does not know or a bad value.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error);

// The text --help prints.
std::string UsageText();

// The largest --scale accepted: 240 x 320 scaled beyond it is larger than any screen.
inline constexpr std::int32_t kMaxScale = 16;

} // namespace brelvo
