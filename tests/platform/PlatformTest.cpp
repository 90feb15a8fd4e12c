#include "base/WString.h"
#include "platform/CodePage.h"
#include "platform/DeviceFiles.h"
#include "platform/Event.h"
#include "platform/FrameBuffer.h"
#include "platform/HeadlessScript.h"
#include "platform/PanelInput.h"
#include "platform/PanelWindow.h"
#include "platform/PictureDecoder.h"
#include "platform/PngWriter.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsFolder.h"
#include "platform/SingleInstance.h"
#include "platform/VirtualKeys.h"
#include "platform/WindowLayout.h"

#include "tests/support/DiskFaults.h"
#include "tests/support/PictureWriters.h"
#include "tests/support/Subprocess.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <linux/input.h>
#include <sys/resource.h>
#include <turbojpeg.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <pwd.h>
#include <sstream>
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
    // The name, the old file's mode (0: no old file), the umask and the mode the file ends with.
    const std::tuple<const char*, mode_t, mode_t, mode_t> cases[] = {{"new.bmp", 0, 027, 0640},
                                                                     {"old.bmp", 0604, 022, 0604}};
    for (const auto& [name, oldMode, mask, expected] : cases) {
        SCOPED_TRACE(name);
        const fs::path target = m_dir / name;
        if (oldMode != 0) {
            WriteAll(target, std::string(5000, 'o'));
            ::chmod(target.c_str(), oldMode);
        }
        const mode_t savedUmask = ::umask(mask);
        ReplacingFileWriter writer;
        ASSERT_EQ(writer.Open(target), kOk);
        EXPECT_TRUE(writer.Write("new ", 4) && writer.Write("bytes", 5));
        EXPECT_EQ(writer.Commit(), kOk);
        ::umask(savedUmask);
        EXPECT_EQ(ReadTextFile(target), "new bytes");
        EXPECT_EQ(fs::symlink_status(target).permissions(), fs::perms(expected));
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
    for (const fs::path& folder : {root / "A", m_dir / "outside", m_dir / "root-sibling"})
        fs::create_directories(folder);
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
    EXPECT_EQ(std::tuple(answered.load(), pong.WaitFor(0ms)), std::tuple(1, false));
    for (int i = 1; i < kRounds; ++i) {
        ping.Set();
        if (!pong.WaitFor(5s))
            break;
    }
    partner.join();
    EXPECT_EQ(answered.load(), kRounds);
}

int UnixSocket(const std::string& path, bool bind) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    const auto* a = reinterpret_cast<sockaddr*>(&address);
    if (fd >= 0 && (bind ? ::bind(fd, a, sizeof address) : ::connect(fd, a, sizeof address)) == 0)
        return fd;
    ::close(fd); // nothing when the socket was not made
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
        EXPECT_TRUE(fs::is_directory(created) && fs::is_empty(created));
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

TEST(SettingsFolderTest, HomeFallsBackToThePasswordEntry) {
    const passwd* entry = ::getpwuid(::getuid());
    ASSERT_NE(entry, nullptr);
    const std::pair<const char*, std::string> homes[] = {
        {nullptr, entry->pw_dir}, {"relative/home", entry->pw_dir}, {"/some/where", "/some/where"}};
    for (const auto& [home, expected] : homes) {
        const ScopedEnv env("HOME", home);
        EXPECT_EQ(HomeFolder(), expected) << (home ? home : "unset");
    }
}

TEST(ProgramFolderTest, IsTheFolderOfTheRunningTest) {
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
    const std::pair<const char*, Command> rows[] = {
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
        text += std::string(row.first) + "\n";
    HeadlessScript script;
    std::string error;
    ASSERT_TRUE(ParseHeadlessScript(text, "s.txt", script, error)) << error;
    ASSERT_EQ(script.commands.size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const ScriptCommand& c = script.commands[i];
        const Command& e = rows[i].second;
        EXPECT_EQ(
            std::tuple(c.kind, c.line, c.number, c.x, c.y, c.key, c.text, c.path),
            std::tuple(e.kind, static_cast<int>(i) + 3, e.number, e.x, e.y, e.key, e.text, e.path))
            << rows[i].first;
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
    EXPECT_EQ(std::tuple(ControlCharForKey(vk::kDown), ControlCharForKey('A')), std::tuple(0, 0));
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

using test::Bytes;

constexpr std::uint32_t kRle8 = 1, kRle4 = 2, kBitfields = 3, kAlphaBitfields = 6;

// What the writer puts in a BMP file. Masks are written from byte 54 on, which is inside headers
// larger than 40 bytes and right after a 40-byte one.
struct BmpFile {
    std::int32_t width = 1, height = 1; // a negative height stores the rows top first
    std::uint16_t bpp = 24;
    std::uint32_t compression = 0, headerBytes = 40, coloursUsed = 0;
    std::vector<std::uint32_t> palette{}, masks{}; // 0xRRGGBB; R, G, B[, A]
    Bytes pixels{};                                // exactly as stored
};

using Decoder = HResult (*)(const std::uint8_t*, std::size_t, Bitmap&);
using Decoding = std::tuple<HResult, int, int, int, Bytes>;
const Decoding kNotDecoded{kErrFail, 0, 0, 0, {}};

// What a decoder makes of a file, as one value. It starts from a filled Bitmap, which a failed
// decode must not leave behind.
Decoding Decoded(const Bytes& file, Decoder decode = DecodePicture) {
    Bitmap b;
    b.Allocate(2, 2, 4);
    const HResult result = decode(file.data(), file.size(), b);
    return {result, b.width, b.height, b.channels, b.pixels};
}

void Poke(Bytes& b, std::size_t at, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

void PutLe(Bytes& b, std::uint64_t v, int bytes) {
    b.resize(b.size() + static_cast<std::size_t>(bytes));
    Poke(b, b.size() - static_cast<std::size_t>(bytes), v, bytes);
}

Bytes Build(const BmpFile& f) {
    // File size, reserved, pixel offset: patched below. (Made at its full 14 bytes at once: GCC
    // 12 at -O3 warns falsely, -Warray-bounds, about growing a 2-byte vector.)
    Bytes b{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const int dimension = f.headerBytes == 12 ? 2 : 4;
    PutLe(b, f.headerBytes, 4);
    PutLe(b, static_cast<std::uint32_t>(f.width), dimension);
    PutLe(b, static_cast<std::uint32_t>(f.height), dimension);
    PutLe(b, 1, 2);
    PutLe(b, f.bpp, 2);
    if (f.headerBytes != 12) {
        // Compression, image size, 72 dpi both ways, colours used and colours important.
        const auto size = static_cast<std::uint32_t>(f.pixels.size());
        for (std::uint32_t v : {f.compression, size, 2835u, 2835u, f.coloursUsed, 0u})
            PutLe(b, v, 4);
        for (std::uint32_t mask : f.masks)
            PutLe(b, mask, 4);
        b.resize(std::max<std::size_t>(b.size(), 14 + f.headerBytes), 0);
    }
    for (std::uint32_t rgb : f.palette)
        PutLe(b, rgb, f.headerBytes == 12 ? 3 : 4);
    Poke(b, 10, b.size(), 4);
    b.insert(b.end(), f.pixels.begin(), f.pixels.end());
    Poke(b, 2, b.size(), 4);
    return b;
}

// Row data given top row first, each padded to 4 bytes with a filler the decoder must skip.
Bytes Rows(const std::vector<Bytes>& topFirst, bool topDown) {
    Bytes out;
    for (std::size_t i = 0; i < topFirst.size(); ++i) {
        const Bytes& row = topFirst[topDown ? i : topFirst.size() - 1 - i];
        out.insert(out.end(), row.begin(), row.end());
        out.resize((out.size() + 3) / 4 * 4, 0xEE);
    }
    return out;
}

Bytes Le16s(std::initializer_list<std::uint16_t> values) {
    Bytes b;
    for (std::uint16_t v : values)
        PutLe(b, v, 2);
    return b;
}

std::vector<std::uint32_t> Ramp(int count) {
    std::vector<std::uint32_t> palette;
    for (int i = 0; i < count; ++i)
        palette.push_back(static_cast<std::uint32_t>(i << 16 | (255 - i) << 8 | (i ^ 0x5A)));
    return palette;
}

// Expected pixels are 0xRRGGBB, or 0xRRGGBBAA for four channels.
Bytes Expand(const std::vector<std::uint32_t>& pixels, int channels) {
    Bytes out;
    for (std::uint32_t p : pixels)
        for (int c = channels - 1; c >= 0; --c)
            out.push_back(static_cast<std::uint8_t>(p >> (8 * c)));
    return out;
}

BmpFile Masked(std::uint16_t bpp, std::uint32_t compression, std::uint32_t headerBytes,
               std::vector<std::uint32_t> masks, std::int32_t width = 1) {
    return {width, 1, bpp, compression, headerBytes, 0, {}, std::move(masks), {}};
}

BmpFile RleFile(std::int32_t width, std::int32_t height, std::uint32_t compression,
                std::vector<std::uint32_t> palette, Bytes data) {
    const auto bpp = static_cast<std::uint16_t>(compression == kRle8 ? 8 : 4);
    const auto used = static_cast<std::uint32_t>(palette.size());
    return {width, height, bpp, compression, 40, used, std::move(palette), {}, std::move(data)};
}

struct GoodBmp {
    const char* name;
    int channels;
    BmpFile file;                        // pixels empty when `rows` gives them
    std::vector<Bytes> rows;             // top first, unpadded; empty for run-length data
    std::vector<std::uint32_t> expected; // top row first
};
GoodBmp Good(const char* name, int channels, BmpFile file, std::vector<Bytes> rows,
             std::vector<std::uint32_t> expected) {
    return {name, channels, std::move(file), std::move(rows), std::move(expected)};
}

constexpr std::uint32_t kWhite = 0xFFFFFF;

// Each file decodes, picked by its signature, stored bottom up and top down (the core header has
// no top-down form), and an uncompressed one cut anywhere, even in the last row's padding, is
// refused whole.
TEST(BmpDecoder, GoodFilesDecodeExactlyAndEveryCutOneIsRefused) {
    const auto r = Ramp(16);
    const GoodBmp cases[] = {
        Good("1-bit palette, unused low bits set", 3,
             {.width = 3, .height = 2, .bpp = 1, .palette = {0x102030, 0xA0B0C0}}, {{0xBF}, {0x6F}},
             {0xA0B0C0, 0x102030, 0xA0B0C0, 0x102030, 0xA0B0C0, 0xA0B0C0}),
        Good("4-bit palette, index past colours used is black", 3,
             {.width = 3, .height = 2, .bpp = 4, .coloursUsed = 2, .palette = {0x112233, 0x445566}},
             {{0x10, 0x7F}, {0x01, 0x10}},
             {0x445566, 0x112233, 0x000000, 0x112233, 0x445566, 0x445566}),
        Good("8-bit, colours used 0 means 256", 3,
             {.width = 2, .height = 2, .bpp = 8, .palette = Ramp(256)}, {{0, 255}, {7, 128}},
             {0x00FF5A, 0xFF00A5, 0x07F85D, 0x807FDA}),
        Good("16-bit 5-5-5, top bit ignored", 3, {.width = 2, .height = 2, .bpp = 16},
             {Le16s({0x7FFF, 0x7C00}), Le16s({0x83E0, 0x4210})},
             {0xFFFFFF, 0xFF0000, 0x00FF00, 0x848484}),
        Good("16-bit 5-6-5 bitfields, odd width", 3,
             Masked(16, kBitfields, 40, {0xF800, 0x07E0, 0x001F}, 3),
             {Le16s({0xF800, 0x0400, 0x0001})}, {0xFF0000, 0x008200, 0x000008}),
        Good("24-bit, odd width pads rows", 3, {.width = 3, .height = 2},
             {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {10, 11, 12, 13, 14, 15, 16, 17, 18}},
             {0x030201, 0x060504, 0x090807, 0x0C0B0A, 0x0F0E0D, 0x121110}),
        Good("32-bit BGRX with the fourth byte zero is opaque", 3,
             {.width = 2, .height = 2, .bpp = 32},
             {{1, 2, 3, 0, 4, 5, 6, 0}, {7, 8, 9, 0, 10, 11, 12, 0}},
             {0x030201, 0x060504, 0x090807, 0x0C0B0A}),
        Good("32-bit BGRX with a fourth byte set carries alpha", 4,
             {.width = 2, .height = 1, .bpp = 32}, {{1, 2, 3, 0, 4, 5, 6, 0x80}},
             {0x03020100, 0x06050480}),
        Good("V5 header, RGBA byte order with an alpha mask", 4,
             Masked(32, kBitfields, 124, {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000}, 2),
             {{0x11, 0x22, 0x33, 0x44, 0xFF, 0, 0, 0}}, {0x11223344, 0xFF000000}),
        Good("V4 header, 5-6-5 with a zero alpha mask", 3,
             Masked(16, kBitfields, 108, {0xF800, 0x07E0, 0x001F, 0}), {Le16s({0xFFFF})},
             {0xFFFFFF}),
        Good("56-byte header, 4-4-4-4 with alpha", 4,
             Masked(16, kBitfields, 56, {0x0F00, 0x00F0, 0x000F, 0xF000}), {Le16s({0xF8A5})},
             {0x88AA55FF}),
        Good("52-byte header: no alpha mask, so the fourth byte is not alpha", 3,
             Masked(32, kBitfields, 52, {0xFF0000, 0xFF00, 0xFF}), {{1, 2, 3, 0xFF}}, {0x030201}),
        Good("alpha bitfields, 10-10-10 and 2-bit alpha", 4,
             Masked(32, kAlphaBitfields, 40, {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000}),
             {{0x00, 0x00, 0xF8, 0x7F}}, {0xFF800055}),
        Good("core header, 3-byte palette", 3,
             {.width = 2, .height = 2, .bpp = 4, .headerBytes = 12, .palette = r}, {{0x3C}, {0xF0}},
             {r[3], r[12], r[15], r[0]}),
        Good("RLE8 runs, absolute, end of line, delta, end of bitmap", 3,
             RleFile(6, 3, kRle8, {0, 0x111111, 0x222222, 0x333333, 0x444444},
                     {3, 1, 0, 3, 2, 3, 4, 0, 0, 0, 0, 2, 2, 1, 2, 5, 0, 1}),
             {},
             {kWhite, kWhite, 0, 0, kWhite, kWhite, kWhite, kWhite, kWhite, kWhite, kWhite, kWhite,
              0x111111, 0x111111, 0x111111, 0x222222, 0x333333, 0x444444}),
        Good("RLE4 runs, absolute, delta, end of line, end of bitmap", 3,
             RleFile(5, 2, kRle4, r,
                     {3, 0x12, 0, 2, 1, 0, 1, 0x80, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0, 0, 1}),
             {}, {r[3], r[4], r[5], r[6], r[7], r[1], r[2], r[1], kWhite, r[8]}),
        Good("RLE8 ending without its end marker keeps what it decoded", 3,
             RleFile(2, 2, kRle8, {0, 0x123456}, {2, 1}), {},
             {kWhite, kWhite, 0x123456, 0x123456})};
    for (const GoodBmp& c : cases) {
        SCOPED_TRACE(c.name);
        const Decoding expected{kOk, c.file.width, std::abs(c.file.height), c.channels,
                                Expand(c.expected, c.channels)};
        BmpFile f = c.file;
        if (c.rows.empty()) {
            EXPECT_EQ(Decoded(Build(f)), expected);
            continue;
        }
        f.pixels = Rows(c.rows, false);
        const Bytes file = Build(f);
        EXPECT_EQ(Decoded(file), expected) << "bottom up";
        for (std::size_t size = 0; size < file.size(); ++size)
            EXPECT_EQ(Decoded(Bytes(file.begin(), file.begin() + size), DecodeBmp), kNotDecoded)
                << "size " << size;
        if (f.headerBytes != 12) {
            f.height = -f.height;
            f.pixels = Rows(c.rows, true);
            EXPECT_EQ(Decoded(Build(f)), expected) << "top down";
        }
    }
}

Bytes Good24With(std::size_t at, std::uint64_t value, int bytes) {
    Bytes b = Build({.width = 3, .height = 2, .pixels = Rows({Bytes(9, 1), Bytes(9, 2)}, false)});
    Poke(b, at, value, bytes);
    return b;
}

// Four masks make it an alpha-bitfields file, since a 40-byte header has no alpha mask.
Bytes Bitfields(std::vector<std::uint32_t> masks, std::uint16_t bpp = 16) {
    const std::uint32_t compression = masks.size() == 4 ? kAlphaBitfields : kBitfields;
    BmpFile f = Masked(bpp, compression, 40, std::move(masks), 2);
    f.pixels = Bytes(8, 0x55);
    return Build(f);
}

Bytes Rle8(std::int32_t width, std::int32_t height, Bytes data) {
    return Build(RleFile(width, height, kRle8, Ramp(256), std::move(data)));
}

Bytes Grey(const Bytes& rgba) {
    Bytes g = rgba;
    for (std::size_t i = 0; i < g.size(); i += 4)
        g[i + 1] = g[i + 2] = g[i];
    return g;
}

Bytes Rgb(const Bytes& rgba) {
    Bytes rgb;
    for (std::size_t i = 0; i < rgba.size(); i += 4)
        rgb.insert(rgb.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
    return rgb;
}

TEST(PictureDecoder, GoodPngsDecodeExactly) {
    const int w = 37, h = 23;
    Bytes rgba = test::TestPictureRgba(w, h), withAlpha = rgba, fewColours = rgba;
    for (std::size_t i = 3; i < withAlpha.size(); i += 16)
        withAlpha[i] = static_cast<std::uint8_t>(i % 256);
    // Few colours, so the picture fits in a palette.
    for (std::size_t i = 0; i < fewColours.size(); ++i)
        fewColours[i] &= i % 4 != 3 ? 0xC0 : 0xFF;
    const std::tuple<const char*, Bytes, test::PngOptions, int> cases[] = {
        {"rgb", rgba, {2, 8, false, -1}, 3},
        {"rgb interlaced", rgba, {2, 8, true, -1}, 3},
        {"rgb 16-bit", rgba, {2, 16, false, -1}, 3},
        {"rgba 16-bit interlaced", withAlpha, {6, 16, true, -1}, 4},
        {"grey", Grey(rgba), {0, 8, false, -1}, 3},
        {"grey alpha", Grey(withAlpha), {4, 8, false, -1}, 4},
        {"palette with transparency", fewColours, {3, 8, true, 0}, 4}};
    for (const auto& [name, picture, options, channels] : cases) {
        // The transparent palette entry is the first colour, pixel 0's.
        Bytes expected;
        for (std::size_t i = 0; i < picture.size(); i += 4) {
            expected.insert(expected.end(), &picture[i], &picture[i + 3]);
            if (options.transparentIndex >= 0)
                expected.push_back(std::equal(&picture[i], &picture[i + 3], &picture[0]) ? 0 : 255);
            else if (channels == 4)
                expected.push_back(picture[i + 3]);
        }
        EXPECT_EQ(Decoded(test::WritePng(picture, w, h, options)),
                  Decoding(kOk, w, h, channels, expected))
            << name;
    }
}

TEST(PictureDecoder, JpegsDecodeClosely) {
    const int w = 64, h = 48;
    const Bytes rgba = test::TestPictureRgba(w, h), rgb = Rgb(rgba);
    Bytes grey, cmyk;
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        grey.push_back(rgba[i]);
        // Inverted CMYK as image editors store it, with K = 255 (no black): the colour channels
        // then decode to the RGB values themselves.
        cmyk.insert(cmyk.end(), {rgba[i], rgba[i + 1], rgba[i + 2], 255});
    }
    const std::tuple<const char*, const Bytes*, int, Bytes, int> cases[] = {
        {"rgb", &rgb, TJPF_RGB, rgba, 6},
        {"greyscale", &grey, TJPF_GRAY, Grey(rgba), 4},
        {"cmyk", &cmyk, TJPF_CMYK, rgba, 8}};
    for (const auto& [name, pixels, format, expected, maxError] : cases) {
        SCOPED_TRACE(name);
        const int sampling = format == TJPF_GRAY ? TJSAMP_GRAY : TJSAMP_444;
        const Bytes file = test::WriteJpeg(*pixels, w, h, format, 100, sampling, false);
        const auto [result, width, height, channels, decoded] = Decoded(file);
        ASSERT_EQ(std::tuple(result, width, height, channels), std::tuple(kOk, w, h, 3));
        int max = 0;
        double sum = 0;
        for (std::size_t i = 0; i < decoded.size(); ++i) {
            const int e = std::abs(decoded[i] - expected[i / 3 * 4 + i % 3]);
            max = std::max(max, e);
            sum += e;
        }
        EXPECT_LE(max, maxError);
        EXPECT_LE(sum / static_cast<double>(decoded.size()), 1.0);
    }
}

const Bytes kGifPalette = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};

// Index 3 (blue) is the first frame's transparent colour; what it does not cover, and its
// transparent pixels, are transparent white.
TEST(PictureDecoder, GifTakesTheFirstFrameOnTheLogicalScreen) {
    const Bytes rgba = {0, 0, 0, 255, 255, 0, 0, 255, 0, 255, 0, 255, 255, 255, 255, 0};
    test::GifFrame first{2, 1, 5, 11, {}, 3, false};
    for (int i = 0; i < 55; ++i)
        first.indices.push_back(static_cast<std::uint8_t>(i % 4));
    Bytes expected;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inFrame = x >= 2 && x < 7 && y >= 1;
            const int index = inFrame ? first.indices[(y - 1) * 5 + (x - 2)] : 3;
            expected.insert(expected.end(), &rgba[4 * index], &rgba[4 * index + 4]);
        }
    const test::GifFrame second{0, 0, 8, 12, Bytes(96, 1), -1, false};
    for (const bool interlaced : {false, true}) {
        first.interlaced = interlaced;
        EXPECT_EQ(Decoded(test::WriteGif(8, 12, kGifPalette, {first, second})),
                  Decoding(kOk, 8, 12, 4, expected))
            << interlaced;
    }
}

// A PNG whose header claims another size, with the header's checksum made right again, so that
// only the size limit can refuse it. Both formats store these numbers big-endian.
Bytes PngClaiming(std::uint32_t w, std::uint32_t h) {
    Bytes file = test::WritePng(test::TestPictureRgba(4, 4), 4, 4);
    Poke(file, 16, __builtin_bswap32(w), 4);
    Poke(file, 20, __builtin_bswap32(h), 4);
    Poke(file, 29, __builtin_bswap32(static_cast<std::uint32_t>(crc32(0, &file[12], 17))), 4);
    return file;
}

Bytes JpegClaiming(std::uint16_t w, std::uint16_t h) {
    Bytes file = test::WriteJpeg(Bytes(8 * 8 * 3, 128), 8, 8, TJPF_RGB, 90, TJSAMP_444, false);
    for (std::size_t i = 2; i + 9 < file.size(); ++i)
        if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC2)) {
            Poke(file, i + 5, __builtin_bswap32(std::uint32_t{h} << 16 | w), 4); // height, width
            break;
        }
    return file;
}

Bytes Cut(Bytes b, std::size_t n) {
    b.resize(std::min(n, b.size()));
    return b;
}

Bytes Flip(Bytes b, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < std::min(to, b.size()); i += 3)
        b[i] ^= 0x5A;
    return b;
}

TEST(PictureDecoder, MalformedFilesFailCleanly) {
    Bytes noPixelsLeft = Rle8(2, 2, {2, 1, 0, 1});
    Poke(noPixelsLeft, 10, noPixelsLeft.size(), 4);
    const std::pair<const char*, Bytes> bmps[] = {
        {"not BM", Good24With(0, 'B' | 'A' << 8, 2)},
        {"header size 39", Good24With(14, 39, 4)},
        {"width 0", Good24With(18, 0, 4)},
        {"height 0", Good24With(22, 0, 4)},
        {"height INT32_MIN", Good24With(22, 0x80000000u, 4)},
        {"10001 x 1", Build({.width = 10001, .height = 1, .pixels = Bytes(30004, 0)})},
        {"1 x -10001", Build({.width = 1, .height = -10001, .pixels = Bytes(40004, 0)})},
        {"planes 2", Good24With(26, 2, 2)},
        {"bpp 2", Good24With(28, 2, 2)},
        {"bitfields with a zero mask", Bitfields({0xF800, 0, 0x001F})},
        {"bitfields with a non-contiguous mask", Bitfields({0xF00F, 0x07E0, 0x0010})},
        {"alpha mask overlapping a colour", Bitfields({0xF800, 0x07E0, 0x001F, 0x8000})},
        {"16-bit mask wider than the pixel", Bitfields({0x1F800, 0x07E0, 0x001F})},
        {"bitfields at 24 bits", Bitfields({0xFF0000, 0xFF00, 0xFF}, 24)},
        {"compression JPEG", Good24With(30, 4, 4)},
        {"RLE8 at 24 bits", Good24With(30, kRle8, 4)},
        {"colours used 17 at 4 bits", Build({1, 1, 4, 0, 40, 17, Ramp(17), {}, Bytes(4, 0)})},
        {"pixel offset beyond the file", Good24With(10, 5000, 4)},
        {"RLE data starting at the file's end", noPixelsLeft},
        {"RLE8 run past the right edge", Rle8(4, 2, {3, 1, 2, 1})},
        {"RLE8 absolute past the right edge", Rle8(4, 2, {2, 1, 0, 3, 1, 2, 3, 0})},
        {"RLE8 run past the bottom", Rle8(2, 1, {2, 1, 0, 0, 1, 1, 0, 1})},
        {"RLE8 end of line past the bottom", Rle8(2, 1, {0, 0, 0, 0, 0, 1})},
        {"RLE8 delta off the right", Rle8(4, 2, {1, 1, 0, 2, 4, 0, 0, 1})},
        {"RLE8 delta off the top", Rle8(4, 2, {0, 2, 0, 3, 0, 1})},
        {"RLE8 stored top down", Rle8(2, -2, {2, 1, 0, 1})}};
    for (const auto& [name, file] : bmps)
        EXPECT_EQ(Decoded(file, DecodeBmp), kNotDecoded) << name;
    const Bytes rgba = test::TestPictureRgba(40, 30);
    const Bytes png = test::WritePng(rgba, 40, 30);
    const Bytes jpeg = test::WriteJpeg(Rgb(rgba), 40, 30, TJPF_RGB, 90, TJSAMP_420, false);
    test::GifFrame frame{0, 0, 40, 30, Bytes(1200, 1), -1, false};
    for (std::size_t i = 0; i < frame.indices.size(); ++i)
        frame.indices[i] = static_cast<std::uint8_t>((i * 7) % 4);
    const Bytes gif = test::WriteGif(40, 30, kGifPalette, {frame});
    const std::pair<const char*, Bytes> cases[] = {
        {"empty", {}},
        {"wrong signature", Flip(png, 1, 2)},
        {"png cut in the data", Cut(png, png.size() / 2)},
        {"png without its end", Cut(png, png.size() - 12)},
        {"png 0 x 10", PngClaiming(0, 10)},
        {"png 10001 x 1", PngClaiming(10001, 1)},
        {"jpeg marker only", Cut(jpeg, 3)},
        {"jpeg cut in the scan", Cut(jpeg, jpeg.size() / 2)},
        {"jpeg corrupt huffman data", Flip(jpeg, jpeg.size() / 2, jpeg.size() - 2)},
        {"jpeg 0 x 8", JpegClaiming(0, 8)},
        {"gif header only", Cut(gif, 6)},
        {"gif cut in the image", Cut(gif, gif.size() / 2)},
        {"gif without an image", test::WriteGif(40, 30, kGifPalette, {})}};
    for (const auto& [name, file] : cases) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Decoded(file), kNotDecoded) << name;
        // A hang guard, not a speed goal: each of these is refused in microseconds.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << name;
    }
}

// Headers within or beyond the size limit whose pixels are not in the file: the refusal must
// come before the pixel memory (300 MB and more) is taken. Each runs in a child so that the peak
// memory measured is that refusal's alone.
TEST(PictureDecoder, HugeHeadersAreRefusedBeforeAllocating) {
    const Bytes files[] = {
        PngClaiming(20000, 20000), JpegClaiming(60000, 60000),
        Build({.width = 10000, .height = 10000, .bpp = 32, .pixels = Bytes(64, 0)}),
        Build({.width = 10000, .height = -10000, .pixels = Bytes(30000, 0)})};
    for (const Bytes& file : files) {
        const int status = test::RunInChild([&] {
            Bitmap b;
            if (DecodePicture(file.data(), file.size(), b) != kErrFail)
                return 1;
            rusage usage{};
            ::getrusage(RUSAGE_SELF, &usage);
            return usage.ru_maxrss > 100 * 1024 ? 2 : 0;
        });
        EXPECT_EQ(status, 0) << "exit 1: decoded, exit 2: peak memory above 100 MB";
    }
}

TEST(PictureDecoder, FormatComesFromTheSignature) {
    const Bytes png = test::WritePng(test::TestPictureRgba(3, 3), 3, 3);
    const std::string path = ::testing::TempDir() + "brelvo-picture.jpg";
    std::ofstream(path, std::ios::binary) << std::string(png.begin(), png.end());
    Bitmap b;
    // The braces call in order: the width is read after the decode.
    EXPECT_EQ((std::pair{DecodePictureFile(path, b), b.width}), std::pair(kOk, 3));
    std::remove(path.c_str());
    EXPECT_EQ((std::pair{DecodePictureFile(path, b), b.width}), std::pair(kErrFail, 0));
}

// The program's headless shots check its pixels; they never pass an empty picture or short rows.
TEST(PngWriterTest, RefusesAnEmptyPictureAndShortRows) {
    const std::uint16_t pixels[2] = {};
    VectorSink sink;
    EXPECT_FALSE(EncodeRgb565Png(pixels, 0, 1, 2, sink) || EncodeRgb565Png(pixels, 2, 1, 2, sink));
}

// Records in short: X and Y the single-touch axes, T the touch button, x, y, i and s the
// multi-touch position, tracking id and slot, each with its value; S the end of a report, M of a
// contact (without slots); kCODE=VALUE a key (42 left Shift, 30 A, 16 Q, 11 0, 28 Enter, 103 Up,
// 68 F10, 272 the left button, 113 Mute). Keys and characters are said in hexadecimal. The panel
// is 320 x 240 pixels showing the screen turned, read 0..319 and 0..239, so that a reading is a
// pixel; or (large) 490 x 650 showing it upright at twice its size, 5 pixels in, read 0..4095.
TEST(EvdevDecoderTest, TheFirstContactIsTheStylusAndKeysTypeAsOnADesktop) {
    const std::map<char, std::pair<int, int>> kinds = {
        {'X', {EV_ABS, ABS_X}},
        {'Y', {EV_ABS, ABS_Y}},
        {'T', {EV_KEY, BTN_TOUCH}},
        {'x', {EV_ABS, ABS_MT_POSITION_X}},
        {'y', {EV_ABS, ABS_MT_POSITION_Y}},
        {'i', {EV_ABS, ABS_MT_TRACKING_ID}},
        {'s', {EV_ABS, ABS_MT_SLOT}},
        {'S', {EV_SYN, SYN_REPORT}},
        {'M', {EV_SYN, SYN_MT_REPORT}},
    };
    TouchCalibration exact{.xMin = 0, .xMax = 319, .yMin = 0, .yMax = 239};
    TouchCalibration turned = exact;
    turned.swap = turned.invertX = true;
    const struct {
        TouchCalibration calibration;
        bool large;
        const char *records, *events;
    } cases[] = {
        // A report that moves nothing gives no event.
        {exact, false, "X10 Y20 T1 S X12 S S T0 S", "down 10,20 move 12,20 up 12,20"},
        // A second finger neither moves the stylus nor takes over when the first lifts.
        {exact, false, "i1 x5 y6 S s1 i2 x99 S s0 y7 S i-1 S s1 x98 S", "down 5,6 move 5,7 up 5,7"},
        // Without slots the first contact of each report counts; a report without one lifts.
        {exact, false, "x7 y8 M x50 M S x9 M S S", "down 7,8 move 9,8 up 9,8"},
        // Swapped and inverted axes; a reading beyond the range is held at its edge.
        {turned, false, "X30 Y400 T1 S", "down 0,22"},
        // The pixels left of and below the screen are outside it.
        {{}, true, "X34 Y4095 T1 S X2048 Y2048 S", "down -1,322 move 120,160"},
        // Shift for capitals, repeats marked, buttons and unknown keys ignored.
        {exact, false, "k42=1 k30=1 k30=2 k30=0 k42=0 k16=1 k11=1 k28=1 k103=1 k68=1 k272=1 k113=1",
         "key 10 key 41 char 41 key 41r char 41 up 41 up 10 key 51 char 71 key 30 char 30 key d "
         "char d key 26 key 79"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.records);
        const WindowLayout layout =
            c.large ? FitScreen(490, 650, 240, 320) : FitScreen(320, 240, 320, 240);
        EvdevDecoder decoder(c.calibration, layout, c.large ? 490 : 320, c.large ? 650 : 240);
        std::deque<WindowEvent> events;
        std::istringstream records(c.records);
        for (std::string r; records >> r;) {
            const bool key = r[0] == 'k';
            const auto [type, code] =
                key ? std::pair(EV_KEY, std::stoi(r.substr(1))) : kinds.at(r[0]);
            const std::string value = key ? r.substr(r.find('=') + 1) : r.substr(1);
            decoder.Feed(static_cast<std::uint16_t>(type), static_cast<std::uint16_t>(code),
                         value.empty() ? 0 : std::stoi(value), events);
        }
        std::string said;
        for (const WindowEvent& e : events) {
            using T = WindowEvent::Type;
            char text[32];
            if (e.type == T::KeyDown || e.type == T::KeyUp || e.type == T::Char)
                std::snprintf(text, sizeof text, "%s %x%s",
                              e.type == T::KeyDown ? "key"
                              : e.type == T::KeyUp ? "up"
                                                   : "char",
                              e.type == T::Char ? unsigned{e.character} : e.key,
                              e.repeat ? "r" : "");
            else
                std::snprintf(text, sizeof text, "%s %d,%d",
                              e.type == T::StylusDown   ? "down"
                              : e.type == T::StylusMove ? "move"
                                                        : "up",
                              e.x, e.y);
            said += (said.empty() ? "" : " ") + std::string(text);
        }
        EXPECT_EQ(said, c.events);
    }
}

// Each pixel of the frame buffer after one frame: the screen's pixel (x + 3y) widened to 8 bits
// and cut to the channels' lengths at their places, alpha opaque; scaled and centred; rows at
// the line length; the border black.
TEST(FrameBufferTest, DrawsEachLayoutOfPixels) {
    const FrameBufferFormat rgb565 = {240, 320, 16, 512, {11, 5}, {5, 6}, {0, 5}, {}};
    const FrameBufferFormat bgr565 = {240, 330, 16, 480, {0, 5}, {5, 6}, {11, 5}, {}};
    const FrameBufferFormat argb = {481, 640, 32, 1924, {16, 8}, {8, 8}, {0, 8}, {24, 8}};
    test::TempFolder folder;
    for (const FrameBufferFormat& f : {rgb565, bgr565, argb}) {
        SCOPED_TRACE(f.height);
        std::string error;
        std::unique_ptr<FrameBuffer> fb = OpenFrameBuffer({folder / "fb", f, 0, nullptr}, error);
        ASSERT_TRUE(fb) << error;
        DirectDisplayProperties p;
        ASSERT_TRUE(fb->GetProperties(p) && fb->Open());
        EXPECT_EQ(p.width * 1000 + p.height, 240320u);
        std::uint8_t* frame = fb->BeginDraw();
        for (std::uint32_t y = 0; y < p.height; ++y)
            for (std::uint32_t x = 0; x < p.width; ++x) {
                const std::uint16_t value = static_cast<std::uint16_t>(x + 3 * y);
                std::memcpy(frame + y * static_cast<std::uint32_t>(p.yPitch) + 2 * x, &value, 2);
            }
        fb->EndDraw();
        const std::string bytes = ReadTextFile(folder / "fb");
        const int scale = f.width / 240, top = (f.height - 320 * scale) / 2;
        int wrong = 0;
        for (int y = 0; y < f.height; ++y)
            for (int x = 0; x < f.width; ++x) {
                const int sx = x / scale, sy = (y - top) / scale;
                const unsigned v = sx < 240 && y >= top && sy < 320 ? sx + 3 * sy : 0;
                const unsigned r5 = v >> 11, g6 = (v >> 5) & 63, b5 = v & 31;
                const unsigned r = r5 << 3 | r5 >> 2, g = g6 << 2 | g6 >> 4, b = b5 << 3 | b5 >> 2;
                unsigned want = (r >> (8 - f.red.length)) << f.red.offset |
                                (g >> (8 - f.green.length)) << f.green.offset |
                                (b >> (8 - f.blue.length)) << f.blue.offset;
                want |= f.transp.length ? 0xFFu << f.transp.offset : 0;
                unsigned got = 0;
                std::memcpy(&got, bytes.data() + y * f.lineLength + x * f.bitsPerPixel / 8,
                            f.bitsPerPixel / 8);
                wrong += got != want;
            }
        EXPECT_EQ(wrong, 0);
        fs::remove(folder / "fb");
    }
}

// Devices that cannot be used are named with the reason, before anything is changed.
TEST(FrameBufferTest, RefusesWhatCannotBeAPanel) {
    test::TempFolder folder;
    std::string error;
    const auto open = [&](const std::string& path, const char* geometry, int rotation = -1) {
        std::optional<FrameBufferFormat> format;
        if (geometry && !ParseFrameBufferGeometry(geometry, format.emplace(), error))
            return error;
        return OpenFrameBuffer({path, format, rotation, nullptr}, error) ? "opened" : error;
    };
    const std::string fb = folder / "fb", fifo = folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<std::string, std::string> cases[] = {
        {open(folder / "none", nullptr), fb.substr(0, fb.size() - 2) + "none: No such file"},
        {open(fb, "240x320x8"), fb + ": a depth of 8 bits per pixel, which Brelvo cannot draw"},
        {open(fb, "320x240x16", 0),
         fb + ": the panel is 320x240 pixels; Brelvo needs 240x320 upright"},
        {open(fb, "200x400x16"), "the panel is 200x400 pixels"},
        {open(fb, nullptr),
         fb + ": a regular file stands for a frame buffer only with --fb-geometry"},
        {open(fifo, nullptr), fifo + ": not a frame-buffer device"},
        {open(fb, "320x240"),
         "--fb-geometry needs WIDTHxHEIGHTxDEPTH, for example 240x320x16, not"},
        {open(fb, "320x240x16", -1), "opened"},
    };
    for (const auto& [said, expected] : cases)
        EXPECT_NE(said.find(expected), std::string::npos) << said;

    const auto input = [&](const std::string& path) {
        PanelWindowOptions options;
        options.touchPath = fifo;
        options.keysPath = path;
        return OpenPanelWindow(options, error) ? "opened" : error;
    };
    EXPECT_EQ(input(""), "opened");
    EXPECT_EQ(input("/dev/null"), "/dev/null: not an input device (/dev/input/eventN)");
    EXPECT_EQ(input(folder / "none"), folder / "none: No such file or directory");
    // As root every file can be read: an unprivileged child meets the permission.
    std::ofstream(fb) << "";
    ASSERT_EQ(::chmod(fb.c_str(), 0), 0);
    ASSERT_EQ(::chmod(folder.Path().c_str(), 0755) | ::chmod(fifo.c_str(), 0666), 0);
    const int status = test::RunInChild([&] {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            return 2;
        return input(fb) == fb + ": Permission denied" ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
}

} // namespace
} // namespace brelvo::platform
