// Feeds arbitrary bytes to LoadImageFromMemory: the program's own eBM images and every picture
// format the platform decodes go through this one entry point.

#include "gfx/ImageLoad.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    void* block = std::malloc(size);
    if (!block)
        return 0;
    std::memcpy(block, data, size);
    brelvo::Surface surface;
    if (brelvo::Succeeded(brelvo::LoadImageFromMemory(surface, block, size))) {
        // Touch every pixel so that a Surface claiming more than it holds is caught.
        const brelvo::SurfaceHeader& h = surface.Header();
        unsigned sum = 0;
        for (std::uint32_t i = 0; i < h.size / 2; ++i)
            sum += h.pixels[i];
        volatile unsigned sink = sum;
        (void)sink;
    }
    return 0;
}
