#include "gfx/BmpWriter.h"

#include "platform/DeviceFiles.h"
#include "tests/gfx/TestSupport.h"
#include "tests/reference/Reference.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <new>
#include <optional>
#include <random>
#include <sched.h>
#include <string>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
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

// What a save in a child process found. It comes back through a shared mapping because the full
// disk is a mount that only the child sees, and the files in it go when the child unmounts it.
struct ChildSave {
    HResult result;
    bool oldFileKept;
    bool temporaryLeft;
    char cannot[200]; // why the folder could not be broken; empty when it was
};

// Each breaks the folder in one way inside the child, runs save there, and undoes what it must.
// Returns why it could not break the folder, or an empty string.
using Breakage = std::string (*)(const std::filesystem::path& folder,
                                 const std::function<void()>& save);

std::string Because(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

std::string LimitFileSize(const std::filesystem::path&, const std::function<void()>& save) {
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 16 * 1024;
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
        return Because("cannot lower the file-size limit");
    save();
    return {};
}

// A 64 KiB tmpfs over the folder, in a mount namespace of the child's own so that the host never
// sees it. The old file is written anew inside, and a filler takes all but 16 KiB.
std::string FillDisk(const std::filesystem::path& folder, const std::function<void()>& save) {
    if (::geteuid() != 0)
        return "mounting a file system needs root";
    if (::unshare(CLONE_NEWNS) != 0)
        return Because("no mount namespace of its own");
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return Because("cannot make the mounts private");
    if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") != 0)
        return Because("cannot mount a tmpfs");
    struct Unmount {
        const char* path;
        ~Unmount() { ::umount(path); }
    } unmount{folder.c_str()};
    std::ofstream(folder / "keep.bmp") << "precious";
    const int fd = ::open((folder / "filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    const char block[4096] = {};
    off_t filled = 0;
    for (ssize_t n; fd >= 0 && (n = ::write(fd, block, sizeof block)) > 0;)
        filled += n;
    const bool full = fd >= 0 && errno == ENOSPC && ::ftruncate(fd, filled - 16 * 1024) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!full)
        return Because("cannot fill the tmpfs");
    save();
    return {};
}

std::optional<ChildSave> SaveInChild(Breakage breakage, const std::filesystem::path& folder,
                                     const Surface& picture, const char16_t* path) {
    void* shared = ::mmap(nullptr, sizeof(ChildSave), PROT_READ | PROT_WRITE,
                          MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED)
        return std::nullopt;
    auto* report = new (shared) ChildSave{};
    const pid_t pid = ::fork();
    if (pid == 0) {
        const std::string cannot = breakage(folder, [&] {
            report->result = SaveBmp(picture, WString(path));
            std::ifstream in(folder / "keep.bmp", std::ios::binary);
            report->oldFileKept = std::string(std::istreambuf_iterator<char>(in), {}) == "precious";
            for (const auto& entry : std::filesystem::directory_iterator(folder)) {
                const std::string name = entry.path().filename().string();
                report->temporaryLeft |=
                    name.starts_with('.') && name.find("keep.bmp") != std::string::npos;
            }
        });
        std::snprintf(report->cannot, sizeof report->cannot, "%s", cannot.c_str());
        ::_exit(0);
    }
    int status = -1;
    if (pid > 0)
        ::waitpid(pid, &status, 0);
    std::optional<ChildSave> result;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        result = *report;
    ::munmap(shared, sizeof(ChildSave));
    return result;
}

// A disk that stops taking the picture part way through: the encoder stops on the refused write,
// and the save must still say why, from the writer.
TEST_F(SaveBmpFiles, DiskFailuresPartWaySayWhyAndLeaveTheOldFileAlone) {
    std::ofstream(m_dir / "Pictures" / "keep.bmp") << "precious";
    const Surface picture = Filled(100, 100, 0x07E0); // 30 KiB, more than either case takes
    const struct {
        const char* name;
        Breakage breakage;
        HResult expected;
    } cases[] = {
        {"file-size limit", LimitFileSize, kErrFileTooLarge},
        {"full disk", FillDisk, kErrDiskFull},
    };
    std::string skipped;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<ChildSave> save =
            SaveInChild(c.breakage, m_dir / "Pictures", picture, u"\\Pictures\\keep.bmp");
        ASSERT_TRUE(save.has_value()) << "the child did not finish";
        if (save->cannot[0] != '\0') {
            skipped += std::string(c.name) + " skipped: " + save->cannot + "\n";
            continue;
        }
        EXPECT_EQ(save->result, c.expected) << ResultText(save->result);
        EXPECT_TRUE(save->oldFileKept);
        EXPECT_FALSE(save->temporaryLeft);
    }
    if (!skipped.empty())
        GTEST_SKIP() << skipped;
}

} // namespace
} // namespace brelvo
