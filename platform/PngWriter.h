#pragma once

#include "base/ByteSink.h"
#include "base/Result.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace brelvo::platform {

// Encodes RGB565 pixels (rows pitchBytes apart) as an 8-bit RGB PNG. Each 5- or 6-bit channel is
// widened by repeating its top bits, so white stays 0xFFFFFF and black 0x000000, and taking the
// top 5, 6 and 5 bits of the result gives back the very pixels. The file has no time stamp or
// other varying chunk: the same pixels always give the same bytes. False for no pixels, a side
// of 0, or a sink that refuses the bytes.
bool EncodeRgb565Png(const std::uint16_t* pixels, std::int32_t width, std::int32_t height,
                     std::size_t pitchBytes, ByteSink& sink);

// The same into a host file, replaced safely (ReplacingFileWriter). kErrInvalidArg when there is
// nothing to encode, otherwise the writer's cause when the file cannot be written.
HResult WriteRgb565PngFile(const std::uint16_t* pixels, std::int32_t width, std::int32_t height,
                           std::size_t pitchBytes, const std::string& hostPath);

} // namespace brelvo::platform
