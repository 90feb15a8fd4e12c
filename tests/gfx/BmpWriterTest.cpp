#include "gfx/BmpWriter.h"

#include "platform/DeviceFiles.h"
#include "tests/gfx/TestSupport.h"
#include "tests/reference/Reference.h"
#include "tests/support/DiskFaults.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <unistd.h>

namespace brelvo {
namespace {

std::vector<std::uint8_t> Encode(const Surface& s) {
    VectorSink sink;
    EXPECT_TRUE(EncodeBmp(s, sink));
    return sink.Bytes();
}

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

Surface Filled(int w, int h, Pixel p) {
    Surface s;
    EXPECT_EQ(s.Create(0, w, h), kOk);
    for (std::uint32_t i = 0; i < s.GetSize() / 2; ++i)
        s.GetPixels()[i] = p;
    return s;
}

TEST(BmpWriter, Layouts) {
    struct Case {
        int w, h;
        std::uint32_t rowSize, fileSize;
    };
    const Case cases[] = {{3, 2, 12, 78}, {4, 1, 12, 66}, {1, 1, 4, 58}, {5, 3, 16, 102}};
    for (const Case& c : cases) {
        const auto b = Encode(Filled(c.w, c.h, 0x1234));
        ASSERT_EQ(b.size(), c.fileSize);
        EXPECT_EQ(b[0], 'B');
        EXPECT_EQ(b[1], 'M');
        EXPECT_EQ(Le32(b, 2), c.fileSize);
        EXPECT_EQ(Le32(b, 10), 54u);
        EXPECT_EQ(Le32(b, 14), 40u);
        EXPECT_EQ(Le32(b, 18), static_cast<std::uint32_t>(c.w));
        EXPECT_EQ(Le32(b, 22), static_cast<std::uint32_t>(c.h));
        EXPECT_EQ(b[26] | b[27] << 8, 1);
        EXPECT_EQ(b[28] | b[29] << 8, 24);
        EXPECT_EQ(Le32(b, 34), c.rowSize * static_cast<std::uint32_t>(c.h));
        for (std::size_t i = 38; i < 54; ++i)
            EXPECT_EQ(b[i], 0);
        // Padding at the end of every row is zero.
        for (int r = 0; r < c.h; ++r)
            for (std::uint32_t i = 3 * static_cast<std::uint32_t>(c.w); i < c.rowSize; ++i)
                EXPECT_EQ(b[54 + r * c.rowSize + i], 0);
    }
}

TEST(BmpWriter, PixelsWidenByShiftingAndRowsRunBottomUp) {
    Surface s = Filled(2, 2, 0);
    s.GetPixels()[0] = 0xF800;                // top-left red
    s.GetPixels()[s.GetPitch() + 1] = 0xFFFF; // bottom-right white
    const auto b = Encode(s);
    // File row 0 is the bottom Surface row: pixel 1 is white.
    const std::vector<std::uint8_t> bottom(b.begin() + 54, b.begin() + 60);
    EXPECT_EQ(bottom, (std::vector<std::uint8_t>{0, 0, 0, 0xF8, 0xFC, 0xF8}));
    const std::vector<std::uint8_t> top(b.begin() + 62, b.begin() + 68);
    EXPECT_EQ(top, (std::vector<std::uint8_t>{0x00, 0x00, 0xF8, 0, 0, 0}));
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

TEST(BmpWriter, EmptySurfaceIsNotSaved) {
    Surface empty;
    VectorSink sink;
    EXPECT_FALSE(EncodeBmp(empty, sink));
}

class SaveBmpFiles : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("brelvo-bmp-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir / "Pictures");
        m_oldRoot = platform::GetDeviceRoot();
        platform::SetDeviceRoot(m_dir.string());
    }
    void TearDown() override {
        platform::SetDeviceRoot(m_oldRoot);
        std::filesystem::remove_all(m_dir);
    }
    static std::vector<std::uint8_t> Read(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::size_t EntryCount() const {
        const auto it = std::filesystem::directory_iterator(m_dir / "Pictures");
        return static_cast<std::size_t>(std::distance(begin(it), end(it)));
    }
    std::filesystem::path m_dir;
    std::string m_oldRoot;
};

TEST_F(SaveBmpFiles, ReplacesAnExistingFile) {
    const auto target = m_dir / "Pictures" / "out.bmp";
    std::ofstream(target) << "old contents";
    const Surface s = Filled(3, 2, 0x07E0);
    ASSERT_EQ(SaveBmp(s, WString(u"\\Pictures\\out.bmp")), kOk);
    EXPECT_EQ(Read(target), Encode(s));
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(SaveBmpFiles, RefusedSavesSayWhyAndLeaveTheOldFileAlone) {
    const auto target = m_dir / "Pictures" / "keep.bmp";
    std::ofstream(target) << "precious";
    Surface empty;
    const Surface s = Filled(3, 2, 0x07E0);
    const struct {
        const Surface* surface;
        const char16_t* path;
        HResult expected;
    } cases[] = {
        {&empty, u"\\Pictures\\keep.bmp", kErrNoPixels},
        {&s, u"\\Pictures\\a?b.bmp", kErrInvalidArg},
        {&s, u"\\Pictures\\..\\keep.bmp", kErrInvalidArg},
        {&s, u"\\Pictures\\Missing\\keep.bmp", kErrPathNotFound},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SaveBmp(*c.surface, WString(c.path)), c.expected) << &c - cases;
    const auto old = Read(target);
    EXPECT_EQ(std::string(old.begin(), old.end()), "precious");
    EXPECT_EQ(EntryCount(), 1u);
}

// A disk that stops taking the picture part way through: the encoder stops on the refused write,
// and the save must still say why, from the writer. Each case runs in a child process that
// breaks the folder's disk.
TEST_F(SaveBmpFiles, DiskFailuresPartWaySayWhyAndLeaveTheOldFileAlone) {
    const std::filesystem::path folder = m_dir / "Pictures";
    std::ofstream(folder / "keep.bmp") << "precious";
    const Surface picture = Filled(100, 100, 0x07E0); // 30 KiB, more than either case takes
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
        const test::FaultRun run = test::RunWithDiskFault(c.fault, folder, [&] {
            if (SaveBmp(picture, WString(u"\\Pictures\\keep.bmp")) != c.expected)
                return 1;
            std::ifstream in(folder / "keep.bmp", std::ios::binary);
            if (std::string(std::istreambuf_iterator<char>(in), {}) != "precious")
                return 2;
            for (const auto& entry : std::filesystem::directory_iterator(folder)) {
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
