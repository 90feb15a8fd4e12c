#pragma once

#include "gfx/Surface.h"
#include "screens/FolderList.h"
#include "ui/Screen.h"
#include "ui/ScreenContext.h"
#include "ui/TextField.h"

#include <cstdint>
#include <functional>
#include <string>

namespace brelvo {

class EditorScreen;
class OpenScreen;

// The save screen (state 6): a folder list as the browser's, a name field typed on the on-screen
// keyboard (on a full-height screen) or on the platform's own keyboard, and Save and Cancel.
// Save writes the picture as "<folder><name>.bmp", asking first when that file exists, and then
// does what the confirmation dialog arranged (AfterSaveAction) or returns to the editor.
class SaveScreen final : public Screen {
public:
    // What follows a successful save, as the confirmation dialog arranges it.
    enum AfterSave : std::int32_t {
        kReturnToEditor = 0,
        kQuit = 1,
        kNextGalleryPicture = 2,
        kOpenChosen = 3,
    };

    SaveScreen(ScreenContext& context, EditorScreen& editor, OpenScreen& browser);
    // How Save asks before replacing a file, and how a refused name is reported: starts the
    // confirmation dialog in a mode (EditorScreen::DialogMode). The caller requests its state.
    void SetDialog(std::function<void(std::int32_t mode)> start) {
        m_startDialog = std::move(start);
    }

    void Initialise(ResourceArchive& archive) override;
    void Draw(Surface& target) override;
    void StylusDown(std::int32_t x, std::int32_t y) override;
    void StylusUp(std::int32_t x, std::int32_t y) override;
    void StylusMove(std::int32_t x, std::int32_t y) override;
    void KeyDown(std::uint16_t key, const KeyMap& keys) override;
    void Char(char16_t character, std::uint32_t keyData) override;

    // Before each visit: an empty name, Save and Cancel usable again, the folder read afresh on
    // the next frame. The folder and the keyboard's case stay.
    void Reset();
    // Back from the save-error dialog: Save and Cancel work again, the typed name stays.
    void Resume();
    // Writes the file the name field names; the dialog calls it once the user agreed to
    // replace the file.
    void SaveNow();
    void SetAfterSaveAction(std::int32_t action) { m_afterSave = action; }
    std::int32_t AfterSaveAction() const { return m_afterSave; }

    // The file Save writes: the current folder, the typed name and ".bmp".
    std::u16string TargetPath() const;
    // Whether a typed name can be saved under: no character a file name cannot hold here, not
    // "." or "..", and short enough for the file system with ".bmp" added.
    static bool IsAcceptableName(const std::u16string& name);

    const TextField& Name() const { return m_name; }
    const FolderList& List() const { return m_list; }
    bool UpperCase() const { return m_upperCase; }
    bool Saved() const { return m_saved; }
    bool Cancelled() const { return m_cancelled; }

private:
    void Save();
    void PressKey(std::int32_t index);
    Rect SaveRect() const;
    Rect CancelRect() const;

    ScreenContext& m_context;
    EditorScreen& m_editor;
    OpenScreen& m_browser;
    std::function<void(std::int32_t)> m_startDialog;

    Surface m_background;
    Surface m_keyboard;
    Surface m_savePressed;
    Surface m_cancelPressed;
    FolderList m_list;
    TextField m_name;
    bool m_upperCase = false;
    bool m_saved = false;
    bool m_cancelled = false;
    bool m_keyPressed = false;
    std::int32_t m_pressedKey = 0;
    std::int32_t m_afterSave = kReturnToEditor;
};

} // namespace brelvo
