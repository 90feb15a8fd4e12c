#pragma once

#include "base/WString.h"
#include "editor/EditHistory.h"
#include "gfx/Surface.h"

#include <atomic>
#include <mutex>

namespace brelvo {

// The one picture the editor works on, its history, and what the save flow needs to know about
// it. The global lock is the application's; the document only uses it.
class ImageDocument {
public:
    explicit ImageDocument(std::recursive_mutex& globalLock)
        : history(picture, globalLock), m_lock(globalLock) {}

    std::recursive_mutex& globalLock() { return m_lock; }

    Surface picture;
    EditHistory history;
    // Set by every change to the picture, cleared once it has been saved. Read by the commands
    // that would replace or leave the picture.
    std::atomic<bool> changed{false};
    bool hasFile = false;
    WString path;

private:
    std::recursive_mutex& m_lock;
};

} // namespace brelvo
