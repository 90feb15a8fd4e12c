#include "ui/StateMachine.h"

namespace brelvo {

void StateMachine::SetState(std::int32_t state, std::int32_t delayFrames) {
    std::lock_guard lock(m_lock);
    if (m_pending)
        return;
    m_requested = state;
    m_delay = delayFrames;
    m_pending = true;
}

void StateMachine::Tick() {
    std::lock_guard lock(m_lock);
    if (!m_pending)
        return;
    if (m_delay > 0) {
        --m_delay;
        return;
    }
    m_current.store(m_requested);
    m_pending = false;
}

bool StateMachine::IsPending() const {
    std::lock_guard lock(m_lock);
    return m_pending;
}

void StateMachine::Reset() {
    std::lock_guard lock(m_lock);
    m_requested = 0;
    m_current.store(0);
    m_pending = false;
    m_delay = 0;
}

} // namespace brelvo
