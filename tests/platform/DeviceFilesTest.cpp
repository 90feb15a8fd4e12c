#include "platform/DeviceFiles.h"

#include "tests/support/DiskFaults.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace brelvo::platform {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::string& bytes, mode_t mode = 0644) {
    std::ofstream(path, std::ios::binary) << bytes;
    ::chmod(path.c_str(), mode);
}

mode_t ModeOf(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// Temporary files are the only names starting with "." that these tests ever see.
std::vector<std::string> HiddenEntries(const fs::path& folder) {
    std::vector<std::string> hidden;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().starts_with('.'))
            hidden.push_back(entry.path().filename().string());
    return hidden;
}

// The host spelling of an ASCII device path, for expectations.
std::string HostSpelling(const char16_t* device) {
    std::string host;
    for (; *device != 0; ++device)
        host += *device == u'\\' ? '/' : static_cast<char>(*device);
    return host;
}

class DeviceFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "brelvo-files-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        SetDeviceRoot(m_dir.string());
    }
    void TearDown() override {
        if (m_dir.empty())
            return;
        for (const auto& entry : fs::recursive_directory_iterator(m_dir))
            if (entry.is_directory() && !entry.is_symlink())
                fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(m_dir);
        SetDeviceRoot("");
    }
    fs::path m_dir;
};

TEST_F(DeviceFilesTest, MapsDevicePathsByStringRules) {
    const std::pair<const char16_t*, const char*> accepted[] = {
        {u"\\", ""},
        {u"\\A\\B\\x.bmp", "/A/B/x.bmp"},
        {u"\\My Pictures\\", "/My Pictures"},
        {u"\\...\\.x\\x.", "/.../.x/x."},
        {u"\\caf\u00E9.bmp", "/caf\xC3\xA9.bmp"},
        {u"\\\u0424\u043E\u0442\u043E\\\u20AC", "/\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE/\xE2\x82\xAC"},
        {u"\\\U0001F600.bmp\\\U0010FFFF", "/\xF0\x9F\x98\x80.bmp/\xF4\x8F\xBF\xBF"},
    };
    for (const auto& [device, host] : accepted) {
        std::string mapped;
        EXPECT_EQ(MapDevicePath(device, mapped), kOk) << host;
        EXPECT_EQ(mapped, m_dir.string() + host);
    }

    std::vector<std::u16string> refused = {
        u"",           u"x.bmp",     u"A\\x.bmp",     u"/A/x.bmp",      u"\\\\",     u"\\A\\\\B",
        u"\\A\\\\",    u"\\.",       u"\\..",         u"\\A\\..\\B",    u"\\A\\.\\", u"\\a\xD800z",
        u"\\a\xDC00z", u"\\a\xD800", u"\\a\xD800\\b", u"\\\xDC00\xD800"};
    for (const char16_t character : std::u16string_view(u"/:*?\"<>|\x01\x1F\t"))
        refused.push_back(u"\\A\\a" + std::u16string(1, character) + u"z");
    for (const std::u16string& device : refused) {
        std::string mapped = "untouched";
        EXPECT_EQ(MapDevicePath(device.c_str(), mapped), kErrInvalidArg)
            << &device - refused.data();
        EXPECT_EQ(mapped, "untouched");
    }
    std::string mapped = "untouched";
    EXPECT_EQ(MapDevicePath(nullptr, mapped), kErrInvalidArg);
    EXPECT_EQ(mapped, "untouched");
}

TEST_F(DeviceFilesTest, DeviceRootIsNormalised) {
    const struct {
        const char* root;
        const char16_t* device;
        const char* host;
    } cases[] = {
        {"/", u"\\", "/"},
        {"/", u"\\A\\x", "/A/x"},
        {"/srv/pics//", u"\\", "/srv/pics"},
        {"/srv/pics//", u"\\x", "/srv/pics/x"},
    };
    for (const auto& c : cases) {
        SetDeviceRoot(c.root);
        std::string host;
        EXPECT_EQ(MapDevicePath(c.device, host), kOk);
        EXPECT_EQ(host, c.host) << c.root;
    }
}

TEST_F(DeviceFilesTest, WritesNewAndReplacedFilesWithTheRightMode) {
    const struct {
        const char* name;
        mode_t oldMode; // 0: no old file
        mode_t umask;
        mode_t expected;
    } cases[] = {
        {"new-027.bmp", 0, 027, 0640},
        {"new-000.bmp", 0, 0, 0666},
        {"old-0604.bmp", 0604, 022, 0604},
        {"old-0600.bmp", 0600, 0, 0600},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path target = m_dir / c.name;
        if (c.oldMode != 0)
            WriteAll(target, std::string(5000, 'o'), c.oldMode);
        const mode_t savedUmask = ::umask(c.umask);
        ReplacingFileWriter writer;
        ASSERT_EQ(writer.Open(target), kOk);
        EXPECT_TRUE(writer.Write("new ", 4));
        EXPECT_TRUE(writer.Write("bytes", 5));
        EXPECT_EQ(writer.Commit(), kOk);
        ::umask(savedUmask);
        EXPECT_EQ(ReadAll(target), "new bytes");
        EXPECT_EQ(ModeOf(target), c.expected);
        EXPECT_EQ(HiddenEntries(m_dir), std::vector<std::string>{});
    }
}

TEST_F(DeviceFilesTest, UncommittedWriterLeavesOldFileAlone) {
    const fs::path target = m_dir / "old.bmp";
    WriteAll(target, "old picture");
    for (const bool explicitAbort : {true, false}) {
        {
            ReplacingFileWriter writer;
            ASSERT_EQ(writer.Open(target), kOk);
            EXPECT_EQ(HiddenEntries(m_dir).size(), 1u);
            EXPECT_TRUE(writer.Write("new", 3));
            if (explicitAbort) {
                writer.Abort();
                EXPECT_FALSE(writer.Write("x", 1));
                EXPECT_EQ(writer.Commit(), kErrFail);
            }
        }
        EXPECT_EQ(ReadAll(target), "old picture");
        EXPECT_EQ(HiddenEntries(m_dir), std::vector<std::string>{});
    }
}

TEST_F(DeviceFilesTest, RefusesHostPathsThatNameNoFile) {
    fs::create_directory(m_dir / "sub");
    WriteAll(m_dir / "file.bmp", "old");
    const struct {
        std::string path;
        HResult expected;
    } cases[] = {
        {"", kErrInvalidArg},
        {(m_dir / "").string(), kErrInvalidArg},
        {(m_dir / "sub").string(), kErrInvalidArg},
        {(m_dir / "sub" / "..").string(), kErrInvalidArg},
        {(m_dir / "missing" / "x.bmp").string(), kErrPathNotFound},
        {(m_dir / "file.bmp" / "x.bmp").string(), kErrPathNotFound},
        // Longer than a name can be.
        {(m_dir / std::string(256, 'n')).string(), kErrInvalidArg},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WriteFileReplacing(c.path, "x", 1), c.expected) << c.path;
        ReplacingFileWriter writer;
        EXPECT_EQ(writer.Open(c.path), c.expected) << c.path;
        EXPECT_FALSE(writer.Write("x", 1));
        EXPECT_EQ(writer.Error(), c.expected) << c.path;
        EXPECT_EQ(writer.Commit(), c.expected) << c.path;
    }
    EXPECT_EQ(ReadAll(m_dir / "file.bmp"), "old");
    EXPECT_TRUE(fs::is_directory(m_dir / "sub"));
    // The longest name there is saves: the temporary file's name is shortened, not refused.
    EXPECT_EQ(WriteFileReplacing(m_dir / std::string(255, 'n'), "x", 1), kOk);
    EXPECT_EQ(HiddenEntries(m_dir), std::vector<std::string>{});
    EXPECT_EQ(HiddenEntries(m_dir / "sub"), std::vector<std::string>{});
}

TEST_F(DeviceFilesTest, SaveIntoReadOnlyFolderFailsAndKeepsOldFile) {
    const fs::path folder = m_dir / "locked";
    const fs::path target = folder / "old.bmp";
    fs::create_directory(folder);
    WriteAll(target, "old picture", 0644);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    const std::string picture(1000, 'n');
    if (::geteuid() == 0) {
        // Root writes into any folder, so an unprivileged child attempts the save.
        ASSERT_EQ(::chmod(m_dir.c_str(), 0755), 0);
        const int status = test::RunInChild([&] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                return 10;
            if (ReadAll(target) != "old picture")
                return 11; // the folder must be reachable for the failure to mean anything
            const HResult result = WriteFileReplacing(target, picture.data(), picture.size());
            return result == kErrAccessDenied ? 0 : Succeeded(result) ? 1 : 2;
        });
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0)
            << "10: cannot drop root, 11: cannot read, 1: saved, 2: another cause";
    } else {
        EXPECT_EQ(WriteFileReplacing(target, picture.data(), picture.size()), kErrAccessDenied);
    }
    EXPECT_EQ(ReadAll(target), "old picture");
    EXPECT_EQ(ModeOf(folder), 0555u);
    EXPECT_EQ(HiddenEntries(folder), std::vector<std::string>{});
}

TEST_F(DeviceFilesTest, SaveBeyondFileSizeLimitFailsWithoutKillingTheProcess) {
    const fs::path target = m_dir / "big.bmp";
    const std::string old(8192, 'o');
    WriteAll(target, old);
    const int status = test::RunInChild([&] {
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 4096;
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 10;
        ReplacingFileWriter writer;
        if (writer.Open(target) != kOk)
            return 11;
        const std::vector<char> picture(100 * 1024, 'p');
        if (writer.Write(picture.data(), picture.size()))
            return 12;
        if (writer.Error() != kErrFileTooLarge)
            return 13;
        // The temporary file holds exactly the 4096 bytes that fit; committing them would
        // replace the picture with a truncated one.
        return writer.Commit() == kErrFileTooLarge ? 0 : 14;
    });
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadAll(target), old);
    EXPECT_EQ(HiddenEntries(m_dir), std::vector<std::string>{});
}

TEST_F(DeviceFilesTest, WritePathsCannotLeaveTheRootThroughLinks) {
    const fs::path root = m_dir / "root";
    fs::create_directories(root / "A");
    fs::create_directories(m_dir / "outside");
    fs::create_directories(m_dir / "root-sibling");
    fs::create_directory_symlink(root, m_dir / "root-link");
    fs::create_directory_symlink("A", root / "in");
    fs::create_directory_symlink(m_dir / "outside", root / "out");
    fs::create_directory_symlink("..", root / "up");
    fs::create_directory_symlink("../root-sibling", root / "sib");
    const struct {
        const char* root;
        const char16_t* device;
        HResult expected;
    } cases[] = {
        {"root", u"\\x.bmp", kOk},
        {"root", u"\\A\\x.bmp", kOk},
        {"root", u"\\in\\x.bmp", kOk},
        {"root", u"\\A\\new\\deeper\\x.bmp", kOk},
        {"root-link", u"\\A\\x.bmp", kOk},
        {"root", u"\\out\\x.bmp", kErrInvalidArg},
        {"root", u"\\out\\new\\x.bmp", kErrInvalidArg},
        {"root", u"\\up\\outside\\x.bmp", kErrInvalidArg},
        {"root", u"\\sib\\x.bmp", kErrInvalidArg},
        {"root", u"\\..\\x.bmp", kErrInvalidArg},
        {"root", u"\\", kErrInvalidArg},
        {"root", u"\\A\\", kErrInvalidArg},
        {"missing-root", u"\\x.bmp", kErrPathNotFound},
    };
    for (const auto& c : cases) {
        SetDeviceRoot((m_dir / c.root).string());
        std::string host = "untouched";
        EXPECT_EQ(MapDevicePathForWrite(c.device, host), c.expected)
            << c.root << " " << HostSpelling(c.device);
        if (c.expected == kOk)
            EXPECT_EQ(host, (m_dir / c.root).string() + HostSpelling(c.device));
        else
            EXPECT_EQ(host, "untouched");
    }

    // The link at the target itself is replaced, not written through.
    SetDeviceRoot(root.string());
    WriteAll(m_dir / "outside" / "victim.bmp", "outside");
    fs::create_symlink(m_dir / "outside" / "victim.bmp", root / "link.bmp");
    std::string host;
    ASSERT_EQ(MapDevicePathForWrite(u"\\link.bmp", host), kOk);
    EXPECT_EQ(WriteFileReplacing(host, "inside", 6), kOk);
    EXPECT_EQ(ReadAll(m_dir / "outside" / "victim.bmp"), "outside");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(root / "link.bmp")));
}

} // namespace
} // namespace brelvo::platform

namespace brelvo::platform {
namespace {

std::vector<std::u16string> List(const char16_t* folder, FolderListing what,
                                 const char16_t* pattern = u"*") {
    std::vector<std::u16string> names;
    ListDeviceFolder(folder, what, pattern, names);
    return names;
}

TEST_F(DeviceFilesTest, ListsFoldersAndMatchingFilesInNameOrder) {
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

    using Names = std::vector<std::u16string>;
    EXPECT_EQ(List(u"\\", FolderListing::Folders), (Names{u"alpha", u"inside", u"Sub"}));
    EXPECT_EQ(List(u"\\", FolderListing::Files, u"*.bmp"), (Names{u"A.BMP", u"b.bmp", u"c.Bmp"}));
    EXPECT_EQ(List(u"\\", FolderListing::Files, u"*.jpg"), (Names{u"cam.jpg", u"photo.JPEG"}));
    // Latin before Cyrillic, each without regard to case, and otherwise by code point: Ё, as ё
    // (U+0451), comes after я.
    EXPECT_EQ(
        List(u"\\", FolderListing::Files, u"*.png"),
        (Names{u"again.png", u"x.png", u"Zebra.png", u"апельсин.png", u"Яблоко.png", u"ёж.png"}));
    EXPECT_EQ(List(u"\\alpha\\", FolderListing::Files, u"*.gif"), (Names{u"deep.gif"}));
    EXPECT_EQ(List(u"\\inside\\", FolderListing::Files, u"*"), (Names{u"deep.gif"}));

    // Nothing outside the root is reached, by a path or by a link.
    std::vector<std::u16string> names{u"stale"};
    EXPECT_EQ(ListDeviceFolder(u"\\escape\\", FolderListing::Files, u"*", names), kErrInvalidArg);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(ListDeviceFolder(u"\\..\\", FolderListing::Folders, u"*", names), kErrInvalidArg);
    EXPECT_EQ(ListDeviceFolder(u"\\missing\\", FolderListing::Folders, u"*", names), kErrFail);
}

TEST_F(DeviceFilesTest, AnUnreadableFolderListsAsEmpty) {
    fs::create_directory(m_dir / "locked");
    WriteAll(m_dir / "locked" / "a.png", "x");
    ASSERT_EQ(::chmod((m_dir / "locked").c_str(), 0311), 0);
    ASSERT_EQ(::chmod(m_dir.c_str(), 0755), 0);
    // Root reads any folder, so an unprivileged child lists it.
    const int status = test::RunInChild([&] {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            return 10;
        std::vector<std::u16string> names{u"stale"};
        const HResult r = ListDeviceFolder(u"\\locked\\", FolderListing::Files, u"*", names);
        return r == kErrFail && names.empty() ? 0 : 1;
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10: cannot drop root, 1: listed";
}

TEST(FolderPatternTest, MatchesLettersInEitherCaseAndTheTwoJpegSpellings) {
    struct Case {
        const char16_t* name;
        const char16_t* pattern;
        bool match;
    };
    const Case cases[] = {
        {u"a.PNG", u"*.png", true},     {u"a.png.bak", u"*.png", false},
        {u"IMG.jpeg", u"*.jpg", true},  {u"IMG.JPEG", u"*.JPG", true},
        {u"a.jpeg", u"*.png", false},   {u"a.jpe", u"*.jpg", false},
        {u"ab", u"a?", true},           {u"a", u"a?", false},
        {u"x.y.z", u"*.*", true},       {u"ЁЖ.gif", u"ёж.*", true},
        {u"aaa.png", u"*a*.png", true}, {u"", u"*", true},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(MatchesPattern(cases[i].name, cases[i].pattern), cases[i].match) << "case " << i;
}

} // namespace
} // namespace brelvo::platform
