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
    // The same bookkeeping without sleeping: kOk when a new frame is due (and starts it),
    // kInfoLateFrame when it is not due yet.
    HResult Poll();

    // A running average of the frame rate, updated by each call and capped at the target rate.
    void AverageFps(float* out);
    // The length of the last frame in seconds, or 0 while no average has been measured.
    void LastFrameSeconds(float* out) const;

    std::uint32_t TicksPerFrame() const { return m_ticksPerFrame; }
    std::uint32_t FrameCount() const { return m_frameCount; }

private:
    void Clear();
    // Starts the next frame at the counter reading now.
    void BeginFrame(std::uint64_t now);

    FrameClock* m_clock;
    float m_secondsPerFrame = 0;
    float m_averageFps = 0;
    std::uint32_t m_targetFps = 0;
    std::uint32_t m_lastFrameTicks = 0;
    std::uint32_t m_frameCount = 0;
    std::uint32_t m_ticksPerFrame = 0;
    std::uint64_t m_startCounter = 0;
    std::uint64_t m_frequency = 0;
    std::uint64_t m_lastCounter = 0;
    std::uint64_t m_deadline = 0;
};

} // namespace brelvo
