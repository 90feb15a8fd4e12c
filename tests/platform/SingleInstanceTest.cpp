#include "platform/SingleInstance.h"
#include "platform/Event.h"

#include "tests/support/Subprocess.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace brelvo::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
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
    for (const std::optional<char> byte : {std::optional<char>(), std::optional<char>('x'),
                                           std::optional<char>(SingleInstance::kRaiseRequest)}) {
        const int fd = UnixSocket(SingleInstance::SocketPath(m_name), false);
        ASSERT_GE(fd, 0);
        if (byte) {
            ASSERT_EQ(::send(fd, &*byte, 1, MSG_NOSIGNAL), 1);
        }
        ::close(fd);
        const bool raises = byte == SingleInstance::kRaiseRequest;
        EXPECT_EQ(raised.WaitFor(raises ? 5s : 200ms), raises) << (byte ? int(*byte) : -1);
    }
}

// A later copy is told that another runs and asks it to raise its window, or to open the later
// copy's file. A path too long for a request is not sent as one, and a first copy without an
// open handler is raised instead.
TEST_F(SingleInstanceTest, ALaterCopyAsksTheFirstToRaiseOrToOpenItsFile) {
    Event opened, raised, otherRaised;
    std::string file;
    SingleInstance first, second, third, fourth, other, fifth;
    const auto open = [&](const std::string& path) {
        file = path;
        opened.Set();
    };
    ASSERT_EQ(first.Acquire(
                  m_name, [&] { raised.Set(); }, open),
              Outcome::First);
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

} // namespace
} // namespace brelvo::platform
