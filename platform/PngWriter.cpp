#include "platform/PngWriter.h"

#include "platform/DeviceFiles.h"
#include "platform/Rgb565.h"

#include <png.h>

#include <cstring>
#include <vector>

namespace brelvo::platform {

bool EncodeRgb565Png(const std::uint16_t* pixels, std::int32_t width, std::int32_t height,
                     std::size_t pitchBytes, ByteSink& sink) {
    if (!pixels || width <= 0 || height <= 0 || pitchBytes < static_cast<std::size_t>(width) * 2)
        return false;
    const std::size_t w = static_cast<std::size_t>(width);
    std::vector<std::uint8_t> rgb(w * static_cast<std::size_t>(height) * 3);
    std::uint8_t* out = rgb.data();
    const auto* base = reinterpret_cast<const std::uint8_t*>(pixels);
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* row = base + static_cast<std::size_t>(y) * pitchBytes;
        for (std::size_t x = 0; x < w; ++x) {
            std::uint16_t p;
            std::memcpy(&p, row + 2 * x, sizeof p);
            const Rgb888 c = WidenRgb565(p);
            *out++ = c.r;
            *out++ = c.g;
            *out++ = c.b;
        }
    }

    // The simplified interface reports errors in the image structure instead of jumping out of
    // the call, which C++ objects on the stack would not survive. It writes to memory in two
    // passes: the first asks for the size.
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    const png_int_32 stride = static_cast<png_int_32>(w * 3);
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), stride, nullptr)) {
        png_image_free(&image);
        return false;
    }
    std::vector<std::uint8_t> encoded(size);
    if (!png_image_write_to_memory(&image, encoded.data(), &size, 0, rgb.data(), stride, nullptr)) {
        png_image_free(&image);
        return false;
    }
    return sink.Write(encoded.data(), size);
}

HResult WriteRgb565PngFile(const std::uint16_t* pixels, std::int32_t width, std::int32_t height,
                           std::size_t pitchBytes, const std::string& hostPath) {
    VectorSink bytes;
    if (!EncodeRgb565Png(pixels, width, height, pitchBytes, bytes))
        return kErrInvalidArg;
    return WriteFileReplacing(hostPath, bytes.Bytes().data(), bytes.Bytes().size());
}

} // namespace brelvo::platform
