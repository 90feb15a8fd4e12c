#include "platform/PngWriter.h"
#include "platform/PictureDecoder.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace brelvo::platform {
namespace {

// Every pixel value once, in rows with spare pixels at their ends: the top 5, 6 and 5 bits of
// what a decoder reads give back each pixel, white stays white, and the same pixels give the
// same bytes.
TEST(PngWriterTest, TheTopBitsOfEveryChannelComeBack) {
    const std::int32_t size = 256;
    const std::size_t pitch = 260;
    std::vector<std::uint16_t> pixels(pitch * size, 0xDEAD);
    for (std::size_t i = 0; i < 256 * 256; ++i)
        pixels[i / 256 * pitch + i % 256] = static_cast<std::uint16_t>(i);
    VectorSink png;
    ASSERT_TRUE(EncodeRgb565Png(pixels.data(), size, size, pitch * 2, png));
    Bitmap decoded;
    ASSERT_EQ(DecodePng(png.Bytes().data(), png.Bytes().size(), decoded), kOk);
    ASSERT_EQ(std::tuple(decoded.width, decoded.height, decoded.channels),
              std::tuple(size, size, 3));
    int wrong = 0;
    for (std::size_t i = 0; i < 256 * 256; ++i) {
        const std::uint8_t* p = &decoded.pixels[3 * i];
        wrong += ((p[0] >> 3) << 11 | (p[1] >> 2) << 5 | p[2] >> 3) != static_cast<int>(i);
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(decoded.pixels.back(), 0xFF);

    VectorSink again;
    ASSERT_TRUE(EncodeRgb565Png(pixels.data(), size, size, pitch * 2, again));
    EXPECT_EQ(again.Bytes(), png.Bytes());
    EXPECT_FALSE(EncodeRgb565Png(pixels.data(), 0, size, pitch * 2, again));
    EXPECT_FALSE(EncodeRgb565Png(pixels.data(), size, size, 2, again));
}

} // namespace
} // namespace brelvo::platform
