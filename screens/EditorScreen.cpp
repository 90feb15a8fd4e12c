#include "screens/EditorScreen.h"

#include "archive/ArtworkIds.h"
#include "archive/LoadArtwork.h"
#include "base/WString.h"
#include "gfx/BitmapFont.h"
#include "gfx/Blit.h"
#include "gfx/BmpWriter.h"
#include "platform/DeviceFiles.h"
#include "platform/VirtualKeys.h"
#include "screens/EditorView.h"
#include "screens/Layout.h"
#include "ui/StateMachine.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace brelvo {

namespace {

using namespace layout;

constexpr std::int32_t kBusyFrames = 10;
constexpr const char16_t* kBusyTexts[] = {u"Please wait .. \\", u"Please wait .. |",
                                          u"Please wait .. /", u"Please wait .. -"};
constexpr Point kBusyAt(85, 270);
// History arrows move up this much on a display with fewer rows.
constexpr std::int32_t kShortScreenArrowLift = 80;

// The modifier keys of the desktop shortcuts.
constexpr std::uint16_t kKeyShift = platform::vk::kShift;
constexpr std::uint16_t kKeyControl = platform::vk::kControl;

constexpr art::EntryId kToolImages[kToolCount][2] = {
    {art::kHookButton, art::kHookButtonPressed},
    {art::kMagnifierButton, art::kMagnifierButtonPressed},
    {art::kGripperButton, art::kGripperButtonPressed},
    {art::kZoomButton, art::kZoomButtonPressed},
    {art::kTrimButton, art::kTrimButtonPressed}};

constexpr art::EntryId kMenuImages[4][2] = {{art::kMenuFileHeader, art::kMenuFilePanel},
                                            {art::kMenuEditHeader, art::kMenuEditPanel},
                                            {art::kMenuToolsHeader, art::kMenuToolsPanel},
                                            {art::kMenuHelpHeader, art::kMenuHelpPanel}};

// Edit menu items, in order.
enum EditItem { kUndoItem, kRedoItem, kUndoAllItem, kCutItem, kCopyItem, kPasteItem, kCropItem };
// File menu items.
enum FileItem { kNewItem, kOpenItem, kSaveItem, kSaveAsItem, kExitItem };
// Help menu items.
enum HelpItem { kHelpItem, kAboutItem };

bool IsBright(Color c) {
    return (c & 0xFF) >= 201 && ((c >> 8) & 0xFF) >= 201 && ((c >> 16) & 0xFF) >= 201;
}

} // namespace

void ViewScrollBar::Sync() {
    const bool vertical = GetAxis() == Axis::Vertical;
    ViewState::Thumb thumb;
    thumb.length = ThumbLength();
    thumb.lowestCentre = LowestCentre();
    thumb.highestCentre = HighestCentre();
    SetThumbCentre(ViewState::thumbCentre(thumb, vertical ? m_view.verticalThumbPlacement()
                                                          : m_view.horizontalThumbPlacement()));
}

void ViewScrollBar::StepUp() {
    if (GetAxis() == Axis::Vertical)
        m_view.scrollUp();
    else
        m_view.scrollLeft();
}

void ViewScrollBar::StepDown() {
    if (GetAxis() == Axis::Vertical)
        m_view.scrollDown();
    else
        m_view.scrollRight();
}

EditorScreen::EditorScreen(ScreenContext& context, Neighbours neighbours)
    : m_context(context), m_neighbours(neighbours), m_document(context.lock),
      m_view(m_document.picture, context.lock, EditorViewPlacement(0)),
      m_hook(m_document.picture, context.lock),
      m_magnifier(RadialWarpTool::Kind::Magnifier, m_document.picture, context.lock),
      m_gripper(RadialWarpTool::Kind::Gripper, m_document.picture, context.lock),
      m_trim(m_document, m_view), m_horizontalBar(ScrollBar::Axis::Horizontal, m_view),
      m_verticalBar(ScrollBar::Axis::Vertical, m_view) {
    for (int i = 0; i < kToolCount; ++i)
        m_tools[static_cast<std::size_t>(i)].id = static_cast<ToolId>(i);
    m_document.history.setObserver(this);
    m_trim.setObserver(this);
}

EditorScreen::~EditorScreen() {
    m_document.history.setObserver(nullptr);
    m_trim.setObserver(nullptr);
}

void EditorScreen::Initialise(ResourceArchive& archive) {
    const std::int32_t d = m_context.OffsetY();
    m_view.setViewHeight(kViewHeight - d);

    LoadArtwork(archive, d != 0 ? art::kEditorBackgroundShort : art::kEditorBackground,
                m_background);
    LoadArtwork(archive, art::kEditorBackgroundPlain, m_backgroundPlain);
    LoadArtwork(archive, art::kToolNotAvailable, m_toolNotAvailable);
    const art::EntryId gallery[] = {art::kGalleryPicture1, art::kGalleryPicture2,
                                    art::kGalleryPicture3};
    for (std::size_t i = 0; i < m_gallery.size(); ++i)
        LoadArtwork(archive, gallery[i], m_gallery[i]);

    BuildMenus(archive);

    for (int i = 0; i < kToolCount; ++i) {
        Button& b = m_toolButtons[static_cast<std::size_t>(i)];
        const std::int32_t top = kToolButtonOrigin.y + kToolButtonPitch * i;
        b.Set(Point(kToolButtonOrigin.x, top),
              Rect(kToolButtonOrigin.x, top, kToolButtonOrigin.x + kToolButtonSize - 1,
                   top + kToolButtonSize - 1));
        LoadArtwork(archive, kToolImages[i][0], b.NormalImage());
        LoadArtwork(archive, kToolImages[i][1], b.PressedImage());
    }
    const std::int32_t lift = d != 0 ? kShortScreenArrowLift : 0;
    struct Arrow {
        Button* button;
        Point at;
        art::EntryId image;
        art::EntryId disabled;
    };
    const Arrow arrows[] = {
        {&m_undoArrow, kUndoArrowAt, art::kUndoArrow, art::kUndoArrowDisabled},
        {&m_redoArrow, kRedoArrowAt, art::kRedoArrow, art::kRedoArrowDisabled},
        {&m_undoAllArrow, kUndoAllArrowAt, art::kUndoAllArrow, art::kUndoAllArrowDisabled}};
    for (std::size_t i = 0; i < 3; ++i) {
        const Arrow& a = arrows[i];
        const Point at(a.at.x, a.at.y - lift);
        a.button->Set(at, Rect(at.x, at.y, at.x + kToolButtonSize - 1, at.y + kToolButtonSize - 1));
        LoadArtwork(archive, a.image, a.button->NormalImage());
        CopySurface(a.button->NormalImage(), a.button->PressedImage());
        LoadArtwork(archive, a.disabled, m_arrowsDisabled[i]);
        a.button->SetEnabled(false);
    }

    m_panel.Load(archive, m_context.fonts[font::kMenu]);

    // The view's scroll bars; the background shows their tracks.
    LoadArtwork(archive, art::kViewThumbHorizontal, m_horizontalBar.ThumbImage());
    LoadArtwork(archive, art::kViewThumbVertical, m_verticalBar.ThumbImage());
    m_horizontalBar.SetTrack(kViewArrowLeftAt.top + 5 - d, kViewArrowLeftAt.right,
                             kViewArrowRightAt.left + 1);
    m_verticalBar.SetTrack(kViewArrowUpAt.left + 5, kViewArrowUpAt.bottom,
                           kViewArrowDownAt.top + 1 - d);
    struct BarArrow {
        Button& button;
        Rect place;
        art::EntryId image;
    };
    const BarArrow barArrows[] = {
        {m_horizontalBar.UpArrow(), kViewArrowLeftAt.Translated(0, -d), art::kViewArrowLeft},
        {m_horizontalBar.DownArrow(), kViewArrowRightAt.Translated(0, -d), art::kViewArrowRight},
        {m_verticalBar.UpArrow(), kViewArrowUpAt, art::kViewArrowUp},
        {m_verticalBar.DownArrow(), kViewArrowDownAt.Translated(0, -d), art::kViewArrowDown}};
    for (const BarArrow& a : barArrows) {
        a.button.Set(Point(a.place.left, a.place.top), a.place);
        LoadArtwork(archive, a.image, a.button.NormalImage());
        CopySurface(a.button.NormalImage(), a.button.PressedImage());
    }

    for (ToolEntry& entry : m_tools)
        entry.size = entry.power = 50;
    SelectEntry(0);
    m_view.refresh();
    UpdateBars();
    for (EditCommand c : {EditCommand::Undo, EditCommand::Redo, EditCommand::UndoAll,
                          EditCommand::Cut, EditCommand::Copy, EditCommand::Crop})
        commandAvailable(c, false);
}

void EditorScreen::BuildMenus(ResourceArchive& archive) {
    m_menuBar.SetBar(kMenuBar);
    m_menuBar.SetButton(kCloseButton, [this] { Exit(); });
    LoadArtwork(archive, art::kCloseButtonPressed, m_menuBar.ButtonImage());

    using Command = std::function<void()>;
    const std::array<std::array<Command, 7>, 4> commands = {{
        {[this] { NextGalleryPicture(MenuDelay(kFileMenu)); },
         [this] { Open(MenuDelay(kFileMenu)); }, [this] { Save(MenuDelay(kFileMenu)); },
         [this] { SaveAs(MenuDelay(kFileMenu)); }, [this] { Exit(MenuDelay(kFileMenu)); }},
        {[this] { Undo(); }, [this] { Redo(); }, [this] { UndoAll(); }, [this] { Cut(); },
         [this] { Copy(); }, [this] { Paste(); }, [this] { Crop(); }},
        {[this] { SelectTool(ToolId::Hook); }, [this] { SelectTool(ToolId::Magnifier); },
         [this] { SelectTool(ToolId::Gripper); }, [this] { SelectTool(ToolId::Zoom); },
         [this] { SelectTool(ToolId::Trim); }},
        {[this] { ShowHelp(MenuDelay(kHelpMenu)); }, [this] { ShowTitle(MenuDelay(kHelpMenu)); }},
    }};
    for (std::size_t m = 0; m < kEditorMenus.size(); ++m) {
        const MenuLayout& layoutOfMenu = kEditorMenus[m];
        Menu& menu = m_menuBar.SetUp(layoutOfMenu.header, kMenuSpeed, layoutOfMenu.menu);
        LoadArtwork(archive, kMenuImages[m][0], menu.HeaderImage());
        LoadArtwork(archive, kMenuImages[m][1], menu.PanelImage());
        for (int i = 0; i < layoutOfMenu.itemCount; ++i)
            menu.AddItem(layoutOfMenu.items[static_cast<std::size_t>(i)],
                         commands[m][static_cast<std::size_t>(i)]);
    }
    // Until the screens they lead to exist, their commands are unavailable.
    Menu& file = m_menuBar.GetMenu(kFileMenu);
    file.SetItemEnabled(kOpenItem, m_neighbours.browser);
    file.SetItemEnabled(kSaveItem, m_neighbours.saveScreen);
    file.SetItemEnabled(kSaveAsItem, m_neighbours.saveScreen);
    m_menuBar.GetMenu(kHelpMenu).SetItemEnabled(kHelpItem, m_neighbours.help);
}

std::int32_t EditorScreen::MenuDelay(int menu) const {
    return m_menuBar.GetMenu(menu).FeedbackCountdown();
}

bool EditorScreen::HasPicture() const {
    return m_document.picture.GetPixels() != nullptr;
}

void EditorScreen::ResetPaste() {
    commandAvailable(EditCommand::Paste, false);
}

void EditorScreen::commandAvailable(EditCommand command, bool available) {
    Menu& edit = m_menuBar.GetMenu(kEditMenu);
    switch (command) {
    case EditCommand::Undo:
        edit.SetItemEnabled(kUndoItem, available);
        m_undoArrow.SetEnabled(available);
        break;
    case EditCommand::Redo:
        edit.SetItemEnabled(kRedoItem, available);
        m_redoArrow.SetEnabled(available);
        break;
    case EditCommand::UndoAll:
        edit.SetItemEnabled(kUndoAllItem, available);
        m_undoAllArrow.SetEnabled(available);
        break;
    case EditCommand::Cut:
        edit.SetItemEnabled(kCutItem, available);
        m_panel.SetAvailable(ToolPanel::Command::Cut, available);
        break;
    case EditCommand::Copy:
        edit.SetItemEnabled(kCopyItem, available);
        m_panel.SetAvailable(ToolPanel::Command::Copy, available);
        break;
    case EditCommand::Paste:
        edit.SetItemEnabled(kPasteItem, available);
        m_panel.SetAvailable(ToolPanel::Command::Paste, available);
        break;
    case EditCommand::Crop:
        edit.SetItemEnabled(kCropItem, available);
        m_panel.SetAvailable(ToolPanel::Command::Crop, available);
        break;
    }
}

void EditorScreen::pictureReplaced() {
    m_view.updateZoomedSize();
}

void EditorScreen::selectTrimTool() {
    SelectTool(ToolId::Trim);
}

void EditorScreen::SelectEntry(int position) {
    if (position < 0 || position >= kToolCount)
        return;
    ToolEntry& entry = m_tools[static_cast<std::size_t>(position)];
    if (entry.id != ToolId::Trim)
        m_trim.clearSelection();
    m_current = entry.id;
    m_panel.Show(&entry);
    if (entry.id == ToolId::Zoom)
        ShowPanel(true);
    for (int i = 0; i < kToolCount; ++i) {
        Button& b = m_toolButtons[static_cast<std::size_t>(i)];
        if (i == position)
            b.Press();
        else
            b.Release();
    }
}

void EditorScreen::SelectTool(ToolId tool) {
    for (int i = 0; i < kToolCount; ++i) {
        if (m_tools[static_cast<std::size_t>(i)].id == tool) {
            SelectEntry(i);
            return;
        }
    }
    // The tool list does not hold it: say so until the next tap, which only dismisses it.
    m_context.ignoreNextTap.store(true);
}

void EditorScreen::SelectToolAt(int position) {
    SelectEntry(position);
}

bool EditorScreen::SettleFloating() {
    if (!m_trim.floating().isFloating())
        return false;
    if (m_trim.settleFloating())
        m_document.history.commit();
    return true;
}

void EditorScreen::Undo() {
    if (!HasPicture())
        return;
    SettleFloating();
    m_document.history.undo();
    m_view.refresh();
}

void EditorScreen::Redo() {
    if (!HasPicture())
        return;
    m_document.history.redo();
    m_view.refresh();
}

void EditorScreen::UndoAll() {
    if (!HasPicture())
        return;
    if (m_trim.floating().isFloating())
        m_trim.settleFloating();
    m_document.history.undoAll();
    m_view.refresh();
    commandAvailable(EditCommand::Undo, false);
    commandAvailable(EditCommand::Redo, false);
    commandAvailable(EditCommand::Cut, false);
}

void EditorScreen::Cut() {
    if (HasPicture())
        m_trim.cutSelection();
}

void EditorScreen::Copy() {
    if (HasPicture())
        m_trim.copySelection();
}

void EditorScreen::Paste() {
    if (HasPicture())
        m_trim.pasteClipboard();
}

void EditorScreen::Crop() {
    if (HasPicture())
        m_trim.cropToSelection();
}

void EditorScreen::NextGalleryPicture(std::int32_t delay) {
    if (SettleFloating())
        m_trim.clearSelection();
    if (m_document.changed.load() && m_neighbours.startDialog) {
        m_neighbours.startDialog(kAskBeforeGallery);
        m_context.SetState(state::kConfirm, std::max(delay + 1, 2));
        return;
    }
    const int next = (m_galleryIndex + 1) % static_cast<int>(m_gallery.size());
    const Surface& picture = m_gallery[static_cast<std::size_t>(next)];
    if (!picture.GetPixels())
        return;
    m_trim.reset();
    m_document.hasFile = false;
    m_document.path.Empty();
    m_view.setScroll(0, 0);
    m_galleryIndex = next;
    if (Failed(CopySurface(picture, m_document.picture)))
        return;
    m_document.history.load();
    m_view.refresh();
    m_document.changed.store(false);
    commandAvailable(EditCommand::Cut, false);
    commandAvailable(EditCommand::Copy, false);
}

void EditorScreen::Exit(std::int32_t delay) {
    if (WouldAskBeforeLeaving()) {
        m_neighbours.startDialog(kAskBeforeQuitting);
        m_context.SetState(state::kConfirm, std::max(delay + 1, 2));
        return;
    }
    m_context.SetState(state::kExit, delay);
}

bool EditorScreen::HasOwnBmpFile() const {
    if (!m_document.hasFile)
        return false;
    // The extension is what follows the last "." of the file's name; the comparison is exact,
    // as it always was, so "x.Bmp" is saved through the save screen.
    const std::u16string path = m_document.path.c_str();
    const std::size_t slash = path.rfind(u'\\');
    const std::u16string name = slash == std::u16string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind(u'.');
    const std::u16string extension = dot == std::u16string::npos ? name : name.substr(dot + 1);
    return extension == u"bmp" || extension == u"BMP";
}

void EditorScreen::Save(std::int32_t delay) {
    if (!m_neighbours.saveScreen || !HasPicture())
        return;
    if (HasOwnBmpFile())
        SavePicture(m_document.path.c_str());
    else
        SaveAs(delay);
}

void EditorScreen::SaveAs(std::int32_t delay) {
    if (!m_neighbours.saveScreen || !HasPicture())
        return;
    SettleFloating();
    if (m_neighbours.resetSaveScreen)
        m_neighbours.resetSaveScreen();
    m_context.SetState(state::kSave, delay);
}

HResult EditorScreen::SavePicture(const std::u16string& devicePath) {
    // The file holds what the user sees: a floating block is drawn into the picture first.
    SettleFloating();
    const HResult result = SaveBmp(m_document.picture, WString(devicePath.c_str()));
    if (Failed(result)) {
        std::string shown;
        if (Failed(platform::MapDevicePath(devicePath.c_str(), shown)))
            shown = ToUtf8(WString(devicePath.c_str()));
        std::fprintf(stderr, "brelvo: cannot save %s: %s\n", shown.c_str(), ResultText(result));
        if (m_neighbours.startDialog) {
            m_neighbours.startDialog(kSaveError);
            m_context.SetState(state::kConfirm, 0);
        }
        return result;
    }
    m_document.path = WString(devicePath.c_str());
    m_document.hasFile = true;
    m_document.changed.store(false);
    m_menuBar.CloseAll();
    return kOk;
}

void EditorScreen::ShowHelp(std::int32_t delay) {
    if (!m_neighbours.help)
        return;
    if (m_neighbours.resetHelp)
        m_neighbours.resetHelp();
    m_context.SetState(state::kHelp, delay);
}

void EditorScreen::Open(std::int32_t delay) {
    if (!m_neighbours.browser)
        return;
    if (m_neighbours.resetBrowser)
        m_neighbours.resetBrowser();
    m_context.SetState(state::kBrowser, delay);
}

bool EditorScreen::OpenPicture(Surface& picture, Surface& base, Surface& first,
                               const std::u16string& devicePath) {
    if (!picture.GetPixels() || !base.GetPixels() || !first.GetPixels())
        return false;
    Leave();
    m_trim.reset();
    m_view.setScroll(0, 0);
    m_document.picture = std::move(picture);
    m_document.history.adopt(std::move(base), std::move(first));
    m_view.updateZoomedSize();
    m_view.refresh();
    m_document.hasFile = true;
    m_document.path = WString(devicePath.c_str());
    m_document.changed.store(false);
    commandAvailable(EditCommand::Cut, false);
    return true;
}

void EditorScreen::ShowTitle(std::int32_t delay) {
    m_context.SetState(state::kTitle, delay);
}

void EditorScreen::Wheel(std::int32_t dx, std::int32_t dy) {
    constexpr std::int32_t kStepsPerNotch = 3;
    if (HasPicture())
        ScrollView(dx * kStepsPerNotch, dy * kStepsPerNotch);
}

void EditorScreen::ShowToolBar(bool shown) {
    m_toolBarShown = shown;
    m_view.setViewLeft(shown ? kViewLeft : kViewLeftWithoutToolBar);
    m_view.setViewWidth(shown ? kViewWidth : kViewWidthWithoutToolBar);
    m_view.refresh();
}

void EditorScreen::ShowPanel(bool shown) {
    if (shown == m_panel.IsVisible())
        return;
    m_panel.SetVisible(shown);
    m_view.setViewTop(shown ? kViewTop : kViewTopWithoutPanel);
    m_view.setViewHeight((shown ? kViewHeight : kViewHeightWithoutPanel) - m_context.OffsetY());
    m_view.refresh();
}

void EditorScreen::TogglePanels() {
    const bool anyShown = m_toolBarShown || (m_panel.IsVisible() && m_current != ToolId::Zoom);
    ShowToolBar(!anyShown);
    ShowPanel(!anyShown || m_current == ToolId::Zoom);
}

void EditorScreen::ScrollView(std::int32_t dx, std::int32_t dy) {
    for (; dx < 0; ++dx)
        m_view.scrollLeft();
    for (; dx > 0; --dx)
        m_view.scrollRight();
    for (; dy < 0; ++dy)
        m_view.scrollUp();
    for (; dy > 0; --dy)
        m_view.scrollDown();
}

std::u16string EditorScreen::Title() const {
    std::u16string name;
    if (m_document.hasFile) {
        const WString& path = m_document.path;
        const int slash = path.ReverseFind(u'\\');
        name = path.Right(path.GetLength() - slash - 1).c_str();
    } else if (m_galleryIndex >= 0) {
        name =
            u"Gallery picture " + std::u16string(1, static_cast<char16_t>(u'1' + m_galleryIndex));
    } else {
        return u"Brelvo";
    }
    return (m_document.changed.load() ? u"*" : u"") + name + u" - Brelvo";
}

void EditorScreen::RunPanelCommand(ToolPanel::Command command) {
    switch (command) {
    case ToolPanel::Command::None:
        break;
    case ToolPanel::Command::ZoomIn:
        if (HasPicture())
            m_view.zoomIn(m_view.pictureCentre());
        break;
    case ToolPanel::Command::ZoomOut:
        if (HasPicture())
            m_view.zoomOut(m_view.pictureCentre());
        break;
    case ToolPanel::Command::Zoom100:
        if (HasPicture())
            m_view.zoom100();
        break;
    case ToolPanel::Command::ZoomToScreen:
        if (HasPicture())
            m_view.zoomToScreen();
        break;
    case ToolPanel::Command::Copy:
        Copy();
        break;
    case ToolPanel::Command::Paste:
        Paste();
        break;
    case ToolPanel::Command::Cut:
        Cut();
        break;
    case ToolPanel::Command::Crop:
        Crop();
        break;
    }
}

void EditorScreen::StylusDown(std::int32_t x, std::int32_t y) {
    m_downPoint = Point(x, y);
    m_cursorPoint = m_view.pictureFromScreen(x, y);
    if (m_menuBar.StylusDown(x, y))
        return;
    if (kPanelToggle.Contains(x, y)) {
        TogglePanels();
        return;
    }

    // The tool bar and the options panel.
    bool onPanels = false;
    for (int i = 0; i < kToolCount && m_toolBarShown; ++i) {
        if (m_toolButtons[static_cast<std::size_t>(i)].HitTest(x, y)) {
            SelectEntry(i);
            onPanels = true;
            break;
        }
    }
    if (!onPanels && m_toolBarShown) {
        if (m_undoArrow.HitTest(x, y)) {
            Undo();
            onPanels = true;
        } else if (m_redoArrow.HitTest(x, y)) {
            Redo();
            onPanels = true;
        } else if (m_undoAllArrow.HitTest(x, y)) {
            UndoAll();
            onPanels = true;
        }
    }
    ToolPanel::Command command = ToolPanel::Command::None;
    if (!onPanels && m_panel.StylusDown(x, y, command)) {
        onPanels = true;
        RunPanelCommand(command);
    }
    if (onPanels) {
        if (m_current != ToolId::Trim)
            m_trim.clearSelection();
        return;
    }
    if (m_horizontalBar.StylusDown(x, y) || m_verticalBar.StylusDown(x, y))
        return;

    if (!m_view.isOnPicture(x, y) || !HasPicture())
        return;
    m_pictureTouched = true;
    const ToolEntry& entry = m_tools[static_cast<std::size_t>(m_current)];
    const Point p = m_cursorPoint;
    switch (m_current) {
    case ToolId::Hook:
        m_document.history.markPending();
        m_document.changed.store(true);
        m_cursor = ToolCursor{true, Point(x, y), entry.size};
        m_hook.configure(entry.power, entry.size);
        m_context.Unlocked([&] { m_hook.begin(p.x, p.y); });
        break;
    case ToolId::Magnifier:
    case ToolId::Gripper: {
        m_document.history.markPending();
        m_document.changed.store(true);
        RadialWarpTool& tool = m_current == ToolId::Magnifier ? m_magnifier : m_gripper;
        const ToolPanel::Mode mode = m_panel.ModeOf(m_current);
        m_busy.store(true);
        m_cursor = ToolCursor{true, Point(x, y), entry.size};
        tool.configure(mode != ToolPanel::Mode::Vertical, mode != ToolPanel::Mode::Horizontal,
                       entry.power, entry.size);
        m_context.Unlocked([&] { tool.begin(p.x, p.y); });
        m_busy.store(false);
        break;
    }
    case ToolId::Zoom:
        break;
    case ToolId::Trim:
        m_trim.touch(p);
        break;
    }
}

void EditorScreen::StylusMove(std::int32_t x, std::int32_t y) {
    if (m_current != ToolId::Zoom && m_pictureTouched)
        m_view.edgeScroll(x, y);
    const Point clamped = m_view.clampToView(x, y);
    const Point p = m_view.pictureFromScreen(clamped.x, clamped.y);
    m_cursorPoint = p;
    m_horizontalBar.StylusMove(x, y);
    m_verticalBar.StylusMove(x, y);
    m_panel.StylusMove(x, y);

    if (!m_pictureTouched)
        return;
    for (int i = 0; i < m_menuBar.MenuCount(); ++i) {
        const Menu& menu = m_menuBar.GetMenu(i);
        if (menu.Progress() != 0.0f && menu.MenuRect().Contains(x, y))
            return;
    }
    switch (m_current) {
    case ToolId::Hook:
        if (Point(x, y) != m_downPoint) {
            m_busy.store(true);
            m_context.Unlocked([&] { m_hook.drag(p.x, p.y); });
            m_cursor.at = Point(x, y);
            m_busy.store(false);
        }
        break;
    case ToolId::Magnifier:
    case ToolId::Gripper: {
        RadialWarpTool& tool = m_current == ToolId::Magnifier ? m_magnifier : m_gripper;
        m_busy.store(true);
        m_cursor.at = Point(x, y);
        m_context.Unlocked([&] { tool.drag(p.x, p.y); });
        m_busy.store(false);
        break;
    }
    case ToolId::Zoom:
        break;
    case ToolId::Trim:
        m_trim.move(p);
        break;
    }
}

void EditorScreen::StylusUp(std::int32_t x, std::int32_t y) {
    m_cursorPoint = m_view.pictureFromScreen(x, y);
    m_horizontalBar.StylusUp();
    m_verticalBar.StylusUp();
    m_panel.StylusUp();
    EndStroke(x, y);
}

void EditorScreen::EndStroke(std::int32_t x, std::int32_t y) {
    if (m_current == ToolId::Trim || m_trim.floating().isDragging()) {
        const Point clamped = m_view.clampToView(x, y);
        m_trim.release(m_view.pictureFromScreen(clamped.x, clamped.y),
                       m_pictureTouched && m_current == ToolId::Trim);
    }
    if (m_document.history.isPending())
        m_document.history.commit();
    m_pictureTouched = false;
    m_cursor.on = false;
}

void EditorScreen::Leave() {
    m_horizontalBar.StylusUp();
    m_verticalBar.StylusUp();
    m_panel.StylusUp();
    if (m_pictureTouched || m_document.history.isPending())
        EndStroke(m_cursor.at.x, m_cursor.at.y);
    ReleaseHeldKeys();
    // Back from another screen, the menus are as they were at the start: closed, nothing
    // highlighted. Size, Power and the direction modes stay as the user set them.
    m_menuBar.CloseAll();
}

void EditorScreen::KeyDown(std::uint16_t key, const KeyMap& keys) {
    if (key == kKeyControl) {
        m_ctrl = true;
        return;
    }
    if (key == kKeyShift) {
        m_shift = true;
        return;
    }
    if (key == platform::vk::kF1) {
        // Help, where a desktop user looks for it.
        ShowHelp();
        return;
    }
    if (m_ctrl) {
        // The desktop's shortcuts, each exactly as its menu item.
        switch (key) {
        case 'Z':
            m_shift ? Redo() : Undo();
            return;
        case 'Y':
            Redo();
            return;
        case 'N':
            NextGalleryPicture();
            return;
        case 'O':
            Open();
            return;
        case 'S':
            m_shift ? SaveAs() : Save();
            return;
        case 'Q':
            Exit();
            return;
        default:
            break;
        }
    }

    bool anyOpen = false;
    int open = -1;
    for (int i = 0; i < m_menuBar.MenuCount(); ++i) {
        const Menu& menu = m_menuBar.GetMenu(i);
        if (menu.IsOpen()) {
            anyOpen = true;
            open = i;
        }
    }
    if (key == keys.b) {
        bool fullyOut = false;
        for (int i = 0; i < m_menuBar.MenuCount(); ++i)
            fullyOut = fullyOut || m_menuBar.GetMenu(i).IsFullyOut();
        m_menuBar.CloseAll();
        if (!fullyOut)
            m_menuBar.GetMenu(0).Open();
        return;
    }
    if (anyOpen) {
        const int count = m_menuBar.MenuCount();
        if (key == keys.left || key == keys.right) {
            const int next = key == keys.left ? (open + count - 1) % count : (open + 1) % count;
            m_menuBar.CloseAll();
            m_menuBar.GetMenu(next).Open();
        } else {
            m_menuBar.Key(key, keys);
        }
        return;
    }
    if (key == keys.left)
        m_scrollKeys[0] = true;
    else if (key == keys.right)
        m_scrollKeys[1] = true;
    else if (key == keys.up)
        m_scrollKeys[2] = true;
    else if (key == keys.down)
        m_scrollKeys[3] = true;
}

void EditorScreen::KeyUp(std::uint16_t key, const KeyMap& keys) {
    (void)keys;
    if (key == kKeyControl)
        m_ctrl = false;
    else if (key == kKeyShift)
        m_shift = false;
    m_scrollKeys = {};
}

void EditorScreen::ReleaseHeldKeys() {
    m_scrollKeys = {};
}

void EditorScreen::Char(char16_t c, std::uint32_t keyData) {
    (void)keyData;
    if (m_ctrl)
        return;
    struct Choice {
        const char16_t* characters;
        int position;
    };
    const Choice choices[] = {{u"hH$", 0}, {u"mM,", 1}, {u"gG6", 2}, {u"zZ*", 3}, {u"tT3", 4}};
    for (const Choice& choice : choices) {
        if (std::u16string_view(choice.characters).find(c) != std::u16string_view::npos) {
            SelectEntry(choice.position);
            return;
        }
    }
    if (m_current == ToolId::Zoom && HasPicture()) {
        if (std::u16string_view(u"wW+").find(c) != std::u16string_view::npos)
            m_view.zoomIn(m_view.pictureCentre());
        else if (std::u16string_view(u"sS-").find(c) != std::u16string_view::npos)
            m_view.zoomOut(m_view.pictureCentre());
    }
}

void EditorScreen::UpdateBars() {
    // The bars follow every change of the view: zoom, scroll range, another picture. Without a
    // picture there is nothing to scroll.
    const bool picture = HasPicture();
    const double horizontal = picture ? m_view.horizontalFraction() : 1.0;
    const double vertical = picture ? m_view.verticalFraction() : 1.0;
    if (horizontal != m_shownFractions[0]) {
        m_horizontalBar.SetRatio(horizontal);
        m_shownFractions[0] = horizontal;
    }
    if (vertical != m_shownFractions[1]) {
        m_verticalBar.SetRatio(vertical);
        m_shownFractions[1] = vertical;
    }
}

void EditorScreen::Draw(Surface& target) {
    UpdateBars();
    Blit(target, 0, 0, HasPicture() && m_view.showsBarTracks() ? m_background : m_backgroundPlain);
    // Another tool than Trim settles a floating block, but never in the middle of a stroke.
    if (m_current != ToolId::Trim && !m_document.history.isPending())
        SettleFloating();
    m_view.drawPicture(target, &m_trim.floating());
    m_trim.drawOverlays(target);
    DrawToolCursor(target);
    m_panel.Draw(target);

    Button* arrows[] = {&m_undoArrow, &m_redoArrow, &m_undoAllArrow};
    for (Button& b : m_toolButtons) {
        if (m_toolBarShown)
            b.Draw(target);
    }
    for (std::size_t i = 0; i < 3 && m_toolBarShown; ++i) {
        if (arrows[i]->IsEnabled())
            arrows[i]->Draw(target);
        else
            Blit(target, arrows[i]->Position().x, arrows[i]->Position().y, m_arrowsDisabled[i],
                 nullptr, BLT_KEYED);
    }

    m_horizontalBar.Draw(target);
    m_verticalBar.Draw(target);
    m_menuBar.Draw(target);
    DrawBusyIndicator(target);
    if (m_scrollKeys[3])
        m_view.scrollDown();
    if (m_scrollKeys[2])
        m_view.scrollUp();
    if (m_scrollKeys[0])
        m_view.scrollLeft();
    if (m_scrollKeys[1])
        m_view.scrollRight();
    if (m_context.ignoreNextTap.load())
        Blit(target, kToolNotAvailableAt.x, kToolNotAvailableAt.y, m_toolNotAvailable, nullptr,
             BLT_KEYED);
}

void EditorScreen::DrawToolCursor(Surface& target) {
    if (!m_cursor.on)
        return;
    const auto r = static_cast<std::int32_t>(m_cursor.size * m_view.zoom() / 100.0);
    const double cx = m_cursor.at.x;
    const double cy = m_cursor.at.y;
    const Rect clip(m_view.viewLeft(), m_view.viewTop(),
                    m_view.viewLeft() + std::min(m_view.visibleWidth(), m_view.zoomedWidth()) - 1,
                    m_view.viewTop() + std::min(m_view.visibleHeight(), m_view.zoomedHeight()) - 1);
    // Black over a bright picture, white elsewhere; a pixel that cannot be read counts as dark.
    auto colourAt = [&](double t) {
        Color under = 0;
        const auto x = static_cast<std::int32_t>(cx + r * std::cos(t));
        const auto y = static_cast<std::int32_t>(cy + r * std::sin(t));
        if (Succeeded(target.GetPixel(x, y, &under)) && IsBright(under))
            return Color{0x000000};
        return Color{0xFFFFFF};
    };
    if (r <= 0) {
        // Too small to have a circumference: the centre alone shows where the tool acts.
        const auto x = static_cast<std::int32_t>(cx);
        const auto y = static_cast<std::int32_t>(cy);
        if (clip.Contains(x, y))
            target.SetPixel(x, y, colourAt(0.0));
        return;
    }
    const double step = 1.0 / r;
    const double dash = 5.0 / r;
    double end = r >= 8 ? dash : 10000.0;
    Color colour = colourAt(0.0);
    for (double t = 0.0; t < 2.0 * 3.141592653589793; t += step) {
        if (t < end) {
            const auto x = static_cast<std::int32_t>(cx + r * std::cos(t));
            const auto y = static_cast<std::int32_t>(cy + r * std::sin(t));
            if (clip.Contains(x, y)) {
                target.SetPixel(x, y, colour);
                continue;
            }
        }
        if (t > end + dash) {
            end += 2 * dash;
            colour = colourAt(t);
        }
    }
}

void EditorScreen::DrawBusyIndicator(Surface& target) {
    if (!m_busy.load())
        return;
    if (--m_busyCountdown < 1) {
        m_busyCountdown = kBusyFrames;
        m_busyPhase = (m_busyPhase + 1) % 8;
    }
    const std::int32_t x = kBusyAt.x;
    const std::int32_t y = kBusyAt.y - m_context.OffsetY();
    Color under = 0;
    target.GetPixel(x, y, &under);
    const bool bright =
        (under & 0xFF) > 200 && ((under >> 8) & 0xFF) > 200 && ((under >> 16) & 0xFF) > 200;
    const BitmapFont& font = m_context.fonts[bright ? font::kBusyDark : font::kBusyLight];
    DrawText(target, x, y, kBusyTexts[m_busyPhase % 4], &font);
}

} // namespace brelvo
