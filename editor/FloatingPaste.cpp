#include "editor/FloatingPaste.h"

#include "gfx/Blit.h"

#include <algorithm>

namespace brelvo {

namespace {

std::int32_t clampedInt(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

} // namespace

FloatingPaste::FloatingPaste(Surface& picture, const Clipboard& clipboard,
                             std::recursive_mutex& globalLock)
    : m_clipboard(clipboard), m_picture(picture), m_lock(globalLock) {}

Rect FloatingPaste::bounds() const {
    const Surface& block = m_clipboard.pixels();
    return Rect(m_position.x, m_position.y,
                clampedInt(std::int64_t{m_position.x} + block.GetWidth() - 1),
                clampedInt(std::int64_t{m_position.y} + block.GetHeight() - 1));
}

void FloatingPaste::place(Point position) {
    std::lock_guard lock(m_lock);
    m_position = position;
    m_floating = true;
    m_dragging = false;
}

bool FloatingPaste::isOnBlock(Point p) const {
    const Surface& block = m_clipboard.pixels();
    const std::int64_t x = p.x, y = p.y;
    return m_floating && m_position.x - std::int64_t{1} <= x &&
           x < std::int64_t{m_position.x} + block.GetWidth() + 1 &&
           m_position.y - std::int64_t{1} <= y &&
           y < std::int64_t{m_position.y} + block.GetHeight() + 1;
}

void FloatingPaste::grab(Point p) {
    m_dragging = true;
    m_grab = p;
}

void FloatingPaste::dragTo(Point p) {
    std::lock_guard lock(m_lock);
    m_position = Point(clampedInt(std::int64_t{m_position.x} + p.x - m_grab.x),
                       clampedInt(std::int64_t{m_position.y} + p.y - m_grab.y));
    m_grab = p;
}

bool FloatingPaste::settleFloating() {
    std::lock_guard lock(m_lock);
    if (!m_floating)
        return false;
    m_floating = false;
    m_dragging = false;
    if (m_clipboard.pixels().GetPixels() && m_picture.GetPixels())
        Blit(m_picture, m_position.x, m_position.y, m_clipboard.pixels(), nullptr, BLT_KEYED);
    return true;
}

void FloatingPaste::discard() {
    std::lock_guard lock(m_lock);
    m_floating = false;
    m_dragging = false;
}

void FloatingPaste::drawFloating(Surface& part, std::int32_t sourceLeft,
                                 std::int32_t sourceTop) const {
    std::lock_guard lock(m_lock);
    if (!m_floating || !m_clipboard.pixels().GetPixels() || !part.GetPixels())
        return;
    // Drawn whole, key-coloured pixels included, so that the user sees the full rectangle the
    // block covers; only settling treats the key as transparent.
    Blit(part, clampedInt(std::int64_t{m_position.x} - sourceLeft),
         clampedInt(std::int64_t{m_position.y} - sourceTop), m_clipboard.pixels());
}

} // namespace brelvo
