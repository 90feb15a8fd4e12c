#pragma once

#include "app/Application.h"
#include "app/PictureScreen.h"
#include "archive/ResourceArchive.h"
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
};

// The program's controller. It starts the program (the archive, the fonts, the start-up and
// title pictures, every screen), then routes each frame and each event to the one screen the
// current state selects:
//
//   state  draws                  stylus down/up/move, key down, char
//   1      start-up picture       nothing; after 61 frames the editor follows
//   2      editor                 editor
//   3      title picture          a tap or a key returns to the editor
//   4, 6   browser, save screen   the screen
//   7, 8   dialog, help           the screen, except characters
//   9      nothing                nothing; the program ends
//
// A key release clears the held keys of the editor and the help screen in every state, and
// reaches the editor in state 2.
class App : public Application {
public:
    explicit App(const ApplicationConfig& config, AppOptions options = {});
    ~App() override;

    // The screen for a state (2, 4, 6, 7 or 8); set before Run. Until a screen is given, state
    // 2 shows the editor's background picture and the other states draw nothing.
    void SetScreen(std::int32_t state, Screen* screen);

    HResult OnInit(Surface& display) override;
    HResult Render(Surface& backBuffer, std::uint32_t frameFlags) override;
    HResult KeyDown(std::uint16_t key, KeyMap keys) override;
    HResult KeyUp(std::uint16_t key, KeyMap keys) override;
    HResult Char(char16_t character, std::uint32_t keyData) override;
    HResult StylusDown(std::int32_t x, std::int32_t y) override;
    HResult StylusUp(std::int32_t x, std::int32_t y) override;
    HResult StylusDoubleTap(std::int32_t x, std::int32_t y) override;
    HResult StylusMove(std::int32_t x, std::int32_t y) override;

    // The archive OnInit opens: the program folder followed by kArchiveFileName.
    std::string ArchivePath() const;
    std::int32_t DisplayHeight() const { return m_displayHeight; }

private:
    // The screen that receives events in the current state, or null.
    Screen* Target(std::int32_t state) const;
    void LoadFonts();
    void LoadPicture(std::uint32_t entry, Surface& picture);

    AppOptions m_options;
    std::string m_programFolder;
    std::int32_t m_displayHeight = 0;
    PictureScreen m_editorStandIn;
    std::array<Screen*, state::kCount> m_screens{};
    ResourceArchive m_archive;
};

} // namespace brelvo
