// Writes the seed corpus of the picture fuzz target: one small file of each kind and variant
// the decoders handle. Usage: brelvo_make_fuzz_seeds OUTDIR

#include "gfx/BmpWriter.h"
#include "gfx/ImageLoad.h"
#include "tests/support/PictureWriters.h"

#include <turbojpeg.h>

#include <cstdio>
#include <string>

using brelvo::test::Bytes;

namespace {

void Save(const std::string& dir, const char* name, const Bytes& bytes) {
    const std::string path = dir + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::fclose(f);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const int w = 13, h = 9;
    Bytes rgba = brelvo::test::TestPictureRgba(w, h);
    Bytes rgb, few = rgba;
    for (std::size_t i = 0; i < rgba.size(); i += 4)
        rgb.insert(rgb.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
    for (std::size_t i = 0; i < few.size(); ++i)
        if (i % 4 != 3)
            few[i] &= 0xC0;

    Save(dir, "rgb.png", brelvo::test::WritePng(rgba, w, h, {2, 8, false, -1}));
    Save(dir, "rgba16-interlaced.png", brelvo::test::WritePng(rgba, w, h, {6, 16, true, -1}));
    Save(dir, "palette-trns.png", brelvo::test::WritePng(few, w, h, {3, 8, false, 0}));
    Save(dir, "grey.png", brelvo::test::WritePng(rgba, w, h, {0, 8, false, -1}));
    Save(dir, "baseline.jpg", brelvo::test::WriteJpeg(rgb, w, h, TJPF_RGB, 80, TJSAMP_420, false));
    Save(dir, "progressive.jpg",
         brelvo::test::WriteJpeg(rgb, w, h, TJPF_RGB, 80, TJSAMP_444, true));
    Bytes cmyk;
    for (std::size_t i = 0; i < rgb.size(); i += 3)
        cmyk.insert(cmyk.end(), {rgb[i], rgb[i + 1], rgb[i + 2], 200});
    Save(dir, "cmyk.jpg", brelvo::test::WriteJpeg(cmyk, w, h, TJPF_CMYK, 80, TJSAMP_444, false));

    const Bytes palette = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    brelvo::test::GifFrame frame{1, 1, 8, 6, Bytes(48), 2, true};
    for (std::size_t i = 0; i < frame.indices.size(); ++i)
        frame.indices[i] = static_cast<std::uint8_t>(i % 4);
    Save(dir, "interlaced-transparent.gif",
         brelvo::test::WriteGif(10, 8, palette, {frame, {0, 0, 10, 8, Bytes(80, 1), -1, false}}));

    brelvo::Surface s;
    s.Create(0, w, h);
    for (std::uint32_t i = 0; i < s.GetSize() / 2; ++i)
        s.GetPixels()[i] = static_cast<brelvo::Pixel>(i * 2654435761u >> 16);
    brelvo::VectorSink bmp, ebm;
    brelvo::EncodeBmp(s, bmp);
    brelvo::EncodeEbm(s, 0xff00ff, ebm);
    Save(dir, "rgb24.bmp", bmp.Bytes());
    Save(dir, "image.ebm", ebm.Bytes());
    return 0;
}
