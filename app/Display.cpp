#include "app/Display.h"

#include "app/StylusMapping.h"
#include "gfx/BitmapFont.h"

#include <new>
#include <utility>

namespace brelvo {
namespace {

bool IsLandscape(std::uint32_t orientation) {
    return orientation == 4 || orientation == 8;
}

} // namespace

Display::~Display() {
    Close();
    ReleaseDefaultFont();
}

HResult Display::ChangeMode(std::uint32_t orientation, platform::DirectDisplay* direct) {
    m_windowPresentation = direct == nullptr;
    m_direct = direct;
    // A window shows the back buffer upright; turning belongs to the frame-buffer path.
    if (m_windowPresentation)
        orientation = 1;
    if (orientation == Orientation())
        return kOk;
    if (m_sectionPresent && IsLandscape(orientation) != IsLandscape(Orientation())) {
        platform::Window* window = m_window;
        const std::uint32_t flags = m_flags;
        const HResult closed = Close();
        {
            std::lock_guard lock(m_geometryLock);
            m_orientation = orientation;
        }
        return Failed(closed) ? closed : Open(window, flags);
    }
    std::lock_guard lock(m_geometryLock);
    m_orientation = orientation;
    return kOk;
}

HResult Display::Open(platform::Window* window, std::uint32_t flags) {
    if (m_sectionPresent)
        Close();
    m_window = window;
    m_flags = flags;
    std::int32_t width = 0;
    std::int32_t height = 0;
    const std::uint32_t orientation = Orientation();
    if (!m_direct) {
        m_windowPresentation = true;
        if (!window)
            return kErrDisplay;
        window->GetScreenSize(width, height);
        m_bytesPerPixel = 2;
    } else {
        m_windowPresentation = false;
        if (!m_direct->GetProperties(m_properties) || !m_direct->Open())
            return kErrDisplay;
        m_directOpen = true;
        width = static_cast<std::int32_t>(m_properties.width);
        height = static_cast<std::int32_t>(m_properties.height);
        m_bytesPerPixel = static_cast<std::uint16_t>(m_properties.bitsPerPixel / 8);
        m_xStep = m_properties.xPitch / 2;
        m_yStep = m_properties.yPitch / 2;
    }
    if (IsLandscape(orientation))
        std::swap(width, height);
    if (width <= 0 || height <= 0 || Failed(m_backBuffer.Create(CREATE_NOSTORAGE, width, height)))
        return kErrDisplay;
    try {
        m_section.assign(m_backBuffer.GetSize() / sizeof(Pixel), 0);
    } catch (const std::bad_alloc&) {
        m_backBuffer.Release();
        return kErrNoPixels;
    }
    m_backBuffer.AttachPixels(m_section.data());
    Create(CREATE_NOSTORAGE, width, height);
    AttachPixels(m_section.data());
    m_sectionPresent = true;
    {
        std::lock_guard lock(m_geometryLock);
        m_width = width;
        m_height = height;
    }
    // Text drawing shares one built-in font, made while the display opens so that the first
    // frame does not pay for it.
    GetDefaultFont();
    return kOk;
}

HResult Display::GetBackbuffer(Surface& out) const {
    out.Create(CREATE_NOSTORAGE, m_backBuffer.GetWidth(), m_backBuffer.GetHeight());
    out.AttachPixels(m_backBuffer.GetPixels());
    out.SetColorKeyRaw(m_backBuffer.GetColorKey());
    return kOk;
}

HResult Display::Present() {
    if (IsSuspended())
        return kErrSuspended;
    if (!m_sectionPresent)
        return kOk;
    const SurfaceHeader& h = m_backBuffer.Header();
    if (m_windowPresentation) {
        if (m_window)
            m_window->SubmitFrame(h.pixels, h.width, h.height, h.pitchBytes);
        return kOk;
    }
    if (!m_direct || m_bytesPerPixel != 2)
        return kOk;
    if (std::uint8_t* frameBuffer = m_direct->BeginDraw()) {
        CopyToFrameBuffer(m_backBuffer, Orientation(), frameBuffer, m_xStep, m_yStep);
        m_direct->EndDraw();
    }
    return kOk;
}

HResult Display::Close() {
    HResult result = kOk;
    if (m_directOpen) {
        m_directOpen = false;
        if (!m_direct || !m_direct->Close())
            result = kErrDisplay;
    }
    m_backBuffer.Release();
    Release();
    m_section.clear();
    m_section.shrink_to_fit();
    m_sectionPresent = false;
    return result;
}

void Display::MapPoint(Point& point) const {
    std::lock_guard lock(m_geometryLock);
    ::brelvo::MapPoint(m_orientation, m_width, m_height, point);
}

std::uint32_t Display::Orientation() const {
    std::lock_guard lock(m_geometryLock);
    return m_orientation;
}

} // namespace brelvo
