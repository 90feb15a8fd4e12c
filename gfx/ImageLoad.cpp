#include "gfx/ImageLoad.h"
#include "base/FreeDeleter.h"
#include "base/LittleEndian.h"

#include "platform/DeviceFiles.h"

#include <array>
#include <cstdlib>
#include <cstring>

namespace brelvo {

namespace {

// Both marks are zero-terminated strings, so a fourth byte that is not zero is not a match.
bool HasEbmMarks(const std::uint8_t* p, std::size_t size) {
    return size >= 8 && std::memcmp(p, "eBM\0", 4) == 0 && std::memcmp(p + 4, "565\0", 4) == 0;
}

HResult LoadEbm(Surface& surface, const std::uint8_t* block, std::size_t size) {
    if (size < kEbmHeaderSize)
        return kErrOutOfMemory;
    const std::uint32_t width = LoadLe32(block + 8), height = LoadLe32(block + 12);
    const std::uint32_t dataSize = LoadLe32(block + 16);
    // The rows are copied in one piece, so they must have exactly the Surface's layout, and the
    // data must lie inside the block.
    const std::uint64_t pitch = (static_cast<std::uint64_t>(width) + 1) & ~1ull;
    if (width > 0x7FFFFFFFu || height > 0x7FFFFFFFu || pitch * height * 2 != dataSize ||
        dataSize > size - kEbmHeaderSize)
        return kErrOutOfMemory;
    const HResult r =
        surface.Create(0, static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
    if (Failed(r))
        return r;
    if (dataSize > 0)
        std::memcpy(surface.GetPixels(), block + kEbmHeaderSize, dataSize);
    surface.SetColorKey(LoadLe32(block + 28));
    return kOk;
}

} // namespace

HResult LoadImageFromMemory(Surface& surface, void* buffer, std::size_t size) {
    surface.Release();
    if (!buffer || size == 0)
        return kErrOutOfMemory;
    const std::unique_ptr<void, FreeDeleter> owned(buffer);
    const auto* block = static_cast<const std::uint8_t*>(buffer);
    if (HasEbmMarks(block, size))
        return LoadEbm(surface, block, size);
    return ConvertBitmapHandle(surface, DecodeWithPlatform(buffer, size, false));
}

BitmapHandle DecodeWithPlatform(void* buffer, std::size_t size, bool releaseBuffer) {
    BitmapHandle bitmap(new (std::nothrow) platform::Bitmap);
    if (bitmap && buffer &&
        Failed(platform::DecodePicture(static_cast<const std::uint8_t*>(buffer), size, *bitmap)))
        bitmap.reset();
    if (!buffer)
        bitmap.reset();
    if (releaseBuffer)
        std::free(buffer);
    return bitmap;
}

HResult ConvertBitmapHandle(Surface& surface, BitmapHandle bitmap) {
    if (!bitmap || bitmap->width < 1 || bitmap->height < 1 ||
        (bitmap->channels != 3 && bitmap->channels != 4) ||
        bitmap->pixels.size() != static_cast<std::size_t>(bitmap->width) *
                                     static_cast<std::size_t>(bitmap->height) *
                                     static_cast<std::size_t>(bitmap->channels))
        return kErrOutOfMemory;
    if (Failed(surface.Create(0, bitmap->width, bitmap->height)))
        return kErrOutOfMemory;
    const SurfaceHeader& h = surface.Header();
    for (std::int32_t y = 0; y < h.height; ++y) {
        const std::uint8_t* in = bitmap->Row(y);
        Pixel* out = h.Row(y);
        if (bitmap->channels == 3) {
            for (std::int32_t x = 0; x < h.width; ++x, in += 3)
                out[x] = static_cast<Pixel>((in[0] & 0xF8) << 8 | (in[1] & 0xFC) << 3 | in[2] >> 3);
        } else {
            for (std::int32_t x = 0; x < h.width; ++x, in += 4) {
                // Straight alpha over white, rounded to the nearest 8-bit value.
                const unsigned a = in[3], white = 255 * (255 - a) + 127;
                const unsigned r = (in[0] * a + white) / 255;
                const unsigned g = (in[1] * a + white) / 255;
                const unsigned b = (in[2] * a + white) / 255;
                out[x] = static_cast<Pixel>((r & 0xF8) << 8 | (g & 0xFC) << 3 | b >> 3);
            }
        }
        if (h.width & 1)
            out[h.width] = 0; // the spare pixel of an odd-width row is not picture
    }
    return kOk;
}

HResult LoadPictureHostFile(Surface& surface, const std::string& hostPath) {
    BitmapHandle bitmap(new (std::nothrow) platform::Bitmap);
    if (!bitmap || Failed(platform::DecodePictureFile(hostPath, *bitmap))) {
        surface.Release();
        return kErrOutOfMemory;
    }
    const HResult r = ConvertBitmapHandle(surface, std::move(bitmap));
    if (Failed(r))
        surface.Release();
    return r;
}

HResult LoadPictureFile(Surface& surface, const WString& devicePath) {
    std::string hostPath;
    if (Failed(platform::MapDevicePath(devicePath.c_str(), hostPath))) {
        surface.Release();
        return kErrOutOfMemory;
    }
    return LoadPictureHostFile(surface, hostPath);
}

bool EncodeEbm(const Surface& surface, Color colorKey, ByteSink& sink) {
    const SurfaceHeader& h = surface.Header();
    if (!h.pixels && h.size != 0)
        return false;
    std::array<std::uint8_t, kEbmHeaderSize> header{};
    std::memcpy(header.data(), "eBM", 4); // each mark with its terminating zero
    std::memcpy(header.data() + 4, "565", 4);
    StoreLe32(&header[8], static_cast<std::uint32_t>(h.width));
    StoreLe32(&header[12], static_cast<std::uint32_t>(h.height));
    StoreLe32(&header[16], h.size);
    StoreLe32(&header[20], 1);
    StoreLe32(&header[24], static_cast<std::uint32_t>(h.width));
    StoreLe32(&header[28], colorKey);
    return sink.Write(header.data(), header.size()) &&
           (h.size == 0 || sink.Write(h.pixels, h.size));
}

} // namespace brelvo
