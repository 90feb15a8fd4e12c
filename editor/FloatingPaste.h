#pragma once

#include "base/Point.h"
#include "base/Rect.h"
#include "editor/Clipboard.h"
#include "editor/FloatingLayer.h"
#include "gfx/Surface.h"

#include <cstdint>
#include <mutex>

namespace brelvo {

// A pasted block that floats over the picture, shown but not yet part of it, until it is
// settled. Its pixels are the clipboard's. The frame thread draws it, so every change to it
// holds the global lock.
class FloatingPaste : public FloatingLayer {
public:
    FloatingPaste(Surface& picture, const Clipboard& clipboard, std::recursive_mutex& globalLock);

    bool isFloating() const { return m_floating; }
    bool isDragging() const { return m_dragging; }
    Point position() const { return m_position; }
    // The picture pixels the block covers, edges included.
    Rect bounds() const;

    // Shows the clipboard's block with its top-left corner at position.
    void place(Point position);
    // A touch within one pixel of the block takes hold of it rather than starting a selection.
    bool isOnBlock(Point p) const;
    void grab(Point p);
    // The block follows the stylus by the distance it moved since the last grab or drag.
    void dragTo(Point p);
    void endDrag() { m_dragging = false; }

    // Draws the block into the picture, keyed and clipped, and lets it go. False when no block
    // was floating.
    bool settleFloating();
    // Lets the block go without drawing it, for a picture that is being replaced.
    void discard();

    void drawFloating(Surface& part, std::int32_t sourceLeft,
                      std::int32_t sourceTop) const override;

private:
    Point m_position;
    const Clipboard& m_clipboard;
    bool m_floating = false;
    bool m_dragging = false;
    Point m_grab;
    Surface& m_picture;
    std::recursive_mutex& m_lock;
};

} // namespace brelvo
