#include "app/FrameTimer.h"
#include "app/SteadyFrameClock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace brelvo {
namespace {

// A clock that moves only when told to. A sleep advances it by exactly the time slept plus an
// optional oversleep, as a scheduler that wakes the thread a little late would.
class FakeClock final : public FrameClock {
public:
    bool Frequency(std::uint64_t& f) override {
        f = frequency;
        return hasCounter;
    }
    bool Counter(std::uint64_t& t) override {
        t = now;
        return hasCounter;
    }
    void SleepMs(std::uint32_t ms) override {
        sleeps.push_back(ms);
        now += ms * frequency / 1000u + oversleepTicks;
    }

    std::uint64_t frequency = 1000000;
    std::uint64_t now = 5000000;
    std::uint64_t oversleepTicks = 0;
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
    EXPECT_EQ(timer.FrameCount(), std::size(steps));
}

TEST(FrameTimerTest, WithoutCounterEveryWaitIsLate) {
    FakeClock clock;
    clock.hasCounter = false;
    FrameTimer timer(clock);
    EXPECT_EQ(timer.Start(30), kErrNoCounter);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(timer.WaitFrame(), kInfoLateFrame);
    EXPECT_TRUE(clock.sleeps.empty());
    EXPECT_EQ(timer.TicksPerFrame(), 0u);

    // A counter without a frequency is no counter either, even when it still counts.
    FakeClock noFrequency;
    noFrequency.frequency = 0;
    FrameTimer second(noFrequency);
    EXPECT_EQ(second.Start(30), kErrNoCounter);
    noFrequency.now += 1000;
    EXPECT_EQ(second.WaitFrame(), kInfoLateFrame);
    EXPECT_TRUE(noFrequency.sleeps.empty());

    FakeClock ok;
    FrameTimer zeroRate(ok);
    EXPECT_EQ(zeroRate.Start(0), kErrInvalidArg);
    EXPECT_EQ(zeroRate.WaitFrame(), kInfoLateFrame);
}

TEST(FrameTimerTest, PollReportsWhetherAFrameIsDue) {
    FakeClock clock;
    FrameTimer timer(clock);
    ASSERT_EQ(timer.Start(30), kOk);
    const std::uint64_t start = clock.now;
    struct Step {
        std::uint64_t at;
        HResult result;
        std::uint32_t frames;
    };
    const Step steps[] = {
        {start, kInfoLateFrame, 0}, {start + 33332, kInfoLateFrame, 0},
        {start + 33333, kOk, 1},    {start + 33333 + 10, kInfoLateFrame, 1},
        {start + 90000, kOk, 2},    {start + 90000 + 33333, kOk, 3},
    };
    for (const Step& s : steps) {
        clock.now = s.at;
        EXPECT_EQ(timer.Poll(), s.result) << s.at - start;
        EXPECT_EQ(timer.FrameCount(), s.frames) << s.at - start;
    }
    EXPECT_TRUE(clock.sleeps.empty());
}

TEST(FrameTimerTest, AverageFpsIsCappedAndLastFrameSecondsFollowsIt) {
    FakeClock clock;
    FrameTimer timer(clock);
    ASSERT_EQ(timer.Start(30), kOk);

    float fps = -1, seconds = -1;
    timer.AverageFps(&fps);
    timer.LastFrameSeconds(&seconds);
    EXPECT_EQ(fps, 0.0f); // no frame measured yet
    EXPECT_EQ(seconds, 0.0f);

    // A late frame of 50000 ticks is 20 frames per second; the average starts from 0, and the
    // frame's length is reported only once an average has been taken.
    clock.now += 50000;
    ASSERT_EQ(timer.WaitFrame(), kInfoLateFrame);
    timer.LastFrameSeconds(&seconds);
    EXPECT_EQ(seconds, 0.0f);
    timer.AverageFps(&fps);
    EXPECT_FLOAT_EQ(fps, 10.0f);
    timer.AverageFps(&fps);
    EXPECT_FLOAT_EQ(fps, 15.0f);
    timer.LastFrameSeconds(&seconds);
    EXPECT_FLOAT_EQ(seconds, 0.05f);

    // A frame finished in 10000 ticks runs at 100 per second (the sleep after it does not
    // count), but the report never exceeds the target.
    clock.now += 10000;
    ASSERT_EQ(timer.WaitFrame(), kOk);
    timer.LastFrameSeconds(&seconds);
    EXPECT_FLOAT_EQ(seconds, 0.01f);
    timer.AverageFps(&fps);
    EXPECT_EQ(fps, 30.0f); // (15 + 100) / 2, capped
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
