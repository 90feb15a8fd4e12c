#include "platform/Event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace brelvo::platform {
namespace {

using namespace std::chrono_literals;
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

} // namespace
} // namespace brelvo::platform
