#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace brelvo::platform {

// An auto-reset event: Set lets exactly one waiter through and the event is then clear again.
// A Set that comes before anyone waits is remembered, so a signal is never lost to a race
// between the two threads. Several Sets without a waiter in between count as one.
class Event {
public:
    Event() = default;
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    // Blocks until the event is set, then clears it.
    void Wait();
    // Like Wait, but gives up after the timeout; true when the event was set (and is now clear).
    bool WaitFor(std::chrono::milliseconds timeout);

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_signalled = false;
};

} // namespace brelvo::platform
