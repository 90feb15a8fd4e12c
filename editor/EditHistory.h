#pragma once

#include "editor/EditorObserver.h"
#include "gfx/Surface.h"

#include <array>
#include <atomic>
#include <mutex>

namespace brelvo {

// Full copies of the working picture for Undo, Redo and Undo all: the picture as it was loaded
// (the base) and up to four states, oldest first. Every operation but the pending flag holds the
// global lock for its whole duration, so a frame never shows a half-copied picture; the lock is
// re-entered when load runs setBase and undoAll inside its caller's hold.
class EditHistory {
public:
    static constexpr int kMaxSnapshots = 4;

    EditHistory(Surface& picture, std::recursive_mutex& globalLock);
    void setObserver(EditorObserver* observer) { m_observer = observer; }

    // Makes the picture, which the caller has just replaced, the new document: base and
    // snapshot 0 become copies of it and every command is reported unavailable.
    void load();
    // load for a picture whose two copies (the base and the first state) the caller has made
    // beforehand, outside the lock: a large picture then holds the lock only for the hand-over.
    // Each copy must equal the picture; both are taken over.
    void adopt(Surface&& base, Surface&& first);
    void setBase();
    void commit();
    void undo();
    void redo();
    void undoAll();

    // A warp stroke marks the history at its touch; the release commits when it is marked.
    // Written on the event thread and read anywhere, without the lock.
    void markPending() { m_pendingCommit = true; }
    bool isPending() const { return m_pendingCommit; }

    int count() const { return m_count; }
    int current() const { return m_current; }
    bool overflowed() const { return m_overflowed; }
    const Surface& base() const { return m_base; }
    const Surface& snapshot(int i) const { return m_snapshots[static_cast<std::size_t>(i)]; }

private:
    // Copies src into dst; false (dst as it was, or without pixels) when memory ran out.
    static bool copy(const Surface& src, Surface& dst);
    void restore(const Surface& from);
    void report(EditCommand command, bool available);

    std::atomic<bool> m_pendingCommit{false};
    int m_count = 0;
    int m_current = -1;
    bool m_overflowed = false;
    Surface m_base;
    std::array<Surface, kMaxSnapshots> m_snapshots;
    Surface& m_picture;
    std::recursive_mutex& m_lock;
    EditorObserver* m_observer = nullptr;
};

} // namespace brelvo
