#include "platform/PictureDecoder.h"
#include "platform/PngWriter.h"

#include "tests/support/DiskFaults.h"
#include "tests/support/PictureWriters.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <turbojpeg.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <tuple>

namespace brelvo::platform {
namespace {

using test::Bytes;

constexpr std::uint32_t kRle8 = 1, kRle4 = 2, kBitfields = 3, kAlphaBitfields = 6;

// What the writer puts in a BMP file. Masks are written from byte 54 on, which is inside headers
// larger than 40 bytes and right after a 40-byte one.
struct BmpFile {
    std::int32_t width = 1, height = 1; // a negative height stores the rows top first
    std::uint16_t bpp = 24;
    std::uint32_t compression = 0, headerBytes = 40, coloursUsed = 0;
    std::vector<std::uint32_t> palette{}, masks{}; // 0xRRGGBB; R, G, B[, A]
    Bytes pixels{};                                // exactly as stored
};

using Decoder = HResult (*)(const std::uint8_t*, std::size_t, Bitmap&);
using Decoding = std::tuple<HResult, int, int, int, Bytes>;
const Decoding kRefused{kErrFail, 0, 0, 0, {}};

// What a decoder makes of a file, as one value. It starts from a filled Bitmap, which a failed
// decode must not leave behind.
Decoding Decoded(const Bytes& file, Decoder decode = DecodePicture) {
    Bitmap b;
    b.Allocate(2, 2, 4);
    const HResult result = decode(file.data(), file.size(), b);
    return {result, b.width, b.height, b.channels, b.pixels};
}

void Poke(Bytes& b, std::size_t at, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

void PutLe(Bytes& b, std::uint64_t v, int bytes) {
    b.resize(b.size() + static_cast<std::size_t>(bytes));
    Poke(b, b.size() - static_cast<std::size_t>(bytes), v, bytes);
}

Bytes Build(const BmpFile& f) {
    // File size, reserved, pixel offset: patched below. (Made at its full 14 bytes at once: GCC
    // 12 at -O3 warns falsely, -Warray-bounds, about growing a 2-byte vector.)
    Bytes b{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const int dimension = f.headerBytes == 12 ? 2 : 4;
    PutLe(b, f.headerBytes, 4);
    PutLe(b, static_cast<std::uint32_t>(f.width), dimension);
    PutLe(b, static_cast<std::uint32_t>(f.height), dimension);
    PutLe(b, 1, 2);
    PutLe(b, f.bpp, 2);
    if (f.headerBytes != 12) {
        // Compression, image size, 72 dpi both ways, colours used and colours important.
        for (std::uint64_t v :
             {std::uint64_t{f.compression}, std::uint64_t{f.pixels.size()}, std::uint64_t{2835},
              std::uint64_t{2835}, std::uint64_t{f.coloursUsed}, std::uint64_t{0}})
            PutLe(b, v, 4);
        for (std::uint32_t mask : f.masks)
            PutLe(b, mask, 4);
        b.resize(std::max<std::size_t>(b.size(), 14 + f.headerBytes), 0);
    }
    for (std::uint32_t rgb : f.palette)
        PutLe(b, rgb, f.headerBytes == 12 ? 3 : 4);
    Poke(b, 10, b.size(), 4);
    b.insert(b.end(), f.pixels.begin(), f.pixels.end());
    Poke(b, 2, b.size(), 4);
    return b;
}

// Row data given top row first, each padded to 4 bytes with a filler the decoder must skip.
Bytes Rows(const std::vector<Bytes>& topFirst, bool topDown) {
    Bytes out;
    for (std::size_t i = 0; i < topFirst.size(); ++i) {
        const Bytes& row = topFirst[topDown ? i : topFirst.size() - 1 - i];
        out.insert(out.end(), row.begin(), row.end());
        out.resize((out.size() + 3) / 4 * 4, 0xEE);
    }
    return out;
}

Bytes Le16s(std::initializer_list<std::uint16_t> values) {
    Bytes b;
    for (std::uint16_t v : values)
        PutLe(b, v, 2);
    return b;
}

std::vector<std::uint32_t> Ramp(int count) {
    std::vector<std::uint32_t> palette;
    for (int i = 0; i < count; ++i)
        palette.push_back(static_cast<std::uint32_t>(i << 16 | (255 - i) << 8 | (i ^ 0x5A)));
    return palette;
}

// Expected pixels are 0xRRGGBB, or 0xRRGGBBAA for four channels.
Bytes Expand(const std::vector<std::uint32_t>& pixels, int channels) {
    Bytes out;
    for (std::uint32_t p : pixels)
        for (int c = channels - 1; c >= 0; --c)
            out.push_back(static_cast<std::uint8_t>(p >> (8 * c)));
    return out;
}

BmpFile Masked(std::uint16_t bpp, std::uint32_t compression, std::uint32_t headerBytes,
               std::vector<std::uint32_t> masks, std::int32_t width = 1) {
    return {width, 1, bpp, compression, headerBytes, 0, {}, std::move(masks), {}};
}

BmpFile RleFile(std::int32_t width, std::int32_t height, std::uint32_t compression,
                std::vector<std::uint32_t> palette, Bytes data) {
    const auto bpp = static_cast<std::uint16_t>(compression == kRle8 ? 8 : 4);
    const auto used = static_cast<std::uint32_t>(palette.size());
    return {width, height, bpp, compression, 40, used, std::move(palette), {}, std::move(data)};
}

struct GoodBmp {
    const char* name;
    int channels;
    BmpFile file;                        // pixels empty when `rows` gives them
    std::vector<Bytes> rows;             // top first, unpadded; empty for run-length data
    std::vector<std::uint32_t> expected; // top row first
};
GoodBmp Good(const char* name, int channels, BmpFile file, std::vector<Bytes> rows,
             std::vector<std::uint32_t> expected) {
    return {name, channels, std::move(file), std::move(rows), std::move(expected)};
}

constexpr std::uint32_t kWhite = 0xFFFFFF;

std::vector<GoodBmp> GoodBmps() {
    const auto r = Ramp(16);
    return {
        Good("1-bit palette, unused low bits set", 3,
             {.width = 3, .height = 2, .bpp = 1, .palette = {0x102030, 0xA0B0C0}}, {{0xBF}, {0x6F}},
             {0xA0B0C0, 0x102030, 0xA0B0C0, 0x102030, 0xA0B0C0, 0xA0B0C0}),
        Good("4-bit palette, index past colours used is black", 3,
             {.width = 3, .height = 2, .bpp = 4, .coloursUsed = 2, .palette = {0x112233, 0x445566}},
             {{0x10, 0x7F}, {0x01, 0x10}},
             {0x445566, 0x112233, 0x000000, 0x112233, 0x445566, 0x445566}),
        Good("8-bit, colours used 0 means 256", 3,
             {.width = 2, .height = 2, .bpp = 8, .palette = Ramp(256)}, {{0, 255}, {7, 128}},
             {0x00FF5A, 0xFF00A5, 0x07F85D, 0x807FDA}),
        Good("16-bit 5-5-5, top bit ignored", 3, {.width = 2, .height = 2, .bpp = 16},
             {Le16s({0x7FFF, 0x7C00}), Le16s({0x83E0, 0x4210})},
             {0xFFFFFF, 0xFF0000, 0x00FF00, 0x848484}),
        Good("16-bit 5-6-5 bitfields, odd width", 3,
             Masked(16, kBitfields, 40, {0xF800, 0x07E0, 0x001F}, 3),
             {Le16s({0xF800, 0x0400, 0x0001})}, {0xFF0000, 0x008200, 0x000008}),
        Good("24-bit, odd width pads rows", 3, {.width = 3, .height = 2},
             {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {10, 11, 12, 13, 14, 15, 16, 17, 18}},
             {0x030201, 0x060504, 0x090807, 0x0C0B0A, 0x0F0E0D, 0x121110}),
        Good("32-bit BGRX with the fourth byte zero is opaque", 3,
             {.width = 2, .height = 2, .bpp = 32},
             {{1, 2, 3, 0, 4, 5, 6, 0}, {7, 8, 9, 0, 10, 11, 12, 0}},
             {0x030201, 0x060504, 0x090807, 0x0C0B0A}),
        Good("32-bit BGRX with a fourth byte set carries alpha", 4,
             {.width = 2, .height = 1, .bpp = 32}, {{1, 2, 3, 0, 4, 5, 6, 0x80}},
             {0x03020100, 0x06050480}),
        Good("V5 header, RGBA byte order with an alpha mask", 4,
             Masked(32, kBitfields, 124, {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000}, 2),
             {{0x11, 0x22, 0x33, 0x44, 0xFF, 0, 0, 0}}, {0x11223344, 0xFF000000}),
        Good("V4 header, 5-6-5 with a zero alpha mask", 3,
             Masked(16, kBitfields, 108, {0xF800, 0x07E0, 0x001F, 0}), {Le16s({0xFFFF})},
             {0xFFFFFF}),
        Good("56-byte header, 4-4-4-4 with alpha", 4,
             Masked(16, kBitfields, 56, {0x0F00, 0x00F0, 0x000F, 0xF000}), {Le16s({0xF8A5})},
             {0x88AA55FF}),
        Good("52-byte header: no alpha mask, so the fourth byte is not alpha", 3,
             Masked(32, kBitfields, 52, {0xFF0000, 0xFF00, 0xFF}), {{1, 2, 3, 0xFF}}, {0x030201}),
        Good("alpha bitfields, 10-10-10 and 2-bit alpha", 4,
             Masked(32, kAlphaBitfields, 40, {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000}),
             {{0x00, 0x00, 0xF8, 0x7F}}, {0xFF800055}),
        Good("core header, 3-byte palette", 3,
             {.width = 2, .height = 2, .bpp = 4, .headerBytes = 12, .palette = r}, {{0x3C}, {0xF0}},
             {r[3], r[12], r[15], r[0]}),
        Good("RLE8 runs, absolute, end of line, delta, end of bitmap", 3,
             RleFile(6, 3, kRle8, {0, 0x111111, 0x222222, 0x333333, 0x444444},
                     {3, 1, 0, 3, 2, 3, 4, 0, 0, 0, 0, 2, 2, 1, 2, 5, 0, 1}),
             {},
             {kWhite, kWhite, 0, 0, kWhite, kWhite, kWhite, kWhite, kWhite, kWhite, kWhite, kWhite,
              0x111111, 0x111111, 0x111111, 0x222222, 0x333333, 0x444444}),
        Good("RLE4 runs, absolute, delta, end of line, end of bitmap", 3,
             RleFile(5, 2, kRle4, r,
                     {3, 0x12, 0, 2, 1, 0, 1, 0x80, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0, 0, 1}),
             {}, {r[3], r[4], r[5], r[6], r[7], r[1], r[2], r[1], kWhite, r[8]}),
        Good("RLE8 ending without its end marker keeps what it decoded", 3,
             RleFile(2, 2, kRle8, {0, 0x123456}, {2, 1}), {},
             {kWhite, kWhite, 0x123456, 0x123456})};
}

// Each file decodes, picked by its signature, stored bottom up and top down (the core header has
// no top-down form), and an uncompressed one cut anywhere, even in the last row's padding, is
// refused whole.
TEST(BmpDecoder, GoodFilesDecodeExactlyAndEveryCutOneIsRefused) {
    for (const GoodBmp& c : GoodBmps()) {
        SCOPED_TRACE(c.name);
        const Decoding expected{kOk, c.file.width, std::abs(c.file.height), c.channels,
                                Expand(c.expected, c.channels)};
        BmpFile f = c.file;
        if (c.rows.empty()) {
            EXPECT_EQ(Decoded(Build(f)), expected);
            continue;
        }
        f.pixels = Rows(c.rows, false);
        const Bytes file = Build(f);
        EXPECT_EQ(Decoded(file), expected) << "bottom up";
        for (std::size_t size = 0; size < file.size(); ++size)
            EXPECT_EQ(Decoded(Bytes(file.begin(), file.begin() + size), DecodeBmp), kRefused)
                << "size " << size;
        if (f.headerBytes != 12) {
            f.height = -f.height;
            f.pixels = Rows(c.rows, true);
            EXPECT_EQ(Decoded(Build(f)), expected) << "top down";
        }
    }
}

Bytes Good24With(std::size_t at, std::uint64_t value, int bytes) {
    Bytes b = Build({.width = 3, .height = 2, .pixels = Rows({Bytes(9, 1), Bytes(9, 2)}, false)});
    Poke(b, at, value, bytes);
    return b;
}

// Four masks make it an alpha-bitfields file, since a 40-byte header has no alpha mask.
Bytes Bitfields(std::vector<std::uint32_t> masks, std::uint16_t bpp = 16) {
    const std::uint32_t compression = masks.size() == 4 ? kAlphaBitfields : kBitfields;
    BmpFile f = Masked(bpp, compression, 40, std::move(masks), 2);
    f.pixels = Bytes(8, 0x55);
    return Build(f);
}

Bytes Rle8(std::int32_t width, std::int32_t height, Bytes data) {
    return Build(RleFile(width, height, kRle8, Ramp(256), std::move(data)));
}

std::vector<std::pair<const char*, Bytes>> BadBmps() {
    Bytes noPixelsLeft = Rle8(2, 2, {2, 1, 0, 1});
    Poke(noPixelsLeft, 10, noPixelsLeft.size(), 4);
    return {{"not BM", Good24With(0, 'B' | 'A' << 8, 2)},
            {"header size 39", Good24With(14, 39, 4)},
            {"width 0", Good24With(18, 0, 4)},
            {"height 0", Good24With(22, 0, 4)},
            {"height INT32_MIN", Good24With(22, 0x80000000u, 4)},
            {"10001 x 1", Build({.width = 10001, .height = 1, .pixels = Bytes(30004, 0)})},
            {"1 x -10001", Build({.width = 1, .height = -10001, .pixels = Bytes(40004, 0)})},
            {"planes 2", Good24With(26, 2, 2)},
            {"bpp 2", Good24With(28, 2, 2)},
            {"bitfields with a zero mask", Bitfields({0xF800, 0, 0x001F})},
            {"bitfields with a non-contiguous mask", Bitfields({0xF00F, 0x07E0, 0x0010})},
            {"alpha mask overlapping a colour", Bitfields({0xF800, 0x07E0, 0x001F, 0x8000})},
            {"16-bit mask wider than the pixel", Bitfields({0x1F800, 0x07E0, 0x001F})},
            {"bitfields at 24 bits", Bitfields({0xFF0000, 0xFF00, 0xFF}, 24)},
            {"compression JPEG", Good24With(30, 4, 4)},
            {"RLE8 at 24 bits", Good24With(30, kRle8, 4)},
            {"colours used 17 at 4 bits", Build({1, 1, 4, 0, 40, 17, Ramp(17), {}, Bytes(4, 0)})},
            {"pixel offset beyond the file", Good24With(10, 5000, 4)},
            {"RLE data starting at the file's end", noPixelsLeft},
            {"RLE8 run past the right edge", Rle8(4, 2, {3, 1, 2, 1})},
            {"RLE8 absolute past the right edge", Rle8(4, 2, {2, 1, 0, 3, 1, 2, 3, 0})},
            {"RLE8 run past the bottom", Rle8(2, 1, {2, 1, 0, 0, 1, 1, 0, 1})},
            {"RLE8 end of line past the bottom", Rle8(2, 1, {0, 0, 0, 0, 0, 1})},
            {"RLE8 delta off the right", Rle8(4, 2, {1, 1, 0, 2, 4, 0, 0, 1})},
            {"RLE8 delta off the top", Rle8(4, 2, {0, 2, 0, 3, 0, 1})},
            {"RLE8 stored top down", Rle8(2, -2, {2, 1, 0, 1})}};
}

Bytes Grey(const Bytes& rgba) {
    Bytes g = rgba;
    for (std::size_t i = 0; i < g.size(); i += 4)
        g[i + 1] = g[i + 2] = g[i];
    return g;
}

Bytes Rgb(const Bytes& rgba) {
    Bytes rgb;
    for (std::size_t i = 0; i < rgba.size(); i += 4)
        rgb.insert(rgb.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
    return rgb;
}

TEST(PictureDecoder, GoodPngsDecodeExactly) {
    const int w = 37, h = 23;
    Bytes rgba = test::TestPictureRgba(w, h), withAlpha = rgba, fewColours = rgba;
    for (std::size_t i = 3; i < withAlpha.size(); i += 16)
        withAlpha[i] = static_cast<std::uint8_t>(i % 256);
    // Few colours, so the picture fits in a palette.
    for (std::size_t i = 0; i < fewColours.size(); ++i)
        fewColours[i] &= i % 4 != 3 ? 0xC0 : 0xFF;
    const std::tuple<const char*, Bytes, test::PngOptions, int> cases[] = {
        {"rgb", rgba, {2, 8, false, -1}, 3},
        {"rgb interlaced", rgba, {2, 8, true, -1}, 3},
        {"rgb 16-bit", rgba, {2, 16, false, -1}, 3},
        {"rgba 16-bit interlaced", withAlpha, {6, 16, true, -1}, 4},
        {"grey", Grey(rgba), {0, 8, false, -1}, 3},
        {"grey alpha", Grey(withAlpha), {4, 8, false, -1}, 4},
        {"palette with transparency", fewColours, {3, 8, true, 0}, 4}};
    for (const auto& [name, picture, options, channels] : cases) {
        // The transparent palette entry is the first colour, pixel 0's.
        Bytes expected;
        for (std::size_t i = 0; i < picture.size(); i += 4) {
            expected.insert(expected.end(), &picture[i], &picture[i + 3]);
            if (options.transparentIndex >= 0)
                expected.push_back(std::equal(&picture[i], &picture[i + 3], &picture[0]) ? 0 : 255);
            else if (channels == 4)
                expected.push_back(picture[i + 3]);
        }
        EXPECT_EQ(Decoded(test::WritePng(picture, w, h, options)),
                  Decoding(kOk, w, h, channels, expected))
            << name;
    }
}

TEST(PictureDecoder, JpegsDecodeClosely) {
    const int w = 64, h = 48;
    const Bytes rgba = test::TestPictureRgba(w, h), rgb = Rgb(rgba);
    Bytes grey, cmyk;
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        grey.push_back(rgba[i]);
        // Inverted CMYK as image editors store it, with K = 255 (no black): the colour channels
        // then decode to the RGB values themselves.
        cmyk.insert(cmyk.end(), {rgba[i], rgba[i + 1], rgba[i + 2], 255});
    }
    const std::tuple<const char*, const Bytes*, int, Bytes, int> cases[] = {
        {"rgb", &rgb, TJPF_RGB, rgba, 6},
        {"greyscale", &grey, TJPF_GRAY, Grey(rgba), 4},
        {"cmyk", &cmyk, TJPF_CMYK, rgba, 8}};
    for (const auto& [name, pixels, format, expected, maxError] : cases) {
        SCOPED_TRACE(name);
        const int sampling = format == TJPF_GRAY ? TJSAMP_GRAY : TJSAMP_444;
        const Bytes file = test::WriteJpeg(*pixels, w, h, format, 100, sampling, false);
        Bitmap b;
        ASSERT_EQ(DecodePicture(file.data(), file.size(), b), kOk);
        ASSERT_EQ(std::tuple(b.width, b.height, b.channels), std::tuple(w, h, 3));
        // The largest and the mean difference over the colour channels.
        int max = 0;
        double sum = 0;
        for (std::size_t i = 0; i < b.pixels.size(); ++i) {
            const int e = std::abs(b.pixels[i] - expected[i / 3 * 4 + i % 3]);
            max = std::max(max, e);
            sum += e;
        }
        EXPECT_LE(max, maxError);
        EXPECT_LE(sum / static_cast<double>(b.pixels.size()), 1.0);
    }
}

const Bytes kGifPalette = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};

// Index 3 (blue) is the first frame's transparent colour; what it does not cover, and its
// transparent pixels, are transparent white.
TEST(PictureDecoder, GifTakesTheFirstFrameOnTheLogicalScreen) {
    const Bytes rgba = {0, 0, 0, 255, 255, 0, 0, 255, 0, 255, 0, 255, 255, 255, 255, 0};
    test::GifFrame first{2, 1, 5, 11, {}, 3, false};
    for (int i = 0; i < 55; ++i)
        first.indices.push_back(static_cast<std::uint8_t>(i % 4));
    Bytes expected;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inFrame = x >= 2 && x < 7 && y >= 1;
            const int index = inFrame ? first.indices[(y - 1) * 5 + (x - 2)] : 3;
            expected.insert(expected.end(), &rgba[4 * index], &rgba[4 * index + 4]);
        }
    const test::GifFrame second{0, 0, 8, 12, Bytes(96, 1), -1, false};
    for (const bool interlaced : {false, true}) {
        first.interlaced = interlaced;
        EXPECT_EQ(Decoded(test::WriteGif(8, 12, kGifPalette, {first, second})),
                  Decoding(kOk, 8, 12, 4, expected))
            << interlaced;
    }
}

void PutBe32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

// A PNG whose header claims another size, with the header's checksum made right again, so that
// only the size limit can refuse it.
Bytes PngClaiming(std::uint32_t w, std::uint32_t h) {
    Bytes file = test::WritePng(test::TestPictureRgba(4, 4), 4, 4);
    PutBe32(file, 16, w);
    PutBe32(file, 20, h);
    PutBe32(file, 29, static_cast<std::uint32_t>(crc32(0, &file[12], 17)));
    return file;
}

// A JPEG whose frame header claims another size.
Bytes JpegClaiming(std::uint16_t w, std::uint16_t h) {
    Bytes file = test::WriteJpeg(Bytes(8 * 8 * 3, 128), 8, 8, TJPF_RGB, 90, TJSAMP_444, false);
    for (std::size_t i = 2; i + 9 < file.size(); ++i)
        if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC2)) {
            PutBe32(file, i + 5, std::uint32_t{h} << 16 | w); // height, then width
            break;
        }
    return file;
}

Bytes Cut(Bytes b, std::size_t n) {
    b.resize(std::min(n, b.size()));
    return b;
}

Bytes Flip(Bytes b, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < std::min(to, b.size()); i += 3)
        b[i] ^= 0x5A;
    return b;
}

TEST(PictureDecoder, MalformedFilesFailCleanly) {
    for (const auto& [name, file] : BadBmps())
        EXPECT_EQ(Decoded(file, DecodeBmp), kRefused) << name;
    const Bytes rgba = test::TestPictureRgba(40, 30);
    const Bytes png = test::WritePng(rgba, 40, 30);
    const Bytes jpeg = test::WriteJpeg(Rgb(rgba), 40, 30, TJPF_RGB, 90, TJSAMP_420, false);
    test::GifFrame frame{0, 0, 40, 30, Bytes(1200, 1), -1, false};
    for (std::size_t i = 0; i < frame.indices.size(); ++i)
        frame.indices[i] = static_cast<std::uint8_t>((i * 7) % 4);
    const Bytes gif = test::WriteGif(40, 30, kGifPalette, {frame});
    const std::pair<const char*, Bytes> cases[] = {
        {"empty", {}},
        {"wrong signature", Flip(png, 1, 2)},
        {"png cut in the data", Cut(png, png.size() / 2)},
        {"png without its end", Cut(png, png.size() - 12)},
        {"png 0 x 10", PngClaiming(0, 10)},
        {"png 10001 x 1", PngClaiming(10001, 1)},
        {"jpeg marker only", Cut(jpeg, 3)},
        {"jpeg cut in the scan", Cut(jpeg, jpeg.size() / 2)},
        {"jpeg corrupt huffman data", Flip(jpeg, jpeg.size() / 2, jpeg.size() - 2)},
        {"jpeg 0 x 8", JpegClaiming(0, 8)},
        {"gif header only", Cut(gif, 6)},
        {"gif cut in the image", Cut(gif, gif.size() / 2)},
        {"gif without an image", test::WriteGif(40, 30, kGifPalette, {})}};
    for (const auto& [name, file] : cases) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Decoded(file), kRefused) << name;
        // A hang guard, not a speed goal: each of these is refused in microseconds.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << name;
    }
}

// Headers within or beyond the size limit whose pixels are not in the file: the refusal must
// come before the pixel memory (300 MB and more) is taken. Each runs in a child so that the peak
// memory measured is that refusal's alone.
TEST(PictureDecoder, HugeHeadersAreRefusedBeforeAllocating) {
    const Bytes files[] = {
        PngClaiming(20000, 20000), JpegClaiming(60000, 60000),
        Build({.width = 10000, .height = 10000, .bpp = 32, .pixels = Bytes(64, 0)}),
        Build({.width = 10000, .height = -10000, .pixels = Bytes(30000, 0)})};
    for (const Bytes& file : files) {
        const int status = test::RunInChild([&] {
            Bitmap b;
            if (DecodePicture(file.data(), file.size(), b) != kErrFail)
                return 1;
            rusage usage{};
            ::getrusage(RUSAGE_SELF, &usage);
            return usage.ru_maxrss > 100 * 1024 ? 2 : 0;
        });
        EXPECT_EQ(status, 0) << "exit 1: decoded, exit 2: peak memory above 100 MB";
    }
}

TEST(PictureDecoder, FormatComesFromTheSignature) {
    const Bytes png = test::WritePng(test::TestPictureRgba(3, 3), 3, 3);
    const std::string path = ::testing::TempDir() + "brelvo-picture.jpg";
    std::ofstream(path, std::ios::binary) << std::string(png.begin(), png.end());
    Bitmap b;
    EXPECT_EQ(DecodePictureFile(path, b), kOk);
    EXPECT_EQ(b.width, 3);
    std::remove(path.c_str());
    EXPECT_EQ(DecodePictureFile(path, b), kErrFail);
    EXPECT_EQ(b.width, 0);
}

// The program's headless shots check its pixels; they never pass an empty picture or short rows.
TEST(PngWriterTest, RefusesAnEmptyPictureAndShortRows) {
    const std::uint16_t pixels[2] = {};
    VectorSink sink;
    EXPECT_FALSE(EncodeRgb565Png(pixels, 0, 1, 2, sink) || EncodeRgb565Png(pixels, 2, 1, 2, sink));
}

} // namespace
} // namespace brelvo::platform
