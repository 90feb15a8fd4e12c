#pragma once

#include <cstddef>
#include <cstdint>

namespace brelvo {

// The built-in font: a zlib stream that inflates to an eBM font image of kDefaultFontImageSize
// bytes in the CHARSET_FULL marker layout. The build generates the definitions.
extern const std::uint8_t kDefaultFontStream[];
extern const std::size_t kDefaultFontStreamSize;
extern const std::size_t kDefaultFontImageSize;

} // namespace brelvo
