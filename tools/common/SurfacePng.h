#pragma once

#include "gfx/Surface.h"

#include <string>

namespace brelvo {

// Writes a Surface as an 8-bit RGB PNG for people to look at: each 5- or 6-bit channel is
// widened by repeating its top bits, so pure white stays 0xFFFFFF, and pixels equal to the
// Surface's colour key are shown magenta whatever the key is. The file has no time stamp or other
// varying chunk, so one Surface always gives the same bytes. False, with the reason on stderr,
// when the file cannot be written.
bool WriteSurfacePng(const Surface& surface, const std::string& path);

} // namespace brelvo
