#pragma once

#include "app/FrameClock.h"
#include "base/Result.h"

#include <cstdint>

namespace brelvo {

// Paces the frame thread at a target rate. A frame that is ready early sleeps until its
// deadline; a frame that is late is reported and not made up, so a slow stretch never turns into
// a burst of frames afterwards: the next deadline is always one period after the moment the
// previous frame was accounted for.
class FrameTimer {
public:
    // Uses the process's steady clock.
    FrameTimer();
    // Uses the given clock, which must outlive the timer.
    explicit FrameTimer(FrameClock& clock) : m_clock(&clock) {}
    virtual ~FrameTimer() = default;

    // Restarts pacing at fps frames per second. Without a counter the result is kErrNoCounter and
    // the timer stays cleared, so every later wait reports a late frame and nothing sleeps. A
    // rate of 0 is refused with kErrInvalidArg in the same way.
    HResult Start(std::uint32_t fps);
    // Sleeps until the current frame's deadline: kOk after sleeping, kInfoLateFrame when the
    // deadline had already passed.
    HResult WaitFrame();

private:
    void Clear();

    FrameClock* m_clock;
    std::uint32_t m_ticksPerFrame = 0;
    std::uint64_t m_frequency = 0;
    std::uint64_t m_deadline = 0;
};

} // namespace brelvo
