#pragma once

#include "base/Result.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace brelvo::platform {

// One thing the window system tells the program. Stylus positions are already in device-screen
// pixels (the 240 x 320 screen the program draws, before any display orientation), key codes
// are virtual-key codes (platform/VirtualKeys.h).
struct WindowEvent {
    enum class Type {
        // Nothing to deliver: the window was woken so that its owner looks at its own flags.
        None,
        StylusDown,
        StylusUp,
        StylusMove,
        KeyDown,
        KeyUp,
        Char,
        // The window was restored (shown) or minimised (hidden). Losing the keyboard focus alone
        // is neither.
        Activated,
        Deactivated,
        // The user asked to close the window (its close button, the script's "close"): the
        // program may first ask about unsaved work.
        Close,
        // The program must end now (a signal, the end of a script).
        Quit,
        // The mouse wheel turned: x and y are whole steps, right and down positive.
        Wheel,
        // A message posted with PostUserMessage.
        UserMessage,
    };

    Type type = Type::None;
    std::int32_t x = 0;
    std::int32_t y = 0;
    // StylusDown: 2 for the second press of a double tap, otherwise 1.
    std::uint32_t clicks = 1;
    std::uint16_t key = 0;
    // KeyDown: the key is held and this press is the keyboard's automatic repeat.
    bool repeat = false;
    char16_t character = 0;
    // Char: the key data word; the repeat count (1) in its low 16 bits.
    std::uint32_t keyData = 0;
    std::uint32_t message = 0;
    // When the event reached the program, on the monotonic clock in nanoseconds; 0 when the
    // window does not know.
    std::int64_t timeNs = 0;
};

struct WindowOptions {
    std::string title;
    // The device screen in pixels; the window shows it scaled.
    std::int32_t width = 240;
    std::int32_t height = 320;
};

// The window the program lives in, with its event queue and the way frames reach the screen.
// Two backends implement it: a real desktop window (SdlWindow.h) and a headless twin driven by
// a script (HeadlessWindow.h). Operations say which thread may call them: the window thread is
// the one that created the window and reads its events; the primary thread composes frames.
class Window {
public:
    virtual ~Window() = default;

    // Window thread. kOk, or kErrFail with the reason on standard error.
    virtual HResult Create(const WindowOptions& options) = 0;
    virtual void Destroy() = 0;
    // True for a window a person sees; such a program keeps to one running copy.
    virtual bool IsOnScreen() const = 0;
    // The device screen's size in pixels, as given to Create.
    virtual void GetScreenSize(std::int32_t& width, std::int32_t& height) const = 0;

    // Window thread. Waits up to timeoutMs for the next event; false when none came.
    virtual bool WaitEvent(std::uint32_t timeoutMs, WindowEvent& event) = 0;
    // Window thread. The next waiting event without waiting; false when there is none.
    virtual bool PollEvent(WindowEvent& event) = 0;

    // Window thread. The program's full-screen mode on or off: on a desktop it enters or leaves
    // desktop full screen when the user chose it (F11 or --fullscreen), else it does nothing.
    virtual void SetFullScreen(bool on) = 0;
    virtual void Minimise() = 0;
    // Window thread. Restores the window and brings it to the front.
    virtual void Raise() = 0;
    // Window thread. Shows the text to the user in a box with the title, where there is a
    // screen; the caller has already written it to standard error.
    virtual void ShowError(const std::string& title, const std::string& text) = 0;

    // Any thread. Queues a UserMessage event for the window thread and wakes it.
    virtual void PostUserMessage(std::uint32_t message) = 0;
    // Any thread. Asks the window thread to raise the window (another copy of the program was
    // started).
    virtual void RequestRaise() = 0;
    // Any thread, signal watchers included. Queues a Quit event: the program ends without asking.
    virtual void RequestClose() = 0;
    // Any thread. Shows the text as the window's title, where there is one.
    virtual void SetTitle(const std::u16string& title) = 0;

    // Primary thread, once before each frame it composes while active. The desktop window says
    // yes at once; the headless window blocks until its script lets a frame be composed. False
    // when NudgeFrameTurn woke it without a frame: the caller looks at its flags again.
    virtual bool AwaitFrameTurn() = 0;
    // Any thread. Wakes AwaitFrameTurn; called whenever a flag the frame loop reads has changed.
    virtual void NudgeFrameTurn() = 0;
    // Primary thread. Hands over a finished frame of RGB565 pixels (rows pitchBytes apart). The
    // pixels are copied before the call returns; the window thread puts them on the screen.
    virtual void SubmitFrame(const std::uint16_t* pixels, std::int32_t width, std::int32_t height,
                             std::size_t pitchBytes) = 0;
    // Primary thread, as its last act: wakes the window thread so that it sees the end.
    virtual void FrameLoopEnded() = 0;
};

} // namespace brelvo::platform
