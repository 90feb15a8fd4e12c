#include "editor/TrimTool.h"

#include "gfx/Blit.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace brelvo {

namespace {

// Along an edge a count of 4 drops before every pixel and flips the pen, which starts down,
// each time it runs out: 3 pixels drawn, then 4 skipped and 4 drawn in turn. Counting from the
// edge's first pixel keeps the dashes fixed to the edge while the view scrolls.
bool penDown(std::int64_t index) {
    return index < 3 || ((index - 3) / 4) % 2 == 1;
}

} // namespace

TrimTool::TrimTool(ImageDocument& document, ViewState& view)
    : m_clipboard(document.picture, m_selection),
      m_floating(document.picture, m_clipboard, document.globalLock()), m_document(document),
      m_view(view) {}

bool TrimTool::hasPicture() const {
    return m_document.picture.GetWidth() > 0 && m_document.picture.GetHeight() > 0;
}

void TrimTool::report(EditCommand command, bool available) {
    if (m_observer)
        m_observer->commandAvailable(command, available);
}

void TrimTool::touch(Point p) {
    std::lock_guard lock(m_document.globalLock());
    if (m_floating.isOnBlock(p)) {
        m_floating.grab(p);
        return;
    }
    m_floating.endDrag();
    m_selection.active = true;
    m_selection.corner1 = p;
    m_selection.corner2 = p;
    if (m_floating.settleFloating())
        m_document.history.commit();
}

void TrimTool::move(Point p) {
    std::lock_guard lock(m_document.globalLock());
    if (m_floating.isDragging())
        m_floating.dragTo(p);
    else if (m_selection.active)
        m_selection.corner2 = p;
}

void TrimTool::release(Point p, bool strokeBeganOnPicture) {
    std::lock_guard lock(m_document.globalLock());
    m_floating.endDrag();
    if (!strokeBeganOnPicture || !m_selection.active)
        return;
    m_selection.corner2 = p;
    report(EditCommand::Cut, true);
    report(EditCommand::Copy, true);
    report(EditCommand::Crop, true);
    if (m_selection.isFlat())
        clearSelection();
}

bool TrimTool::copyToClipboard() {
    if (!m_clipboard.copySelection())
        return false;
    report(EditCommand::Paste, true);
    return true;
}

void TrimTool::copySelection() {
    std::lock_guard lock(m_document.globalLock());
    if (hasPicture())
        copyToClipboard();
}

void TrimTool::cutSelection() {
    std::lock_guard lock(m_document.globalLock());
    if (!hasPicture())
        return;
    Surface& picture = m_document.picture;
    if (m_floating.isFloating()) {
        // Both the picture with the block and the picture without it become history states,
        // so Undo brings the block back.
        Surface without;
        if (Failed(CopySurface(picture, without)))
            return;
        m_floating.settleFloating();
        m_document.history.commit();
        clearSelection();
        CopySurface(without, picture);
        m_document.history.commit();
        m_document.changed = true;
        return;
    }
    // The corners of a cleared selection are stale: without a selection nothing is cut.
    if (!m_selection.active || !copyToClipboard())
        return;
    const Rect r = m_selection.bounds();
    const std::int32_t left = std::max(r.left, 0), top = std::max(r.top, 0);
    const std::int32_t right = std::min(r.right, picture.GetWidth() - 1);
    const std::int32_t bottom = std::min(r.bottom, picture.GetHeight() - 1);
    for (std::int32_t y = top; y <= bottom && left <= right; ++y)
        std::fill_n(picture.Header().Row(y) + left, right - left + 1, ColorToPixel(0xFFFFFF));
    clearSelection();
    m_document.history.commit();
    m_document.changed = true;
}

void TrimTool::pasteClipboard() {
    std::lock_guard lock(m_document.globalLock());
    if (!hasPicture())
        return;
    if (m_observer)
        m_observer->selectTrimTool();
    if (m_clipboard.hasContent()) {
        if (m_floating.settleFloating())
            m_document.history.commit();
        m_floating.place(m_view.pictureFromScreen(m_view.viewLeft(), m_view.viewTop()));
        clearSelection();
        report(EditCommand::Cut, true);
        report(EditCommand::Crop, true);
    }
    m_document.changed = true;
}

void TrimTool::cropToSelection() {
    std::lock_guard lock(m_document.globalLock());
    if (!hasPicture())
        return;
    Surface& picture = m_document.picture;
    // A floating block wins over a selection: it is settled first, which clears the selection,
    // and then it is what remains of the picture.
    const bool block = m_floating.isFloating();
    if (!block && !m_selection.active)
        return;
    Surface cropped;
    const bool made = block ? Succeeded(CopySurface(m_clipboard.pixels(), cropped))
                            : Clipboard::copyRegion(picture, m_selection.bounds(), cropped);
    if (!made)
        return;
    cropped.SetColorKeyRaw(picture.GetColorKey());

    if (block) {
        m_floating.settleFloating();
        m_document.history.commit();
    }
    m_view.setScroll(0, 0);
    clearSelection();
    // The clipboard keeps what it held before the crop; when that is nothing, Paste has
    // nothing to place.
    if (!block)
        report(EditCommand::Paste, m_clipboard.hasContent());
    picture = std::move(cropped);
    m_view.updateZoomedSize();
    m_document.history.commit();
    m_floating.discard();
    m_document.changed = true;
}

void TrimTool::clearSelection() {
    std::lock_guard lock(m_document.globalLock());
    m_selection.active = false;
    report(EditCommand::Cut, false);
    report(EditCommand::Copy, false);
    report(EditCommand::Crop, false);
}

bool TrimTool::settleFloating() {
    return m_floating.settleFloating();
}

void TrimTool::reset() {
    std::lock_guard lock(m_document.globalLock());
    m_floating.discard();
    clearSelection();
}

void TrimTool::drawOverlays(Surface& screen) const {
    std::lock_guard lock(m_document.globalLock());
    if (m_selection.active)
        drawDashedRect(screen, m_selection.bounds());
    if (m_floating.isFloating()) {
        const Rect b = m_floating.bounds();
        drawDashedRect(screen, Rect(b.left - 1, b.top - 1, b.right + 1, b.bottom + 1));
    }
}

void TrimTool::drawDashedRect(Surface& screen, const Rect& rect) const {
    const std::int64_t left = m_view.zoomedFromPicture(rect.left);
    const std::int64_t top = m_view.zoomedFromPicture(rect.top);
    const std::int64_t right = m_view.zoomedFromPicture(rect.right);
    const std::int64_t bottom = m_view.zoomedFromPicture(rect.bottom);
    const std::int64_t scrollX = m_view.scrollX(), scrollY = m_view.scrollY();
    // Only positions strictly inside the visible part of the zoomed picture are drawn.
    const std::int64_t lowX = scrollX + 1, highX = scrollX + m_view.visibleWidth() - 1;
    const std::int64_t lowY = scrollY + 1, highY = scrollY + m_view.visibleHeight() - 1;
    const std::int64_t originX = m_view.viewLeft() - scrollX, originY = m_view.viewTop() - scrollY;
    auto plot = [&](std::int64_t x, std::int64_t y) {
        screen.SetPixel(static_cast<std::int32_t>(originX + x),
                        static_cast<std::int32_t>(originY + y), kOverlayColor);
    };
    auto horizontal = [&](std::int64_t y) {
        if (y < lowY || y > highY)
            return;
        for (std::int64_t x = std::max(left, lowX); x <= std::min(right, highX); ++x)
            if (penDown(x - left))
                plot(x, y);
    };
    auto vertical = [&](std::int64_t x) {
        if (x < lowX || x > highX)
            return;
        for (std::int64_t y = std::max(top, lowY); y <= std::min(bottom, highY); ++y)
            if (penDown(y - top))
                plot(x, y);
    };
    horizontal(top);
    horizontal(bottom);
    vertical(left);
    vertical(right);
}

} // namespace brelvo
