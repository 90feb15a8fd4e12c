// Writes a photograph-like JPEG of any size, for the benchmarks that open large pictures.
// Usage: brelvo_make_photo OUT.jpg WIDTH HEIGHT

#include "tests/support/PictureWriters.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    const int width = argc == 4 ? std::atoi(argv[2]) : 0;
    const int height = argc == 4 ? std::atoi(argv[3]) : 0;
    if (width < 1 || height < 1 || width > 10000 || height > 10000) {
        std::fprintf(stderr, "usage: brelvo_make_photo OUT.jpg WIDTH HEIGHT (each 1 to 10000)\n");
        return 2;
    }
    // RGBA to RGB, then JPEG at quality 90 with 4:2:0 sampling, as a camera writes it.
    const brelvo::test::Bytes rgba = brelvo::test::TestPictureRgba(width, height);
    brelvo::test::Bytes rgb;
    for (std::size_t i = 0; i < rgba.size(); i += 4)
        rgb.insert(rgb.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
    const brelvo::test::Bytes jpeg = brelvo::test::WriteJpeg(rgb, width, height, 0, 90, 2, false);
    FILE* f = std::fopen(argv[1], "wb");
    if (!f || std::fwrite(jpeg.data(), 1, jpeg.size(), f) != jpeg.size()) {
        std::perror(argv[1]);
        return 1;
    }
    return std::fclose(f) == 0 ? 0 : 1;
}
