#include "app/App.h"

#include "archive/ArtworkIds.h"
#include "archive/LoadArtwork.h"
#include "base/WString.h"
#include "gfx/Blit.h"
#include "gfx/ImageLoad.h"
#include "platform/DeviceFiles.h"
#include "platform/ProgramFolder.h"
#include "ui/Shared.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

namespace brelvo {

namespace {

// Which events reach a state's screen. States 1, 3 and 9 are the controller's own.
struct Route {
    bool draw = false;
    bool stylus = false; // down, up and move
    bool keyDown = false;
    bool character = false;
};

constexpr std::array<Route, state::kCount> kRoutes = {{
    {},                        // 0: nothing before start-up ends
    {},                        // 1: start-up picture
    {true, true, true, true},  // 2: editor
    {true, true, true, false}, // 3: title screen (stylus down and keys)
    {true, true, true, true},  // 4: browser
    {},                        // 5: unused
    {true, true, true, true},  // 6: save screen
    {true, true, true, false}, // 7: confirmation dialog
    {true, true, true, false}, // 8: help
    {},                        // 9: exit
}};

static_assert(art::kFontsInLoadOrder.size() + 1 == kInterfaceFontCount);

// The white that the title font's glyphs stand on, and the magenta every other font is keyed on.
constexpr Color kFontGround = 0xF8FCF8;
constexpr Color kMagenta = 0xFF00FF;

// The screen height every layout is drawn for.
constexpr std::int32_t kDesignHeight = 320;

bool IsState(std::int32_t s) {
    return s >= 0 && s < state::kCount;
}

} // namespace

App::App(const ApplicationConfig& config, AppOptions options)
    : Application(config), m_options(std::move(options)), m_context(ProgramScreenContext()),
      m_editor(m_context, EditorScreen::Neighbours{
                              .browser = true,
                              .saveScreen = true,
                              .help = true,
                              .resetBrowser = [this] { m_open.Reset(); },
                              .resetHelp = [this] { m_help.Reset(); },
                              .resetSaveScreen =
                                  [this] {
                                      m_save.Reset();
                                      m_save.SetAfterSaveAction(SaveScreen::kReturnToEditor);
                                  },
                              .startDialog = [this](std::int32_t mode) { m_dialog.Start(mode); }}),
      m_title(m_context, TitlePicture), m_open(m_context, m_editor),
      m_save(m_context, m_editor, m_open), m_dialog(m_context, m_editor, m_save, m_open),
      m_help(m_context) {
    m_open.SetAskBeforeOpening([this] { m_dialog.Start(EditorScreen::kAskBeforeOpening); });
    m_save.SetDialog([this](std::int32_t mode) { m_dialog.Start(mode); });
    m_screens[state::kEditor] = &m_editor;
    m_screens[state::kTitle] = &m_title;
    m_screens[state::kBrowser] = &m_open;
    m_screens[state::kSave] = &m_save;
    m_screens[state::kConfirm] = &m_dialog;
    m_screens[state::kHelp] = &m_help;
    // The controller's process-wide values start afresh with every program run.
    ScreenStates.Reset();
    IgnoreNextTap.store(false);
}

App::~App() = default;

void App::SetScreen(std::int32_t s, Screen* screen) {
    if (IsState(s) && kRoutes[static_cast<std::size_t>(s)].draw)
        m_screens[static_cast<std::size_t>(s)] = screen;
}

std::string App::ProgramFolderPath() const {
    std::string folder = m_options.programFolder;
    if (folder.empty())
        folder = platform::ProgramFolder();
    if (!folder.empty() && folder.back() != '/')
        folder.push_back('/');
    return folder;
}

std::string App::ArchivePath() const {
    const std::string beside = ProgramFolderPath() + kArchiveFileName;
    // An installed program finds it under its prefix's share folder, found from where the
    // program is, so that a prefix moved elsewhere works; the build folder has it beside.
    const std::string installed = InstalledArchivePath();
    struct stat info {};
    if (m_options.programFolder.empty() && ::stat(beside.c_str(), &info) != 0 &&
        ::stat(installed.c_str(), &info) == 0)
        return installed;
    return beside;
}

std::string App::InstalledArchivePath() const {
    return std::filesystem::path(ProgramFolderPath() + "../share/brelvo/" + kArchiveFileName)
        .lexically_normal()
        .string();
}

Screen* App::Target(std::int32_t s) const {
    return IsState(s) ? m_screens[static_cast<std::size_t>(s)] : nullptr;
}

void App::LoadFonts() {
    for (std::size_t i = 0; i < art::kFontsInLoadOrder.size(); ++i) {
        LoadArtwork(m_archive, art::kFontsInLoadOrder[i].id, InterfaceFonts[i]);
        BuildGlyphs(InterfaceFonts[i], art::kFontsInLoadOrder[i].charset);
    }

    // The tenth font is the title font drawn on opaque black, for text over pictures. The black
    // ground has the body font's size, as far as it lies on the title font's.
    BitmapFont& title = InterfaceFonts[font::kTitle];
    const BitmapFont& body = InterfaceFonts[font::kBody];
    BitmapFont& onBlack = InterfaceFonts[font::kTitleOnBlack];
    onBlack.Release();
    Surface scratch;
    if (title.GetPixels() &&
        Succeeded(scratch.Create(CREATE_CLEAR, title.GetWidth(), title.GetHeight()))) {
        const Rect ground(0, 0, body.GetWidth() - 1, body.GetHeight() - 1);
        FillRect(scratch, &ground, 0x000000, 1);
        title.SetColorKey(kFontGround);
        Blit(scratch, 0, 0, title, nullptr, BLT_KEYED);
        scratch.SetColorKey(kFontGround);
        CopySurface(scratch, onBlack);
        onBlack.SetColorKey(kMagenta);
        BuildGlyphs(onBlack, CHARSET_LATIN);
    }
    title.SetColorKey(kMagenta);
}

HResult App::OnInit(Surface& display) {
    m_displayHeight = display.GetHeight();
    LayoutOffset = Point(0, kDesignHeight - m_displayHeight);

    const std::string path = ArchivePath();
    m_archive.Close();
    if (!m_archive.Open(FromUtf8(path).c_str())) {
        // The handheld ended here without a word; a desktop user needs to know what is missing.
        struct stat info {};
        const char* reason =
            ::stat(path.c_str(), &info) != 0 ? std::strerror(errno) : "not a readable archive";
        std::fprintf(stderr, "brelvo: cannot open the artwork archive %s (nor %s): %s\n",
                     path.c_str(), InstalledArchivePath().c_str(), reason);
        return kErrArchiveMissing;
    }

    LoadFonts();
    const bool shortScreen = LayoutOffset.y != 0;
    LoadArtwork(m_archive, shortScreen ? art::kStartupPictureShort : art::kStartupPicture,
                StartupPicture);
    LoadArtwork(m_archive, shortScreen ? art::kTitlePictureShort : art::kTitlePicture,
                TitlePicture);

    // Each screen fetches its own artwork while the archive is open: editor, browser, save
    // screen, confirmation dialog, help.
    for (const std::int32_t s :
         {state::kEditor, state::kBrowser, state::kSave, state::kConfirm, state::kHelp}) {
        if (Screen* screen = Target(s))
            screen->Initialise(m_archive);
    }
    SetState(state::kStartup, 0);
    // Nothing has been copied yet.
    m_editor.ResetPaste();
    // The picture named on the command line decodes while the start-up picture shows.
    if (!m_options.startFile.empty())
        m_open.OpenPictureFile(m_options.startFile, true);

    // No entry is read after start-up: the artwork lives in memory from here on.
    m_archive.Close();
    return kOk;
}

HResult App::Render(Surface& backBuffer, std::uint32_t frameFlags) {
    (void)frameFlags;
    std::lock_guard lock(globalLock);
    ScreenStates.Tick();
    const std::int32_t s = GetState();
    if (s != m_drawnState) {
        if (Screen* left = Target(m_drawnState))
            left->Leave();
        m_drawnState = s;
    }
    if (platform::Window* window = GetWindow()) {
        std::u16string title = m_editor.Title();
        if (title != m_windowTitle) {
            m_windowTitle = std::move(title);
            window->SetTitle(m_windowTitle);
        }
    }
    switch (s) {
    case state::kStartup:
        Blit(backBuffer, 0, 0, StartupPicture, nullptr, BLT_KEYED);
        // Only the first request counts, so the picture stays for 61 frames (about two seconds);
        // a picture from the command line is decoded first, so that the editor opens with it.
        if (m_options.startFile.empty() || !m_open.IsLoading())
            SetState(state::kEditor, 60);
        break;
    case state::kExit:
        RequestQuit();
        break;
    default:
        if (IsState(s) && kRoutes[static_cast<std::size_t>(s)].draw) {
            if (Screen* screen = Target(s))
                screen->Draw(backBuffer);
        }
        break;
    }
    return kOk;
}

HResult App::StylusDown(std::int32_t x, std::int32_t y) {
    ScreenContext::Dispatch hold(m_context);
    if (IgnoreNextTap.exchange(false))
        return kOk;
    const std::int32_t s = GetState();
    if (IsState(s) && kRoutes[static_cast<std::size_t>(s)].stylus) {
        if (Screen* screen = Target(s))
            screen->StylusDown(x, y);
    }
    return kOk;
}

HResult App::StylusUp(std::int32_t x, std::int32_t y) {
    ScreenContext::Dispatch hold(m_context);
    const std::int32_t s = GetState();
    if (IsState(s) && kRoutes[static_cast<std::size_t>(s)].stylus) {
        if (Screen* screen = Target(s))
            screen->StylusUp(x, y);
    }
    return kOk;
}

HResult App::StylusMove(std::int32_t x, std::int32_t y) {
    ScreenContext::Dispatch hold(m_context);
    const std::int32_t s = GetState();
    if (IsState(s) && kRoutes[static_cast<std::size_t>(s)].stylus) {
        if (Screen* screen = Target(s))
            screen->StylusMove(x, y);
    }
    return kOk;
}

HResult App::Wheel(std::int32_t dx, std::int32_t dy) {
    ScreenContext::Dispatch hold(m_context);
    // The screens that scroll: the editor's picture and the help pages.
    const std::int32_t s = GetState();
    if (s == state::kEditor || s == state::kHelp) {
        if (Screen* screen = Target(s))
            screen->Wheel(dx, dy);
    }
    return kOk;
}

HResult App::OnClose() {
    ScreenContext::Dispatch hold(m_context);
    if (GetState() == state::kConfirm)
        return kOk;
    if (m_editor.WouldAskBeforeLeaving()) {
        m_editor.Exit();
        return kOk;
    }
    return RequestQuit();
}

HResult App::OnOpenRequest(const std::string& hostPath) {
    std::u16string devicePath;
    if (Failed(platform::DevicePathFromHost(hostPath, devicePath))) {
        std::fprintf(stderr, "brelvo: %s lies outside the folder Brelvo shows (%s)\n",
                     hostPath.c_str(), platform::GetDeviceRoot().c_str());
        return kOk;
    }
    ScreenContext::Dispatch hold(m_context);
    if (!m_editor.Document().changed.load()) {
        m_open.OpenPictureFile(devicePath, true);
        return kOk;
    }
    // Unsaved changes are asked about as the browser's Open asks; a question or a name being
    // typed is left alone.
    const std::int32_t s = GetState();
    if (s != state::kEditor && s != state::kBrowser && s != state::kTitle) {
        std::fprintf(stderr,
                     "brelvo: %s not opened: answer the question on the screen or finish "
                     "saving first\n",
                     hostPath.c_str());
        return kOk;
    }
    m_open.Choose(devicePath);
    m_dialog.Start(EditorScreen::kAskBeforeOpening);
    SetState(state::kConfirm, 0);
    return kOk;
}

HResult App::StylusDoubleTap(std::int32_t, std::int32_t) {
    return kOk;
}

HResult App::KeyDown(std::uint16_t key, KeyMap keys) {
    ScreenContext::Dispatch hold(m_context);
    const std::int32_t s = GetState();
    if (IsState(s) && kRoutes[static_cast<std::size_t>(s)].keyDown) {
        if (Screen* screen = Target(s))
            screen->KeyDown(key, keys);
    }
    return kOk;
}

HResult App::KeyUp(std::uint16_t key, KeyMap keys) {
    ScreenContext::Dispatch hold(m_context);
    for (const std::int32_t held : {state::kEditor, state::kHelp}) {
        if (Screen* screen = Target(held))
            screen->ReleaseHeldKeys();
    }
    if (GetState() == state::kEditor) {
        if (Screen* screen = Target(state::kEditor))
            screen->KeyUp(key, keys);
    }
    return kOk;
}

HResult App::Char(char16_t character, std::uint32_t keyData) {
    ScreenContext::Dispatch hold(m_context);
    const std::int32_t s = GetState();
    if (IsState(s) && kRoutes[static_cast<std::size_t>(s)].character) {
        if (Screen* screen = Target(s))
            screen->Char(character, keyData);
    }
    return kOk;
}

} // namespace brelvo
