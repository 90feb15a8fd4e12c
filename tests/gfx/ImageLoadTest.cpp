#include "gfx/ImageLoad.h"

#include "base/LittleEndian.h"
#include "platform/DeviceFiles.h"
#include "tests/gfx/TestSupport.h"
#include "tests/support/PictureWriters.h"
#include "tests/support/Subprocess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace brelvo {
namespace {

using test::Bytes;
using test::Describe;

// LoadImageFromMemory takes over a block from malloc; LeakSanitizer reports any block it fails
// to release.
void* Block(const Bytes& bytes) {
    void* p = std::malloc(std::max<std::size_t>(bytes.size(), 1));
    std::memcpy(p, bytes.data(), bytes.size());
    return p;
}

// An eBM image of one frame keyed with magenta, whose header claims dataSize bytes of pixels and
// which holds dataBytes of them.
Bytes Ebm(std::uint32_t w, std::uint32_t h, std::uint32_t dataSize, std::size_t dataBytes) {
    Bytes b(48 + dataBytes, 0);
    std::memcpy(b.data(), "eBM\000565", 8); // both marks end in a zero
    const std::uint32_t fields[] = {w, h, dataSize, 1, w, 0xff00ff};
    for (std::size_t i = 0; i < std::size(fields); ++i)
        StoreLe32(&b[8 + 4 * i], fields[i]);
    for (std::size_t i = 0; i < dataBytes; ++i)
        b[48 + i] = static_cast<std::uint8_t>(i * 7 + 1);
    return b;
}

TEST(LoadImageFromMemory, LoadsTheProgramsOwnFormat) {
    Surface s;
    s.SetColorKeyRaw(0x1234);
    const Bytes file = Ebm(3, 2, 16, 16);
    ASSERT_EQ(LoadImageFromMemory(s, Block(file), 64), kOk);
    EXPECT_EQ(Describe(s), "3x2 format 1 bpp 2 pitch 4/8 size 16 key f81f owned");
    EXPECT_EQ(std::memcmp(s.GetPixels(), file.data() + 48, 16), 0);
    // The writer and the loader agree, key included.
    VectorSink sink;
    ASSERT_TRUE(EncodeEbm(s, 0xf8fcf8, sink));
    Surface back;
    ASSERT_EQ(LoadImageFromMemory(back, Block(sink.Bytes()), sink.Bytes().size()), kOk);
    EXPECT_EQ(back.GetColorKey(), 0xFFFF);
    EXPECT_EQ(std::memcmp(back.GetPixels(), s.GetPixels(), 16), 0);
}

TEST(LoadImageFromMemory, RefusesBlocksThatDoNotHoldTheirImage) {
    Bytes unterminated = Ebm(3, 2, 16, 16), shortHeader = Ebm(1, 1, 4, 4);
    unterminated[3] = 'X'; // not the eBM mark: goes to the platform decoder, which refuses it
    shortHeader.resize(40);
    const std::pair<const char*, Bytes> cases[] = {
        {"shorter than the header", shortHeader},
        {"data size not pitch x height x 2", Ebm(3, 2, 12, 16)},
        {"data beyond the block", Ebm(3, 2, 16, 8)},
        {"huge size", Ebm(0x80000000u, 2, 16, 16)},
        {"size whose data size wraps", Ebm(65536, 32768, 0, 0)},
        {"mark not terminated", unterminated},
        {"not a picture at all", Bytes(100, 0x42)},
    };
    for (const auto& [name, bytes] : cases) {
        Surface s = test::Solid(5, 5, 0);
        EXPECT_EQ(LoadImageFromMemory(s, Block(bytes), bytes.size()), kErrOutOfMemory) << name;
        EXPECT_EQ(s.GetPixels(), nullptr) << name;
    }
    Surface s;
    EXPECT_EQ(LoadImageFromMemory(s, nullptr, 10), kErrOutOfMemory);
    void* kept = Block({1});
    EXPECT_EQ(LoadImageFromMemory(s, kept, 0), kErrOutOfMemory);
    std::free(kept); // a size of 0 fails the argument check: the block stays the caller's
}

TEST(ConvertBitmapHandle, KeepsTopBitsAndCompositesOntoWhite) {
    const struct {
        std::uint8_t r, g, b, a;
        Pixel expected;
    } cases[] = {
        {0xFF, 0xFF, 0xFF, 255, 0xFFFF}, {0x12, 0x34, 0x56, 255, 0x11AA},
        {0x07, 0x03, 0x07, 255, 0x0000}, {0x00, 0x00, 0x00, 0, 0xFFFF},
        {0x00, 0x00, 0x00, 128, 0x7BEF}, {0xFF, 0x00, 0x00, 128, 0xFBEF},
    };
    auto bitmap = std::make_unique<platform::Bitmap>();
    ASSERT_TRUE(bitmap->Allocate(static_cast<std::int32_t>(std::size(cases)), 1, 4));
    for (std::size_t i = 0; i < std::size(cases); ++i)
        std::memcpy(&bitmap->pixels[4 * i], &cases[i].r, 4);
    Surface s;
    ASSERT_EQ(ConvertBitmapHandle(s, std::move(bitmap)), kOk);
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(s.GetPixels()[i], cases[i].expected) << i;
    // A Surface of the same size keeps its key; no picture is a failure.
    s.SetColorKeyRaw(0x1234);
    bitmap = std::make_unique<platform::Bitmap>();
    ASSERT_TRUE(bitmap->Allocate(static_cast<std::int32_t>(std::size(cases)), 1, 3));
    ASSERT_EQ(ConvertBitmapHandle(s, std::move(bitmap)), kOk);
    EXPECT_EQ(s.GetColorKey(), 0x1234);
    EXPECT_EQ(ConvertBitmapHandle(s, nullptr), kErrOutOfMemory);
}

// A picture file under the device root, and the same bytes in a block, go through the platform
// decoder to the same pixels (ConvertBitmapHandle's case checks how they are converted).
TEST(LoadPictureFile, ReadsDevicePathsUnderTheRootThroughThePlatformDecoder) {
    const test::TempFolder root;
    std::filesystem::create_directories(root / "Pictures");
    const std::string oldRoot = platform::GetDeviceRoot();
    platform::SetDeviceRoot(root.Path());
    const Bytes png = test::WritePng(test::TestPictureRgba(7, 5), 7, 5);
    std::ofstream(root / "Pictures/a.png", std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    Surface s, fromBlock;
    EXPECT_EQ(LoadPictureFile(s, u"\\Pictures\\a.png"), kOk);
    EXPECT_EQ(Describe(s), "7x5 format 1 bpp 2 pitch 8/16 size 80 key f81f owned");
    ASSERT_EQ(LoadImageFromMemory(fromBlock, Block(png), png.size()), kOk);
    EXPECT_TRUE(test::SameStorage(fromBlock, s));
    EXPECT_EQ(LoadPictureFile(s, u"\\Pictures\\missing.png"), kErrOutOfMemory);
    EXPECT_EQ(s.GetPixels(), nullptr);
    EXPECT_EQ(LoadPictureFile(s, u"\\Pictures\\..\\a.png"), kErrOutOfMemory);
    platform::SetDeviceRoot(oldRoot);
}

} // namespace
} // namespace brelvo
