#include "tools/common/SurfacePng.h"

#include "platform/PngWriter.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace brelvo {

bool WriteSurfacePng(const Surface& surface, const std::string& path) {
    const std::int32_t width = surface.GetWidth();
    const std::int32_t height = surface.GetHeight();
    if (width <= 0 || height <= 0 || !surface.GetPixels()) {
        std::fprintf(stderr, "%s: nothing to write, the image is empty\n", path.c_str());
        return false;
    }
    // Transparent pixels are shown magenta whatever the key is, so people see the holes.
    std::vector<Pixel> pixels(static_cast<std::size_t>(width) * height);
    const Pixel key = surface.GetColorKey();
    for (std::int32_t y = 0; y < height; ++y) {
        const Pixel* row = surface.Header().Row(y);
        for (std::int32_t x = 0; x < width; ++x)
            pixels[static_cast<std::size_t>(y) * width + x] =
                row[x] == key ? kPixelMagenta : row[x];
    }
    if (platform::WriteRgb565PngFile(pixels.data(), width, height, width * sizeof(Pixel), path) !=
        kOk) {
        std::fprintf(stderr, "%s: cannot write the file\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace brelvo
