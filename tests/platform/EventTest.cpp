#include "platform/Event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace brelvo::platform {
namespace {

using namespace std::chrono_literals;

TEST(EventTest, SetBeforeWaitIsNotLost) {
    Event event;
    event.Set();
    EXPECT_TRUE(event.WaitFor(0ms));
}

TEST(EventTest, UnsetEventTimesOut) {
    Event event;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(event.WaitFor(30ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);
}

// Each row: how many Sets come before the waits, and how many timed waits then succeed. The
// event does not count, so any number of Sets lets exactly one wait through.
TEST(EventTest, ResetsAfterReleasingOneWait) {
    struct Row {
        int sets;
        int released;
    };
    const Row rows[] = {{0, 0}, {1, 1}, {2, 1}, {5, 1}};
    for (const Row& row : rows) {
        Event event;
        for (int i = 0; i < row.sets; ++i)
            event.Set();
        int released = 0;
        for (int i = 0; i < 3; ++i)
            released += event.WaitFor(1ms) ? 1 : 0;
        EXPECT_EQ(released, row.released) << row.sets << " sets";
    }
}

TEST(EventTest, SetFromAnotherThreadWakesWait) {
    Event event;
    std::atomic<bool> setDone{false};
    std::thread setter([&] {
        std::this_thread::sleep_for(20ms);
        setDone.store(true);
        event.Set();
    });
    event.Wait();
    EXPECT_TRUE(setDone.load());
    setter.join();
    EXPECT_FALSE(event.WaitFor(0ms));
}

// Two threads wait and one Set arrives: exactly one of them must get through.
TEST(EventTest, OneSetReleasesOneOfTwoWaiters) {
    Event event;
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 2; ++i)
        waiters.emplace_back([&] {
            if (event.WaitFor(300ms))
                released.fetch_add(1);
        });
    std::this_thread::sleep_for(30ms);
    event.Set();
    for (auto& waiter : waiters)
        waiter.join();
    EXPECT_EQ(released.load(), 1);
}

// A ping-pong between two threads: every Set is consumed by exactly one Wait.
TEST(EventTest, PingPongLosesNoSignal) {
    Event ping;
    Event pong;
    constexpr int kRounds = 200;
    std::thread partner([&] {
        for (int i = 0; i < kRounds; ++i) {
            // A bounded wait, so that a lost signal fails the test instead of hanging it.
            if (!ping.WaitFor(5s))
                return;
            pong.Set();
        }
    });
    int answered = 0;
    for (int i = 0; i < kRounds; ++i) {
        ping.Set();
        if (!pong.WaitFor(5s))
            break;
        ++answered;
    }
    partner.join();
    EXPECT_EQ(answered, kRounds);
}

} // namespace
} // namespace brelvo::platform
