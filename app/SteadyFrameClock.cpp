#include "app/SteadyFrameClock.h"

#include <chrono>
#include <thread>

namespace brelvo {

bool SteadyFrameClock::Frequency(std::uint64_t& ticksPerSecond) {
    ticksPerSecond = 1000000000u;
    return true;
}

bool SteadyFrameClock::Counter(std::uint64_t& ticks) {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    ticks = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
    return true;
}

void SteadyFrameClock::SleepMs(std::uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace brelvo
