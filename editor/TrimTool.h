#pragma once

#include "base/Point.h"
#include "editor/Clipboard.h"
#include "editor/EditorObserver.h"
#include "editor/FloatingPaste.h"
#include "editor/ImageDocument.h"
#include "editor/TrimRect.h"
#include "editor/ViewState.h"
#include "gfx/Surface.h"

namespace brelvo {

// The Trim tool: a rectangle selected with the stylus, the clipboard, the pasted block that
// floats until it is settled, and the commands Copy, Cut, Paste and Crop. Stylus positions come
// in as picture points. Every change to the picture, the selection or the block holds the
// global lock, because the frame thread draws all three.
//
// While the picture is empty the commands do nothing. A block that cannot be allocated leaves
// the picture, the clipboard and the history as they were.
class TrimTool {
public:
    static constexpr Color kOverlayColor = 0xCACACA;

    TrimTool(ImageDocument& document, ViewState& view);
    void setObserver(EditorObserver* observer) { m_observer = observer; }

    // A touch on the picture grabs the floating block when it lands on it; anywhere else it
    // settles the block and starts a new selection.
    void touch(Point p);
    // The grabbed block, or the selection's second corner, follows the stylus.
    void move(Point p);
    // Ends a drag. When the stroke began on the picture, p becomes the selection's second
    // corner; a selection without width or height is cleared.
    void release(Point p, bool strokeBeganOnPicture);

    void copySelection();
    // Copies and whitens the selection; with a block floating, takes the block away again.
    void cutSelection();
    // Floats the clipboard's block at the view's top-left corner.
    void pasteClipboard();
    // Makes the selection, or else the floating block, the whole picture.
    void cropToSelection();
    void clearSelection();
    // Draws a floating block into the picture. The caller commits the history when it returns
    // true.
    bool settleFloating();
    // Forgets the block and the selection without drawing, for a picture being replaced.
    void reset();

    // The selection's edges and the frame around a floating block, dashed, over the view.
    void drawOverlays(Surface& screen) const;

    const TrimRect& selection() const { return m_selection; }
    const Clipboard& clipboard() const { return m_clipboard; }
    const FloatingPaste& floating() const { return m_floating; }

private:
    bool hasPicture() const;
    bool copyToClipboard();
    void report(EditCommand command, bool available);
    void drawDashedRect(Surface& screen, const Rect& rect) const;

    TrimRect m_selection;
    Clipboard m_clipboard;
    FloatingPaste m_floating;
    ImageDocument& m_document;
    ViewState& m_view;
    EditorObserver* m_observer = nullptr;
};

} // namespace brelvo
