#pragma once

namespace brelvo {

// The commands whose availability the editor core decides and the editor screen shows (as
// enabled or disabled menu items and panel buttons).
enum class EditCommand { Undo, Redo, UndoAll, Cut, Copy, Paste, Crop };

// What the editor core tells the screen that drives it. The editor screen implements it; tests
// and the command-line tool record or ignore the calls.
class EditorObserver {
public:
    virtual ~EditorObserver() = default;
    virtual void commandAvailable(EditCommand command, bool available) = 0;
    // The working picture was replaced by another of possibly another size (undo, redo, undo
    // all, crop): the view must recompute the zoomed size.
    virtual void pictureReplaced() {}
    // Paste makes Trim the current tool.
    virtual void selectTrimTool() {}
};

} // namespace brelvo
