#pragma once

#include "platform/HeadlessScript.h"
#include "platform/Window.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace brelvo::platform {

// The program without a screen. Its events come from a script that the window thread plays
// while it waits for events, so they reach the program's handlers on the window thread just as
// a real window's do; its frames are composed by the same frame loop and kept in memory, from
// where "shot" writes them as PNG files.
//
// Frames are composed on demand: the frame loop may compose one only when the script has
// granted it ("frames N" grants N, "shot" one), so that a script sees the program in exactly
// the state its frame count says, however fast or slow the machine. The program runs
// free-running with it: nothing else paces the frames.
//
// When the script ends, the window asks the program to close, as "quit" does. A command that
// fails (a state that is not the expected one, a shot that cannot be written, the program
// ending before the script) writes one line on standard error, makes Failed() true and closes
// the program.
class HeadlessWindow final : public Window {
public:
    explicit HeadlessWindow(HeadlessScript script);
    ~HeadlessWindow() override = default;

    // Answers "expect-state"; set before the program runs. Called on the window thread.
    void SetStateProbe(std::function<std::int32_t()> probe) { m_stateProbe = std::move(probe); }
    // True once a command failed.
    bool Failed() const;
    // Called after the program has ended: a script that did not get to its end fails here,
    // with its message, unless RequestClose cut it short. True when nothing failed.
    bool Finish();
    // How many frames have been composed so far.
    std::uint64_t ComposedFrames() const;

    HResult Create(const WindowOptions& options) override;
    void Destroy() override {}
    bool IsOnScreen() const override { return false; }
    void GetScreenSize(std::int32_t& width, std::int32_t& height) const override;
    bool WaitEvent(std::uint32_t timeoutMs, WindowEvent& event) override;
    bool PollEvent(WindowEvent& event) override;
    void SetFullScreen(bool) override {}
    void Minimise() override;
    void Raise() override {}
    void ShowError(const std::string&, const std::string&) override {}
    void PostUserMessage(std::uint32_t message) override;
    void RequestRaise() override {}
    void RequestClose() override;
    void SetTitle(const std::u16string& title) override;
    std::u16string Title() const;
    bool AwaitFrameTurn() override;
    void NudgeFrameTurn() override;
    void SubmitFrame(const std::uint16_t* pixels, std::int32_t width, std::int32_t height,
                     std::size_t pitchBytes) override;
    void FrameLoopEnded() override;

private:
    enum class Waiting { Nothing, Frames, Shot, Minimised, State };

    // With the lock held: finishes the command being waited for, or plays the next one. True
    // when it made progress; false while it waits for the frame loop or the script is over.
    bool Advance();
    void Execute(const ScriptCommand& command);
    void Fail(int line, const std::string& message);
    void Push(WindowEvent event) { m_queue.push_back(event); }
    void PushStylus(WindowEvent::Type type, std::int32_t x, std::int32_t y);
    void PushKey(WindowEvent::Type type, std::uint16_t key);
    bool WriteShot(const std::string& path, int line);

    HeadlessScript m_script;
    std::function<std::int32_t()> m_stateProbe;
    std::size_t m_next = 0; // the next command to play
    bool m_closeQueued = false;
    bool m_closeRequested = false;
    std::u16string m_title;
    Waiting m_waiting = Waiting::Nothing;
    // wait-state: the state waited for, and until when.
    std::int32_t m_waitState = 0;
    std::chrono::steady_clock::time_point m_waitDeadline;
    int m_waitLine = 0;
    std::string m_shotPath;
    std::uint64_t m_target = 0;

    std::int32_t m_width = 240;
    std::int32_t m_height = 320;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<WindowEvent> m_queue;
    std::uint64_t m_credits = 0;
    std::uint64_t m_composed = 0;
    bool m_nudged = false;
    bool m_loopEnded = false;
    bool m_minimised = false;
    bool m_failed = false;
    std::vector<std::uint16_t> m_frame;
    std::int32_t m_frameWidth = 0;
    std::int32_t m_frameHeight = 0;
};

} // namespace brelvo::platform
