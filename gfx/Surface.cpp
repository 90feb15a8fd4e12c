#include "gfx/Surface.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace brelvo {

Surface::Surface(Surface&& other) noexcept
    : m_header(std::exchange(other.m_header, SurfaceHeader{})),
      m_ownsPixels(std::exchange(other.m_ownsPixels, false)) {}

Surface& Surface::operator=(Surface&& other) noexcept {
    if (this != &other) {
        Release();
        m_header = std::exchange(other.m_header, SurfaceHeader{});
        m_ownsPixels = std::exchange(other.m_ownsPixels, false);
    }
    return *this;
}

Surface::~Surface() {
    Release();
}

HResult Surface::Create(std::uint32_t flags, std::int32_t width, std::int32_t height) {
    if (width < 0 || height < 0)
        return kErrInvalidArg;
    const bool noStorage = (flags & CREATE_NOSTORAGE) != 0;

    // Reusing the block is only sound when the block is ours: claiming borrowed storage would
    // make this Surface free memory that belongs to the display.
    const bool reuse = !noStorage && m_ownsPixels && m_header.pixels && width == m_header.width &&
                       height == m_header.height;
    if (!reuse) {
        Release();
        // The storage size is a 32-bit field; a size that does not fit is refused rather than
        // wrapped into a block too small for the rows that will be written into it.
        const std::uint64_t pitch = (static_cast<std::uint64_t>(width) + 1) & ~1ull;
        const std::uint64_t size = pitch * kBytesPerPixel * static_cast<std::uint64_t>(height);
        if (size > 0xFFFFFFFFull)
            return kErrOutOfMemory;
        if (width == 0 || height == 0) {
            // A Surface without area has nothing to store; it stays empty.
            m_ownsPixels = !noStorage;
            return kOk;
        }
        m_header.width = width;
        m_header.height = height;
        m_header.format = 1;
        m_header.bytesPerPixel = kBytesPerPixel;
        m_header.pitch = static_cast<std::uint32_t>(pitch);
        m_header.pitchBytes = static_cast<std::uint32_t>(pitch * kBytesPerPixel);
        m_header.size = static_cast<std::uint32_t>(size);
    }

    if (noStorage) {
        m_ownsPixels = false;
        return kOk;
    }
    if (!reuse) {
        m_header.pixels = static_cast<Pixel*>(std::malloc(m_header.size));
        if (!m_header.pixels)
            return kErrOutOfMemory;
    }
    if (flags & CREATE_CLEAR)
        std::memset(m_header.pixels, 0, m_header.size);
    m_ownsPixels = true;
    return kOk;
}

HResult Surface::Release() {
    if (m_ownsPixels && m_header.pixels)
        std::free(m_header.pixels);
    m_header = SurfaceHeader{};
    return kOk;
}

HResult Surface::GetPixel(std::int32_t x, std::int32_t y, Color* out) const {
    if (IsOutside(x, y) || !m_header.pixels || !out)
        return kErrInvalidArg;
    *out = PixelToColor(m_header.Row(y)[x]);
    return kOk;
}

HResult Surface::SetPixel(std::int32_t x, std::int32_t y, Color color) {
    if (IsOutside(x, y) || !m_header.pixels)
        return kErrInvalidArg;
    m_header.Row(y)[x] = ColorToPixel(color);
    return kOk;
}

} // namespace brelvo
