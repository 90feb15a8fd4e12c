#pragma once

#include "base/Point.h"
#include "base/Rect.h"
#include "gfx/BitmapFont.h"
#include "gfx/Surface.h"
#include "ui/ListScrollBar.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brelvo {

class ResourceArchive;

// The list of a device folder that the browser and the save screen show: the parent row (below
// the root), the folders, then the files of the filter grouped by format, 15 pixels a row, with
// its scroll bar. Only the rows in view are drawn, with the pixels a surface of the whole list
// would have, and list positions are 64-bit, so a folder of any length is shown and scrolled
// alike.
//
// A change of folder takes effect two frames later, as the screens' designed rescan does: the
// frame after the change asks for a rescan, the next one makes it. The owner holds the lock
// around every call.
class FolderList {
public:
    static constexpr std::int32_t kRowHeight = 15;
    enum class Row { None, Parent, Folder, File };

    // Where the list and its scroll bar lie on the screen.
    struct Place {
        Rect window; // left, top and right; the height is given apart
        std::int32_t height = 0;
        std::int32_t trackX = 0;
        std::int32_t trackTop = 0;
        std::int32_t trackBottom = 0;
        Point upArrow; // both arrows are hit over 10 x 20 pixels from these corners
        Point downArrow;
    };

    // Loads the icons and the scroll bar's images and scans the root folder.
    void Initialise(ResourceArchive& archive, const Place& place, const BitmapFont& font);

    // Shows the files of one pattern ("*.jpg") or of every format ("all formats"), from the top.
    void SetFilter(const char16_t* filter);
    const std::u16string& Filter() const { return m_filter; }
    // Reads the folder again; the selection and the scroll position go back to the top.
    void Scan();
    // Asks for a rescan two frames from now, as after a change of folder.
    void FolderChanged() { m_folderChanged = true; }
    // Asks for a rescan on the next frame.
    void RequestRescan() { m_rescanRequested = true; }
    // Runs the delayed rescan at the start of a frame; true when the list was read again.
    bool BeginFrame();
    void Draw(Surface& target);

    const std::u16string& Folder() const { return m_folder; }
    std::int32_t RowCount() const;
    // Row kinds and names, None and empty outside the list.
    Row KindOf(std::int32_t row) const;
    std::u16string NameOf(std::int32_t row) const;
    std::int32_t Selected() const { return m_selected; }
    Row SelectedKind() const { return KindOf(m_selected); }
    // The device path of the selected file; empty when a file is not selected.
    std::u16string SelectedFile() const;
    std::int32_t ScrollOffset() const { return m_bar.Offset(); }

    // A tap: when it lies strictly inside the list (less the scroll bar's width while the bar
    // shows), selects the row under it, and a parent or folder row changes the folder. Returns
    // the kind of the tapped row (None past the last row), or nothing for a tap outside.
    std::optional<Row> Tap(std::int32_t x, std::int32_t y);
    // Enter on the selected row: the parent or the folder is entered; false on any other row.
    bool EnterSelected();
    // Up and Down: the previous or next row, scrolled into view.
    void SelectPrevious();
    void SelectNext();

    ListScrollBar& Bar() { return m_bar; }

private:
    void Enter(Row kind, const std::u16string& name);

    Place m_place;
    const BitmapFont* m_font = nullptr;
    Surface m_folderIcon;
    Surface m_fileIcon;
    Surface m_parentIcon;
    Surface m_part; // the rows in view, as the whole list's surface has them
    ListScrollBar m_bar;
    std::vector<std::u16string> m_parents;
    std::vector<std::u16string> m_folders;
    std::vector<std::u16string> m_files;
    std::u16string m_folder = u"\\";
    std::u16string m_filter = u"all formats";
    std::int32_t m_selected = 0;
    bool m_folderChanged = false;
    bool m_rescanRequested = false;
};

} // namespace brelvo
