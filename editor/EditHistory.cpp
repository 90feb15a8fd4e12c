#include "editor/EditHistory.h"

#include "gfx/Blit.h"

#include <algorithm>

namespace brelvo {

EditHistory::EditHistory(Surface& picture, std::recursive_mutex& globalLock)
    : m_picture(picture), m_lock(globalLock) {}

bool EditHistory::copy(const Surface& src, Surface& dst) {
    // An empty picture copies as an empty state.
    if (!src.GetPixels())
        return Succeeded(dst.Release());
    // With the size unchanged the buffer is reused, which cannot fail. Otherwise the copy is
    // made aside and only a complete one replaces dst: running out of memory leaves dst whole.
    if (dst.GetPixels() && dst.OwnsPixels() && dst.GetWidth() == src.GetWidth() &&
        dst.GetHeight() == src.GetHeight())
        return Succeeded(CopySurface(src, dst));
    Surface fresh;
    if (Failed(CopySurface(src, fresh)))
        return false;
    dst = std::move(fresh);
    return true;
}

void EditHistory::report(EditCommand command, bool available) {
    if (m_observer)
        m_observer->commandAvailable(command, available);
}

void EditHistory::restore(const Surface& from) {
    if (copy(from, m_picture) && m_observer)
        m_observer->pictureReplaced();
}

void EditHistory::load() {
    std::lock_guard lock(m_lock);
    setBase();
    undoAll();
    report(EditCommand::Undo, false);
    report(EditCommand::Redo, false);
    report(EditCommand::UndoAll, false);
}

void EditHistory::adopt(Surface&& base, Surface&& first) {
    std::lock_guard lock(m_lock);
    m_pendingCommit = false;
    m_base = std::move(base);
    m_snapshots[0] = std::move(first);
    m_count = 1;
    m_current = 0;
    m_overflowed = false;
    report(EditCommand::Undo, false);
    report(EditCommand::Redo, false);
    report(EditCommand::UndoAll, false);
}

void EditHistory::setBase() {
    std::lock_guard lock(m_lock);
    copy(m_picture, m_base);
}

void EditHistory::commit() {
    std::lock_guard lock(m_lock);
    m_pendingCommit = false;
    // A new state cuts off every state that Redo could have reached. When all four are in use,
    // the oldest is dropped: its buffer receives the new state and moves to the end.
    int count = m_current + 1;
    int current = m_current;
    const bool drop = count >= kMaxSnapshots;
    auto slot = m_snapshots.begin() + (drop ? 0 : count);
    // Without memory for the new state the history stays exactly as it was.
    if (!copy(m_picture, *slot))
        return;
    if (drop) {
        std::rotate(m_snapshots.begin(), m_snapshots.begin() + 1, m_snapshots.begin() + count);
        --count;
        --current;
        m_overflowed = true;
    }
    m_count = count + 1;
    m_current = current + 1;
    report(EditCommand::Undo, true);
    report(EditCommand::Redo, false);
    report(EditCommand::UndoAll, true);
}

void EditHistory::undo() {
    std::lock_guard lock(m_lock);
    if (m_current > 0)
        --m_current;
    if (m_current >= 0)
        restore(m_snapshots[static_cast<std::size_t>(m_current)]);
    if (m_current == 0) {
        report(EditCommand::Undo, false);
        if (!m_overflowed)
            report(EditCommand::UndoAll, false);
    }
    report(EditCommand::Redo, true);
}

void EditHistory::redo() {
    std::lock_guard lock(m_lock);
    if (m_current < m_count - 1)
        ++m_current;
    if (m_current >= 0)
        restore(m_snapshots[static_cast<std::size_t>(m_current)]);
    if (m_current == m_count - 1)
        report(EditCommand::Redo, false);
    report(EditCommand::Undo, true);
    report(EditCommand::UndoAll, true);
}

void EditHistory::undoAll() {
    std::lock_guard lock(m_lock);
    m_count = 0;
    m_current = -1;
    restore(m_base);
    commit();
    report(EditCommand::UndoAll, false);
    m_overflowed = false;
}

} // namespace brelvo
