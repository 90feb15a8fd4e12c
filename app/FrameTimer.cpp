#include "app/FrameTimer.h"

#include "app/SteadyFrameClock.h"

#include <algorithm>

namespace brelvo {
namespace {

FrameClock& ProcessClock() {
    static SteadyFrameClock clock;
    return clock;
}

} // namespace

FrameTimer::FrameTimer() : m_clock(&ProcessClock()) {}

void FrameTimer::Clear() {
    m_ticksPerFrame = 0;
    m_frequency = 0;
    m_deadline = 0;
}

HResult FrameTimer::Start(std::uint32_t fps) {
    Clear();
    if (fps == 0)
        return kErrInvalidArg;
    std::uint64_t frequency = 0;
    std::uint64_t now = 0;
    if (!m_clock->Frequency(frequency) || frequency == 0 || !m_clock->Counter(now))
        return kErrNoCounter;

    m_frequency = frequency;
    // The period is computed in single precision and truncated, so that the pacing is the same
    // whichever counter resolution the clock has; a period beyond 32 bits is capped.
    const float ticks = static_cast<float>(frequency) * (1.0f / static_cast<float>(fps));
    m_ticksPerFrame = ticks >= 4294967040.0f ? 0xFFFFFF00u : static_cast<std::uint32_t>(ticks);
    m_deadline = now + m_ticksPerFrame;
    return kOk;
}

HResult FrameTimer::WaitFrame() {
    std::uint64_t now = 0;
    // A clock that lost its counter reads as 0, which is never before a cleared deadline.
    if (!m_clock->Counter(now))
        now = 0;
    if (now >= m_deadline || m_frequency == 0) {
        m_deadline = now + m_ticksPerFrame;
        return kInfoLateFrame;
    }
    const std::uint64_t ms = (m_deadline - now) * 1000u / m_frequency;
    m_clock->SleepMs(static_cast<std::uint32_t>(std::min<std::uint64_t>(ms, 0xFFFFFFFFu)));
    // The next period is measured from the moment of waking, not from the old deadline.
    if (!m_clock->Counter(now))
        now = m_deadline;
    m_deadline = now + m_ticksPerFrame;
    return kOk;
}

} // namespace brelvo
