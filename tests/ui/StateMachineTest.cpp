#include "ui/StateMachine.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace brelvo {
namespace {

TEST(StateMachineTest, ARequestTakesEffectAtTheTickAfterItsDelay) {
    struct Case {
        std::vector<std::pair<std::int32_t, std::int32_t>> requests; // made before the first tick
        std::vector<std::int32_t> states;                            // after ticks 1, 2, ...
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
    for (const Case& c : cases) {
        StateMachine machine;
        for (const auto& [s, delay] : c.requests)
            machine.SetState(s, delay);
        std::vector<std::int32_t> states;
        for (std::size_t i = 0; i < c.states.size(); ++i) {
            machine.Tick();
            states.push_back(machine.GetState());
        }
        EXPECT_EQ(states, c.states);
        // Once the switch has happened, a new request is heard.
        machine.SetState(6, 0);
        machine.Tick();
        EXPECT_EQ(machine.GetState(), 6);
    }
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
