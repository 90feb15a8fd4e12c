#include "screens/SaveScreen.h"

#include "archive/ArtworkIds.h"
#include "archive/LoadArtwork.h"
#include "base/WString.h"
#include "gfx/Blit.h"
#include "platform/DeviceFiles.h"
#include "platform/VirtualKeys.h"
#include "screens/EditorScreen.h"
#include "screens/Layout.h"
#include "screens/OpenScreen.h"
#include "ui/StateMachine.h"

#include <climits>
#include <cstdio>

namespace brelvo {

namespace {

using namespace layout;
namespace vk = platform::vk;

constexpr std::int32_t kSwitchFrames = 20;
constexpr std::int32_t kNameFieldWidth = 235;
constexpr std::int32_t kListHeight = 173;
constexpr std::int32_t kTrackX = 232;
constexpr std::int32_t kTrackTop = 43;
constexpr std::int32_t kTrackBottom = 176;
constexpr std::int32_t kKeyboardHeight = 80;
constexpr std::uint16_t kKeyDarkness = 60;
constexpr std::uint16_t kF2 = vk::kF1 + 1;
// The longest file name the file systems we save to take, in bytes.
constexpr std::size_t kMaxNameBytes = NAME_MAX;
constexpr const char16_t* kExtension = u".bmp";

} // namespace

SaveScreen::SaveScreen(ScreenContext& context, EditorScreen& editor, OpenScreen& browser)
    : m_context(context), m_editor(editor), m_browser(browser) {}

Rect SaveScreen::SaveRect() const {
    return kSaveButton.Translated(0, -m_context.OffsetY());
}

Rect SaveScreen::CancelRect() const {
    return kSaveCancelButton.Translated(0, -m_context.OffsetY());
}

void SaveScreen::Initialise(ResourceArchive& archive) {
    const std::int32_t d = m_context.OffsetY();
    LoadArtwork(archive, d != 0 ? art::kSaveBackgroundShort : art::kSaveBackground, m_background);
    LoadArtwork(archive, art::kKeyboard, m_keyboard);
    LoadArtwork(archive, art::kSaveButtonPressed, m_savePressed);
    LoadArtwork(archive, art::kCancelButtonPressed, m_cancelPressed);

    FolderList::Place place;
    place.window = kSaveList;
    place.height = kListHeight;
    place.trackX = kTrackX;
    place.trackTop = kTrackTop;
    place.trackBottom = kTrackBottom;
    place.upArrow = kSaveUpArrowAt;
    place.downArrow = kSaveDownArrowAt;
    m_list.Initialise(archive, place, m_context.fonts[font::kList]);
    m_name.SetUp(kNameFieldWidth, &m_context.fonts[font::kBody]);
    m_upperCase = false;
    m_afterSave = kReturnToEditor;
    Reset();
}

void SaveScreen::Reset() {
    Resume();
    m_name.Clear();
    // The folder may have changed since the last visit, by this program or by another; a stale
    // listing would hide a new folder and show files that are gone.
    m_list.RequestRescan();
}

void SaveScreen::Resume() {
    m_saved = false;
    m_cancelled = false;
    m_keyPressed = false;
}

std::u16string SaveScreen::TargetPath() const {
    return m_list.Folder() + m_name.Text() + kExtension;
}

bool SaveScreen::IsAcceptableName(const std::u16string& name) {
    if (name.empty() || name == u"." || name == u"..")
        return false;
    for (const char16_t c : name) {
        if (c < 0x20 || c == 0x7F ||
            std::u16string_view(u"\\/:*?\"<>|").find(c) != std::u16string_view::npos)
            return false;
    }
    return ToUtf8(WString((name + kExtension).c_str())).size() <= kMaxNameBytes;
}

void SaveScreen::Draw(Surface& target) {
    const std::int32_t d = m_context.OffsetY();
    Blit(target, 0, 0, m_background);
    m_list.BeginFrame();
    m_list.Draw(target);
    m_name.Draw(target, kNameTextAt.x, kNameTextAt.y);
    if (m_saved)
        Blit(target, kSavePressedAt.x, kSavePressedAt.y - d, m_savePressed, nullptr, BLT_KEYED);
    if (m_cancelled)
        Blit(target, kSaveCancelPressedAt.x, kSaveCancelPressedAt.y - d, m_cancelPressed, nullptr,
             BLT_KEYED);
    // On a shorter screen the platform's own keyboard takes the place of the drawn one.
    if (d != 0)
        return;
    const std::int32_t left = m_upperCase ? kKeyboardCaseWidth : 0;
    const Rect half(left, 0, left + kKeyboardCaseWidth - (m_upperCase ? 2 : 0), kKeyboardHeight);
    Blit(target, kKeyboardAt.x, kKeyboardAt.y, m_keyboard, &half, BLT_KEYED);
    if (m_keyPressed) {
        const Rect key = KeyRect(m_pressedKey);
        FillRect(target, &key, 0x000000, FILL_BLEND, &kKeyDarkness);
    }
}

void SaveScreen::Save() {
    if (m_cancelled || m_saved || m_name.Text().empty())
        return;
    if (!IsAcceptableName(m_name.Text())) {
        // Refused before the disk is touched; the user sees the save-error dialog.
        std::fprintf(stderr,
                     "brelvo: cannot save under the name \"%s\": a file name cannot "
                     "hold \\ / : * ? \" < > | or be . or .., and must be shorter\n",
                     ToUtf8(WString(m_name.Text().c_str())).c_str());
        if (m_startDialog) {
            m_startDialog(EditorScreen::kSaveError);
            m_context.SetState(state::kConfirm, 0);
        }
        return;
    }
    if (platform::DeviceFileExists(TargetPath().c_str()) && m_startDialog) {
        m_startDialog(EditorScreen::kAskOverwrite);
        m_context.SetState(state::kConfirm, 0);
        return;
    }
    SaveNow();
}

void SaveScreen::SaveNow() {
    if (Failed(m_editor.SavePicture(TargetPath())))
        return; // the save-error dialog is on its way
    m_saved = true;
    m_list.FolderChanged(); // the new file is listed on the next visit
    switch (m_afterSave) {
    case kQuit:
        m_context.SetState(state::kExit, kSwitchFrames);
        break;
    case kOpenChosen:
        // The browser switches to the editor once the picture is in, or back to itself when it
        // cannot be opened.
        m_browser.OpenSelected();
        break;
    case kNextGalleryPicture:
        m_editor.NextGalleryPicture();
        m_context.SetState(state::kEditor, kSwitchFrames);
        break;
    default:
        m_context.SetState(state::kEditor, kSwitchFrames);
        break;
    }
    m_afterSave = kReturnToEditor;
}

void SaveScreen::StylusDown(std::int32_t x, std::int32_t y) {
    if (SaveRect().Contains(x, y)) {
        Save();
        return;
    }
    if (CancelRect().Contains(x, y)) {
        if (!m_saved) {
            m_afterSave = kReturnToEditor;
            m_context.SetState(state::kEditor, kSwitchFrames);
            m_cancelled = true;
        }
        return;
    }
    if (m_context.OffsetY() == 0) {
        for (std::int32_t i = 0; i < kKeyCount; ++i) {
            if (KeyRect(i).Contains(x, y)) {
                m_keyPressed = true;
                m_pressedKey = i;
                break;
            }
        }
    }
    const std::optional<FolderList::Row> row = m_list.Tap(x, y);
    if (row == FolderList::Row::Parent || row == FolderList::Row::Folder)
        return;
    m_list.Bar().StylusDown(x, y);
}

void SaveScreen::PressKey(std::int32_t index) {
    switch (index) {
    case kKeyDelete:
        m_name.Delete();
        return;
    case kKeyCaseSwitch:
        m_upperCase = !m_upperCase;
        return;
    case kKeyCursorLeft:
        m_name.CursorLeft();
        return;
    case kKeyCursorRight:
        m_name.CursorRight();
        return;
    default:
        break;
    }
    const char16_t c = (m_upperCase ? kKeyUpper : kKeyLower)[index];
    if (c != 0)
        m_name.Insert(c);
}

void SaveScreen::StylusUp(std::int32_t, std::int32_t) {
    m_list.Bar().StylusUp();
    // A key acts on release, wherever the stylus is lifted.
    if (m_context.OffsetY() == 0 && m_keyPressed)
        PressKey(m_pressedKey);
    m_keyPressed = false;
}

void SaveScreen::StylusMove(std::int32_t x, std::int32_t y) {
    m_list.Bar().StylusMove(x, y);
}

void SaveScreen::KeyDown(std::uint16_t key, const KeyMap& keys) {
    switch (key) {
    case vk::kSpace:
        m_name.Insert(u' ');
        return;
    case vk::kBackspace:
        m_name.Delete();
        return;
    case vk::kEnter:
        // With a name typed, Enter saves, as a desktop user expects of a name field; without
        // one it enters the selected folder.
        if (!m_name.Text().empty()) {
            Save();
        } else {
            m_list.EnterSelected();
        }
        return;
    case vk::kF1:
    case kF2:
    case vk::kEscape: {
        const Point at = (key == vk::kF1 ? SaveRect() : CancelRect()).Center();
        StylusDown(at.x, at.y);
        return;
    }
    default:
        break;
    }
    if (key == keys.left)
        m_name.CursorLeft();
    else if (key == keys.right)
        m_name.CursorRight();
    else if (key == keys.up)
        m_list.SelectPrevious();
    else if (key == keys.down)
        m_list.SelectNext();
}

void SaveScreen::Char(char16_t character, std::uint32_t) {
    // Space comes through KeyDown; control characters and letters beyond ASCII are not typed.
    if (character >= 33 && character <= 126)
        m_name.Insert(character);
}

} // namespace brelvo
