#pragma once

#include "base/Result.h"
#include "gfx/PixelFormat.h"

#include <cstddef>
#include <cstdint>

namespace brelvo {

// Flags of Surface::Create.
inline constexpr std::uint32_t CREATE_CLEAR = 1;     // zero the whole storage
inline constexpr std::uint32_t CREATE_NOSTORAGE = 2; // header only; the owner supplies pixels

// Bytes per pixel, and the row alignment in pixels: rows are padded to an even number of pixels
// so that every row starts on a 4-byte boundary.
inline constexpr std::uint32_t kBytesPerPixel = 2;

// The part of a Surface that drawing operations read. Operations that draw from a source take a
// copy of it before they start and work from the copy.
struct SurfaceHeader {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t format = 0;        // 1 once the Surface has a size, 0 when empty
    std::uint32_t bytesPerPixel = 0; // 2 once the Surface has a size
    std::uint32_t pitch = 0; // pixels from one row start to the next (width rounded up to even)
    std::uint32_t pitchBytes = 0;
    std::uint32_t size = 0; // bytes of pixel storage
    Pixel* pixels = nullptr;
    Pixel colorKey = kPixelMagenta;

    Pixel* Row(std::int32_t y) const { return pixels + static_cast<std::size_t>(y) * pitch; }
};

// The one image type: 16-bit RGB565 pixels in one heap block (or in storage borrowed from the
// display), with a colour key that keyed drawing treats as transparent.
//
// A Surface cannot be copied: two Surfaces must never both believe they own one block. It can be
// moved, which transfers the storage; CopySurface makes a real duplicate.
class Surface {
public:
    Surface() = default;
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;
    Surface(Surface&& other) noexcept;
    Surface& operator=(Surface&& other) noexcept;
    virtual ~Surface();

    // Gives the Surface a size and, unless CREATE_NOSTORAGE is given, its own storage. With the
    // current size and own storage the old block is kept (and cleared with CREATE_CLEAR).
    HResult Create(std::uint32_t flags, std::int32_t width, std::int32_t height);
    HResult Release();

    std::int32_t GetWidth() const { return m_header.width; }
    std::int32_t GetHeight() const { return m_header.height; }
    Pixel* GetPixels() const { return m_header.pixels; }
    std::uint32_t GetPitch() const { return m_header.pitch; }
    std::uint32_t GetSize() const { return m_header.size; }
    bool OwnsPixels() const { return m_ownsPixels; }
    const SurfaceHeader& Header() const { return m_header; }

    // The owner of borrowed storage (the display's back buffer) points the Surface at it after
    // Create with CREATE_NOSTORAGE. The block must hold GetSize() bytes.
    void AttachPixels(Pixel* pixels) {
        if (!m_ownsPixels)
            m_header.pixels = pixels;
    }

    bool IsOutside(std::int32_t x, std::int32_t y) const {
        return x < 0 || y < 0 || x >= m_header.width || y >= m_header.height;
    }
    HResult GetPixel(std::int32_t x, std::int32_t y, Color* out) const;
    HResult SetPixel(std::int32_t x, std::int32_t y, Color color);
    // Outside the Surface the result is the colour key, so samples taken beyond a picture count
    // as transparent.
    Pixel GetPixelRaw(std::int32_t x, std::int32_t y) const {
        if (IsOutside(x, y) || !m_header.pixels)
            return m_header.colorKey;
        return m_header.Row(y)[x];
    }

    HResult SetColorKey(Color color) {
        m_header.colorKey = ColorToPixel(color);
        return kOk;
    }
    HResult SetColorKeyRaw(Pixel pixel) {
        m_header.colorKey = pixel;
        return kOk;
    }
    Pixel GetColorKey() const { return m_header.colorKey; }

private:
    SurfaceHeader m_header;
    bool m_ownsPixels = false;
};

} // namespace brelvo
