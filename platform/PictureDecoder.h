#pragma once

#include "base/Result.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace brelvo::platform {

// The handheld's decoder refused pictures with a side above this, and so do we: a picture is
// refused after its header is read and before any pixel memory is allocated.
inline constexpr std::int32_t kMaxPictureSide = 10000;

// A decoded picture: 8-bit channels, rows top first and packed (width x channels bytes a row).
// Four channels carry straight (not premultiplied) alpha; the conversion to the program's
// pixels composites it onto white.
struct Bitmap {
    std::int32_t width = 0;
    std::int32_t height = 0;
    int channels = 0; // 3: R, G, B; 4: R, G, B, A
    std::vector<std::uint8_t> pixels;

    // Sizes the pixel store. False, leaving the Bitmap empty, when a side is not in
    // 1..kMaxPictureSide or the memory cannot be had; decoders call it only after they have
    // read the header, so a lying header costs nothing.
    bool Allocate(std::int32_t w, std::int32_t h, int channelCount);
    std::uint8_t* Row(std::int32_t y) {
        return pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) *
                                   static_cast<std::size_t>(channels);
    }
};

enum class PictureFormat { Unknown, Bmp, Png, Jpeg, Gif };

// Recognises a picture by its first bytes, never by its file name.
PictureFormat SniffPictureFormat(const std::uint8_t* data, std::size_t size);

// Decodes a picture file held in memory. kOk with out filled, or kErrFail (out empty) for
// anything that is not a whole, well-formed picture of a supported kind within the size limit.
HResult DecodePicture(const std::uint8_t* data, std::size_t size, Bitmap& out);

// The same for a file on the host. Files larger than kMaxPictureFileBytes are refused unread.
inline constexpr std::size_t kMaxPictureFileBytes = 256u * 1024u * 1024u;
HResult DecodePictureFile(const std::string& hostPath, Bitmap& out);

// One decoder per format, with DecodePicture's contract; DecodePicture picks by signature.
HResult DecodeBmp(const std::uint8_t* data, std::size_t size, Bitmap& out);
HResult DecodePng(const std::uint8_t* data, std::size_t size, Bitmap& out);
HResult DecodeJpeg(const std::uint8_t* data, std::size_t size, Bitmap& out);
HResult DecodeGif(const std::uint8_t* data, std::size_t size, Bitmap& out);

} // namespace brelvo::platform
