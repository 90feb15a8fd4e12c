#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

namespace brelvo {

// The screens, by the state that selects them.
namespace state {
inline constexpr std::int32_t kNone = 0;
inline constexpr std::int32_t kStartup = 1;
inline constexpr std::int32_t kEditor = 2;
inline constexpr std::int32_t kTitle = 3;
inline constexpr std::int32_t kBrowser = 4;
inline constexpr std::int32_t kUnused = 5;
inline constexpr std::int32_t kSave = 6;
inline constexpr std::int32_t kConfirm = 7;
inline constexpr std::int32_t kHelp = 8;
inline constexpr std::int32_t kExit = 9;
inline constexpr std::int32_t kCount = 10;
} // namespace state

// Which screen is active, and the one switch that may be waiting to happen. A screen asks for
// another with SetState and a delay in frames, usually the frames its pressed-button feedback
// still needs; the frame loop's Tick carries the switch out when the delay has run down.
//
// The first request wins: while a switch is pending every further request is dropped, so two
// handlers that react to the same tap cannot send the program two ways at once.
//
// SetState may be called from either thread (handlers on the window thread, drawing on the
// primary thread); Tick only from the frame loop. GetState is read by the event dispatchers
// without the program's lock, so the current state is atomic.
class StateMachine {
public:
    std::int32_t GetState() const { return m_current.load(); }
    // Records the request unless a switch is already pending.
    void SetState(std::int32_t state, std::int32_t delayFrames);
    // Once a frame: counts the delay down, or, when it has run out, switches. A request with
    // delay d takes effect at the (d + 1)-th tick after it.
    void Tick();
    bool IsPending() const;
    // Back to state 0 with nothing pending.
    void Reset();

private:
    mutable std::mutex m_lock;
    std::int32_t m_requested = 0;
    std::atomic<std::int32_t> m_current{0};
    bool m_pending = false;
    std::int32_t m_delay = 0;
};

} // namespace brelvo
