#include "platform/Event.h"

namespace brelvo::platform {

void Event::Set() {
    {
        std::lock_guard lock(m_mutex);
        m_signalled = true;
    }
    // One Set releases one waiter, so waking more would only make the rest sleep again.
    m_changed.notify_one();
}

void Event::Wait() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_signalled; });
    m_signalled = false;
}

bool Event::WaitFor(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    if (!m_changed.wait_for(lock, timeout, [this] { return m_signalled; }))
        return false;
    m_signalled = false;
    return true;
}

} // namespace brelvo::platform
