#include "archive/LoadArtwork.h"

#include "archive/ResourceArchive.h"
#include "gfx/ImageLoad.h"

namespace brelvo {

bool LoadArtwork(ResourceArchive& archive, std::uint32_t id, Surface& image) {
    void* data = nullptr;
    std::uint32_t size = 0;
    image.Release();
    // The loader takes the buffer over, whether it succeeds or not.
    return archive.GetDataById(id, &data, &size) &&
           Succeeded(LoadImageFromMemory(image, data, size)) && image.GetPixels();
}

} // namespace brelvo
