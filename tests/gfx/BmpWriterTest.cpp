#include "gfx/BmpWriter.h"

#include "platform/DeviceFiles.h"
#include "tests/gfx/TestSupport.h"
#include "tests/reference/Reference.h"
#include "tests/support/DiskFaults.h"
#include "tests/support/Subprocess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace brelvo {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::Solid;

Bytes Encode(const Surface& s) {
    VectorSink sink;
    EXPECT_TRUE(EncodeBmp(s, sink));
    return sink.Bytes();
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

class SaveBmpFiles : public ::testing::Test {
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

TEST_F(SaveBmpFiles, RefusedSavesSayWhyAndLeaveTheOldFileAloneThenOneReplacesIt) {
    Surface empty;
    const struct {
        const Surface* surface;
        const char16_t* path;
        HResult expected;
    } cases[] = {
        {&empty, u"\\Pictures\\keep.bmp", kErrNoPixels},
        {&m_picture, u"\\Pictures\\a?b.bmp", kErrInvalidArg},
        {&m_picture, u"\\Pictures\\..\\keep.bmp", kErrInvalidArg},
        {&m_picture, u"\\Pictures\\Missing\\keep.bmp", kErrPathNotFound},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SaveBmp(*c.surface, WString(c.path)), c.expected) << &c - cases;
    EXPECT_TRUE(Holds("precious"));
    ASSERT_EQ(SaveBmp(m_picture, WString(u"\\Pictures\\keep.bmp")), kOk);
    const Bytes bmp = Encode(m_picture);
    EXPECT_TRUE(Holds(std::string(bmp.begin(), bmp.end())));
}

// A disk that fills part way through the picture: the encoder stops on the refused write, and
// the save must still say why, from the writer, not that the picture is too large for a BMP. It
// runs in a child process that fills the folder's disk. (The writer's own handling of each disk
// fault is DeviceFilesTest's; the program's, SaveFaultTest's.)
TEST_F(SaveBmpFiles, AFullDiskPartWaySaysWhyAndLeavesTheOldFileAlone) {
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

} // namespace
} // namespace brelvo
