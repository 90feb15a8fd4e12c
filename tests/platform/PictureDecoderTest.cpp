#include "platform/PictureDecoder.h"

#include "tests/support/DiskFaults.h"
#include "tests/support/PictureWriters.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <turbojpeg.h>
#include <zlib.h>

#include <chrono>
#include <cstdlib>
#include <string>

namespace brelvo::platform {
namespace {

using test::Bytes;

Bytes Grey(const Bytes& rgba) {
    Bytes g = rgba;
    for (std::size_t i = 0; i < g.size(); i += 4)
        g[i + 1] = g[i + 2] = g[i];
    return g;
}

TEST(PictureDecoder, GoodPngsDecodeExactly) {
    const int w = 37, h = 23;
    Bytes rgba = test::TestPictureRgba(w, h);
    Bytes withAlpha = rgba;
    for (std::size_t i = 3; i < withAlpha.size(); i += 16)
        withAlpha[i] = static_cast<std::uint8_t>(i % 256);
    // Few colours, so the picture fits in a palette.
    Bytes fewColours = rgba;
    for (std::size_t i = 0; i < fewColours.size(); ++i)
        if (i % 4 != 3)
            fewColours[i] &= 0xC0;
    const struct {
        const char* name;
        Bytes picture;
        test::PngOptions options;
        int channels;
    } cases[] = {
        {"rgb", rgba, {2, 8, false, -1}, 3},
        {"rgb interlaced", rgba, {2, 8, true, -1}, 3},
        {"rgb 16-bit", rgba, {2, 16, false, -1}, 3},
        {"rgba", withAlpha, {6, 8, false, -1}, 4},
        {"rgba 16-bit interlaced", withAlpha, {6, 16, true, -1}, 4},
        {"grey", Grey(rgba), {0, 8, false, -1}, 3},
        {"grey 16-bit", Grey(rgba), {0, 16, false, -1}, 3},
        {"grey alpha", Grey(withAlpha), {4, 8, false, -1}, 4},
        {"palette", fewColours, {3, 8, false, -1}, 3},
        {"palette with transparency", fewColours, {3, 8, true, 0}, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file = test::WritePng(c.picture, w, h, c.options);
        // The transparent palette entry is the first colour, pixel 0's.
        Bytes expected;
        for (std::size_t i = 0; i < c.picture.size(); i += 4) {
            expected.insert(expected.end(), &c.picture[i], &c.picture[i + 3]);
            if (c.options.transparentIndex >= 0)
                expected.push_back(
                    std::equal(&c.picture[i], &c.picture[i + 3], &c.picture[0]) ? 0 : 255);
            else if (c.channels == 4)
                expected.push_back(c.picture[i + 3]);
        }
        Bitmap b;
        ASSERT_EQ(DecodePicture(file.data(), file.size(), b), kOk);
        EXPECT_EQ(std::tuple(b.width, b.height, b.channels), std::tuple(w, h, c.channels));
        EXPECT_TRUE(b.pixels == expected);
    }
}

TEST(PictureDecoder, JpegsDecodeCloselyInEveryVariant) {
    const int w = 64, h = 48;
    const Bytes rgba = test::TestPictureRgba(w, h);
    Bytes rgb, grey, cmyk;
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        rgb.insert(rgb.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
        grey.push_back(rgba[i]);
        // Inverted CMYK as image editors store it, with K = 255 (no black): the colour channels
        // then decode to the RGB values themselves.
        cmyk.insert(cmyk.end(), {rgba[i], rgba[i + 1], rgba[i + 2], 255});
    }
    const struct {
        const char* name;
        const Bytes* pixels;
        int format, subsampling;
        bool progressive;
        Bytes expected;
        int maxError;
        double meanError;
    } cases[] = {
        // Halved colour resolution blurs the disc's edge; the mean still shows a right picture.
        {"baseline 4:4:4", &rgb, TJPF_RGB, TJSAMP_444, false, rgba, 6, 1.0},
        {"progressive 4:4:4", &rgb, TJPF_RGB, TJSAMP_444, true, rgba, 6, 1.0},
        {"baseline 4:2:0", &rgb, TJPF_RGB, TJSAMP_420, false, rgba, 255, 4.0},
        {"greyscale", &grey, TJPF_GRAY, TJSAMP_GRAY, false, Grey(rgba), 4, 1.0},
        {"cmyk", &cmyk, TJPF_CMYK, TJSAMP_444, false, rgba, 8, 1.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file =
            test::WriteJpeg(*c.pixels, w, h, c.format, 100, c.subsampling, c.progressive);
        Bitmap b;
        ASSERT_EQ(DecodePicture(file.data(), file.size(), b), kOk);
        ASSERT_EQ(std::tuple(b.width, b.height, b.channels), std::tuple(w, h, 3));
        // The largest and the mean difference over the colour channels.
        int max = 0;
        double sum = 0;
        for (std::size_t i = 0; i < b.pixels.size(); ++i) {
            const int e = std::abs(b.pixels[i] - c.expected[i / 3 * 4 + i % 3]);
            max = std::max(max, e);
            sum += e;
        }
        EXPECT_LE(max, c.maxError);
        EXPECT_LE(sum / static_cast<double>(b.pixels.size()), c.meanError);
    }
}

TEST(PictureDecoder, GifTakesTheFirstFrameOnTheLogicalScreen) {
    const Bytes palette = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    test::GifFrame first{2, 1, 5, 11, {}, 3, false};
    for (int i = 0; i < 55; ++i)
        first.indices.push_back(static_cast<std::uint8_t>(i % 4));
    test::GifFrame second{0, 0, 8, 12, Bytes(96, 1), -1, false};
    for (const bool interlaced : {false, true}) {
        first.interlaced = interlaced;
        const Bytes file = test::WriteGif(8, 12, palette, {first, second});
        Bitmap b;
        ASSERT_EQ(DecodePicture(file.data(), file.size(), b), kOk);
        ASSERT_EQ(std::tuple(b.width, b.height, b.channels), std::tuple(8, 12, 4));
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 8; ++x) {
                const std::uint8_t* p = &b.pixels[4 * (y * 8 + x)];
                const bool inFrame = x >= 2 && x < 7 && y >= 1;
                const int index = inFrame ? first.indices[(y - 1) * 5 + (x - 2)] : 3;
                if (index == 3) // uncovered or transparent: the colour does not matter
                    ASSERT_EQ(p[3], 0) << x << "," << y;
                else
                    ASSERT_EQ(std::tuple(p[0], p[1], p[2], p[3]),
                              std::tuple(palette[3 * index], palette[3 * index + 1],
                                         palette[3 * index + 2], 255))
                        << x << "," << y;
            }
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
    Bytes rgb(8 * 8 * 3, 128);
    Bytes file = test::WriteJpeg(rgb, 8, 8, TJPF_RGB, 90, TJSAMP_444, false);
    for (std::size_t i = 2; i + 9 < file.size(); ++i)
        if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC2)) {
            file[i + 5] = static_cast<std::uint8_t>(h >> 8);
            file[i + 6] = static_cast<std::uint8_t>(h);
            file[i + 7] = static_cast<std::uint8_t>(w >> 8);
            file[i + 8] = static_cast<std::uint8_t>(w);
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
    const Bytes rgba = test::TestPictureRgba(40, 30);
    Bytes rgb;
    for (std::size_t i = 0; i < rgba.size(); i += 4)
        rgb.insert(rgb.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
    const Bytes png = test::WritePng(rgba, 40, 30);
    const Bytes jpeg = test::WriteJpeg(rgb, 40, 30, TJPF_RGB, 90, TJSAMP_420, false);
    const Bytes progressive = test::WriteJpeg(rgb, 40, 30, TJPF_RGB, 90, TJSAMP_420, true);
    test::GifFrame frame{0, 0, 40, 30, Bytes(1200, 1), -1, false};
    for (std::size_t i = 0; i < frame.indices.size(); ++i)
        frame.indices[i] = static_cast<std::uint8_t>((i * 7) % 4);
    const Bytes palette = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    const Bytes gif = test::WriteGif(40, 30, palette, {frame});
    Bytes gifNoImage = test::WriteGif(40, 30, palette, {});
    Bytes wrongSignature = png;
    wrongSignature[1] = 'Q';

    const std::pair<const char*, Bytes> cases[] = {
        {"empty", {}},
        {"wrong signature", wrongSignature},
        {"png signature only", Cut(png, 8)},
        {"png cut in the header", Cut(png, 20)},
        {"png cut in the data", Cut(png, png.size() / 2)},
        {"png without its end", Cut(png, png.size() - 12)},
        {"png corrupt data", Flip(png, 45, png.size() - 20)},
        {"png 20000 x 20000", PngClaiming(20000, 20000)},
        {"png 0 x 10", PngClaiming(0, 10)},
        {"png 10001 x 1", PngClaiming(10001, 1)},
        {"jpeg marker only", Cut(jpeg, 3)},
        {"jpeg cut in the tables", Cut(jpeg, 100)},
        {"jpeg cut in the scan", Cut(jpeg, jpeg.size() / 2)},
        {"progressive jpeg cut", Cut(progressive, progressive.size() * 2 / 3)},
        {"jpeg corrupt huffman data", Flip(jpeg, jpeg.size() / 2, jpeg.size() - 2)},
        {"jpeg 60000 x 60000", JpegClaiming(60000, 60000)},
        {"jpeg 0 x 8", JpegClaiming(0, 8)},
        {"gif header only", Cut(gif, 6)},
        {"gif cut in the palette", Cut(gif, 20)},
        {"gif cut in the image", Cut(gif, gif.size() / 2)},
        {"gif corrupt lzw data", Flip(gif, 40, gif.size() - 2)},
        {"gif without an image", gifNoImage},
        {"bmp header only", Bytes{'B', 'M', 0, 0}},
    };
    for (const auto& [name, file] : cases) {
        SCOPED_TRACE(name);
        Bitmap b;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(DecodePicture(file.data(), file.size(), b), kErrFail);
        // A hang guard, not a speed goal: each of these is refused in microseconds.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
        EXPECT_TRUE(b.pixels.empty());
        EXPECT_EQ(b.width, 0);
    }
}

TEST(PictureDecoder, HugeHeadersAreRefusedBeforeAllocating) {
    // In a child, so that the peak memory measured is this refusal's and nothing else's.
    for (const Bytes& file : {PngClaiming(20000, 20000), JpegClaiming(60000, 60000)}) {
        const int status = test::RunInChild([&] {
            Bitmap b;
            if (DecodePicture(file.data(), file.size(), b) != kErrFail)
                return 1;
            rusage usage{};
            getrusage(RUSAGE_SELF, &usage);
            return usage.ru_maxrss > 100 * 1024 ? 2 : 0;
        });
        EXPECT_EQ(status, 0) << "exit 1: decoded, exit 2: peak memory above 100 MB";
    }
}

TEST(PictureDecoder, FormatComesFromTheSignature) {
    const Bytes png = test::WritePng(test::TestPictureRgba(3, 3), 3, 3);
    const std::string path = ::testing::TempDir() + "brelvo-picture.jpg";
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fwrite(png.data(), 1, png.size(), f);
    fclose(f);
    Bitmap b;
    EXPECT_EQ(DecodePictureFile(path, b), kOk);
    EXPECT_EQ(b.width, 3);
    std::remove(path.c_str());
    EXPECT_EQ(DecodePictureFile(path, b), kErrFail);
}

} // namespace
} // namespace brelvo::platform
