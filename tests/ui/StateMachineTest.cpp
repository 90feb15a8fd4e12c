#include "ui/StateMachine.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace brelvo {
namespace {

// The state after each of ticks calls of Tick, for a sequence of requests made before the first.
std::vector<std::int32_t>
StatesAfterTicks(const std::vector<std::pair<std::int32_t, std::int32_t>>& requests, int ticks) {
    StateMachine machine;
    for (const auto& [s, delay] : requests)
        machine.SetState(s, delay);
    std::vector<std::int32_t> states;
    for (int i = 0; i < ticks; ++i) {
        machine.Tick();
        states.push_back(machine.GetState());
    }
    return states;
}

TEST(StateMachineTest, ARequestTakesEffectAtTheTickAfterItsDelay) {
    struct Case {
        std::vector<std::pair<std::int32_t, std::int32_t>> requests;
        std::vector<std::int32_t> states; // after ticks 1, 2, ...
    };
    const Case cases[] = {
        // Delay 0: the new screen draws in the very next frame.
        {{{2, 0}}, {2, 2}},
        {{{2, 2}}, {0, 0, 2, 2}},
        // The first request wins; the second is lost, not queued.
        {{{4, 10}, {2, 0}}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4}},
        {{{3, 1}, {9, 0}, {2, 0}}, {0, 3, 3}},
        // A negative delay counts as none.
        {{{8, -5}}, {8}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StatesAfterTicks(c.requests, static_cast<int>(c.states.size())), c.states);
}

TEST(StateMachineTest, ANewRequestIsHeardOnceTheSwitchHasHappened) {
    StateMachine machine;
    machine.SetState(1, 0);
    machine.Tick();
    EXPECT_FALSE(machine.IsPending());
    // The start-up screen asks for the editor every frame; only its first request counts.
    for (int frame = 0; frame < 61; ++frame) {
        machine.SetState(2, 60);
        EXPECT_EQ(machine.GetState(), 1) << frame;
        machine.Tick();
    }
    EXPECT_EQ(machine.GetState(), 2);
    machine.SetState(6, 0);
    machine.Tick();
    EXPECT_EQ(machine.GetState(), 6);
}

TEST(StateMachineTest, RequestsFromTwoThreadsLeaveExactlyOneWinner) {
    for (int round = 0; round < 200; ++round) {
        StateMachine machine;
        std::thread a([&] { machine.SetState(4, 0); });
        std::thread b([&] { machine.SetState(7, 0); });
        a.join();
        b.join();
        machine.Tick();
        const std::int32_t s = machine.GetState();
        ASSERT_TRUE(s == 4 || s == 7) << s;
        EXPECT_FALSE(machine.IsPending());
    }
}

} // namespace
} // namespace brelvo
