#include "platform/SdlWindow.h"

#include "base/WString.h"
#include "platform/LatencyTrace.h"
#include "platform/VirtualKeys.h"
#include "platform/WindowLayout.h"

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <mutex>
#include <vector>

namespace brelvo::platform {
namespace {

// The codes of the window's own user events.
enum : Sint32 { kFrameReady = 1, kPosted, kRaise, kWake, kQuit, kTitle };

std::uint16_t TranslateKey(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z)
        return static_cast<std::uint16_t>('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9)
        return static_cast<std::uint16_t>('0' + (key - SDLK_0));
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return static_cast<std::uint16_t>(vk::kF1 + (key - SDLK_F1));
    switch (key) {
    case SDLK_UP:
        return vk::kUp;
    case SDLK_DOWN:
        return vk::kDown;
    case SDLK_LEFT:
        return vk::kLeft;
    case SDLK_RIGHT:
        return vk::kRight;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return vk::kEnter;
    case SDLK_SPACE:
        return vk::kSpace;
    case SDLK_BACKSPACE:
        return vk::kBackspace;
    case SDLK_TAB:
        return vk::kTab;
    case SDLK_ESCAPE:
        return vk::kEscape;
    case SDLK_DELETE:
        return vk::kDelete;
    case SDLK_HOME:
        return vk::kHome;
    case SDLK_END:
        return vk::kEnd;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return vk::kControl;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return vk::kShift;
    case SDLK_PAGEUP:
        return vk::kPageUp;
    case SDLK_PAGEDOWN:
        return vk::kPageDown;
    default:
        return 0;
    }
}

// UTF-8 text input as UTF-16 units; malformed bytes become U+FFFD.
void AppendUtf16(const char* text, std::deque<WindowEvent>& out) {
    for (const char16_t unit : Utf8ToUtf16(text))
        out.push_back(
            WindowEvent{.type = WindowEvent::Type::Char, .character = unit, .keyData = 1});
}

// Milliseconds from BRELVO_TIMING_ORIGIN (a CLOCK_MONOTONIC reading in nanoseconds, taken by
// whoever started the program) to now; negative when the variable is not set.
double MillisecondsSinceOrigin() {
    const char* origin = std::getenv("BRELVO_TIMING_ORIGIN");
    if (!origin || !*origin)
        return -1;
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const double nowNs = static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
    return (nowNs - std::strtod(origin, nullptr)) / 1e6;
}

class SdlWindow final : public Window {
public:
    explicit SdlWindow(const SdlWindowOptions& options)
        : m_scale(options.scale), m_userFullScreen(options.fullScreen) {}
    ~SdlWindow() override { Destroy(); }

    HResult Create(const WindowOptions& options) override;
    void Destroy() override;
    bool IsOnScreen() const override { return true; }
    void GetScreenSize(std::int32_t& width, std::int32_t& height) const override {
        width = m_width;
        height = m_height;
    }
    bool WaitEvent(std::uint32_t timeoutMs, WindowEvent& event) override;
    bool PollEvent(WindowEvent& event) override;
    void SetFullScreen(bool on) override;
    void Minimise() override;
    void Raise() override;
    void ShowError(const std::string& title, const std::string& text) override;
    void PostUserMessage(std::uint32_t message) override { PushOwn(kPosted, message); }
    void RequestRaise() override { PushOwn(kRaise, 0); }
    void RequestClose() override { PushOwn(kQuit, 0); }
    void SetTitle(const std::u16string& title) override;
    bool AwaitFrameTurn() override { return true; }
    void NudgeFrameTurn() override {}
    void SubmitFrame(const std::uint16_t* pixels, std::int32_t width, std::int32_t height,
                     std::size_t pitchBytes) override;
    void FrameLoopEnded() override { PushOwn(kWake, 0); }

private:
    void PushOwn(Sint32 code, std::uint32_t data);
    // True when the SDL event became a WindowEvent in out (or queued ones in m_pending).
    bool Translate(const SDL_Event& e, WindowEvent& out);
    bool TakePending(WindowEvent& out);
    void ShowFrame();
    void ApplyFullScreen(bool on);
    bool MapMouse(std::int32_t wx, std::int32_t wy, WindowEvent& out);

    std::int32_t m_scale;
    bool m_userFullScreen;
    bool m_inFullScreen = false;
    std::int32_t m_width = 240;
    std::int32_t m_height = 320;
    bool m_videoStarted = false;
    SDL_Window* m_window = nullptr;
    SDL_Renderer* m_renderer = nullptr;
    SDL_Texture* m_texture = nullptr;
    // Written once by Create before the primary thread exists, then only read.
    std::atomic<Uint32> m_eventType{0};
    std::deque<WindowEvent> m_pending;
    bool m_stylusDown = false;
    bool m_shownOnce = false;

    // The front buffer: the last frame the primary thread handed over.
    std::mutex m_frameMutex;
    std::vector<std::uint16_t> m_front;
    bool m_haveFrame = false;
    bool m_frameChanged = false;
    std::atomic<bool> m_wakePending{false};
    // The newest stylus event the front buffer shows, for the latency trace.
    std::uint64_t m_frontInput = 0;
    // The monotonic time of SDL's tick 0, for the events' timestamps.
    std::int64_t m_ticksOriginNs = 0;

    // The title the program asked for last; any thread sets it, the window thread shows it.
    std::mutex m_titleMutex;
    std::u16string m_title;
};

HResult SdlWindow::Create(const WindowOptions& options) {
    if (options.width <= 0 || options.height <= 0)
        return kErrFail;
    m_width = options.width;
    m_height = options.height;
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Only minimising suspends the program; losing the focus to another window must not.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    // A 240 x 320 picture scaled by a whole factor is a cheap copy for the processor, and the
    // software path starts in milliseconds where loading a GL driver takes a third of a second
    // (far more than the whole program's start-up) and needs a working GPU stack. Environment
    // variables (SDL_RENDER_DRIVER, SDL_FRAMEBUFFER_ACCELERATION) still choose otherwise.
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "brelvo: no window can be opened: %s\n", SDL_GetError());
        return kErrFail;
    }
    m_videoStarted = true;
    m_ticksOriginNs = latency::NowNs() - static_cast<std::int64_t>(SDL_GetTicks64()) * 1000000;
    // Without a desktop SDL falls back to drivers that draw nowhere; a window nobody can see
    // would leave the user with a program that seems not to start. Someone who asks for such a
    // driver by name gets it.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* chosen = std::getenv("SDL_VIDEODRIVER");
    if (driver && (!chosen || !*chosen) &&
        (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
        std::fprintf(stderr,
                     "brelvo: no display to open a window on (DISPLAY and WAYLAND_DISPLAY are "
                     "not usable); use --headless to run without one\n");
        return kErrFail;
    }
    const Uint32 type = SDL_RegisterEvents(1);
    if (type == static_cast<Uint32>(-1)) {
        std::fprintf(stderr, "brelvo: SDL has no user events left\n");
        return kErrFail;
    }
    m_eventType.store(type);

    if (m_scale <= 0) {
        SDL_Rect usable{0, 0, 0, 0};
        if (SDL_GetDisplayUsableBounds(0, &usable) != 0)
            usable = SDL_Rect{0, 0, 0, 0};
        m_scale = DefaultScale(usable.w, usable.h, m_width, m_height);
    }
    const std::string title = options.title;
    m_window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                m_width * m_scale, m_height * m_scale, SDL_WINDOW_SHOWN);
    if (!m_window) {
        std::fprintf(stderr, "brelvo: the window cannot be created: %s\n", SDL_GetError());
        return kErrFail;
    }
    m_renderer = SDL_CreateRenderer(m_window, -1, 0);
    if (!m_renderer)
        m_renderer = SDL_CreateRenderer(m_window, -1, SDL_RENDERER_SOFTWARE);
    if (m_renderer)
        m_texture = SDL_CreateTexture(m_renderer, SDL_PIXELFORMAT_RGB565,
                                      SDL_TEXTUREACCESS_STREAMING, m_width, m_height);
    if (!m_renderer || !m_texture) {
        std::fprintf(stderr, "brelvo: the window cannot be drawn into: %s\n", SDL_GetError());
        return kErrFail;
    }
    {
        std::lock_guard lock(m_frameMutex);
        m_front.assign(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height), 0);
    }
    SDL_StartTextInput();
    // Until the first frame arrives the window shows black, not whatever was behind it.
    SDL_SetRenderDrawColor(m_renderer, 0, 0, 0, 255);
    SDL_RenderClear(m_renderer);
    SDL_RenderPresent(m_renderer);
    return kOk;
}

void SdlWindow::Destroy() {
    if (m_texture)
        SDL_DestroyTexture(m_texture);
    if (m_renderer)
        SDL_DestroyRenderer(m_renderer);
    if (m_window)
        SDL_DestroyWindow(m_window);
    m_texture = nullptr;
    m_renderer = nullptr;
    m_window = nullptr;
    if (m_videoStarted) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        SDL_Quit();
        m_videoStarted = false;
    }
}

void SdlWindow::PushOwn(Sint32 code, std::uint32_t data) {
    const Uint32 type = m_eventType.load();
    if (type == 0)
        return;
    SDL_Event e{};
    e.type = type;
    e.user.code = code;
    e.user.data1 = reinterpret_cast<void*>(static_cast<std::uintptr_t>(data));
    SDL_PushEvent(&e);
}

void SdlWindow::SetTitle(const std::u16string& title) {
    {
        std::lock_guard lock(m_titleMutex);
        m_title = title;
    }
    PushOwn(kTitle, 0);
}

bool SdlWindow::TakePending(WindowEvent& out) {
    if (m_pending.empty())
        return false;
    out = m_pending.front();
    m_pending.pop_front();
    return true;
}

bool SdlWindow::WaitEvent(std::uint32_t timeoutMs, WindowEvent& event) {
    if (TakePending(event))
        return true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() < 0)
            return false;
        SDL_Event e;
        if (!SDL_WaitEventTimeout(&e, static_cast<int>(left.count())))
            return false;
        if (Translate(e, event))
            return true;
    }
}

bool SdlWindow::PollEvent(WindowEvent& event) {
    if (TakePending(event))
        return true;
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        if (Translate(e, event))
            return true;
    }
    return false;
}

bool SdlWindow::MapMouse(std::int32_t wx, std::int32_t wy, WindowEvent& out) {
    int outputW = 0, outputH = 0;
    SDL_GetRendererOutputSize(m_renderer, &outputW, &outputH);
    int windowW = 0, windowH = 0;
    SDL_GetWindowSize(m_window, &windowW, &windowH);
    // Mouse positions are in window units, the layout in output pixels; they differ on a
    // high-density screen.
    if (windowW > 0 && windowH > 0 && (outputW != windowW || outputH != windowH)) {
        wx = static_cast<std::int32_t>(static_cast<std::int64_t>(wx) * outputW / windowW);
        wy = static_cast<std::int32_t>(static_cast<std::int64_t>(wy) * outputH / windowH);
    }
    const WindowLayout layout = FitScreen(outputW, outputH, m_width, m_height);
    WindowToScreen(layout, wx, wy, out.x, out.y);
    return true;
}

bool SdlWindow::Translate(const SDL_Event& e, WindowEvent& out) {
    using Type = WindowEvent::Type;
    out = WindowEvent{};
    // SDL stamps each event in milliseconds since it started, on the monotonic clock.
    if (latency::Enabled())
        out.timeNs = m_ticksOriginNs + static_cast<std::int64_t>(e.common.timestamp) * 1000000;
    if (e.type == m_eventType.load()) {
        switch (e.user.code) {
        case kFrameReady:
            m_wakePending.store(false);
            ShowFrame();
            return false;
        case kPosted:
            out.type = Type::UserMessage;
            out.message =
                static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(e.user.data1));
            return true;
        case kRaise:
            Raise();
            return false;
        case kQuit:
            out.type = Type::Quit;
            return true;
        case kTitle: {
            std::u16string title;
            {
                std::lock_guard lock(m_titleMutex);
                title = m_title;
            }
            if (m_window)
                SDL_SetWindowTitle(m_window, ToUtf8(WString(title.c_str())).c_str());
            return false;
        }
        default:
            // A wake-up: the owner looks at its flags.
            return true;
        }
    }
    switch (e.type) {
    case SDL_QUIT:
        out.type = Type::Close;
        return true;
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            out.type = Type::Close;
            return true;
        case SDL_WINDOWEVENT_MINIMIZED:
        case SDL_WINDOWEVENT_HIDDEN:
            out.type = Type::Deactivated;
            return true;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_MAXIMIZED:
            out.type = Type::Activated;
            return true;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED: {
            std::lock_guard lock(m_frameMutex);
            m_frameChanged = m_haveFrame;
        }
            ShowFrame();
            return false;
        default:
            return false;
        }
    case SDL_MOUSEBUTTONDOWN:
        if (e.button.button != SDL_BUTTON_LEFT)
            return false;
        m_stylusDown = true;
        out.type = Type::StylusDown;
        out.clicks = e.button.clicks;
        return MapMouse(e.button.x, e.button.y, out);
    case SDL_MOUSEBUTTONUP:
        if (e.button.button != SDL_BUTTON_LEFT || !m_stylusDown)
            return false;
        m_stylusDown = false;
        out.type = Type::StylusUp;
        return MapMouse(e.button.x, e.button.y, out);
    case SDL_MOUSEMOTION:
        // A stylus only moves while it touches the screen; a hovering mouse is not a stylus.
        if (!m_stylusDown || (e.motion.state & SDL_BUTTON_LMASK) == 0)
            return false;
        out.type = Type::StylusMove;
        return MapMouse(e.motion.x, e.motion.y, out);
    case SDL_MOUSEWHEEL: {
        const std::int32_t flip = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
        out.type = Type::Wheel;
        // Scrolling the wheel away from the user moves the view up, as everywhere on a desktop.
        out.x = flip * e.wheel.x;
        out.y = -flip * e.wheel.y;
        return out.x != 0 || out.y != 0;
    }
    case SDL_KEYDOWN: {
        if (e.key.keysym.sym == SDLK_F11) {
            if (!e.key.repeat) {
                m_userFullScreen = !m_userFullScreen;
                ApplyFullScreen(m_userFullScreen);
            }
            return false;
        }
        const std::uint16_t key = TranslateKey(e.key.keysym.sym);
        if (key == 0)
            return false;
        out.type = Type::KeyDown;
        out.key = key;
        out.repeat = e.key.repeat != 0;
        if (const char16_t c = ControlCharForKey(key))
            m_pending.push_back(WindowEvent{.type = Type::Char, .character = c, .keyData = 1});
        return true;
    }
    case SDL_KEYUP: {
        const std::uint16_t key = TranslateKey(e.key.keysym.sym);
        if (key == 0 || e.key.keysym.sym == SDLK_F11)
            return false;
        out.type = Type::KeyUp;
        out.key = key;
        return true;
    }
    case SDL_TEXTINPUT:
        AppendUtf16(e.text.text, m_pending);
        return TakePending(out);
    default:
        return false;
    }
}

void SdlWindow::SubmitFrame(const std::uint16_t* pixels, std::int32_t width, std::int32_t height,
                            std::size_t pitchBytes) {
    if (!pixels || width != m_width || height != m_height)
        return;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 2;
    const auto* source = reinterpret_cast<const std::uint8_t*>(pixels);
    {
        std::lock_guard lock(m_frameMutex);
        auto* front = reinterpret_cast<std::uint8_t*>(m_front.data());
        bool same = m_haveFrame;
        for (std::int32_t y = 0; y < height; ++y) {
            const std::uint8_t* row = source + static_cast<std::size_t>(y) * pitchBytes;
            std::uint8_t* target = front + static_cast<std::size_t>(y) * rowBytes;
            if (same && std::memcmp(target, row, rowBytes) == 0)
                continue;
            same = false;
            std::memcpy(target, row, rowBytes);
        }
        if (same)
            return;
        m_haveFrame = true;
        m_frameChanged = true;
        m_frontInput = latency::ComposedInput();
    }
    // One wake-up at a time is enough: the window thread shows whatever is newest.
    if (!m_wakePending.exchange(true))
        PushOwn(kFrameReady, 0);
}

void SdlWindow::ShowFrame() {
    if (!m_renderer || !m_texture)
        return;
    std::uint64_t shownInput = 0;
    {
        std::lock_guard lock(m_frameMutex);
        if (!m_frameChanged)
            return;
        m_frameChanged = false;
        SDL_UpdateTexture(m_texture, nullptr, m_front.data(), m_width * 2);
        shownInput = m_frontInput;
    }
    int outputW = 0, outputH = 0;
    SDL_GetRendererOutputSize(m_renderer, &outputW, &outputH);
    const WindowLayout layout = FitScreen(outputW, outputH, m_width, m_height);
    const SDL_Rect target{layout.left, layout.top, layout.width, layout.height};
    SDL_SetRenderDrawColor(m_renderer, 0, 0, 0, 255);
    SDL_RenderClear(m_renderer);
    SDL_RenderCopy(m_renderer, m_texture, nullptr, &target);
    SDL_RenderPresent(m_renderer);
    latency::FramePresented(shownInput);
    if (!m_shownOnce) {
        m_shownOnce = true;
        const double ms = MillisecondsSinceOrigin();
        if (ms >= 0)
            std::fprintf(stderr, "brelvo: first frame on screen %.1f ms after start\n", ms);
    }
}

void SdlWindow::ApplyFullScreen(bool on) {
    if (!m_window || on == m_inFullScreen)
        return;
    if (SDL_SetWindowFullscreen(m_window, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) == 0)
        m_inFullScreen = on;
}

void SdlWindow::SetFullScreen(bool on) {
    ApplyFullScreen(on && m_userFullScreen);
}

void SdlWindow::Minimise() {
    if (m_window)
        SDL_MinimizeWindow(m_window);
}

void SdlWindow::Raise() {
    if (!m_window)
        return;
    SDL_RestoreWindow(m_window);
    SDL_RaiseWindow(m_window);
}

void SdlWindow::ShowError(const std::string& title, const std::string& text) {
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), text.c_str(), m_window);
}

} // namespace

std::unique_ptr<Window> CreateSdlWindow(const SdlWindowOptions& options) {
    return std::make_unique<SdlWindow>(options);
}

} // namespace brelvo::platform
