#pragma once

#include "app/FrameClock.h"

namespace brelvo {

// The real clock: std::chrono::steady_clock in nanoseconds (frequency 1e9), which never jumps
// when the wall clock is set, and millisecond sleeps of the calling thread.
class SteadyFrameClock final : public FrameClock {
public:
    bool Frequency(std::uint64_t& ticksPerSecond) override;
    bool Counter(std::uint64_t& ticks) override;
    void SleepMs(std::uint32_t milliseconds) override;
};

} // namespace brelvo
