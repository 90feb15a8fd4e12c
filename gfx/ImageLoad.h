#pragma once

#include "base/ByteSink.h"
#include "base/Result.h"
#include "base/WString.h"
#include "gfx/Surface.h"
#include "platform/PictureDecoder.h"

#include <cstddef>
#include <memory>
#include <string>

namespace brelvo {

// A picture decoded by the platform, before it becomes a Surface. Null means "no picture".
using BitmapHandle = std::unique_ptr<platform::Bitmap>;

// The program's own image format: a 48-byte header ("eBM", "565", width, height, data size,
// frame count, frame width, colour key) followed by RGB565 rows of the Surface pitch.
inline constexpr std::size_t kEbmHeaderSize = 48;

// Loads an image from a heap block (from malloc) that the caller hands over: an eBM image is
// copied in directly; anything else goes to the platform decoder. The block is released with
// free on every path past the argument check (a null block or a size of 0 is refused with
// 0x8007000E and not released). The Surface is emptied first; an eBM image sets its colour key,
// a decoded picture leaves the default key. A block too short for its header, or whose data
// size is not pitch x height x 2 or runs past the block, is refused with 0x8007000E.
HResult LoadImageFromMemory(Surface& surface, void* buffer, std::size_t size);

// Runs the platform decoder over a picture file held in memory; null when it yields nothing.
// With releaseBuffer the block (from malloc) is freed afterwards.
BitmapHandle DecodeWithPlatform(void* buffer, std::size_t size, bool releaseBuffer);

// Turns a decoded picture into the Surface's pixels, keeping the top 5, 6 and 5 bits of red,
// green and blue without rounding or dithering; alpha is composited onto white first. A Surface
// that already had the picture's size keeps its colour key. 0x8007000E for no picture or no
// memory.
HResult ConvertBitmapHandle(Surface& surface, BitmapHandle bitmap);

// Decodes a picture file named by a device path, or by a host path. 0x8007000E, with the Surface
// emptied, when the file cannot be read or decoded.
HResult LoadPictureFile(Surface& surface, const WString& devicePath);
HResult LoadPictureHostFile(Surface& surface, const std::string& hostPath);

// Writes a Surface as an eBM image with the given colour key (a colour, 0x00BBGGRR). The
// artwork tools and the tests make their images with it.
bool EncodeEbm(const Surface& surface, Color colorKey, ByteSink& sink);

} // namespace brelvo
