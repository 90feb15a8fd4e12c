#include "app/Application.h"

#include "base/WString.h"
#include "platform/LatencyTrace.h"
#include "platform/SingleInstance.h"

#include <chrono>
#include <cstdio>
#include <system_error>

namespace brelvo {
namespace {

using platform::WindowEvent;

// The error text holds at most this many characters, as the handheld's buffer did.
constexpr std::size_t kErrorTextCapacity = 260;
constexpr auto kLoopWait = std::chrono::milliseconds(250);

std::string Utf8Of(const char16_t* text) {
    return ToUtf8(WString(text));
}

// The name that keeps the program to one copy: the title's letters and digits.
std::string InstanceName(const char16_t* title) {
    std::string name;
    for (const char16_t* c = title; *c; ++c) {
        if ((*c >= u'a' && *c <= u'z') || (*c >= u'A' && *c <= u'Z') || (*c >= u'0' && *c <= u'9'))
            name.push_back(static_cast<char>(*c));
    }
    return name.empty() ? "program" : name;
}

// Stylus positions travel as signed 16-bit values, as the window system delivered them.
Point StylusPoint(const WindowEvent& event) {
    return Point(static_cast<std::int16_t>(event.x), static_cast<std::int16_t>(event.y));
}

} // namespace

Application::Application(const ApplicationConfig& config) : m_config(config) {
    m_frameRate.store(config.frameRate);
}

Application::~Application() {
    if (m_primaryThread.joinable()) {
        m_quit.store(true);
        Nudge();
        m_primaryThread.join();
    }
}

HResult Application::SetError(const char16_t* text, HResult code) {
    std::u16string message;
    HResult result = kOk;
    if (!text || !*text) {
        message = u"Invalid error code description.";
        result = kErrFail;
    } else if (code == kErrNoCounter) {
        message = u"This application requires a 16-bit Pocket PC or Smartphone.";
    } else if (code == kErrMissingExe) {
        message = u"Missing or incorrect file: exe file";
    } else {
        message = text;
        if (code != 0) {
            char suffix[32];
            std::snprintf(suffix, sizeof suffix, "\nError code=0x%x.", static_cast<unsigned>(code));
            for (const char* c = suffix; *c; ++c)
                message.push_back(static_cast<char16_t>(*c));
        }
    }
    if (message.size() >= kErrorTextCapacity)
        message.resize(kErrorTextCapacity - 1);
    {
        std::lock_guard lock(m_errorLock);
        m_errorText = message;
    }
    // Standard error gets every text at once, so that nothing is lost when a later one replaces
    // it or when no screen can show the box.
    std::fprintf(stderr, "brelvo: %s\n", Utf8Of(message.c_str()).c_str());
    return result;
}

std::u16string Application::GetErrorText() const {
    std::lock_guard lock(m_errorLock);
    return m_errorText;
}

HResult Application::RequestQuit() {
    m_quit.store(true);
    Nudge();
    return kOk;
}

HResult Application::RequestSuspend() {
    m_suspendRequested.store(true);
    Nudge();
    return kOk;
}

HResult Application::SkipFrames(std::uint32_t count) {
    if (count == 0)
        return kErrFail;
    m_framesToSkip.store(count);
    return kOk;
}

HResult Application::SetFrameRate(std::uint32_t fps) {
    if (fps == 0)
        return kErrFail;
    // The timer belongs to the primary thread, which restarts it before its next frame.
    m_frameRate.store(fps);
    m_timerRestart.store(true);
    return kOk;
}

HResult Application::RequestDisplayMode(std::uint32_t orientation, bool reinitialise) {
    {
        std::lock_guard lock(m_modeLock);
        m_config.orientation = orientation;
        m_reinitialise = reinitialise;
    }
    m_modeChangePending.store(true);
    Nudge();
    return kOk;
}

HResult Application::OnInit(Surface& display) {
    (void)display;
    return kOk;
}

HResult Application::Render(Surface& backBuffer, std::uint32_t frameFlags) {
    (void)backBuffer;
    (void)frameFlags;
    return kOk;
}

HResult Application::KeyDown(std::uint16_t, KeyMap) {
    return kOk;
}
HResult Application::KeyUp(std::uint16_t, KeyMap) {
    return kOk;
}
HResult Application::Char(char16_t, std::uint32_t) {
    return kOk;
}
HResult Application::StylusDown(std::int32_t, std::int32_t) {
    return kOk;
}
HResult Application::StylusUp(std::int32_t, std::int32_t) {
    return kOk;
}
HResult Application::StylusDoubleTap(std::int32_t, std::int32_t) {
    return kOk;
}
HResult Application::StylusMove(std::int32_t, std::int32_t) {
    return kOk;
}

HResult Application::Wheel(std::int32_t, std::int32_t) {
    return kOk;
}

HResult Application::OnClose() {
    return RequestQuit();
}

HResult Application::OnOpenRequest(const std::string&) {
    return kOk;
}

void Application::Nudge() {
    m_wake.Set();
    if (m_config.window)
        m_config.window->NudgeFrameTurn();
}

HResult Application::Run() {
    platform::Window* window = m_config.window;
    if (!window || !m_config.title || !*m_config.title || m_config.frameRate == 0) {
        SetError(u"Invalid configuration.", 0);
        return kErrFail;
    }

    // A second copy on the same desktop raises the first one's window and leaves. A copy that
    // cannot tell (no usable runtime folder) runs: one copy too many is better than none.
    platform::SingleInstance instance;
    const auto raise = [window] { window->RequestRaise(); };
    const auto open = [this, window](const std::string& file) {
        {
            std::lock_guard hold(m_openLock);
            m_openRequests.push_back(file);
        }
        window->RequestRaise();
        window->PostUserMessage(kOpenFilesMessage);
    };
    if (window->IsOnScreen() &&
        instance.Acquire(InstanceName(m_config.title), raise, open, m_handOver) ==
            platform::SingleInstance::Outcome::AlreadyRunning)
        return kOk;

    std::uint32_t orientation = 0;
    {
        std::lock_guard lock(m_modeLock);
        orientation = m_config.orientation;
    }
    {
        std::lock_guard lock(m_keyLock);
        m_keys.Reopen(orientation);
    }

    platform::WindowOptions options;
    options.title = Utf8Of(m_config.title);
    if (Failed(window->Create(options))) {
        SetError(u"Could not create main window.", 0);
        window->Destroy();
        return kErrFail;
    }
    if (m_config.flags & APP_FULLSCREEN)
        window->SetFullScreen(true);

    HResult result = kOk;
    if (orientation != 0 &&
        Failed(result = m_display.ChangeMode(orientation, m_config.directDisplay))) {
        SetError(u"Could not change display mode.", result);
    } else if (Failed(result = m_display.Open(window, m_config.flags))) {
        SetError(u"Could not open display.", result);
    } else if (Failed(result = m_display.GetBackbuffer(m_backBuffer))) {
        SetError(u"Could not retrieve backbuffer.", result);
    }
    if (Failed(result)) {
        m_display.Close();
        EndWindow();
        return result;
    }

    m_quit.store(false);
    m_ackRequested.store(false);
    m_threadDone.store(false);
    m_threadResult.store(kOk);
    m_threadFinished.WaitFor(std::chrono::milliseconds(0));
    m_suspendAcked.WaitFor(std::chrono::milliseconds(0));
    m_timer.Start(m_frameRate.load());
    try {
        m_primaryThread = std::thread([this] { PrimaryThread(); });
    } catch (const std::system_error& error) {
        SetError(u"Could not create primary thread.", error.code().value());
        m_display.Close();
        EndWindow();
        return kErrFail;
    }

    MessageLoop();

    m_primaryThread.join();
    m_display.Close();
    EndWindow();
    return m_threadResult.load();
}

void Application::EndWindow() {
    platform::Window* window = m_config.window;
    window->SetFullScreen(false);
    const std::u16string text = GetErrorText();
    if (!text.empty())
        window->ShowError("Error", Utf8Of(text.c_str()));
    window->Destroy();
}

void Application::MessageLoop() {
    platform::Window* window = m_config.window;
    for (;;) {
        if (m_threadFinished.WaitFor(std::chrono::milliseconds(0)))
            return;
        WindowEvent event;
        bool got = window->WaitEvent(static_cast<std::uint32_t>(kLoopWait.count()), event);
        while (got) {
            WindowProc(event);
            got = window->PollEvent(event);
        }
    }
}

void Application::PrimaryThread() {
    platform::Window* window = m_config.window;
    const bool runWhileInactive = m_config.runWhileInactive != 0;
    const bool freeRunning = m_config.freeRunning != 0;
    HResult failure = kOk;

    HResult result = OnThreadStart();
    if (Failed(result))
        failure = result;
    if (Succeeded(failure) && !m_quit.load()) {
        result = OnInit(m_display);
        if (Failed(result))
            failure = result;
    }

    std::uint32_t frameFlags = 0;
    while (Succeeded(failure) && !m_quit.load()) {
        frameFlags &= ~static_cast<std::uint32_t>(kInfoLateFrame);
        if (m_modeChangePending.load() && !ApplyModeChange(failure))
            break;
        if (m_timerRestart.exchange(false))
            m_timer.Start(m_frameRate.load());
        if (m_suspendRequested.exchange(false))
            window->PostUserMessage(kSuspendMessage);

        // One reading of the flag serves the whole pass, so that a frame is presented only
        // after a turn to compose it was had.
        const bool active = m_active.load();
        if (active || runWhileInactive) {
            if (active && !window->AwaitFrameTurn())
                continue;
            std::uint32_t skip = m_framesToSkip.load();
            while (skip > 0 && !m_framesToSkip.compare_exchange_weak(skip, skip - 1)) {
            }
            if (skip == 0) {
                const std::uint64_t input = platform::latency::LastInput();
                result = Render(m_backBuffer, frameFlags);
                platform::latency::FrameComposed(input);
                if (Failed(result)) {
                    failure = result;
                    break;
                }
            }
        }
        if (active)
            m_display.Present();

        if ((active && !freeRunning) || (!active && runWhileInactive)) {
            if (m_timer.WaitFrame() == kInfoLateFrame) {
                frameFlags |= static_cast<std::uint32_t>(kInfoLateFrame);
                // A late frame still yields, so that the window thread always gets the processor.
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        frameFlags &= ~kFrameResumed;

        if (!m_active.load()) {
            if (m_ackRequested.exchange(false)) {
                m_suspendAcked.Set();
                OnSuspend();
            }
            if (!runWhileInactive) {
                while (!m_active.load() && !m_quit.load())
                    m_wake.WaitFor(kLoopWait);
                frameFlags |= kFrameResumed;
            }
        }
        if (m_active.load() && m_resumePending.exchange(false))
            OnResume();
    }

    if (Failed(failure)) {
        m_threadResult.store(failure);
        m_quit.store(true);
    }
    OnThreadEnd();
    m_threadDone.store(true);
    // Both events, so that a window thread waiting for either is never left waiting.
    m_suspendAcked.Set();
    m_threadFinished.Set();
    window->FrameLoopEnded();
}

bool Application::ApplyModeChange(HResult& failure) {
    std::uint32_t orientation = 0;
    bool reinitialise = false;
    {
        std::lock_guard lock(m_modeLock);
        orientation = m_config.orientation;
        reinitialise = m_reinitialise;
        m_reinitialise = false;
    }
    HResult result = m_display.ChangeMode(orientation, m_config.directDisplay);
    if (Failed(result)) {
        SetError(u"Could not change display mode.", result);
        failure = result;
        return false;
    }
    result = m_display.GetBackbuffer(m_backBuffer);
    if (Failed(result)) {
        SetError(u"Could not retrieve backbuffer.", result);
        failure = result;
        return false;
    }
    {
        std::lock_guard lock(m_keyLock);
        m_keys.Reopen(orientation);
    }
    if (reinitialise) {
        result = OnInit(m_display);
        if (Failed(result)) {
            failure = result;
            return false;
        }
    }
    m_timer.Start(m_frameRate.load());
    m_modeChangePending.store(false);
    return true;
}

void Application::Suspend() {
    if (!m_active.load())
        return;
    m_active.store(false);
    m_ackRequested.store(true);
    Nudge();
    // The primary thread acknowledges once it has finished the frame it was on; after that it
    // neither draws nor presents until the program is active again.
    while (!m_suspendAcked.WaitFor(kLoopWait)) {
        if (m_threadDone.load())
            break;
    }
    platform::Window* window = m_config.window;
    window->SetFullScreen(false);
    window->Minimise();
    {
        std::lock_guard lock(m_keyLock);
        m_keys.Close();
    }
    m_display.Suspend();
}

void Application::Activate() {
    if (m_active.load())
        return;
    if (m_config.flags & APP_FULLSCREEN)
        m_config.window->SetFullScreen(true);
    {
        std::lock_guard lock(m_keyLock);
        m_keys.Open();
    }
    m_display.Resume();
    m_timerRestart.store(true);
    m_resumePending.store(true);
    // A request made while the program was going down (the window minimised by the suspension
    // itself reports a deactivation) must not suspend it again as soon as it is back.
    m_suspendRequested.store(false);
    m_active.store(true);
    Nudge();
}

HResult Application::WindowProc(const WindowEvent& event) {
    using Type = WindowEvent::Type;
    switch (event.type) {
    case Type::None:
        return kOk;
    case Type::Activated:
        Activate();
        return kOk;
    case Type::Deactivated:
        if (m_config.suspendOnDeactivate) {
            if (m_active.load())
                RequestSuspend();
        } else if (!m_quit.load() && m_active.load()) {
            m_config.window->Raise();
        }
        return kOk;
    case Type::Close:
        return OnClose();
    case Type::Quit:
        RequestQuit();
        return kOk;
    case Type::Wheel:
        return Wheel(event.x, event.y);
    case Type::KeyDown: {
        if (event.repeat)
            return kOk;
        KeyMap keys;
        {
            std::lock_guard lock(m_keyLock);
            m_keys.Copy(keys);
        }
        KeyDown(event.key, keys);
        return kOk;
    }
    case Type::KeyUp: {
        KeyMap keys;
        {
            std::lock_guard lock(m_keyLock);
            m_keys.Copy(keys);
        }
        KeyUp(event.key, keys);
        return kOk;
    }
    case Type::Char:
        Char(event.character, event.keyData);
        return kOk;
    case Type::StylusMove: {
        if (!m_active.load())
            return kOk;
        Point p = StylusPoint(event);
        m_display.MapPoint(p);
        StylusMove(p.x, p.y);
        if (platform::latency::Enabled())
            platform::latency::InputHandled(event.timeNs ? event.timeNs
                                                         : platform::latency::NowNs());
        return kOk;
    }
    case Type::StylusDown: {
        Point p = StylusPoint(event);
        m_display.MapPoint(p);
        if (m_config.doubleTaps && event.clicks == 2)
            StylusDoubleTap(p.x, p.y);
        else
            StylusDown(p.x, p.y);
        return kOk;
    }
    case Type::StylusUp: {
        Point p = StylusPoint(event);
        m_display.MapPoint(p);
        StylusUp(p.x, p.y);
        return kOk;
    }
    case Type::UserMessage:
        if (event.message == kSuspendMessage) {
            Suspend();
        } else if (event.message == kOpenFilesMessage) {
            std::vector<std::string> files;
            {
                std::lock_guard hold(m_openLock);
                files.swap(m_openRequests);
            }
            for (const std::string& file : files)
                OnOpenRequest(file);
        }
        return kOk;
    }
    return kOk;
}

} // namespace brelvo
