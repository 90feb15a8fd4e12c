#pragma once

#include "gfx/Surface.h"

#include <cstdint>

namespace brelvo {

class ResourceArchive;

// Decodes the archive's entry id into image. A missing or undecodable entry leaves the image
// empty, and an empty image draws nothing: start-up goes on without it. False in that case.
bool LoadArtwork(ResourceArchive& archive, std::uint32_t id, Surface& image);

} // namespace brelvo
