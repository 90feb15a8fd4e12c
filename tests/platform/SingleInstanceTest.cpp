#include "platform/SingleInstance.h"
#include "platform/Event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace brelvo::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Outcome = SingleInstance::Outcome;

// Every test runs with its own runtime folder and a name holding the process id, so parallel
// runs and a real copy of the program never meet.
class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_name = "test-" + std::to_string(::getpid()) + "-" + test;
        m_runtime = fs::temp_directory_path() / ("brelvo-run-" + std::to_string(::getpid()));
        fs::remove_all(m_runtime);
        fs::create_directories(m_runtime);
        fs::permissions(m_runtime, fs::perms::owner_all);
        if (const char* old = std::getenv("XDG_RUNTIME_DIR"))
            m_oldRuntime = old;
        ::setenv("XDG_RUNTIME_DIR", m_runtime.c_str(), 1);
    }
    void TearDown() override {
        if (m_oldRuntime)
            ::setenv("XDG_RUNTIME_DIR", m_oldRuntime->c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
        fs::remove_all(m_runtime);
    }

    // Binds a socket at the path and closes it, leaving the file behind as a crashed copy would.
    static void LeaveStaleSocket(const std::string& path) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(fd, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        ::close(fd);
    }

    std::string m_name;
    fs::path m_runtime;
    std::optional<std::string> m_oldRuntime;
};

TEST_F(SingleInstanceTest, SecondCopyIsToldAndFirstIsAskedToRaise) {
    Event raised;
    SingleInstance first;
    ASSERT_EQ(first.Acquire(m_name, [&] { raised.Set(); }), Outcome::First);
    EXPECT_TRUE(fs::exists(SingleInstance::SocketPath(m_name)));
    EXPECT_FALSE(raised.WaitFor(0ms));

    std::atomic<bool> secondCalled{false};
    SingleInstance second;
    EXPECT_EQ(second.Acquire(m_name, [&] { secondCalled.store(true); }), Outcome::AlreadyRunning);
    EXPECT_TRUE(raised.WaitFor(5s));

    // A third attempt asks again; every request reaches the first copy.
    SingleInstance third;
    EXPECT_EQ(third.Acquire(m_name, nullptr), Outcome::AlreadyRunning);
    EXPECT_TRUE(raised.WaitFor(5s));
    EXPECT_FALSE(secondCalled.load());
}

TEST_F(SingleInstanceTest, AfterTheFirstIsGoneANewOneIsFirst) {
    const std::string socketPath = SingleInstance::SocketPath(m_name);
    {
        SingleInstance first;
        ASSERT_EQ(first.Acquire(m_name, [] {}), Outcome::First);
    }
    EXPECT_FALSE(fs::exists(socketPath));
    Event raised;
    SingleInstance next;
    ASSERT_EQ(next.Acquire(m_name, [&] { raised.Set(); }), Outcome::First);
    SingleInstance later;
    EXPECT_EQ(later.Acquire(m_name, nullptr), Outcome::AlreadyRunning);
    EXPECT_TRUE(raised.WaitFor(5s));
}

TEST_F(SingleInstanceTest, StaleSocketDoesNotBlockANewFirst) {
    const std::string socketPath = SingleInstance::SocketPath(m_name);
    LeaveStaleSocket(socketPath);
    ASSERT_TRUE(fs::exists(socketPath));

    Event raised;
    SingleInstance first;
    ASSERT_EQ(first.Acquire(m_name, [&] { raised.Set(); }), Outcome::First);
    // The replaced socket must be live: a later copy reaches the new first one.
    SingleInstance second;
    EXPECT_EQ(second.Acquire(m_name, nullptr), Outcome::AlreadyRunning);
    EXPECT_TRUE(raised.WaitFor(5s));
}

TEST_F(SingleInstanceTest, DifferentNamesDoNotMeet) {
    SingleInstance a;
    SingleInstance b;
    EXPECT_EQ(a.Acquire(m_name + "-a", [] {}), Outcome::First);
    EXPECT_EQ(b.Acquire(m_name + "-b", [] {}), Outcome::First);
}

// Only the raise byte raises; a silent client or any other byte is ignored.
TEST_F(SingleInstanceTest, OnlyTheRaiseByteRaises) {
    Event raised;
    SingleInstance first;
    ASSERT_EQ(first.Acquire(m_name, [&] { raised.Set(); }), Outcome::First);
    struct Row {
        std::optional<char> byte;
        bool raises;
    };
    const Row rows[] = {
        {std::nullopt, false}, {'x', false}, {'\0', false}, {SingleInstance::kRaiseRequest, true}};
    for (const Row& row : rows) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(fd, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, SingleInstance::SocketPath(m_name).c_str(),
                     sizeof(address.sun_path) - 1);
        ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        if (row.byte) {
            ASSERT_EQ(::send(fd, &*row.byte, 1, MSG_NOSIGNAL), 1);
        }
        ::close(fd);
        EXPECT_EQ(raised.WaitFor(row.raises ? 5s : 200ms), row.raises)
            << "byte " << (row.byte ? static_cast<int>(*row.byte) : -1);
    }
}

// A later copy with a file hands it to the first, which opens it; without an open handler the
// first copy is at least raised.
TEST_F(SingleInstanceTest, ALaterCopyHandsItsFileToTheFirst) {
    Event opened;
    std::string file;
    SingleInstance first;
    ASSERT_EQ(first.Acquire(
                  m_name, [] {},
                  [&](const std::string& path) {
                      file = path;
                      opened.Set();
                  }),
              Outcome::First);
    const std::string path = "/home/u/Pictures/a b \xd0\x96.png";
    SingleInstance second;
    EXPECT_EQ(second.Acquire(m_name, nullptr, nullptr, path), Outcome::AlreadyRunning);
    ASSERT_TRUE(opened.WaitFor(5s));
    EXPECT_EQ(file, path);

    // A path too long for a request is not sent as one: the first copy is only raised.
    Event raised;
    SingleInstance other;
    ASSERT_EQ(other.Acquire(
                  m_name + "-x", [&] { raised.Set(); }, nullptr),
              Outcome::First);
    SingleInstance later;
    EXPECT_EQ(later.Acquire(m_name + "-x", nullptr, nullptr, std::string(5000, 'a')),
              Outcome::AlreadyRunning);
    EXPECT_TRUE(raised.WaitFor(5s));
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
    const fs::path tmp = m_runtime / "tmp";
    fs::create_directories(tmp);
    const char* oldTmp = std::getenv("TMPDIR");
    const std::optional<std::string> savedTmp =
        oldTmp ? std::optional<std::string>(oldTmp) : std::nullopt;
    ::setenv("TMPDIR", tmp.c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", "relative/run", 1);
    {
        SingleInstance first;
        EXPECT_EQ(first.Acquire(m_name, [] {}), Outcome::First);
        const fs::path folder = tmp / ("brelvo-" + std::to_string(::getuid()));
        EXPECT_EQ(SingleInstance::SocketPath(m_name),
                  (folder / ("brelvo-" + m_name + ".socket")).string());
        struct stat info {};
        ASSERT_EQ(::lstat(folder.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        SingleInstance second;
        EXPECT_EQ(second.Acquire(m_name, nullptr), Outcome::AlreadyRunning);
    }
    if (savedTmp)
        ::setenv("TMPDIR", savedTmp->c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}

} // namespace
} // namespace brelvo::platform
