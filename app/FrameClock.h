#pragma once

#include <cstdint>

namespace brelvo {

// The tick counter and the sleep the frame timer paces frames with. It is an interface so that
// tests can drive the timer through late and early frames without waiting in real time.
class FrameClock {
public:
    virtual ~FrameClock() = default;

    // Ticks per second; false when the clock has no counter.
    virtual bool Frequency(std::uint64_t& ticksPerSecond) = 0;
    // The current tick count; false when the clock has no counter.
    virtual bool Counter(std::uint64_t& ticks) = 0;
    virtual void SleepMs(std::uint32_t milliseconds) = 0;
};

} // namespace brelvo
