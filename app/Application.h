#pragma once

#include "app/ApplicationConfig.h"
#include "app/Display.h"
#include "app/FrameTimer.h"
#include "app/KeyMap.h"
#include "base/Result.h"
#include "gfx/Surface.h"
#include "platform/Event.h"
#include "platform/Window.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace brelvo {

// Turns a window into a frame-driven program. It owns the Display with its back buffer, the key
// map and the frame timer, and two threads: the window thread (the one that calls Run), which
// reads the window's events and runs every stylus, key and character handler, and the primary
// thread, which initialises the program once and then renders and presents frames about 30
// times a second until the program quits.
//
// A program derives from it and overrides the handlers. The flags the two threads share are
// atomic; anything the handlers and the drawing share is the program's to guard.
class Application {
public:
    // Render's frame flags: the first frame after the program came back from a suspension. The
    // bits of kInfoLateFrame are set as well when the previous frame was late.
    static constexpr std::uint32_t kFrameResumed = 2;
    // The message the primary thread posts to the window thread to have the program suspended.
    static constexpr std::uint32_t kSuspendMessage = 0x401;
    // The message that has the window thread look at the files another copy handed over.
    static constexpr std::uint32_t kOpenFilesMessage = 0x402;

    explicit Application(const ApplicationConfig& config);
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The whole life of the program: kOk, or the code of the failure that ended it. A second
    // copy of a program with a window on the screen raises the first one's and returns kOk.
    virtual HResult Run();
    virtual HResult RequestQuit();
    // The primary thread turns the request into a suspend message to the window thread.
    virtual HResult RequestSuspend();
    // The next count frames are paced and presented but not rendered; 0 is refused.
    virtual HResult SkipFrames(std::uint32_t count);
    // Paces frames at the new rate from the next frame on; 0 is refused.
    virtual HResult SetFrameRate(std::uint32_t fps);
    // Applied by the primary thread before its next frame; with reinitialise, OnInit runs again.
    virtual HResult RequestDisplayMode(std::uint32_t orientation, bool reinitialise);
    // Keeps the text shown to the user when the program ends, and writes it to standard error
    // at once. A later call replaces it. kErrFail for no text, else kOk.
    virtual HResult SetError(const char16_t* text, HResult code);

    // The primary thread's life: OnThreadStart and OnInit first, OnThreadEnd last. A failure
    // from OnThreadStart, OnInit or Render ends the program with that code.
    virtual HResult OnThreadStart() { return kOk; }
    virtual HResult OnThreadEnd() { return kOk; }
    virtual HResult OnSuspend() { return kOk; }
    virtual HResult OnResume() { return kOk; }
    virtual HResult OnInit(Surface& display);
    virtual HResult Render(Surface& backBuffer, std::uint32_t frameFlags);

    // The window thread's handlers. Stylus points are in back-buffer pixels.
    virtual HResult KeyDown(std::uint16_t key, KeyMap keys);
    virtual HResult KeyUp(std::uint16_t key, KeyMap keys);
    virtual HResult Char(char16_t character, std::uint32_t keyData);
    virtual HResult StylusDown(std::int32_t x, std::int32_t y);
    virtual HResult StylusUp(std::int32_t x, std::int32_t y);
    virtual HResult StylusDoubleTap(std::int32_t x, std::int32_t y);
    virtual HResult StylusMove(std::int32_t x, std::int32_t y);
    // The mouse wheel, in whole steps; nothing by default.
    virtual HResult Wheel(std::int32_t dx, std::int32_t dy);
    // The user asked to close the window; by default the program quits.
    virtual HResult OnClose();
    // Window thread: another copy of the program was started with this file (an absolute host
    // path) and handed it over; by default nothing happens beyond raising the window.
    virtual HResult OnOpenRequest(const std::string& hostPath);
    // Before Run: when another copy is already running, it is asked to open this file (an
    // absolute host path) instead of only raising its window.
    void SetFileToHandOver(std::string hostPath) { m_handOver = std::move(hostPath); }

    // Turns one window event into the handler call it stands for: key repeats are dropped,
    // stylus moves reach StylusMove only while the program is active, the suspend message runs
    // the suspension handshake. Window thread.
    virtual HResult WindowProc(const platform::WindowEvent& event);

    std::u16string GetErrorText() const;
    bool IsActive() const { return m_active.load(); }
    bool IsQuitting() const { return m_quit.load(); }

protected:
    Display& GetDisplay() { return m_display; }
    platform::Window* GetWindow() const { return m_config.window; }

private:
    void MessageLoop();
    void PrimaryThread();
    // The primary thread's side of a display-mode change; false (with failure set) when the
    // program must stop.
    bool ApplyModeChange(HResult& failure);
    // The window thread's side of the suspension handshake.
    void Suspend();
    void Activate();
    // Shows the error text, if any, and destroys the window.
    void EndWindow();
    // Tells a frame loop that may be waiting that a flag has changed.
    void Nudge();

    ApplicationConfig m_config;
    std::atomic<bool> m_active{true};
    std::atomic<bool> m_modeChangePending{false};
    std::atomic<bool> m_suspendRequested{false};
    std::atomic<std::uint32_t> m_framesToSkip{0};
    std::thread m_primaryThread;
    std::atomic<bool> m_quit{false};
    std::atomic<bool> m_ackRequested{false};
    std::atomic<bool> m_resumePending{false};
    std::atomic<bool> m_timerRestart{false};
    std::atomic<std::uint32_t> m_frameRate{0};
    std::atomic<bool> m_threadDone{false};
    std::atomic<HResult> m_threadResult{kOk};
    platform::Event m_threadFinished;
    platform::Event m_suspendAcked;
    // Wakes the primary thread early from its sleep while the program is suspended.
    platform::Event m_wake;

    mutable std::mutex m_errorLock;
    std::u16string m_errorText;

    // The orientation and re-initialise request of RequestDisplayMode, which any thread may
    // call.
    std::mutex m_modeLock;
    bool m_reinitialise = false;

    // Files handed over by later copies, from the single-instance thread to the window thread.
    std::mutex m_openLock;
    std::vector<std::string> m_openRequests;
    std::string m_handOver;
    Display m_display;
    Surface m_backBuffer;
    // The key map is copied for every key on the window thread and reopened by a mode change on
    // the primary thread.
    mutable std::mutex m_keyLock;
    KeyMapHolder m_keys;
    FrameTimer m_timer;
};

} // namespace brelvo
