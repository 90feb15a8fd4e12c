// Writes the seed corpora of the fuzz targets into CORPUS/load_image, CORPUS/archive and
// CORPUS/program: one small file of each kind and variant the picture decoders handle, a few
// small archives, whole and damaged, and walks through each screen of the program in the
// whole-program fuzzer's events. Usage: brelvo_make_fuzz_seeds CORPUS

#include "archive/ArchiveWriter.h"
#include "archive/ResourceArchive.h"
#include "gfx/BmpWriter.h"
#include "gfx/ImageLoad.h"
#include "tests/support/PictureWriters.h"

#include <turbojpeg.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

using brelvo::test::Bytes;

namespace {

// Writes bytes, or only their first keep bytes; any failure ends the program.
void Save(const std::string& dir, const char* name, const Bytes& bytes,
          std::size_t keep = SIZE_MAX) {
    const std::string path = dir + "/" + name;
    const std::size_t size = std::min(keep, bytes.size());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, size, f) != size || std::fclose(f) != 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
}

void Save(const std::string& dir, const char* name, const brelvo::ArchiveWriter& writer,
          std::size_t keep = SIZE_MAX) {
    brelvo::VectorSink sink;
    if (!writer.WriteTo(sink)) {
        std::fprintf(stderr, "%s/%s: the archive could not be built\n", dir.c_str(), name);
        std::exit(1);
    }
    Save(dir, name, sink.Bytes(), keep);
}

Bytes Deflate(const Bytes& raw) {
    uLongf size = compressBound(raw.size());
    Bytes out(size);
    if (compress2(out.data(), &size, raw.data(), raw.size(), 9) != Z_OK)
        std::exit(1);
    out.resize(size);
    return out;
}

} // namespace

// The whole-program fuzzer's events (fuzz/RandomUse.cpp reads them), at device-screen points.
Bytes At(int x) {
    return {static_cast<std::uint8_t>((x * 256 + 239) / 240)};
}
Bytes Tap(int x, int y) {
    const int v = (y * 65536 + 319) / 320;
    return {0, At(x)[0], static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v & 0xFF)};
}
Bytes Menu(int x, int itemY) { // a menu header, six frames, an item
    Bytes b = {7, At(x)[0], 10, 4, 5};
    const Bytes item = Tap(x + 13, itemY);
    b.insert(b.end(), item.begin(), item.end());
    return b;
}
Bytes Frames(int n) {
    return {4, static_cast<std::uint8_t>(n - 1)};
}
Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS\n", argv[0]);
        return 2;
    }
    const std::string pictures = std::string(argv[1]) + "/load_image";
    const std::string archives = std::string(argv[1]) + "/archive";
    std::filesystem::create_directories(pictures);
    std::filesystem::create_directories(archives);

    const int w = 13, h = 9;
    Bytes rgba = brelvo::test::TestPictureRgba(w, h);
    Bytes rgb, few = rgba;
    for (std::size_t i = 0; i < rgba.size(); i += 4)
        rgb.insert(rgb.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
    for (std::size_t i = 0; i < few.size(); ++i)
        if (i % 4 != 3)
            few[i] &= 0xC0;

    Save(pictures, "rgb.png", brelvo::test::WritePng(rgba, w, h, {2, 8, false, -1}));
    Save(pictures, "rgba16-interlaced.png", brelvo::test::WritePng(rgba, w, h, {6, 16, true, -1}));
    Save(pictures, "palette-trns.png", brelvo::test::WritePng(few, w, h, {3, 8, false, 0}));
    Save(pictures, "grey.png", brelvo::test::WritePng(rgba, w, h, {0, 8, false, -1}));
    Save(pictures, "baseline.jpg",
         brelvo::test::WriteJpeg(rgb, w, h, TJPF_RGB, 80, TJSAMP_420, false));
    Save(pictures, "progressive.jpg",
         brelvo::test::WriteJpeg(rgb, w, h, TJPF_RGB, 80, TJSAMP_444, true));
    Bytes cmyk;
    for (std::size_t i = 0; i < rgb.size(); i += 3)
        cmyk.insert(cmyk.end(), {rgb[i], rgb[i + 1], rgb[i + 2], 200});
    Save(pictures, "cmyk.jpg",
         brelvo::test::WriteJpeg(cmyk, w, h, TJPF_CMYK, 80, TJSAMP_444, false));

    const Bytes palette = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    brelvo::test::GifFrame frame{1, 1, 8, 6, Bytes(48), 2, true};
    for (std::size_t i = 0; i < frame.indices.size(); ++i)
        frame.indices[i] = static_cast<std::uint8_t>(i % 4);
    Save(pictures, "interlaced-transparent.gif",
         brelvo::test::WriteGif(10, 8, palette, {frame, {0, 0, 10, 8, Bytes(80, 1), -1, false}}));

    brelvo::Surface s;
    s.Create(0, w, h);
    for (std::uint32_t i = 0; i < s.GetSize() / 2; ++i)
        s.GetPixels()[i] = static_cast<brelvo::Pixel>(i * 2654435761u >> 16);
    brelvo::VectorSink bmp, ebm;
    brelvo::EncodeBmp(s, bmp);
    brelvo::EncodeEbm(s, 0xff00ff, ebm);
    Save(pictures, "rgb24.bmp", bmp.Bytes());
    Save(pictures, "image.ebm", ebm.Bytes());

    const std::uint8_t headerBytes[8] = {1, 0, 0, 0, 2, 0, 0, 0};

    brelvo::ArchiveWriter empty;
    empty.SetTitle(u"empty");
    Save(archives, "empty.erc", empty);

    // The entry the program fetches most: a small image of its own format.
    brelvo::Surface small;
    small.Create(0, 7, 5);
    for (std::uint32_t i = 0; i < small.GetSize() / 2; ++i)
        small.GetPixels()[i] = static_cast<brelvo::Pixel>(i * 2654435761u >> 16);
    brelvo::VectorSink smallEbm;
    brelvo::EncodeEbm(small, 0xff00ff, smallEbm);
    brelvo::ArchiveWriter one;
    one.SetTitle(u"artwork");
    one.SetHeaderWord(1);
    one.SetHeaderBytes(headerBytes);
    one.AddEntry(100, u"button", u"eBM", 1, smallEbm.Bytes().data(), smallEbm.Bytes().size());
    Save(archives, "one-image.erc", one);

    Bytes text(300), runs(3000, 0);
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<std::uint8_t>("warp the picture "[i % 17]);
    for (std::size_t i = 0; i < runs.size(); ++i)
        runs[i] = static_cast<std::uint8_t>(i / 500);
    brelvo::ArchiveWriter several;
    several.SetTitle(u"several entries");
    several.AddEntry(3, u"a", u"eBM", 0, text.data(), 40);
    several.AddEntry(7, u"b", u"font", 1, runs.data(), runs.size());
    several.AddEntry(12, u"c", nullptr, 0, text.data(), text.size());
    several.AddEntry(40, u"\u00fcber", u"eBM", 0, smallEbm.Bytes().data(), smallEbm.Bytes().size());
    several.AddEntry(41, u"empty", u"", 0, nullptr, 0);
    Save(archives, "several.erc", several);

    Bytes corrupt = Deflate(text), full = Deflate(runs);
    corrupt[corrupt.size() / 2] ^= 0x10;
    brelvo::ArchiveWriter damaged;
    damaged.AddStoredEntry(1, u"corrupt", u"eBM", 0, corrupt.data(), corrupt.size(), 300);
    damaged.AddStoredEntry(2, u"short", u"eBM", 0, full.data(), full.size(), 4000);
    damaged.AddStoredEntry(3, u"long", u"eBM", 0, full.data(), full.size(), 2000);
    Save(archives, "damaged-streams.erc", damaged);

    // The table claims five records; the file ends inside the third.
    Save(archives, "truncated-table.erc", several,
         brelvo::ArchiveLayout::kTable + 2 * brelvo::ArchiveLayout::kRecordSize + 30);

    // File > New, a Magnifier drag (m typed, then a drag), and on to each screen.
    const std::string program = std::string(argv[1]) + "/program";
    std::filesystem::create_directories(program);
    const Bytes changed =
        Join({Menu(56, 36), Frames(11), {3, 0, 1}, {1, At(130)[0], 120, 0, 2, 8, 8, 8, 8}});
    Save(program, "open.bin",
         Join({Menu(56, 54), Frames(20), Tap(40, 50), Frames(5), Tap(40, 65), Frames(2),
               Tap(20, 309), Frames(20)}));
    Save(program, "save.bin",
         Join({changed,
               Menu(56, 96),
               Frames(10),
               {3, 2, 4, 5, 6},
               Tap(19, 309),
               Frames(10),
               Tap(93, 194),
               Frames(10)}));
    Save(program, "help.bin",
         Join({Menu(171, 36),
               Frames(5),
               Tap(60, 37),
               Frames(2),
               {2, 0, 2, 1, 2, 5},
               Frames(3),
               Menu(171, 54),
               Frames(12),
               Tap(120, 160)}));
    Save(program, "exit.bin",
         Join({changed,
               {9},
               Frames(3),
               Tap(171, 194),
               Frames(2),
               {9},
               Frames(2),
               Tap(77, 194),
               Frames(4)}));
    return 0;
}
