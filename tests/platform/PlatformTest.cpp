#include "base/WString.h"
#include "platform/CodePage.h"
#include "platform/DeviceFiles.h"
#include "platform/Event.h"
#include "platform/HeadlessScript.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsFolder.h"
#include "platform/SingleInstance.h"
#include "platform/VirtualKeys.h"
#include "platform/WindowLayout.h"

#include "tests/support/DiskFaults.h"
#include "tests/support/Subprocess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace brelvo::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

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

using Outcome = SingleInstance::Outcome;
using Clock = std::chrono::steady_clock;

// The event does not count: any number of Sets before the waits lets exactly one of three timed
// waits through, and every other wait sits out its whole timeout.
TEST(EventTest, SetsBeforeTheWaitsReleaseExactlyOne) {
    for (const int sets : {0, 1, 5}) {
        SCOPED_TRACE(sets);
        Event event;
        for (int i = 0; i < sets; ++i)
            event.Set();
        const auto start = Clock::now();
        int released = 0;
        for (int i = 0; i < 3; ++i)
            released += event.WaitFor(10ms) ? 1 : 0;
        EXPECT_EQ(released, sets == 0 ? 0 : 1);
        EXPECT_GE(Clock::now() - start, (3 - released) * 10ms);
    }
}

// The first Set wakes a thread asleep in Wait, which clears the event; then a ping-pong between
// the two threads must lose none of its signals. Bounded waits make a lost one fail, not hang.
TEST(EventTest, SetsFromAnotherThreadWakeTheWaiterAndNoneIsLost) {
    Event ping, pong;
    constexpr int kRounds = 200;
    std::atomic<int> answered{0};
    std::thread partner([&] {
        std::this_thread::sleep_for(20ms);
        for (int i = 0; i < kRounds && (i == 0 || ping.WaitFor(5s)); ++i) {
            answered.fetch_add(1);
            pong.Set();
        }
    });
    pong.Wait();
    EXPECT_EQ(answered.load(), 1);
    EXPECT_FALSE(pong.WaitFor(0ms));
    for (int i = 1; i < kRounds; ++i) {
        ping.Set();
        if (!pong.WaitFor(5s))
            break;
    }
    partner.join();
    EXPECT_EQ(answered.load(), kRounds);
}

// A socket connected to path, or bound to it when bind is true; -1 on failure.
int UnixSocket(const std::string& path, bool bind) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    const auto* a = reinterpret_cast<sockaddr*>(&address);
    if (fd >= 0 && (bind ? ::bind(fd, a, sizeof address) : ::connect(fd, a, sizeof address)) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

// Every test has a runtime folder of its own (private, as mkdtemp makes it), so parallel runs
// and a real copy of the program never meet.
class SingleInstanceTest : public ::testing::Test {
protected:
    test::TempFolder m_runtime;
    test::ScopedEnv m_env{"XDG_RUNTIME_DIR", m_runtime.Path().c_str()};
    // Every kind of character a name may hold, the ends of each range among them.
    std::string m_name = "aAzZ09._-" + std::to_string(::getpid());
};

// Whether the first copy ended cleanly (its socket goes with it) or crashed (its socket stays),
// the next copy is first, and its socket is live: a later copy reaches it.
TEST_F(SingleInstanceTest, AfterTheFirstIsGoneANewOneIsFirst) {
    const std::string socketPath = SingleInstance::SocketPath(m_name);
    for (const bool crashed : {false, true}) {
        SCOPED_TRACE(crashed ? "crashed" : "ended");
        if (crashed) {
            const int fd = UnixSocket(socketPath, true);
            ASSERT_GE(fd, 0);
            ::close(fd);
        } else {
            SingleInstance gone;
            ASSERT_EQ(gone.Acquire(m_name, [] {}), Outcome::First);
        }
        EXPECT_EQ(fs::exists(socketPath), crashed);
        Event raised;
        SingleInstance next, later;
        ASSERT_EQ(next.Acquire(m_name, [&] { raised.Set(); }), Outcome::First);
        EXPECT_TRUE(fs::exists(socketPath));
        EXPECT_EQ(later.Acquire(m_name, nullptr), Outcome::AlreadyRunning);
        EXPECT_TRUE(raised.WaitFor(5s));
    }
}

// Only the raise byte raises; a silent client or any other byte is ignored.
TEST_F(SingleInstanceTest, OnlyTheRaiseByteRaises) {
    Event raised;
    SingleInstance first;
    ASSERT_EQ(first.Acquire(m_name, [&] { raised.Set(); }), Outcome::First);
    for (const std::string& sent :
         {std::string(), std::string("x"), std::string(1, SingleInstance::kRaiseRequest)}) {
        const int fd = UnixSocket(SingleInstance::SocketPath(m_name), false);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::send(fd, sent.data(), sent.size(), MSG_NOSIGNAL), ssize_t(sent.size()));
        ::close(fd);
        const bool raises = sent == std::string(1, SingleInstance::kRaiseRequest);
        EXPECT_EQ(raised.WaitFor(raises ? 5s : 200ms), raises) << sent;
    }
}

// A later copy is told that another runs and asks it to raise its window, or to open the later
// copy's file. A path too long for a request is not sent as one, and a first copy without an
// open handler is raised instead.
TEST_F(SingleInstanceTest, ALaterCopyAsksTheFirstToRaiseOrToOpenItsFile) {
    Event opened, raised, otherRaised;
    std::string file;
    SingleInstance first, second, third, fourth, other, fifth;
    const auto raise = [&] { raised.Set(); };
    const auto open = [&](const std::string& path) {
        file = path;
        opened.Set();
    };
    ASSERT_EQ(first.Acquire(m_name, raise, open), Outcome::First);
    EXPECT_FALSE(raised.WaitFor(0ms));
    EXPECT_EQ(second.Acquire(m_name, [] { ADD_FAILURE(); }), Outcome::AlreadyRunning);
    EXPECT_TRUE(raised.WaitFor(5s));

    const std::string path = "/home/u/Pictures/a b \xd0\x96.png";
    EXPECT_EQ(third.Acquire(m_name, nullptr, nullptr, path), Outcome::AlreadyRunning);
    ASSERT_TRUE(opened.WaitFor(5s));
    EXPECT_EQ(file, path);
    EXPECT_FALSE(raised.WaitFor(0ms));
    EXPECT_EQ(fourth.Acquire(m_name, nullptr, nullptr, std::string(5000, 'a')),
              Outcome::AlreadyRunning);
    EXPECT_TRUE(raised.WaitFor(5s));
    EXPECT_FALSE(opened.WaitFor(0ms));

    ASSERT_EQ(other.Acquire(m_name + "-x", [&] { otherRaised.Set(); }), Outcome::First);
    EXPECT_EQ(fifth.Acquire(m_name + "-x", nullptr, nullptr, path), Outcome::AlreadyRunning);
    EXPECT_TRUE(otherRaised.WaitFor(5s));
}

TEST_F(SingleInstanceTest, RefusesBadNamesAndASecondAcquire) {
    for (const char* bad : {"", ".", "..", "a/b", "with space", "semi;colon"}) {
        SingleInstance instance;
        EXPECT_EQ(instance.Acquire(bad, [] {}), Outcome::Failed) << bad;
        EXPECT_EQ(SingleInstance::SocketPath(bad), "") << bad;
    }
    SingleInstance instance;
    ASSERT_EQ(instance.Acquire(m_name, [] {}), Outcome::First);
    EXPECT_EQ(instance.Acquire(m_name, [] {}), Outcome::Failed);
}

// Without a runtime folder the files go to a private folder of this user in the temp folder.
TEST_F(SingleInstanceTest, FallsBackToAPrivateTempFolder) {
    const test::ScopedEnv tmp("TMPDIR", (m_runtime.Path() + "//").c_str());
    const test::ScopedEnv runtime("XDG_RUNTIME_DIR", "relative/run");
    SingleInstance first, second;
    EXPECT_EQ(first.Acquire(m_name, [] {}), Outcome::First);
    const std::string folder = m_runtime / ("brelvo-" + std::to_string(::getuid()));
    EXPECT_EQ(SingleInstance::SocketPath(m_name), folder + "/brelvo-" + m_name + ".socket");
    EXPECT_EQ(fs::symlink_status(folder).permissions(), fs::perms::owner_all);
    EXPECT_EQ(second.Acquire(m_name, nullptr), Outcome::AlreadyRunning);
}

using test::ScopedEnv;

// Each row: the XDG_CONFIG_HOME value (nullptr for unset; one starting with "/" is taken under
// the test's folder) and where the folder must appear, under the test's folder.
TEST(SettingsFolderTest, FollowsTheConfigHomeRulesAndMakesPrivateFolders) {
    const std::pair<const char*, const char*> rows[] = {
        {nullptr, "home/.config/Kestrav/Brelvo"},
        {"relative/config", "home/.config/Kestrav/Brelvo"},
        {"/xdg/", "xdg/Kestrav/Brelvo"},
        {"/deep/er/config", "deep/er/config/Kestrav/Brelvo"}};
    for (const auto& [configHome, expected] : rows) {
        SCOPED_TRACE(expected);
        test::TempFolder root;
        fs::create_directories(root / "home");
        const std::string value =
            configHome ? (configHome[0] == '/' ? root.Path() : "") + configHome : "";
        const ScopedEnv home("HOME", (root / "home").c_str());
        const ScopedEnv xdg("XDG_CONFIG_HOME", configHome ? value.c_str() : nullptr);
        std::string created;
        ASSERT_TRUE(CreateSettingsFolder(&created));
        EXPECT_EQ(created, root / expected);
        EXPECT_EQ(SettingsFolderPath(), created);
        EXPECT_TRUE(fs::is_directory(created));
        EXPECT_TRUE(fs::is_empty(created));
        EXPECT_EQ(fs::status(created).permissions(), fs::perms::owner_all);
        EXPECT_EQ(fs::status(fs::path(created).parent_path()).permissions(), fs::perms::owner_all);
        // A relative value must not have created anything relative to the working folder.
        EXPECT_FALSE(fs::exists("relative"));
    }
}

TEST(SettingsFolderTest, FailsOnAFileInTheWayAndKeepsAnExistingFolder) {
    test::TempFolder root;
    const ScopedEnv xdg("XDG_CONFIG_HOME", root.Path().c_str());
    std::ofstream(root / "Kestrav") << "not a folder";
    std::string created = "untouched";
    EXPECT_FALSE(CreateSettingsFolder(&created));
    EXPECT_EQ(created, "untouched");
    fs::remove(root / "Kestrav");
    fs::create_directories(root / "Kestrav/Brelvo");
    std::ofstream(root / "Kestrav/Brelvo/keep") << "x";
    EXPECT_TRUE(CreateSettingsFolder());
    EXPECT_TRUE(fs::exists(root / "Kestrav/Brelvo/keep"));
}

// Programs started without HOME, or with a relative one, still find the user's home.
TEST(SettingsFolderTest, HomeFallsBackToThePasswordEntry) {
    const passwd* entry = ::getpwuid(::getuid());
    ASSERT_NE(entry, nullptr);
    for (const char* home : {static_cast<const char*>(nullptr), "relative/home"}) {
        const ScopedEnv env("HOME", home);
        EXPECT_EQ(HomeFolder(), entry->pw_dir) << (home ? home : "unset");
    }
    const ScopedEnv env("HOME", "/some/where");
    EXPECT_EQ(HomeFolder(), "/some/where");
}

TEST(ProgramFolderTest, IsTheFolderOfTheRunningTest) {
    // The folder must hold the executable itself under the name the kernel reports.
    const fs::path exe = fs::read_symlink("/proc/self/exe");
    EXPECT_EQ(ProgramFolder(), exe.parent_path().string() + "/");
    EXPECT_TRUE(fs::is_regular_file(ProgramFolder() + exe.filename().string()));
}

using Kind = ScriptCommand::Kind;

// A command's fields but its line, each with an initializer so that rows name only their own.
struct Command {
    Kind kind = Kind::Quit;
    std::int64_t number = 0;
    std::int32_t x = 0, y = 0;
    std::uint16_t key = 0;
    std::u16string text{};
    std::string path{};
};

// Each row is one line of a script that starts with a comment and a blank line, so the command
// on row i comes from line i + 3. The commands the docs' screenshot script plays in their
// ordinary forms (tap, key enter, quit) are left to that run, and so are the names of the
// commands without arguments: they only copy the parser's table.
TEST(HeadlessScriptTest, ParsesEveryCommand) {
    const struct {
        const char* line;
        Command command;
    } rows[] = {
        {"frames 61\r", {.kind = Kind::Frames, .number = 61}},
        {"  expect-state 1", {.kind = Kind::ExpectState, .number = 1}},
        {"down 10 -20", {.kind = Kind::Down, .x = 10, .y = -20}},
        {"move +3 4", {.kind = Kind::Move, .x = 3, .y = 4}},
        {"up 32767 -32768", {.kind = Kind::Up, .x = 32767, .y = -32768}},
        {"key 0x5a", {.kind = Kind::Key, .key = 0x5A}},
        {"keydown F11", {.kind = Kind::KeyDown, .key = vk::kF11}},
        {"keyup z", {.kind = Kind::KeyUp, .key = 'Z'}},
        // The text keeps its inner and trailing blanks; only the one separator goes.
        {"char Hello, world  ", {.kind = Kind::Char, .text = u"Hello, world  "}},
        {"char \xd0\x96\xf0\x9f\x98\x80", {.kind = Kind::Char, .text = u"\u0416\U0001F600"}},
        {"shot out dir/a b.png", {.kind = Kind::Shot, .path = "out dir/a b.png"}},
        {"wheel 0 -2", {.kind = Kind::Wheel, .y = -2}},
        {"wait-state 2   # a comment after the command", {.kind = Kind::WaitState, .number = 2}},
        {"char a#b c  # typed: a#b c", {.kind = Kind::Char, .text = u"a#b c"}}};
    std::string text = "# a comment\n\n";
    for (const auto& row : rows)
        text += std::string(row.line) + "\n";
    HeadlessScript script;
    std::string error;
    ASSERT_TRUE(ParseHeadlessScript(text, "s.txt", script, error)) << error;
    ASSERT_EQ(script.commands.size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const ScriptCommand& c = script.commands[i];
        const Command& e = rows[i].command;
        EXPECT_EQ(
            std::tuple(c.kind, c.line, c.number, c.x, c.y, c.key, c.text, c.path),
            std::tuple(e.kind, static_cast<int>(i) + 3, e.number, e.x, e.y, e.key, e.text, e.path))
            << rows[i].line;
    }
}

// Each row: bad scripts and the message after "s:LINE: " that each of them gets.
TEST(HeadlessScriptTest, RefusesBadLinesWithTheirNumber) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"fram 3"}, "unknown command 'fram'"},
        {{"frames", "frames -1", "frames 100000001", "frames 1 2", "frames 0x10"},
         "frames needs one number from 0 to 100000000"},
        {{"\n\ntap 1", "tap 1 40000"}, "tap needs X and Y, each from -32768 to 32767"},
        {{"key nosuchkey", "key 0x100", "key 0x0"},
         "key needs a key name or a code from 0x01 to 0xff"},
        {{"char"}, "char needs a text"},
        // Not UTF-8: a stray byte, a surrogate and an overlong form.
        {{"char \xff", "char \xed\xa0\x80", "char \xc0\xaf"}, "char: the text is not UTF-8"},
        {{"shot"}, "shot needs a file name"},
        {{"quit now"}, "quit takes nothing after it"},
        {{"expect-state two"}, "expect-state needs one number from 0 to 2147483647"}};
    for (const auto& [texts, message] : cases)
        for (const std::string& text : texts) {
            HeadlessScript script;
            std::string error;
            EXPECT_FALSE(ParseHeadlessScript(text, "s", script, error)) << text;
            const auto line = 1 + std::count(text.begin(), text.end(), '\n');
            EXPECT_EQ(error, "s:" + std::to_string(line) + ": " + message);
        }
}

// Scripts name keys as the handheld's virtual-key codes; only the four editing keys also type.
TEST(VirtualKeysTest, NamesAndTheCharactersKeysType) {
    const std::pair<const char*, int> names[] = {
        {"DOWN", 0x28}, {"enter", 0x0D}, {"a", 'A'}, {"Z", 'Z'}, {"0", '0'}, {"f1", 0x70},
        {"F12", 0x7B},  {"f13", 0},      {"f0", 0},  {"f01", 0}, {"", 0},    {"!", 0}};
    for (const auto& [name, key] : names)
        EXPECT_EQ(KeyFromName(name), key) << name;
    for (const std::uint16_t key : {vk::kBackspace, vk::kTab, vk::kEnter, vk::kEscape})
        EXPECT_EQ(ControlCharForKey(key), key);
    EXPECT_EQ(ControlCharForKey(vk::kDown), 0);
    EXPECT_EQ(ControlCharForKey('A'), 0);
}

auto Fields(const WindowLayout& l) {
    return std::tuple(l.scale, l.left, l.top, l.width, l.height);
}

// The 240 x 320 screen fits by a whole factor and is centred; a window too small shows its
// top-left part. Window positions map to screen pixels rounding down, also left of and above it.
TEST(WindowLayoutTest, TheScreenFitsByAWholeFactorAndWindowPositionsMapToPixels) {
    using Fit = std::tuple<std::int32_t, std::int32_t, WindowLayout>;
    const Fit fits[] = {Fit{480, 640, {2, 0, 0, 480, 640}}, Fit{1920, 1080, {3, 600, 60, 720, 960}},
                        Fit{479, 640, {1, 119, 160, 240, 320}}, Fit{100, 100, {1, 0, 0, 240, 320}}};
    for (const auto& [w, h, layout] : fits)
        EXPECT_EQ(Fields(FitScreen(w, h, 240, 320)), Fields(layout)) << w << "x" << h;

    const WindowLayout l = FitScreen(1920, 1080, 240, 320); // scale 3 at (600, 60)
    const std::int32_t positions[][4] = {
        {600, 60, 0, 0}, {602, 62, 0, 0}, {603, 63, 1, 1}, {599, 59, -1, -1}, {0, 0, -200, -20}};
    for (const auto& [wx, wy, x, y] : positions) {
        std::int32_t sx = 0, sy = 0;
        WindowToScreen(l, wx, wy, sx, sy);
        EXPECT_EQ(std::tuple(sx, sy), std::tuple(x, y)) << wx << "," << wy;
    }
    // The largest scale that fits the desktop, but at least two, also with no desktop size known.
    EXPECT_EQ(DefaultScale(800, 600, 240, 320), 2);
    EXPECT_EQ(DefaultScale(1920, 1050, 240, 320), 3);
    EXPECT_EQ(DefaultScale(0, 0, 240, 320), 2);
}

// Windows-1251 both ways: every byte with a character comes back from it, and a character
// outside the page becomes '?'.
TEST(CodePage, Windows1251) {
    const std::pair<char16_t, std::uint8_t> cases[] = {
        {u'A', 'A'},       {u'\u0410', 0xC0}, {u'\u044F', 0xFF}, {u'\u0401', 0xA8},
        {u'\u2116', 0xB9}, {u'\u00E9', '?'},  {u'\xD83D', '?'},  {u'\xFFFD', '?'}};
    for (const auto& [unit, byte] : cases) {
        EXPECT_EQ(UnitToAnsi(unit), byte) << int(unit);
        EXPECT_TRUE(byte == '?' || AnsiToUnit(byte) == unit) << int(unit);
    }
    for (int b = 0; b < 256; ++b) {
        const char16_t u = AnsiToUnit(static_cast<std::uint8_t>(b));
        EXPECT_TRUE(u == 0xFFFD || UnitToAnsi(u) == b) << b;
    }
}

} // namespace
} // namespace brelvo::platform
