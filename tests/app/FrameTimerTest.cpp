#include "app/FrameTimer.h"
#include "app/SteadyFrameClock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace brelvo {
namespace {

// A clock that moves only when told to; a sleep advances it by exactly the time slept.
class FakeClock final : public FrameClock {
public:
    bool Frequency(std::uint64_t& f) override { return (f = frequency), hasCounter; }
    bool Counter(std::uint64_t& t) override { return (t = now), hasCounter; }
    void SleepMs(std::uint32_t ms) override {
        sleeps.push_back(ms);
        now += ms * frequency / 1000u;
    }

    std::uint64_t frequency = 1000000;
    std::uint64_t now = 5000000;
    bool hasCounter = true;
    std::vector<std::uint32_t> sleeps;
};

// At 1 MHz and 60 frames a second a period is 16666 ticks, the true 16666.7 truncated. A frame
// ready early sleeps until its deadline, rounded down to whole milliseconds; a late one (the
// deadline itself is late) is reported, sleeps not at all and is not made up. Either way the next
// period starts at the moment the frame was accounted for, the waking or the late call, not at
// the old deadline.
TEST(FrameTimerTest, EarlyFramesSleepAndLateOnesAreNotMadeUp) {
    struct Step {
        std::uint64_t work; // ticks since the previous frame started
        HResult result;
        std::uint32_t sleepMs; // a late frame does not sleep at all
    };
    const Step steps[] = {{6666, kOk, 10}, {0, kOk, 16},
                          {16665, kOk, 0}, {6667, kOk, 9},
                          {16665, kOk, 0}, {100000, kInfoLateFrame, 0},
                          {16665, kOk, 0}, {16666, kInfoLateFrame, 0},
                          {10, kOk, 16}};
    FakeClock clock;
    FrameTimer timer(clock);
    ASSERT_EQ(timer.Start(60), kOk);
    for (const Step& s : steps) {
        SCOPED_TRACE(s.work);
        const std::uint64_t started = clock.now;
        clock.sleeps.clear();
        clock.now += s.work;
        EXPECT_EQ(timer.WaitFrame(), s.result);
        EXPECT_EQ(clock.sleeps, s.result == kOk ? std::vector<std::uint32_t>{s.sleepMs}
                                                : std::vector<std::uint32_t>{});
        EXPECT_EQ(clock.now, started + s.work + 1000u * s.sleepMs);
    }
}

// No counter, a counter without a frequency (even one that still counts) or a rate of 0: every
// wait is late and nothing sleeps.
TEST(FrameTimerTest, WithoutAPeriodEveryWaitIsLate) {
    const struct {
        bool counter;
        std::uint64_t frequency;
        std::uint32_t fps;
        HResult started;
    } cases[] = {{false, 1000000, 30, kErrNoCounter},
                 {true, 0, 30, kErrNoCounter},
                 {true, 1000000, 0, kErrInvalidArg}};
    for (const auto& c : cases) {
        FakeClock clock;
        clock.hasCounter = c.counter;
        clock.frequency = c.frequency;
        FrameTimer timer(clock);
        EXPECT_EQ(timer.Start(c.fps), c.started);
        for (int i = 0; i < 3; ++i, clock.now += 1000)
            EXPECT_EQ(timer.WaitFrame(), kInfoLateFrame);
        EXPECT_TRUE(clock.sleeps.empty());
    }
}

TEST(FrameTimerTest, SteadyClockCountsNanoseconds) {
    SteadyFrameClock clock;
    std::uint64_t f = 0, a = 0, b = 0;
    ASSERT_TRUE(clock.Frequency(f));
    EXPECT_EQ(f, 1000000000u);
    ASSERT_TRUE(clock.Counter(a));
    clock.SleepMs(2);
    ASSERT_TRUE(clock.Counter(b));
    EXPECT_GE(b - a, 2000000u);
}

} // namespace
} // namespace brelvo
