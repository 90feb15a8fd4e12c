#include "platform/PictureDecoder.h"

#include "tests/support/DiskFaults.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sys/resource.h>
#include <tuple>
#include <vector>

namespace brelvo::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitfields = 3;
constexpr std::uint32_t kAlphaBitfields = 6;

// What the writer puts in a file. Masks are written from byte 54 on, which is inside headers
// larger than 40 bytes and right after a 40-byte one.
struct BmpFile {
    std::int32_t width = 1;
    std::int32_t height = 1; // negative: rows stored top first
    std::uint16_t bpp = 24;
    std::uint32_t compression = 0;
    std::uint32_t headerBytes = 40;
    std::uint32_t coloursUsed = 0;
    std::vector<std::uint32_t> palette{}; // 0xRRGGBB
    std::vector<std::uint32_t> masks{};   // R, G, B[, A]
    Bytes pixels{};                       // exactly as stored
};

void PutLe(Bytes& b, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void Poke(Bytes& b, std::size_t at, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

Bytes Build(const BmpFile& f) {
    // File size, reserved, pixel offset: patched below. (Made at its full 14 bytes at once: GCC
    // 12 at -O3 warns falsely, -Warray-bounds, about growing a 2-byte vector.)
    Bytes b(14, 0);
    b[0] = 'B';
    b[1] = 'M';
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

// Expected pixels are top row first.
struct GoodCase {
    const char* name;
    int channels;
    BmpFile file;            // pixels empty when `rows` gives them
    std::vector<Bytes> rows; // top first, unpadded; empty for run-length data
    std::vector<std::uint32_t> expected;
};
GoodCase Good(const char* name, int channels, BmpFile file, std::vector<Bytes> rows,
              std::vector<std::uint32_t> expected) {
    return {name, channels, std::move(file), std::move(rows), std::move(expected)};
}

constexpr std::uint32_t kWhite = 0xFFFFFF;

std::vector<GoodCase> GoodCases() {
    const auto ramp16 = Ramp(16);
    const auto c = [&](int i) { return ramp16[static_cast<std::size_t>(i)]; };
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
             {.width = 2, .height = 2, .bpp = 4, .headerBytes = 12, .palette = ramp16},
             {{0x3C}, {0xF0}}, {c(3), c(12), c(15), c(0)}),
        Good("RLE8 runs, absolute, end of line, delta, end of bitmap", 3,
             RleFile(6, 3, kRle8, {0, 0x111111, 0x222222, 0x333333, 0x444444},
                     {3, 1, 0, 3, 2, 3, 4, 0, 0, 0, 0, 2, 2, 1, 2, 5, 0, 1}),
             {},
             {kWhite, kWhite, 0, 0, kWhite, kWhite, kWhite, kWhite, kWhite, kWhite, kWhite, kWhite,
              0x111111, 0x111111, 0x111111, 0x222222, 0x333333, 0x444444}),
        Good("RLE4 runs, absolute, delta, end of line, end of bitmap", 3,
             RleFile(5, 2, kRle4, ramp16,
                     {3, 0x12, 0, 2, 1, 0, 1, 0x80, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0, 0, 1}),
             {}, {c(3), c(4), c(5), c(6), c(7), c(1), c(2), c(1), kWhite, c(8)}),
        Good("RLE8 ending without its end marker keeps what it decoded", 3,
             RleFile(2, 2, kRle8, {0, 0x123456}, {2, 1}), {}, {kWhite, kWhite, 0x123456, 0x123456}),
    };
}

void ExpectDecodes(const Bytes& file, const GoodCase& c, const char* orientation) {
    SCOPED_TRACE(orientation);
    Bitmap out;
    ASSERT_EQ(DecodeBmp(file.data(), file.size(), out), kOk);
    EXPECT_EQ(std::tuple(out.width, out.height, out.channels),
              std::tuple(c.file.width, std::abs(c.file.height), c.channels));
    EXPECT_EQ(out.pixels, Expand(c.expected, c.channels));
}

// Each file decodes stored bottom up and top down (the core header has no top-down form), and
// an uncompressed one cut anywhere, even in the last row's padding, is refused whole.
TEST(BmpDecoder, GoodFilesDecodeExactlyAndEveryCutOneIsRefused) {
    for (const GoodCase& c : GoodCases()) {
        SCOPED_TRACE(c.name);
        BmpFile f = c.file;
        if (c.rows.empty()) {
            ExpectDecodes(Build(f), c, "as given");
            continue;
        }
        f.pixels = Rows(c.rows, false);
        const Bytes file = Build(f);
        ExpectDecodes(file, c, "bottom up");
        for (std::size_t size = 0; size < file.size(); ++size) {
            Bitmap out;
            EXPECT_EQ(DecodeBmp(file.data(), size, out), kErrFail) << "size " << size;
            EXPECT_TRUE(out.pixels.empty());
        }
        if (f.headerBytes != 12) {
            f.height = -f.height;
            f.pixels = Rows(c.rows, true);
            ExpectDecodes(Build(f), c, "top down");
        }
    }
}

Bytes Good24() {
    return Build({.width = 3, .height = 2, .pixels = Rows({Bytes(9, 1), Bytes(9, 2)}, false)});
}

Bytes Good24With(std::size_t at, std::uint64_t value, int bytes) {
    Bytes b = Good24();
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

Bytes Paletted(std::uint16_t bpp, std::uint32_t coloursUsed, std::size_t entries) {
    return Build({.bpp = bpp,
                  .coloursUsed = coloursUsed,
                  .palette = std::vector<std::uint32_t>(entries, 0x808080),
                  .pixels = Bytes(4, 0)});
}

std::vector<std::pair<const char*, Bytes>> BadCases() {
    const std::uint32_t intMin = 0x80000000u;
    Bytes core = Build({.width = 1, .height = 1, .headerBytes = 12, .pixels = {1, 2, 3, 0}});
    Poke(core, 18, 0, 2);
    Bytes noPixelsLeft = Rle8(2, 2, {2, 1, 0, 1});
    Poke(noPixelsLeft, 10, noPixelsLeft.size(), 4);
    return {
        {"not BM", Good24With(0, 'B' | 'A' << 8, 2)},
        {"header size 0", Good24With(14, 0, 4)},
        {"header size 39", Good24With(14, 39, 4)},
        {"header larger than the file", Good24With(14, 124, 4)},
        {"width 0", Good24With(18, 0, 4)},
        {"negative width", Good24With(18, static_cast<std::uint32_t>(-3), 4)},
        {"core header width 0", core},
        {"height 0", Good24With(22, 0, 4)},
        {"height INT32_MIN", Good24With(22, intMin, 4)},
        {"60000 x 60000", Build({.width = 60000, .height = 60000, .pixels = Bytes(64, 0)})},
        {"20000 x 1", Build({.width = 20000, .height = 1, .pixels = Bytes(60000, 0)})},
        {"1 x -20000", Build({.width = 1, .height = -20000, .pixels = Bytes(80000, 0)})},
        {"planes 2", Good24With(26, 2, 2)},
        {"bpp 0", Good24With(28, 0, 2)},
        {"bpp 2", Good24With(28, 2, 2)},
        {"bpp 64", Good24With(28, 64, 2)},
        {"bitfields with a zero mask", Bitfields({0xF800, 0, 0x001F})},
        {"bitfields with a non-contiguous mask", Bitfields({0xF00F, 0x07E0, 0x0010})},
        {"bitfields with overlapping masks", Bitfields({0xF800, 0x0FE0, 0x001F})},
        {"alpha mask overlapping a colour", Bitfields({0xF800, 0x07E0, 0x001F, 0x8000})},
        {"16-bit mask wider than the pixel", Bitfields({0x1F800, 0x07E0, 0x001F})},
        {"bitfields at 24 bits", Bitfields({0xFF0000, 0xFF00, 0xFF}, 24)},
        {"compression JPEG", Good24With(30, 4, 4)},
        {"compression 7", Good24With(30, 7, 4)},
        {"RLE8 at 24 bits", Good24With(30, kRle8, 4)},
        {"colours used 1000 at 8 bits", Paletted(8, 1000, 1000)},
        {"colours used 17 at 4 bits", Paletted(4, 17, 17)},
        {"256 colours, 16 in the file", Paletted(8, 0, 16)},
        {"pixel offset beyond the file", Good24With(10, 5000, 4)},
        {"pixel offset 0xFFFFFFFF", Good24With(10, 0xFFFFFFFFu, 4)},
        {"RLE data starting at the file's end", noPixelsLeft},
        {"RLE8 run past the right edge", Rle8(4, 2, {3, 1, 2, 1})},
        {"RLE8 absolute past the right edge", Rle8(4, 2, {2, 1, 0, 3, 1, 2, 3, 0})},
        {"RLE4 run past the right edge", Build(RleFile(3, 1, kRle4, Ramp(16), {4, 0x12, 0, 1}))},
        {"RLE8 run past the bottom", Rle8(2, 1, {2, 1, 0, 0, 1, 1, 0, 1})},
        {"RLE8 end of line past the bottom", Rle8(2, 1, {0, 0, 0, 0, 0, 1})},
        {"RLE8 delta off the right", Rle8(4, 2, {1, 1, 0, 2, 4, 0, 0, 1})},
        {"RLE8 delta off the top", Rle8(4, 2, {0, 2, 0, 3, 0, 1})},
        {"RLE8 stored top down", Rle8(2, -2, {2, 1, 0, 1})},
    };
}

TEST(BmpDecoder, MalformedFilesAreRefused) {
    for (const auto& [name, file] : BadCases()) {
        SCOPED_TRACE(name);
        Bitmap out;
        ASSERT_TRUE(out.Allocate(2, 2, 4)); // a failed decode must not leave old pixels behind
        EXPECT_EQ(DecodeBmp(file.data(), file.size(), out), kErrFail);
        EXPECT_EQ(std::tuple(out.width, out.height, out.channels, out.pixels.size()),
                  std::tuple(0, 0, 0, 0u));
    }
}

// Headers within the size limit whose pixels are not in the file: the refusal must come before
// the pixel memory (300 MB and more) is taken. Each runs in a child so that the peak memory
// measured is that refusal's alone.
TEST(BmpDecoder, TruncatedHugePicturesAreRefusedBeforeAllocating) {
    const Bytes files[] = {
        Build({.width = 10000, .height = 10000, .bpp = 32, .pixels = Bytes(64, 0)}),
        Build({.width = 10000, .height = -10000, .pixels = Bytes(30000, 0)}),
    };
    for (const Bytes& file : files) {
        const int status = test::RunInChild([&] {
            Bitmap out;
            if (DecodeBmp(file.data(), file.size(), out) != kErrFail)
                return 1;
            rusage usage{};
            ::getrusage(RUSAGE_SELF, &usage);
            return usage.ru_maxrss > 100 * 1024 ? 2 : 0;
        });
        EXPECT_EQ(status, 0) << "exit 1: decoded, exit 2: peak memory above 100 MB";
    }
}

} // namespace
} // namespace brelvo::platform
