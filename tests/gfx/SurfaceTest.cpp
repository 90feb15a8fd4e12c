#include "gfx/Surface.h"

#include "tests/gfx/TestSupport.h"

#include <gtest/gtest.h>

#include <tuple>

namespace brelvo {
namespace {

using test::Describe;

TEST(PixelFormat, ConversionsKeepTopBitsWithoutRoundingAndMixAsDesigned) {
    const std::tuple<Color, Pixel, Color> cases[] = {
        {0xff00ff, 0xF81F, 0xf800f8}, {0xf8fcf8, 0xFFFF, 0xf8f8f8}, {0xc7c7c7, 0xC638, 0xc0c0c0},
        {0xffffff, 0xFFFF, 0xf8f8f8}, {0x000000, 0x0000, 0x000000}, {0x123456, 0x51A2, 0x103050}};
    for (const auto& [color, pixel, back] : cases) {
        EXPECT_EQ(ColorToPixel(color), pixel) << color;
        EXPECT_EQ(PixelToColor(pixel), back) << color;
    }
    // Read back and stored again, every pixel loses only the lowest green bit.
    for (std::uint32_t p = 0; p <= 0xFFFF; ++p)
        ASSERT_EQ(ColorToPixel(PixelToColor(static_cast<Pixel>(p))), p & ~0x20u) << p;
    const std::tuple<Pixel, Pixel, std::uint32_t, Pixel> mixes[] = {{0xFFFF, 0x0000, 127, 0x7BEF},
                                                                    {0xFFFF, 0x0000, 255, 0xF7DE},
                                                                    {0x1234, 0xABCD, 0, 0xABCD},
                                                                    {0x0000, 0xFFFF, 255, 0x0000},
                                                                    {0xF800, 0x001F, 128, 0x780F}};
    for (const auto& [s, d, alpha, expected] : mixes)
        EXPECT_EQ(MixPixel(s, d, alpha), expected) << s << " " << d << " " << alpha;
}

// A size it cannot hold is refused, and a side of 0 makes an empty Surface.
TEST(Surface, CreateSetsTheHeaderAndKeepsItsBlockForTheSameSize) {
    const std::string empty = "0x0 format 0 bpp 0 pitch 0/0 size 0 key f81f no pixels";
    const std::tuple<int, int, HResult, std::string> cases[] = {
        {5, 3, kOk, "5x3 format 1 bpp 2 pitch 6/12 size 36 key f81f owned"},
        {4, 1, kOk, "4x1 format 1 bpp 2 pitch 4/8 size 8 key f81f owned"},
        {1, 1, kOk, "1x1 format 1 bpp 2 pitch 2/4 size 4 key f81f owned"},
        {0, 10, kOk, empty},
        {-1, 5, kErrInvalidArg, empty},
        {70000, 70000, kErrOutOfMemory, empty}};
    for (const auto& [w, h, result, expected] : cases) {
        Surface s;
        EXPECT_EQ(s.Create(0, w, h), result) << w << "x" << h;
        EXPECT_EQ(Describe(s), expected);
    }
    Surface s;
    ASSERT_EQ(s.Create(0, 5, 3), kOk);
    Pixel* block = s.GetPixels();
    s.GetPixels()[7] = 0x1234;
    ASSERT_EQ(s.Create(0, 5, 3), kOk);
    EXPECT_EQ(s.GetPixels(), block);
    EXPECT_EQ(s.GetPixels()[7], 0x1234);
    ASSERT_EQ(s.Create(CREATE_CLEAR, 5, 3), kOk);
    EXPECT_EQ(s.GetPixels(), block);
    EXPECT_TRUE(test::SameStorage(s, test::Solid(5, 3, 0)));
}

TEST(Surface, BorrowedStorageIsNeverClaimed) {
    std::vector<Pixel> backBuffer(240 * 320, 0x4242);
    Surface s;
    ASSERT_EQ(s.Create(CREATE_NOSTORAGE, 240, 320), kOk);
    EXPECT_EQ(Describe(s), "240x320 format 1 bpp 2 pitch 240/480 size 153600 key f81f no pixels");
    s.AttachPixels(backBuffer.data());
    EXPECT_EQ(Describe(s), "240x320 format 1 bpp 2 pitch 240/480 size 153600 key f81f borrowed");
    // Same size without CREATE_NOSTORAGE: fresh storage, the borrowed block stays the owner's.
    ASSERT_EQ(s.Create(0, 240, 320), kOk);
    EXPECT_NE(s.GetPixels(), backBuffer.data());
    EXPECT_TRUE(s.OwnsPixels());
    EXPECT_EQ(backBuffer[0], 0x4242);
    ASSERT_EQ(s.Create(CREATE_NOSTORAGE, 240, 320), kOk);
    s.AttachPixels(backBuffer.data());
    s.Release(); // would crash under ASan if it freed the vector's block
    EXPECT_EQ(s.GetPixels(), nullptr);
}

TEST(Surface, PixelAccessOutsideIsRefused) {
    Surface s = test::Solid(4, 3, 0);
    Color c = 0xABCDEF;
    EXPECT_EQ(s.GetPixel(-1, 0, &c), kErrInvalidArg);
    EXPECT_EQ(c, 0xABCDEFu);
    EXPECT_EQ(s.SetPixel(4, 0, 0xFFFFFF), kErrInvalidArg);
    EXPECT_EQ(s.SetPixel(0, 3, 0xFFFFFF), kErrInvalidArg);
    EXPECT_TRUE(test::SameStorage(s, test::Solid(4, 3, 0)));
    EXPECT_EQ(s.GetPixelRaw(-1, 0), 0xF81F);
    s.SetColorKey(0xf8fcf8);
    EXPECT_EQ(s.GetColorKey(), 0xFFFF);
    EXPECT_EQ(s.GetPixelRaw(0, 3), 0xFFFF);
    ASSERT_EQ(s.SetPixel(0, 0, 0x123456), kOk);
    EXPECT_EQ(test::PixelAt(s, 0, 0), 0x51A2);
    ASSERT_EQ(s.GetPixel(0, 0, &c), kOk);
    EXPECT_EQ(c, 0x103050u);
}

TEST(Surface, MoveTransfersTheStorage) {
    Surface a = test::Solid(3, 3, 0), c = test::Solid(8, 8, 0);
    Pixel* block = a.GetPixels();
    Surface b(std::move(a));
    EXPECT_EQ(a.GetPixels(), nullptr); // NOLINT(bugprone-use-after-move)
    c = std::move(b);
    EXPECT_EQ(c.GetPixels(), block);
    EXPECT_EQ(c.GetWidth(), 3);
}

} // namespace
} // namespace brelvo
