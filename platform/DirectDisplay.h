#pragma once

#include <cstdint>

namespace brelvo::platform {

// What a directly addressed frame buffer reports about itself. Pitches are in bytes from one
// pixel to the next along the screen's x and y, and either may be negative (a screen mounted
// turned or mirrored).
struct DirectDisplayProperties {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::int32_t xPitch = 0;
    std::int32_t yPitch = 0;
    std::uint32_t bitsPerPixel = 0;
    std::uint32_t formatFlags = 0;
};

// A screen the program writes pixels into directly, instead of handing frames to a window. The
// program's configuration does not select it; on Linux a frame-buffer device would be its
// natural counterpart.
class DirectDisplay {
public:
    virtual ~DirectDisplay() = default;

    virtual bool GetProperties(DirectDisplayProperties& out) = 0;
    // Takes the screen for drawing; false when it cannot be had.
    virtual bool Open() = 0;
    virtual bool Close() = 0;
    // The address of screen pixel (0, 0) for one frame's drawing, or null; every BeginDraw that
    // returned an address is followed by one EndDraw.
    virtual std::uint8_t* BeginDraw() = 0;
    virtual void EndDraw() = 0;
};

} // namespace brelvo::platform
