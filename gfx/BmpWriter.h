#pragma once

#include "base/ByteSink.h"
#include "base/Result.h"
#include "base/WString.h"
#include "gfx/Surface.h"

#include <cstdint>
#include <string>

namespace brelvo {

// Size in bytes of one row of a 24-bit BMP: three bytes a pixel, padded to a multiple of four.
constexpr std::uint32_t BmpRowSize(std::int32_t width) {
    return ((static_cast<std::uint32_t>(width) * 24u + 31u) & ~31u) / 8u;
}

// Writes the Surface as an uncompressed, bottom-up 24-bit BMP: the 14-byte file header, the
// 40-byte information header, then the rows. Pixels widen by shifting alone (white 0xFFFF
// becomes F8 FC F8), and the row padding is zero. False when the Surface has no pixels or the
// sink refuses bytes.
bool EncodeBmp(const Surface& surface, ByteSink& sink);

// Saves to a device path ("\folder\name.bmp", under the device root). The old file, if any, is
// replaced only once the new one is complete on disk: a failed save leaves it as it was and
// leaves no partial file behind. kOk on success; kErrInvalidArg for a path that
// MapDevicePathForWrite refuses or a name the host refuses; kErrNoPixels for an empty Surface;
// otherwise why the disk did not take the file, as ReplacingFileWriter reports it
// (kErrPathNotFound, kErrAccessDenied, kErrDiskFull, kErrFileTooLarge, or kErrFail). A picture
// too large for the BMP format's 32-bit sizes is kErrFileTooLarge too.
HResult SaveBmp(const Surface& surface, WString path);

// The same for a path of the host's own file system.
HResult SaveBmpToHostFile(const Surface& surface, const std::string& hostPath);

} // namespace brelvo
