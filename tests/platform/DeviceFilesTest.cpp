#include "platform/DeviceFiles.h"
#include "base/WString.h"

#include "tests/support/DiskFaults.h"
#include "tests/support/Subprocess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace brelvo::platform {
namespace {

namespace fs = std::filesystem;
using test::ReadTextFile;
using Names = std::vector<std::u16string>;
using Strings = std::vector<std::string>;

void WriteAll(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Temporary files are the only names starting with "." that these tests ever see.
Strings HiddenEntries(const fs::path& folder) {
    Strings hidden;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().starts_with('.'))
            hidden.push_back(entry.path().filename().string());
    return hidden;
}

class DeviceFilesTest : public ::testing::Test {
protected:
    void SetUp() override { SetDeviceRoot(m_dir.string()); }
    void TearDown() override { SetDeviceRoot(""); }
    test::TempFolder m_temp;
    fs::path m_dir = m_temp.Path();
};

// Where a device path maps under the root, or "refused" with the code when it is refused, which
// must leave the host path as it was.
std::string Mapped(const std::u16string& device, bool forWrite = false) {
    std::string host = "untouched";
    const HResult r = (forWrite ? MapDevicePathForWrite : MapDevicePath)(device.c_str(), host);
    return r == kOk ? host : "refused " + std::to_string(r) + " " + host;
}
const std::string kRefused = "refused " + std::to_string(kErrInvalidArg) + " untouched";

TEST_F(DeviceFilesTest, MapsDevicePathsByStringRules) {
    const std::pair<const char16_t*, const char*> accepted[] = {
        {u"\\", ""},
        {u"\\A\\B\\x.bmp", "/A/B/x.bmp"},
        {u"\\My Pictures\\", "/My Pictures"},
        {u"\\...\\.x\\x.", "/.../.x/x."},
        {u"\\caf\u00E9\\\u0424\u20AC", "/caf\xC3\xA9/\xD0\xA4\xE2\x82\xAC"},
        {u"\\\U0001F600.bmp\\\U0010FFFF", "/\xF0\x9F\x98\x80.bmp/\xF4\x8F\xBF\xBF"}};
    for (const auto& [device, host] : accepted)
        EXPECT_EQ(Mapped(device), m_dir.string() + host);
    std::vector<std::u16string> refused = {u"",           u"/A/x.bmp",   u"\\A\\\\B",  u"\\.",
                                           u"\\A\\..\\B", u"\\a\xD800z", u"\\a\xDC00z"};
    for (const char16_t character : std::u16string_view(u"/:*?\"<>|\x01\x1F\t"))
        refused.push_back(u"\\A\\a" + std::u16string(1, character) + u"z");
    for (const std::u16string& device : refused)
        EXPECT_EQ(Mapped(device), kRefused) << &device - refused.data();
    std::string mapped = "untouched";
    EXPECT_EQ(MapDevicePath(nullptr, mapped), kErrInvalidArg);
    EXPECT_EQ(mapped, "untouched");
    // The root given loses its trailing slashes, but "/" stays itself.
    const std::tuple<const char*, const char16_t*, const char*> roots[] = {
        {"/", u"\\", "/"},
        {"/", u"\\A\\x", "/A/x"},
        {"/srv/pics//", u"\\", "/srv/pics"},
        {"/srv/pics//", u"\\x", "/srv/pics/x"}};
    for (const auto& [root, device, host] : roots) {
        SetDeviceRoot(root);
        EXPECT_EQ(Mapped(device), host) << root;
    }
}

// A new file gets 0666 less the umask, a replaced one keeps its mode whatever the umask; an
// uncommitted writer, aborted or just destroyed, leaves the old file alone. No temporary file
// stays either way.
TEST_F(DeviceFilesTest, CommitsReplaceWithTheRightModeAndUncommittedWritersChangeNothing) {
    const struct {
        const char* name;
        mode_t oldMode, umask, expected; // oldMode 0: no old file
    } cases[] = {{"new.bmp", 0, 027, 0640}, {"old.bmp", 0604, 022, 0604}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path target = m_dir / c.name;
        if (c.oldMode != 0) {
            WriteAll(target, std::string(5000, 'o'));
            ::chmod(target.c_str(), c.oldMode);
        }
        const mode_t savedUmask = ::umask(c.umask);
        ReplacingFileWriter writer;
        ASSERT_EQ(writer.Open(target), kOk);
        EXPECT_TRUE(writer.Write("new ", 4));
        EXPECT_TRUE(writer.Write("bytes", 5));
        EXPECT_EQ(writer.Commit(), kOk);
        ::umask(savedUmask);
        EXPECT_EQ(ReadTextFile(target), "new bytes");
        EXPECT_EQ(fs::symlink_status(target).permissions(), fs::perms(c.expected));
        EXPECT_EQ(HiddenEntries(m_dir), Strings{});
    }
    for (const bool explicitAbort : {true, false}) {
        {
            ReplacingFileWriter writer;
            ASSERT_EQ(writer.Open(m_dir / "old.bmp"), kOk);
            EXPECT_EQ(HiddenEntries(m_dir).size(), 1u);
            EXPECT_TRUE(writer.Write("new", 3));
            if (explicitAbort) {
                writer.Abort();
                EXPECT_FALSE(writer.Write("x", 1));
                EXPECT_EQ(writer.Commit(), kErrFail);
            }
        }
        EXPECT_EQ(ReadTextFile(m_dir / "old.bmp"), "new bytes");
        EXPECT_EQ(HiddenEntries(m_dir), Strings{});
    }
}

TEST_F(DeviceFilesTest, RefusesHostPathsThatNameNoFile) {
    fs::create_directory(m_dir / "sub");
    WriteAll(m_dir / "file.bmp", "old");
    const std::pair<std::string, HResult> cases[] = {
        {(m_dir / "").string(), kErrInvalidArg},
        {(m_dir / "sub").string(), kErrInvalidArg},
        {(m_dir / "sub" / "..").string(), kErrInvalidArg},
        {(m_dir / "missing" / "x.bmp").string(), kErrPathNotFound},
        {(m_dir / "file.bmp" / "x.bmp").string(), kErrPathNotFound},
        {(m_dir / std::string(256, 'n')).string(), kErrInvalidArg}, // longer than a name can be
    };
    for (const auto& [path, expected] : cases) {
        ReplacingFileWriter writer;
        const HResult opened = writer.Open(path);
        const bool wrote = writer.Write("x", 1);
        const HResult error = writer.Error();
        EXPECT_EQ(
            std::tuple(opened, wrote, error, writer.Commit(), WriteFileReplacing(path, "x", 1)),
            std::tuple(expected, false, expected, expected, expected))
            << path;
    }
    EXPECT_EQ(ReadTextFile(m_dir / "file.bmp"), "old");
    EXPECT_TRUE(fs::is_directory(m_dir / "sub"));
    // The longest name there is saves: the temporary file's name is shortened, not refused.
    EXPECT_EQ(WriteFileReplacing(m_dir / std::string(255, 'n'), "x", 1), kOk);
    EXPECT_EQ(HiddenEntries(m_dir), Strings{});
    EXPECT_EQ(HiddenEntries(m_dir / "sub"), Strings{});
}

// A disk that will not take the new picture, each way, in a child process (an unprivileged one
// for the read-only folder, since root writes anywhere): the writer says why, the process lives
// on (beyond the file-size limit it would get SIGXFSZ), and the old file and nothing else stays.
// The unprivileged child also meets a folder it may enter but not read, which reads as empty.
TEST_F(DeviceFilesTest, ASaveTheDiskRefusesSaysWhyAndKeepsTheOldFile) {
    const fs::path folder = m_dir / "Pictures", target = folder / "old.bmp";
    fs::create_directories(folder / "locked");
    WriteAll(folder / "locked" / "a.png", "x");
    ASSERT_EQ(::chmod((folder / "locked").c_str(), 0311), 0);
    ASSERT_EQ(::chmod(m_dir.c_str(), 0755), 0);
    const std::string old(8192, 'o');
    WriteAll(target, old);
    const std::pair<test::DiskFault, HResult> cases[] = {
        {test::DiskFault::ReadOnlyFolder, kErrAccessDenied},
        {test::DiskFault::FileSizeLimit, kErrFileTooLarge},
        {test::DiskFault::FullDisk, kErrDiskFull}};
    std::string skipped;
    for (const auto& [fault, expected] : cases) {
        SCOPED_TRACE(test::Describe(fault));
        const test::FaultRun run = test::RunWithDiskFault(fault, folder, [&] {
            if (ReadTextFile(target) != old)
                return 10; // the folder must be reachable for the failure to mean anything
            FolderContents contents{{u"stale"}, {u"stale"}};
            if (fault == test::DiskFault::ReadOnlyFolder &&
                (ReadDeviceFolder(u"\\Pictures\\locked\\", contents) != kErrFail ||
                 !contents.folders.empty() || !contents.files.empty()))
                return 15;
            ReplacingFileWriter writer;
            const std::vector<char> picture(100 * 1024, 'p');
            if (const HResult opened = writer.Open(target); opened != kOk)
                return opened == expected ? 0 : 11;
            if (writer.Write(picture.data(), picture.size()) || writer.Error() != expected)
                return 12;
            // The temporary file holds what fitted; committing it would replace the picture
            // with a truncated one.
            if (writer.Commit() != expected)
                return 13;
            return ReadTextFile(target) == old && HiddenEntries(folder).empty() ? 0 : 14;
        });
        if (!run.cannot.empty()) {
            skipped += std::string(test::Describe(fault)) + " skipped: " + run.cannot + "\n";
            continue;
        }
        EXPECT_EQ(run.code, 0)
            << "10: cannot read, 11: open, 12: write, 13: commit, 14: left, 15: listed";
        EXPECT_EQ(ReadTextFile(target), old);
        EXPECT_EQ(HiddenEntries(folder), Strings{});
    }
    if (!skipped.empty())
        GTEST_SKIP() << skipped;
}

TEST_F(DeviceFilesTest, WritePathsCannotLeaveTheRootThroughLinks) {
    const fs::path root = m_dir / "root";
    fs::create_directories(root / "A");
    fs::create_directories(m_dir / "outside");
    fs::create_directories(m_dir / "root-sibling");
    fs::create_directory_symlink(root, m_dir / "root-link");
    fs::create_directory_symlink("A", root / "in");
    fs::create_directory_symlink(m_dir / "outside", root / "out");
    fs::create_directory_symlink("../root-sibling", root / "sib");
    SetDeviceRoot(root.string());
    const std::pair<const char16_t*, const char*> inside[] = {
        {u"\\x.bmp", "/x.bmp"},
        {u"\\in\\x.bmp", "/in/x.bmp"},
        {u"\\A\\new\\deeper\\x.bmp", "/A/new/deeper/x.bmp"}};
    for (const auto& [device, host] : inside)
        EXPECT_EQ(Mapped(device, true), root.string() + host);
    for (const char16_t* device :
         {u"\\out\\new\\x.bmp", u"\\sib\\x.bmp", u"\\..\\x.bmp", u"\\", u"\\A\\"})
        EXPECT_EQ(Mapped(device, true), kRefused) << ToUtf8(device);
    SetDeviceRoot((m_dir / "root-link").string());
    EXPECT_EQ(Mapped(u"\\A\\x.bmp", true), (m_dir / "root-link" / "A" / "x.bmp").string());
    SetDeviceRoot((m_dir / "missing-root").string());
    EXPECT_EQ(Mapped(u"\\x.bmp", true),
              "refused " + std::to_string(kErrPathNotFound) + " untouched");

    // The link at the target itself is replaced, not written through.
    SetDeviceRoot(root.string());
    WriteAll(m_dir / "outside" / "victim.bmp", "outside");
    fs::create_symlink(m_dir / "outside" / "victim.bmp", root / "link.bmp");
    std::string host;
    ASSERT_EQ(MapDevicePathForWrite(u"\\link.bmp", host), kOk);
    EXPECT_EQ(WriteFileReplacing(host, "inside", 6), kOk);
    EXPECT_EQ(ReadTextFile(m_dir / "outside" / "victim.bmp"), "outside");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(root / "link.bmp")));
}

TEST_F(DeviceFilesTest, ReadsFoldersAndFilesInNameOrderWithoutLeavingTheRoot) {
    for (const char* name : {"b.bmp", "A.BMP", "c.Bmp", "x.png", "photo.JPEG", "cam.jpg",
                             "Яблоко.png", "апельсин.png", "Zebra.png", "ёж.png", ".hidden.png",
                             "bad\\name.png", "ctrl\x01.png", "colon:.png", "\xff\xfe.png"})
        WriteAll(m_dir / name, "x");
    for (const char* name : {"Sub", "alpha", ".git"})
        fs::create_directory(m_dir / name);
    WriteAll(m_dir / "alpha" / "deep.gif", "x");
    fs::create_directory_symlink("/", m_dir / "escape");
    fs::create_symlink("/etc/passwd", m_dir / "passwd.png");
    fs::create_directory_symlink(m_dir / "alpha", m_dir / "inside");
    fs::create_symlink(m_dir / "x.png", m_dir / "again.png");
    const auto read = [](const char16_t* folder, HResult expected) {
        FolderContents contents{{u"stale"}, {u"stale"}};
        EXPECT_EQ(ReadDeviceFolder(folder, contents), expected);
        return std::pair(contents.folders, contents.files);
    };
    // Latin before Cyrillic, each without regard to case, and otherwise by code point: Ё, as ё
    // (U+0451), comes after я.
    EXPECT_EQ(read(u"\\", kOk),
              std::pair(Names{u"alpha", u"inside", u"Sub"},
                        Names{u"A.BMP", u"again.png", u"b.bmp", u"c.Bmp", u"cam.jpg", u"photo.JPEG",
                              u"x.png", u"Zebra.png", u"апельсин.png", u"Яблоко.png", u"ёж.png"}));
    EXPECT_EQ(read(u"\\inside\\", kOk), std::pair(Names{}, Names{u"deep.gif"}));
    // Nothing outside the root is reached, by a path or by a link.
    EXPECT_EQ(read(u"\\escape\\", kErrInvalidArg), std::pair(Names{}, Names{}));
    EXPECT_EQ(read(u"\\..\\", kErrInvalidArg), std::pair(Names{}, Names{}));
    EXPECT_EQ(read(u"\\missing\\", kErrFail), std::pair(Names{}, Names{}));
}

TEST(FolderPatternTest, MatchesLettersInEitherCaseAndTheTwoJpegSpellings) {
    const std::pair<const char16_t*, const char16_t*> matching[] = {
        {u"a.PNG", u"*.png"}, {u"IMG.jpeg", u"*.jpg"}, {u"IMG.JPEG", u"*.JPG"},
        {u"ab", u"a?"},       {u"ЁЖ.gif", u"ёж.*"},    {u"aaa.png", u"*a*.png"},
        {u"", u"*"}};
    const std::pair<const char16_t*, const char16_t*> other[] = {
        {u"a.png.bak", u"*.png"}, {u"a.jpeg", u"*.png"}, {u"a.jpe", u"*.jpg"}, {u"a", u"a?"}};
    for (const auto& [name, pattern] : matching)
        EXPECT_TRUE(MatchesPattern(name, pattern)) << ToUtf8(name);
    for (const auto& [name, pattern] : other)
        EXPECT_FALSE(MatchesPattern(name, pattern)) << ToUtf8(name);
}

} // namespace
} // namespace brelvo::platform
