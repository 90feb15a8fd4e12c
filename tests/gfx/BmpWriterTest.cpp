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

std::string Text(const Bytes& b) {
    return {b.begin(), b.end()};
}

// Spelled out byte by byte, so that the literal converter below is checked against the format.
TEST(BmpWriter, WritesTheHeadersThenPaddedRowsBottomUp) {
    Surface s = Solid(3, 2, 0);
    s.GetPixels()[0] = 0xF800;                // top-left red
    s.GetPixels()[s.GetPitch() + 2] = 0xFFFF; // bottom-right white
    const Bytes want = {
        'B', 'M', 78,   0, 0,  0, 0,    0,    0,    0, 54, 0, 0, 0, // file header: size, where the
                                                                    // rows are
        40,  0,   0,    0, 3,  0, 0,    0,    2,    0, 0,  0, 1, 0, 24,
        0,                                 // header size, width, height, 1 plane, 24 bits
        0,   0,   0,    0, 24, 0, 0,    0, // no compression, 24 bytes of rows
        0,   0,   0,    0, 0,  0, 0,    0,    0,    0, 0,  0, 0, 0, 0,
        0,                                                     // resolution and palette: none
        0,   0,   0,    0, 0,  0, 0xF8, 0xFC, 0xF8, 0, 0,  0,  // the bottom row, then its padding
        0,   0,   0xF8, 0, 0,  0, 0,    0,    0,    0, 0,  0}; // the top row
    EXPECT_EQ(Encode(s), want);
    Surface empty;
    VectorSink sink;
    EXPECT_FALSE(EncodeBmp(empty, sink));
}

TEST(BmpWriter, MatchesTheLiteralConverter) {
    std::mt19937 rng(77);
    std::uniform_int_distribution<int> size(1, 70);
    for (int iter = 0; iter < 300; ++iter) {
        const Surface s = test::RandomSurface(rng, size(rng), size(rng));
        VectorSink want;
        ASSERT_TRUE(reference::EncodeBmp(s, want));
        ASSERT_EQ(Encode(s), want.Bytes()) << s.GetWidth() << "x" << s.GetHeight();
    }
    // Tall enough to need several bands.
    const Surface tall = test::RandomSurface(rng, 1001, 300);
    VectorSink want;
    ASSERT_TRUE(reference::EncodeBmp(tall, want));
    EXPECT_EQ(Encode(tall), want.Bytes());
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
    std::size_t EntryCount() const {
        const auto it = std::filesystem::directory_iterator(m_folder);
        return static_cast<std::size_t>(std::distance(begin(it), end(it)));
    }
    test::TempFolder m_dir;
    const std::string m_folder = m_dir / "Pictures";
    std::string m_oldRoot;
    const Surface m_picture = Solid(3, 2, 0x07E0);
};

TEST_F(SaveBmpFiles, ReplacesAnExistingFile) {
    ASSERT_EQ(SaveBmp(m_picture, WString(u"\\Pictures\\keep.bmp")), kOk);
    EXPECT_EQ(test::ReadTextFile(m_folder + "/keep.bmp"), Text(Encode(m_picture)));
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(SaveBmpFiles, RefusedSavesSayWhyAndLeaveTheOldFileAlone) {
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
    EXPECT_EQ(test::ReadTextFile(m_folder + "/keep.bmp"), "precious");
    EXPECT_EQ(EntryCount(), 1u);
}

// A disk that stops taking the picture part way through: the encoder stops on the refused write,
// and the save must still say why, from the writer. Each case runs in a child process that
// breaks the folder's disk.
TEST_F(SaveBmpFiles, DiskFailuresPartWaySayWhyAndLeaveTheOldFileAlone) {
    const Surface picture = Solid(100, 100, 0x07E0); // 30 KiB, more than either case takes
    const struct {
        test::DiskFault fault;
        HResult expected;
    } cases[] = {
        {test::DiskFault::FileSizeLimit, kErrFileTooLarge},
        {test::DiskFault::FullDisk, kErrDiskFull},
    };
    std::string skipped;
    for (const auto& c : cases) {
        SCOPED_TRACE(test::Describe(c.fault));
        const test::FaultRun run = test::RunWithDiskFault(c.fault, m_folder, [&] {
            if (SaveBmp(picture, WString(u"\\Pictures\\keep.bmp")) != c.expected)
                return 1;
            if (test::ReadTextFile(m_folder + "/keep.bmp") != "precious")
                return 2;
            for (const auto& entry : std::filesystem::directory_iterator(m_folder)) {
                const std::string name = entry.path().filename().string();
                if (name.starts_with('.') && name.find("keep.bmp") != std::string::npos)
                    return 3;
            }
            return 0;
        });
        if (!run.cannot.empty()) {
            skipped += std::string(test::Describe(c.fault)) + " skipped: " + run.cannot + "\n";
            continue;
        }
        EXPECT_EQ(run.code, 0) << "1: another result, 2: old file changed, 3: temporary file left";
    }
    if (!skipped.empty())
        GTEST_SKIP() << skipped;
}

} // namespace
} // namespace brelvo
