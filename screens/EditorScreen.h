#pragma once

#include "editor/EditorObserver.h"
#include "editor/HookTool.h"
#include "editor/ImageDocument.h"
#include "editor/RadialWarpTool.h"
#include "editor/TrimTool.h"
#include "editor/ViewState.h"
#include "screens/ToolPanel.h"
#include "ui/Button.h"
#include "ui/MenuBar.h"
#include "ui/Screen.h"
#include "ui/ScreenContext.h"
#include "ui/ScrollBar.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace brelvo {

// A scroll bar of the picture view: its steps are the view's scroll steps and its thumb follows
// the view's offset.
class ViewScrollBar final : public ScrollBar {
public:
    ViewScrollBar(Axis axis, ViewState& view) : ScrollBar(axis), m_view(view) {}
    void Sync() override;
    void StepUp() override;
    void StepDown() override;

private:
    ViewState& m_view;
};

// The circle that shows where a warp tool acts and how large it is.
struct ToolCursor {
    bool on = false;
    Point at;
    std::int32_t size = 0;
};

// The editor (state 2): the picture in its view, the menu bar, the tool bar with the history
// arrows, the options panel and the scroll bars. It routes the stylus to the tools, runs the
// commands of the menus and buttons, and hands over to the other screens.
//
// Every handler runs with the context's lock held by the controller; the warp computations
// alone run without it (ScreenContext::Unlocked), while the frame thread keeps drawing the busy
// indicator.
class EditorScreen final : public Screen, private EditorObserver {
public:
    // Which of the other screens the program has. A command that would lead to a missing one is
    // shown unavailable; a question without its dialog is not asked.
    struct Neighbours {
        bool browser = false;
        bool saveScreen = false;
        bool help = false;
        // Prepares the browser for a visit; called by the Open command before the switch.
        std::function<void()> resetBrowser;
        // Prepares help for a visit: its index, from the top.
        std::function<void()> resetHelp;
        // Prepares the save screen for a visit from Save as: an empty name, nothing to do after
        // the save but return here.
        std::function<void()> resetSaveScreen;
        // Starts the confirmation dialog in a mode (DialogMode); the caller then requests its
        // state. Without it the program asks nothing, and leaves unsaved work alone where it
        // would have asked.
        std::function<void(std::int32_t mode)> startDialog;
    };

    // The questions of the confirmation dialog.
    enum DialogMode : std::int32_t {
        kAskOverwrite = 1,
        kAskBeforeQuitting = 2,
        kAskBeforeGallery = 3,
        kAskBeforeOpening = 4,
        kSaveError = 5,
    };

    EditorScreen(ScreenContext& context, Neighbours neighbours);
    ~EditorScreen() override;

    void Initialise(ResourceArchive& archive) override;
    void Draw(Surface& target) override;
    void StylusDown(std::int32_t x, std::int32_t y) override;
    void StylusUp(std::int32_t x, std::int32_t y) override;
    void StylusMove(std::int32_t x, std::int32_t y) override;
    void KeyDown(std::uint16_t key, const KeyMap& keys) override;
    void KeyUp(std::uint16_t key, const KeyMap& keys) override;
    void Char(char16_t character, std::uint32_t keyData) override;
    // Scrolls the view three scroll steps a wheel step.
    void Wheel(std::int32_t dx, std::int32_t dy) override;
    void ReleaseHeldKeys() override;
    // A stroke still under way ends as a stylus-up would, and the menus close.
    void Leave() override;

    // Nothing copied yet: Paste unavailable everywhere. The controller calls it at start-up.
    void ResetPaste();

    // The commands, as the menus, the buttons and the keys give them. delay is the frames the
    // choice's feedback still needs before another screen may show.
    void NextGalleryPicture(std::int32_t delay = 0);
    void Undo();
    void Redo();
    void UndoAll();
    void Cut();
    void Copy();
    void Paste();
    void Crop();
    void SelectTool(ToolId tool);
    void SelectToolAt(int position);
    void Exit(std::int32_t delay = 0);
    // Whether Exit would ask about unsaved changes rather than end the program.
    bool WouldAskBeforeLeaving() const {
        return m_document.changed.load() && static_cast<bool>(m_neighbours.startDialog);
    }
    // File > Save: writes the picture back to its own BMP file, or, for a picture without one,
    // goes on as Save as.
    void Save(std::int32_t delay = 0);
    // File > Save as: the save screen, where the user names the file.
    void SaveAs(std::int32_t delay = 0);
    // Whether the picture came from (or was saved to) a file whose extension is exactly "bmp" or
    // "BMP", which Save writes back to without asking.
    bool HasOwnBmpFile() const;
    // Writes the picture as a BMP file at a device path, with any floating block settled into
    // it first. On success the picture belongs to that file and has no unsaved changes; on
    // failure nothing about the picture changes, the reason goes to standard error and the
    // save-error dialog shows.
    HResult SavePicture(const std::u16string& devicePath);
    void ShowTitle(std::int32_t delay = 0);
    // Enters the browser, when the program has one.
    void Open(std::int32_t delay = 0);
    // Help > Help (and F1): the help screen's index, when the program has one.
    void ShowHelp(std::int32_t delay = 0);
    // Makes a decoded picture the document, opened from the file at devicePath: the history
    // starts afresh from the two copies of it the caller made (EditHistory::adopt), the view
    // goes back to the top-left corner, the menus close. The caller holds the lock; all three
    // surfaces are taken over. False (and nothing changed) for an empty picture.
    bool OpenPicture(Surface& picture, Surface& base, Surface& first,
                     const std::u16string& devicePath);
    void ScrollView(std::int32_t dx, std::int32_t dy);
    // Hides the tool bar and the options panel, or shows them again; the options panel stays
    // while Zoom is the current tool.
    void TogglePanels();
    bool ToolBarShown() const { return m_toolBarShown; }
    bool PanelShown() const { return m_panel.IsVisible(); }

    // The window's title: the picture's name with a mark while it has unsaved changes, or the
    // program's name alone before a picture is loaded.
    std::u16string Title() const;

    ImageDocument& Document() { return m_document; }
    const ViewState& View() const { return m_view; }
    ToolId CurrentTool() const { return m_current; }
    const ToolEntry& Entry(ToolId tool) const { return m_tools[static_cast<std::size_t>(tool)]; }
    ToolPanel::Mode ModeOf(ToolId tool) const { return m_panel.ModeOf(tool); }
    const MenuBar& Menus() const { return m_menuBar; }
    bool IsBusy() const { return m_busy.load(); }
    int GalleryIndex() const { return m_galleryIndex; }

    // The menus, by their place on the bar.
    static constexpr int kFileMenu = 0;
    static constexpr int kEditMenu = 1;
    static constexpr int kToolsMenu = 2;
    static constexpr int kHelpMenu = 3;

private:
    void commandAvailable(EditCommand command, bool available) override;
    void pictureReplaced() override;
    void selectTrimTool() override;

    void BuildMenus(ResourceArchive& archive);
    void SelectEntry(int position);
    bool HasPicture() const;
    // Draws a floating block into the picture and commits; false when there was none.
    bool SettleFloating();
    void EndStroke(std::int32_t x, std::int32_t y);
    void RunPanelCommand(ToolPanel::Command command);
    void DrawToolCursor(Surface& target);
    void DrawBusyIndicator(Surface& target);
    void UpdateBars();
    void ShowToolBar(bool shown);
    void ShowPanel(bool shown);
    std::int32_t MenuDelay(int menu) const;

    ScreenContext& m_context;
    Neighbours m_neighbours;
    ImageDocument m_document;
    ViewState m_view;
    HookTool m_hook;
    RadialWarpTool m_magnifier;
    RadialWarpTool m_gripper;
    TrimTool m_trim;

    MenuBar m_menuBar;
    ToolPanel m_panel;
    std::array<Button, kToolCount> m_toolButtons;
    Button m_undoArrow;
    Button m_redoArrow;
    Button m_undoAllArrow;
    std::array<Surface, 3> m_arrowsDisabled;
    ViewScrollBar m_horizontalBar;
    ViewScrollBar m_verticalBar;
    // The fractions the bars were last given; -1 before the first.
    std::array<double, 2> m_shownFractions{-1.0, -1.0};
    Surface m_background;      // with the scroll-bar tracks
    Surface m_backgroundPlain; // without them
    Surface m_toolNotAvailable;
    std::array<Surface, 3> m_gallery;
    int m_galleryIndex = -1;

    std::array<ToolEntry, kToolCount> m_tools;
    ToolId m_current = ToolId::Hook;
    bool m_toolBarShown = true;
    Point m_downPoint;
    Point m_cursorPoint;
    bool m_pictureTouched = false;
    ToolCursor m_cursor;
    std::array<bool, 4> m_scrollKeys{}; // left, right, up, down
    bool m_ctrl = false;
    bool m_shift = false;

    // Set by the window thread around a warp computation, read by the frame thread.
    std::atomic<bool> m_busy{false};
    int m_busyPhase = 0;
    int m_busyCountdown = 10;
};

} // namespace brelvo
