#include "tools/common/SurfacePng.h"

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace brelvo {

bool WriteSurfacePng(const Surface& surface, const std::string& path) {
    const std::int32_t width = surface.GetWidth();
    const std::int32_t height = surface.GetHeight();
    if (width <= 0 || height <= 0 || !surface.GetPixels()) {
        std::fprintf(stderr, "%s: nothing to write, the image is empty\n", path.c_str());
        return false;
    }
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    std::uint8_t* out = rgb.data();
    const Pixel key = surface.GetColorKey();
    for (std::int32_t y = 0; y < height; ++y) {
        const Pixel* row = surface.Header().Row(y);
        for (std::int32_t x = 0; x < width; ++x) {
            const Pixel p = row[x] == key ? kPixelMagenta : row[x];
            const unsigned r = p >> 11, g = (p >> 5) & 0x3F, b = p & 0x1F;
            *out++ = static_cast<std::uint8_t>((r << 3) | (r >> 2));
            *out++ = static_cast<std::uint8_t>((g << 2) | (g >> 4));
            *out++ = static_cast<std::uint8_t>((b << 3) | (b >> 2));
        }
    }

    // The simplified interface reports errors in the image structure instead of jumping out of
    // the call, which C++ objects on the stack would not survive.
    png_image image;
    std::memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), width * 3, nullptr)) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), image.message);
        png_image_free(&image);
        return false;
    }
    return true;
}

} // namespace brelvo
