#pragma once

// Encoders for the tests and benchmarks: they make the picture files that the decoders are
// checked against, with the same libraries a camera or an image editor would use.

#include <cstdint>
#include <vector>

namespace brelvo::test {

using Bytes = std::vector<std::uint8_t>;

struct PngOptions {
    int colorType = 2; // libpng's PNG_COLOR_TYPE_*: 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
    int bitDepth = 8;  // 8 or 16 (palette: 8)
    bool interlaced = false;
    int transparentIndex = -1; // palette only: a tRNS entry making this index fully transparent
};

// rgba holds width x height x 4 bytes. Palette files use the first 256 distinct colours of the
// picture (the picture must not have more); 16-bit files repeat each byte (0xAB -> 0xABAB).
Bytes WritePng(const Bytes& rgba, int width, int height, const PngOptions& options = {});

// TurboJPEG pixel formats: 0 TJPF_RGB (3 bytes a pixel), 6 TJPF_GRAY (1), 11 TJPF_CMYK (4).
// subsampling is TurboJPEG's TJSAMP_* (0 is 4:4:4, 2 is 4:2:0).
Bytes WriteJpeg(const Bytes& pixels, int width, int height, int pixelFormat, int quality,
                int subsampling, bool progressive);

struct GifFrame {
    int left = 0, top = 0, width = 0, height = 0;
    Bytes indices; // width x height palette indices
    int transparentIndex = -1;
    bool interlaced = false;
};
// palette holds RGB triples (a power of two count from 2 to 256). A frame with
// transparentIndex >= 0 is preceded by a graphic control extension.
Bytes WriteGif(int screenWidth, int screenHeight, const Bytes& palette,
               const std::vector<GifFrame>& frames);

// A picture with smooth gradients and a few hard edges, like a photograph with something in it.
Bytes TestPictureRgba(int width, int height);

} // namespace brelvo::test
