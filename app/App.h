#pragma once

#include "app/Application.h"
#include "archive/ResourceArchive.h"
#include "screens/ConfirmDialog.h"
#include "screens/EditorScreen.h"
#include "screens/HelpScreen.h"
#include "screens/OpenScreen.h"
#include "screens/SaveScreen.h"
#include "screens/TitleScreen.h"
#include "ui/Screen.h"
#include "ui/StateMachine.h"

#include <array>
#include <cstdint>
#include <string>

namespace brelvo {

// The artwork archive's file name; it lies beside the executable.
inline constexpr char kArchiveFileName[] = "Brelvo.erc";

struct AppOptions {
    // The folder the archive is looked for in, ending in "/"; empty for the executable's own.
    std::string programFolder;
    // A picture to open at start, as a device path; empty for none.
    std::u16string startFile;
};

// The program's controller. It starts the program (the archive, the fonts, the start-up and
// title pictures, every screen), then routes each frame and each event to the one screen the
// current state selects:
//
//   state  draws                  stylus down/up/move, key down, char
//   1      start-up picture       nothing; after 61 frames the editor follows
//   2      editor                 editor
//   3      title screen           the title screen (a tap or a key returns to the editor)
//   4, 6   browser, save screen   the screen
//   7, 8   dialog, help           the screen, except characters
//   9      nothing                nothing; the program ends
//
// A key release clears the held keys of the editor and the help screen in every state, and
// reaches the editor in state 2. Every handler runs with the screens' lock held, and the state
// is read under it.
class App : public Application {
public:
    explicit App(const ApplicationConfig& config, AppOptions options = {});
    ~App() override;

    // The screen for a state (2, 3, 4, 6, 7 or 8); set before Run. The program's own editor and
    // title screens are there from the start; a state without a screen draws nothing.
    void SetScreen(std::int32_t state, Screen* screen);
    EditorScreen& Editor() { return m_editor; }
    OpenScreen& Browser() { return m_open; }
    SaveScreen& Saver() { return m_save; }
    ConfirmDialog& Dialog() { return m_dialog; }
    HelpScreen& Help() { return m_help; }

    HResult OnInit(Surface& display) override;
    HResult Render(Surface& backBuffer, std::uint32_t frameFlags) override;
    HResult KeyDown(std::uint16_t key, KeyMap keys) override;
    HResult KeyUp(std::uint16_t key, KeyMap keys) override;
    HResult Char(char16_t character, std::uint32_t keyData) override;
    HResult StylusDown(std::int32_t x, std::int32_t y) override;
    HResult StylusUp(std::int32_t x, std::int32_t y) override;
    HResult StylusDoubleTap(std::int32_t x, std::int32_t y) override;
    HResult StylusMove(std::int32_t x, std::int32_t y) override;
    HResult Wheel(std::int32_t dx, std::int32_t dy) override;
    // The window's close button is the editor's Exit: it asks about unsaved work where the
    // program can, and otherwise ends the program at once, whatever screen is showing.
    HResult OnClose() override;
    // Opens a picture that a later copy was started with, as the browser's Open does.
    HResult OnOpenRequest(const std::string& hostPath) override;

    // The archive OnInit opens: kArchiveFileName in the program folder or, for the installed
    // program, in the share/brelvo folder of its prefix (InstalledArchivePath).
    std::string ArchivePath() const;
    std::string InstalledArchivePath() const;
    std::int32_t DisplayHeight() const { return m_displayHeight; }

private:
    // The folder the program's files are looked for from, ending in "/".
    std::string ProgramFolderPath() const;
    // The screen that receives events in the current state, or null.
    Screen* Target(std::int32_t state) const;
    void LoadFonts();

    AppOptions m_options;
    std::int32_t m_displayHeight = 0;
    ScreenContext& m_context;
    EditorScreen m_editor;
    TitleScreen m_title;
    OpenScreen m_open;
    SaveScreen m_save;
    ConfirmDialog m_dialog;
    HelpScreen m_help;
    std::array<Screen*, state::kCount> m_screens{};
    // The state drawn last, to tell the screen that the program leaves.
    std::int32_t m_drawnState = state::kNone;
    // The window title shown last.
    std::u16string m_windowTitle;
    ResourceArchive m_archive;
};

} // namespace brelvo
