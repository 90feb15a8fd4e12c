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
    m_secondsPerFrame = 0;
    m_averageFps = 0;
    m_targetFps = 0;
    m_lastFrameTicks = 0;
    m_frameCount = 0;
    m_ticksPerFrame = 0;
    m_startCounter = 0;
    m_frequency = 0;
    m_lastCounter = 0;
    m_deadline = 0;
}

HResult FrameTimer::Start(std::uint32_t fps) {
    Clear();
    m_targetFps = fps;
    if (fps == 0)
        return kErrInvalidArg;
    std::uint64_t frequency = 0;
    std::uint64_t now = 0;
    if (!m_clock->Frequency(frequency) || frequency == 0 || !m_clock->Counter(now))
        return kErrNoCounter;

    m_frequency = frequency;
    m_startCounter = now;
    m_secondsPerFrame = 1.0f / static_cast<float>(fps);
    // The period is computed in single precision and truncated, so that the pacing is the same
    // whichever counter resolution the clock has; a period beyond 32 bits is capped.
    const float ticks = static_cast<float>(frequency) * m_secondsPerFrame;
    m_ticksPerFrame = ticks >= 4294967040.0f ? 0xFFFFFF00u : static_cast<std::uint32_t>(ticks);
    m_lastCounter = now;
    m_deadline = now + m_ticksPerFrame;
    return kOk;
}

void FrameTimer::BeginFrame(std::uint64_t now) {
    m_lastCounter = now;
    m_deadline = now + m_ticksPerFrame;
    ++m_frameCount;
}

HResult FrameTimer::WaitFrame() {
    std::uint64_t now = 0;
    // A clock that lost its counter reads as 0, which is never before a cleared deadline.
    if (!m_clock->Counter(now))
        now = 0;
    m_lastFrameTicks = static_cast<std::uint32_t>(now - m_lastCounter);
    if (now >= m_deadline || m_frequency == 0) {
        BeginFrame(now);
        return kInfoLateFrame;
    }
    const std::uint64_t ms = (m_deadline - now) * 1000u / m_frequency;
    m_clock->SleepMs(static_cast<std::uint32_t>(std::min<std::uint64_t>(ms, 0xFFFFFFFFu)));
    // The next period is measured from the moment of waking, not from the old deadline.
    if (!m_clock->Counter(now))
        now = m_deadline;
    BeginFrame(now);
    return kOk;
}

HResult FrameTimer::Poll() {
    std::uint64_t now = 0;
    if (!m_clock->Counter(now))
        now = 0;
    if (now < m_deadline)
        return kInfoLateFrame;
    m_lastFrameTicks = static_cast<std::uint32_t>(now - m_lastCounter);
    BeginFrame(now);
    return kOk;
}

void FrameTimer::AverageFps(float* out) {
    if (m_lastFrameTicks != 0 && m_frequency != 0) {
        const float rate = static_cast<float>(m_frequency) / static_cast<float>(m_lastFrameTicks);
        m_averageFps = (m_averageFps + rate) / 2.0f;
    } else {
        m_averageFps = 0;
    }
    if (out)
        *out = std::min(m_averageFps, static_cast<float>(m_targetFps));
}

void FrameTimer::LastFrameSeconds(float* out) const {
    if (!out)
        return;
    if (m_averageFps != 0.0f && m_frequency != 0)
        *out = static_cast<float>(m_lastFrameTicks) / static_cast<float>(m_frequency);
    else
        *out = 0;
}

} // namespace brelvo
