#include "gfx/BmpWriter.h"
#include "gfx/ImageLoad.h"

#include "base/LittleEndian.h"
#include "platform/DeviceFiles.h"
#include "tests/gfx/TestSupport.h"
#include "tests/reference/Reference.h"
#include "tests/support/DiskFaults.h"
#include "tests/support/Subprocess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <tuple>

namespace brelvo {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::Describe;
using test::Solid;

Bytes Encode(const Surface& s) {
    VectorSink sink;
    EXPECT_TRUE(EncodeBmp(s, sink));
    return sink.Bytes();
}

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

// Spelled out byte by byte, so that the literal converter below is checked against the format.
TEST(BmpWriter, WritesTheHeadersThenPaddedRowsBottomUp) {
    Surface s = Solid(3, 2, 0);
    s.GetPixels()[0] = 0xF800;                // top-left red
    s.GetPixels()[s.GetPitch() + 2] = 0xFFFF; // bottom-right white
    std::string hex;
    for (const std::uint8_t b : Encode(s))
        hex += {"0123456789abcdef"[b >> 4], "0123456789abcdef"[b & 15]};
    EXPECT_EQ(hex, "424d4e000000000000003600000028000000"             // size 78, rows at 54
                   "030000000200000001001800"                         // 3 x 2, 1 plane, 24 bits
                   "000000001800000000000000000000000000000000000000" // 24 bytes of rows
                   "000000000000f8fcf8000000"   // the bottom row, then its padding
                   "0000f8000000000000000000"); // the top row
    Surface empty;
    VectorSink sink;
    EXPECT_FALSE(EncodeBmp(empty, sink));
}

// The first surface is tall enough to need several bands.
TEST(BmpWriter, MatchesTheLiteralConverter) {
    std::mt19937 rng(77);
    std::uniform_int_distribution<int> size(1, 70);
    for (int iter = 0; iter < 300; ++iter) {
        const Surface s = iter ? test::RandomSurface(rng, size(rng), size(rng))
                               : test::RandomSurface(rng, 1001, 300);
        VectorSink want;
        ASSERT_TRUE(reference::EncodeBmp(s, want));
        ASSERT_EQ(Encode(s), want.Bytes()) << s.GetWidth() << "x" << s.GetHeight();
    }
}

class PictureFolder : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(m_folder);
        std::ofstream(m_folder + "/keep.bmp") << "precious";
        m_oldRoot = platform::GetDeviceRoot();
        platform::SetDeviceRoot(m_dir.Path());
    }
    void TearDown() override { platform::SetDeviceRoot(m_oldRoot); }
    // Whether keep.bmp holds the text and no temporary file of a save is left beside it.
    bool Holds(const std::string& text) const {
        for (const auto& entry : std::filesystem::directory_iterator(m_folder))
            if (entry.path().filename().string().starts_with(".") &&
                entry.path().filename().string().find("keep.bmp") != std::string::npos)
                return false;
        return test::ReadTextFile(m_folder + "/keep.bmp") == text;
    }
    test::TempFolder m_dir;
    const std::string m_folder = m_dir / "Pictures";
    std::string m_oldRoot;
    const Surface m_picture = Solid(3, 2, 0x07E0);
};

TEST_F(PictureFolder, RefusedSavesSayWhyAndLeaveTheOldFileAloneThenOneReplacesIt) {
    Surface empty;
    const std::tuple<const Surface*, const char16_t*, HResult> cases[] = {
        {&empty, u"\\Pictures\\keep.bmp", kErrNoPixels},
        {&m_picture, u"\\Pictures\\a?b.bmp", kErrInvalidArg},
        {&m_picture, u"\\Pictures\\..\\keep.bmp", kErrInvalidArg},
        {&m_picture, u"\\Pictures\\Missing\\keep.bmp", kErrPathNotFound},
    };
    for (int row = 0; const auto& [surface, path, expected] : cases)
        EXPECT_EQ(SaveBmp(*surface, WString(path)), expected) << "row " << row++;
    EXPECT_TRUE(Holds("precious"));
    ASSERT_EQ(SaveBmp(m_picture, WString(u"\\Pictures\\keep.bmp")), kOk);
    const Bytes bmp = Encode(m_picture);
    EXPECT_TRUE(Holds(std::string(bmp.begin(), bmp.end())));
}

// A disk that fills part way through the picture: the encoder stops on the refused write, and
// the save must still say why, from the writer, not that the picture is too large for a BMP. It
// runs in a child process that fills the folder's disk. (The writer's own handling of each disk
// fault is DeviceFilesTest's; the program's, SaveFaultTest's.)
TEST_F(PictureFolder, AFullDiskPartWaySaysWhyAndLeavesTheOldFileAlone) {
    const Surface picture = Solid(100, 100, 0x07E0); // 30 KiB, more than the disk takes
    const test::FaultRun run = test::RunWithDiskFault(test::DiskFault::FullDisk, m_folder, [&] {
        if (SaveBmp(picture, WString(u"\\Pictures\\keep.bmp")) != kErrDiskFull)
            return 1;
        return Holds("precious") ? 0 : 2;
    });
    if (!run.cannot.empty())
        GTEST_SKIP() << run.cannot;
    EXPECT_EQ(run.code, 0) << "1: another result, 2: old file changed or temporary file left";
}

// A picture saved as BMP under the device root comes back whole through the platform decoder,
// loaded from its device path or from a block of its bytes (ConvertBitmapHandle's case checks how
// decoded pixels are converted).
TEST_F(PictureFolder, SavedPicturesLoadBackThroughThePlatformDecoder) {
    std::mt19937 rng(9);
    const Surface picture = test::RandomSurface(rng, 8, 5);
    ASSERT_EQ(SaveBmp(picture, WString(u"\\Pictures\\a.bmp")), kOk);
    Surface s, fromBlock;
    EXPECT_EQ(LoadPictureFile(s, u"\\Pictures\\a.bmp"), kOk);
    EXPECT_EQ(Describe(s), "8x5 format 1 bpp 2 pitch 8/16 size 80 key f81f owned");
    EXPECT_TRUE(test::SameStorage(s, picture));
    const Bytes bmp = Encode(picture);
    ASSERT_EQ(LoadImageFromMemory(fromBlock, Block(bmp), bmp.size()), kOk);
    EXPECT_TRUE(test::SameStorage(fromBlock, picture));
    EXPECT_EQ(LoadPictureFile(s, u"\\Pictures\\missing.png"), kErrOutOfMemory);
    EXPECT_EQ(s.GetPixels(), nullptr);
    EXPECT_EQ(LoadPictureFile(s, u"\\Pictures\\..\\keep.bmp"), kErrOutOfMemory);
}

TEST(LoadImageFromMemory, LoadsTheProgramsOwnFormat) {
    Surface s, back;
    s.SetColorKeyRaw(0x1234);
    const Bytes file = Ebm(3, 2, 16, 16);
    ASSERT_EQ(LoadImageFromMemory(s, Block(file), 64), kOk);
    EXPECT_EQ(Describe(s), "3x2 format 1 bpp 2 pitch 4/8 size 16 key f81f owned");
    EXPECT_EQ(std::memcmp(s.GetPixels(), file.data() + 48, 16), 0);
    // The writer and the loader agree, key included.
    VectorSink sink;
    ASSERT_TRUE(EncodeEbm(s, 0xf8fcf8, sink));
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

} // namespace
} // namespace brelvo
