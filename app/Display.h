#pragma once

#include "base/Point.h"
#include "base/Result.h"
#include "gfx/Surface.h"
#include "platform/DirectDisplay.h"
#include "platform/Window.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace brelvo {

// The screen the program draws for: a 16-bit back buffer, and the way a finished frame reaches
// the user. Window presentation (the one the program uses) hands each frame to the window;
// direct presentation writes it into a frame buffer, turned for the display orientation.
//
// The Display is itself a Surface that describes the back buffer without owning its pixels, so
// that the program can read the screen's size from it.
//
// Present, ChangeMode, Open and Close belong to the primary thread; MapPoint, Suspend and
// Resume to the window thread. The application's suspension handshake keeps the primary thread
// from presenting while the window thread suspends the display.
class Display : public Surface {
public:
    Display() = default;
    // Closes the display and releases the built-in font the text drawing shares.
    ~Display() override;
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    // Selects window presentation (direct null; the orientation is then always 1) or direct
    // presentation on the given frame buffer, with the orientation 1, 2, 4 or 8. A change
    // between portrait (1, 2) and landscape (4, 8) of an open display closes and reopens it.
    HResult ChangeMode(std::uint32_t orientation, platform::DirectDisplay* direct);
    // Makes the back buffer the size of the window's screen (window presentation) or of the
    // frame buffer turned by the orientation (direct). kErrDisplay when the frame buffer cannot
    // be had, kErrNoPixels when the back buffer's memory cannot be.
    HResult Open(platform::Window* window, std::uint32_t flags);
    // Points a Surface at the back buffer's pixels (it does not own them); always kOk.
    HResult GetBackbuffer(Surface& out) const;
    // Puts the back buffer on the screen: kErrSuspended, drawing nothing, while suspended.
    HResult Present();
    HResult Close();

    void Suspend() { m_suspended.store(true); }
    void Resume() { m_suspended.store(false); }
    bool IsSuspended() const { return m_suspended.load(); }

    // Turns a stylus point on the screen into back-buffer pixels for the orientation.
    void MapPoint(Point& point) const;
    std::uint32_t Orientation() const;

private:
    Surface m_backBuffer;
    bool m_windowPresentation = false;
    int m_xStep = 0; // direct frame buffer, in pixels
    int m_yStep = 0;
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    std::uint16_t m_bytesPerPixel = 0;
    std::uint32_t m_orientation = 1;
    std::uint32_t m_flags = 0;
    platform::DirectDisplayProperties m_properties;
    platform::DirectDisplay* m_direct = nullptr;
    bool m_directOpen = false;
    std::atomic<bool> m_suspended{false};
    bool m_sectionPresent = false;
    std::vector<Pixel> m_section;
    platform::Window* m_window = nullptr;
    // MapPoint reads the geometry on the window thread while a mode change may rewrite it.
    mutable std::mutex m_geometryLock;
};

} // namespace brelvo
