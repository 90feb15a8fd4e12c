#include "platform/HeadlessWindow.h"

#include "platform/PngWriter.h"
#include "platform/VirtualKeys.h"

#include <chrono>
#include <cstdio>
#include <cstring>

namespace brelvo::platform {

HeadlessWindow::HeadlessWindow(HeadlessScript script) : m_script(std::move(script)) {}

HResult HeadlessWindow::Create(const WindowOptions& options) {
    if (options.width <= 0 || options.height <= 0)
        return kErrFail;
    std::lock_guard lock(m_mutex);
    m_width = options.width;
    m_height = options.height;
    return kOk;
}

void HeadlessWindow::GetScreenSize(std::int32_t& width, std::int32_t& height) const {
    std::lock_guard lock(m_mutex);
    width = m_width;
    height = m_height;
}

bool HeadlessWindow::Failed() const {
    std::lock_guard lock(m_mutex);
    return m_failed;
}

std::uint64_t HeadlessWindow::ComposedFrames() const {
    std::lock_guard lock(m_mutex);
    return m_composed;
}

bool HeadlessWindow::Finish() {
    std::lock_guard lock(m_mutex);
    if (!m_failed && !m_closeRequested &&
        (m_waiting != Waiting::Nothing || m_next < m_script.commands.size())) {
        const int line =
            m_waiting != Waiting::Nothing ? m_waitLine : m_script.commands[m_next].line;
        Fail(line, "the program ended before the script got here");
    }
    return !m_failed;
}

bool HeadlessWindow::WaitEvent(std::uint32_t timeoutMs, WindowEvent& event) {
    std::unique_lock lock(m_mutex);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (!m_queue.empty()) {
            event = m_queue.front();
            m_queue.pop_front();
            return true;
        }
        if (Advance())
            continue;
        if (m_loopEnded)
            return false;
        if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout && m_queue.empty() &&
            !Advance())
            return false;
    }
}

bool HeadlessWindow::PollEvent(WindowEvent& event) {
    std::lock_guard lock(m_mutex);
    if (m_queue.empty())
        return false;
    event = m_queue.front();
    m_queue.pop_front();
    return true;
}

bool HeadlessWindow::Advance() {
    switch (m_waiting) {
    case Waiting::Nothing:
        break;
    case Waiting::Frames:
    case Waiting::Shot:
        if (m_composed >= m_target) {
            const bool shot = m_waiting == Waiting::Shot;
            m_waiting = Waiting::Nothing;
            if (shot)
                WriteShot(m_shotPath, m_waitLine);
            return true;
        }
        return false;
    case Waiting::Minimised:
        if (m_minimised) {
            m_waiting = Waiting::Nothing;
            return true;
        }
        return false;
    case Waiting::State: {
        // Work that runs off the window thread (decoding a picture) ends when it ends: frames
        // are composed one after another until the state has come, in wall-clock time.
        const std::int32_t now = m_stateProbe ? m_stateProbe() : -1;
        if (now == m_waitState) {
            m_waiting = Waiting::Nothing;
            return true;
        }
        if (std::chrono::steady_clock::now() > m_waitDeadline) {
            Fail(m_waitLine, "wait-state " + std::to_string(m_waitState) + ": the state is still " +
                                 std::to_string(now) + " after 10 seconds");
            return true;
        }
        if (m_credits == 0 && m_composed >= m_target && !m_minimised) {
            m_credits = 1;
            m_target = m_composed + 1;
            m_changed.notify_all();
        }
        return false;
    }
    }
    if (m_next < m_script.commands.size()) {
        Execute(m_script.commands[m_next++]);
        return true;
    }
    if (!m_closeQueued) {
        Push(WindowEvent{.type = WindowEvent::Type::Quit});
        m_closeQueued = true;
        return true;
    }
    return false;
}

void HeadlessWindow::Execute(const ScriptCommand& command) {
    using Kind = ScriptCommand::Kind;
    using Type = WindowEvent::Type;
    switch (command.kind) {
    case Kind::Frames:
    case Kind::Shot: {
        if (m_minimised) {
            Fail(command.line, "the window is hidden, so no frame is composed");
            return;
        }
        const std::uint64_t count =
            command.kind == Kind::Shot ? 1u : static_cast<std::uint64_t>(command.number);
        if (count == 0)
            return;
        m_credits += count;
        m_target = m_composed + count;
        m_waiting = command.kind == Kind::Shot ? Waiting::Shot : Waiting::Frames;
        m_waitLine = command.line;
        m_shotPath = command.path;
        m_changed.notify_all();
        return;
    }
    case Kind::Down:
        PushStylus(Type::StylusDown, command.x, command.y);
        return;
    case Kind::Move:
        PushStylus(Type::StylusMove, command.x, command.y);
        return;
    case Kind::Up:
        PushStylus(Type::StylusUp, command.x, command.y);
        return;
    case Kind::Tap:
        PushStylus(Type::StylusDown, command.x, command.y);
        PushStylus(Type::StylusUp, command.x, command.y);
        return;
    case Kind::Key:
        PushKey(Type::KeyDown, command.key);
        PushKey(Type::KeyUp, command.key);
        return;
    case Kind::KeyDown:
        PushKey(Type::KeyDown, command.key);
        return;
    case Kind::KeyUp:
        PushKey(Type::KeyUp, command.key);
        return;
    case Kind::Char:
        for (const char16_t unit : command.text)
            Push(WindowEvent{.type = Type::Char, .character = unit, .keyData = 1});
        return;
    case Kind::ExpectState: {
        const std::int32_t state = m_stateProbe ? m_stateProbe() : -1;
        if (state != command.number)
            Fail(command.line, "expect-state " + std::to_string(command.number) +
                                   ", but the state is " + std::to_string(state));
        return;
    }
    case Kind::WaitState:
        m_waiting = Waiting::State;
        m_waitState = static_cast<std::int32_t>(command.number);
        m_waitLine = command.line;
        m_waitDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        return;
    case Kind::Hide:
        Push(WindowEvent{.type = Type::Deactivated});
        m_waiting = Waiting::Minimised;
        m_waitLine = command.line;
        return;
    case Kind::Show:
        m_minimised = false;
        Push(WindowEvent{.type = Type::Activated});
        return;
    case Kind::Close:
        Push(WindowEvent{.type = Type::Close});
        return;
    case Kind::Wheel:
        Push(WindowEvent{.type = Type::Wheel, .x = command.x, .y = command.y});
        return;
    case Kind::Quit:
        Push(WindowEvent{.type = Type::Quit});
        m_closeQueued = true;
        // Whatever follows "quit" is not played.
        m_next = m_script.commands.size();
        return;
    }
}

void HeadlessWindow::Fail(int line, const std::string& message) {
    std::fprintf(stderr, "brelvo: %s:%d: %s\n", m_script.name.c_str(), line, message.c_str());
    m_failed = true;
    m_waiting = Waiting::Nothing;
    m_next = m_script.commands.size();
    if (!m_closeQueued) {
        Push(WindowEvent{.type = WindowEvent::Type::Quit});
        m_closeQueued = true;
    }
}

void HeadlessWindow::PushStylus(WindowEvent::Type type, std::int32_t x, std::int32_t y) {
    Push(WindowEvent{.type = type, .x = x, .y = y});
}

void HeadlessWindow::PushKey(WindowEvent::Type type, std::uint16_t key) {
    Push(WindowEvent{.type = type, .key = key});
    // A key that types a control character types it after its press, as on the desktop.
    if (type == WindowEvent::Type::KeyDown) {
        if (const char16_t c = ControlCharForKey(key))
            Push(WindowEvent{.type = WindowEvent::Type::Char, .character = c, .keyData = 1});
    }
}

bool HeadlessWindow::WriteShot(const std::string& path, int line) {
    const HResult result = WriteRgb565PngFile(m_frame.data(), m_frameWidth, m_frameHeight,
                                              static_cast<std::size_t>(m_frameWidth) * 2, path);
    if (brelvo::Failed(result)) {
        Fail(line, "the shot cannot be written to " + path);
        return false;
    }
    return true;
}

void HeadlessWindow::Minimise() {
    std::lock_guard lock(m_mutex);
    m_minimised = true;
    m_changed.notify_all();
}

void HeadlessWindow::PostUserMessage(std::uint32_t message) {
    std::lock_guard lock(m_mutex);
    Push(WindowEvent{.type = WindowEvent::Type::UserMessage, .message = message});
    m_changed.notify_all();
}

void HeadlessWindow::RequestClose() {
    std::lock_guard lock(m_mutex);
    // Whoever asked (a signal, say) ended the run on purpose: the rest of the script is not
    // missing, it is cancelled.
    m_closeRequested = true;
    Push(WindowEvent{.type = WindowEvent::Type::Quit});
    m_changed.notify_all();
}

void HeadlessWindow::SetTitle(const std::u16string& title) {
    std::lock_guard lock(m_mutex);
    m_title = title;
}

std::u16string HeadlessWindow::Title() const {
    std::lock_guard lock(m_mutex);
    return m_title;
}

bool HeadlessWindow::AwaitFrameTurn() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_credits > 0 || m_nudged; });
    if (m_nudged) {
        m_nudged = false;
        return false;
    }
    --m_credits;
    return true;
}

void HeadlessWindow::NudgeFrameTurn() {
    std::lock_guard lock(m_mutex);
    m_nudged = true;
    m_changed.notify_all();
}

void HeadlessWindow::SubmitFrame(const std::uint16_t* pixels, std::int32_t width,
                                 std::int32_t height, std::size_t pitchBytes) {
    if (!pixels || width <= 0 || height <= 0)
        return;
    std::lock_guard lock(m_mutex);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 2;
    m_frame.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    const auto* source = reinterpret_cast<const std::uint8_t*>(pixels);
    auto* target = reinterpret_cast<std::uint8_t*>(m_frame.data());
    for (std::int32_t y = 0; y < height; ++y)
        std::memcpy(target + static_cast<std::size_t>(y) * rowBytes,
                    source + static_cast<std::size_t>(y) * pitchBytes, rowBytes);
    m_frameWidth = width;
    m_frameHeight = height;
    ++m_composed;
    m_changed.notify_all();
}

void HeadlessWindow::FrameLoopEnded() {
    std::lock_guard lock(m_mutex);
    m_loopEnded = true;
    m_changed.notify_all();
}

} // namespace brelvo::platform
