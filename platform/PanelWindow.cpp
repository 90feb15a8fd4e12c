#include "platform/PanelWindow.h"

#include <fcntl.h>
#include <linux/input.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace brelvo::platform {
namespace {

// How often a regular file standing for a device is looked at again once it has been read to
// its end: it cannot be waited on, and a person writing to it notices no less.
constexpr int kFollowMs = 20;

enum class Kind { Device, Fifo, File };

// One input device, or its stand-in, and the decoder of its records.
class InputSource {
public:
    explicit InputSource(std::string path) : m_path(std::move(path)) {}
    ~InputSource() { Close(); }
    InputSource(const InputSource&) = delete;
    InputSource& operator=(const InputSource&) = delete;

    // Opens the device and takes it for the program alone; fills calibration's ranges from the
    // device's absolute axes unless the user gave them.
    bool Open(TouchCalibration& calibration, std::string& error) {
        if (!Reopen()) {
            error = m_path + ": " + std::strerror(errno);
            return false;
        }
        struct stat info {};
        ::fstat(m_fd, &info);
        m_kind = S_ISREG(info.st_mode)    ? Kind::File
                 : S_ISFIFO(info.st_mode) ? Kind::Fifo
                                          : Kind::Device;
        if (m_kind != Kind::Device)
            return true;
        int version = 0;
        if (::ioctl(m_fd, EVIOCGVERSION, &version) != 0) {
            error = m_path + ": not an input device (/dev/input/eventN)";
            return false;
        }
        if (::ioctl(m_fd, EVIOCGRAB, 1) != 0)
            std::fprintf(stderr,
                         "brelvo: %s: cannot take the device for Brelvo alone (%s); its keys "
                         "also reach the console\n",
                         m_path.c_str(), std::strerror(errno));
        if (!calibration.rangeGiven) {
            ReadRange(ABS_X, ABS_MT_POSITION_X, calibration.xMin, calibration.xMax);
            ReadRange(ABS_Y, ABS_MT_POSITION_Y, calibration.yMin, calibration.yMax);
        }
        return true;
    }

    void SetDecoder(const EvdevDecoder& decoder) { m_decoder = decoder; }

    // The descriptor to wait on; -1 for a regular file, which is always readable.
    int PollFd() const { return m_kind == Kind::File ? -1 : m_fd; }
    bool Followed() const { return m_kind == Kind::File && m_fd >= 0; }

    // Decodes every whole record waiting.
    void Read(std::deque<WindowEvent>& out) {
        std::uint8_t chunk[64 * sizeof(input_event)];
        while (m_fd >= 0) {
            const ssize_t got = ::read(m_fd, chunk, sizeof chunk);
            if (got > 0) {
                m_pending.insert(m_pending.end(), chunk, chunk + got);
                Decode(out);
                continue;
            }
            if (got == 0 && m_kind == Kind::Fifo) {
                // The writer left: a FIFO open for reading would now report its end for ever,
                // so it is opened afresh for the next one.
                Close();
                if (!Reopen())
                    Lost();
            } else if (got < 0 && errno != EAGAIN && errno != EINTR) {
                Lost();
            }
            return;
        }
    }

private:
    bool Reopen() {
        m_fd = ::open(m_path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        return m_fd >= 0;
    }
    void Close() {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    // The device went away (unplugged); the program goes on without it.
    void Lost() {
        std::fprintf(stderr, "brelvo: %s: %s; going on without it\n", m_path.c_str(),
                     std::strerror(errno));
        Close();
    }
    void ReadRange(unsigned axis, unsigned multiTouchAxis, std::int32_t& min, std::int32_t& max) {
        for (const unsigned a : {axis, multiTouchAxis}) {
            input_absinfo info{};
            if (::ioctl(m_fd, EVIOCGABS(a), &info) == 0 && info.maximum > info.minimum) {
                min = info.minimum;
                max = info.maximum;
                return;
            }
        }
    }
    void Decode(std::deque<WindowEvent>& out) {
        const std::size_t whole = m_pending.size() / sizeof(input_event) * sizeof(input_event);
        for (std::size_t at = 0; at < whole; at += sizeof(input_event)) {
            input_event e{};
            std::memcpy(&e, m_pending.data() + at, sizeof e);
            if (m_decoder)
                m_decoder->Feed(e.type, e.code, e.value, out);
        }
        m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(whole));
    }

    std::string m_path;
    int m_fd = -1;
    Kind m_kind = Kind::Device;
    std::vector<std::uint8_t> m_pending;
    std::optional<EvdevDecoder> m_decoder;
};

class PanelWindow final : public Window {
public:
    explicit PanelWindow(int wake) : m_wake(wake) {}
    ~PanelWindow() override { ::close(m_wake); }

    bool AddInput(const std::string& path, const PanelWindowOptions& options, std::string& error) {
        auto source = std::make_unique<InputSource>(path);
        TouchCalibration calibration = options.calibration;
        if (!source->Open(calibration, error))
            return false;
        source->SetDecoder(
            EvdevDecoder(calibration, options.layout, options.panelWidth, options.panelHeight));
        m_inputs.push_back(std::move(source));
        return true;
    }

    HResult Create(const WindowOptions& options) override {
        m_width = options.width;
        m_height = options.height;
        return kOk;
    }
    void Destroy() override {}
    bool IsOnScreen() const override { return false; }
    void GetScreenSize(std::int32_t& width, std::int32_t& height) const override {
        width = m_width;
        height = m_height;
    }

    bool WaitEvent(std::uint32_t timeoutMs, WindowEvent& event) override {
        using Clock = std::chrono::steady_clock;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (PollEvent(event))
                return true;
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                return false;
            std::vector<pollfd> fds{{m_wake, POLLIN, 0}};
            int wait = static_cast<int>(left.count());
            for (const auto& input : m_inputs) {
                if (input->PollFd() >= 0)
                    fds.push_back({input->PollFd(), POLLIN, 0});
                if (input->Followed())
                    wait = std::min(wait, kFollowMs);
            }
            ::poll(fds.data(), fds.size(), wait);
        }
    }

    bool PollEvent(WindowEvent& event) override {
        std::uint64_t count = 0;
        if (::read(m_wake, &count, sizeof count) < 0 && errno != EAGAIN)
            return false;
        {
            std::lock_guard lock(m_postedMutex);
            m_queue.insert(m_queue.end(), m_posted.begin(), m_posted.end());
            m_posted.clear();
        }
        // A read takes every whole record waiting, so the devices are asked again only once
        // what came from them has been delivered.
        if (m_queue.empty())
            for (const auto& input : m_inputs)
                input->Read(m_queue);
        if (m_queue.empty())
            return false;
        event = m_queue.front();
        m_queue.pop_front();
        return true;
    }

    // A panel is always the whole screen, never hidden or raised, and has no title bar.
    void SetFullScreen(bool) override {}
    void Minimise() override {}
    void Raise() override {}
    void ShowError(const std::string&, const std::string&) override {}
    void RequestRaise() override {}
    void SetTitle(const std::u16string&) override {}

    void PostUserMessage(std::uint32_t message) override {
        Post(WindowEvent{.type = WindowEvent::Type::UserMessage, .message = message});
    }
    void RequestClose() override { Post(WindowEvent{.type = WindowEvent::Type::Quit}); }
    void FrameLoopEnded() override { Post(WindowEvent{}); }

    // The frame timer paces the frames, and each goes into the frame buffer as it is presented.
    bool AwaitFrameTurn() override { return true; }
    void NudgeFrameTurn() override {}
    void SubmitFrame(const std::uint16_t*, std::int32_t, std::int32_t, std::size_t) override {}

private:
    void Post(const WindowEvent& event) {
        {
            std::lock_guard lock(m_postedMutex);
            m_posted.push_back(event);
        }
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wake, &one, sizeof one);
    }

    int m_wake;
    std::int32_t m_width = 240;
    std::int32_t m_height = 320;
    std::vector<std::unique_ptr<InputSource>> m_inputs;
    std::deque<WindowEvent> m_queue;
    std::mutex m_postedMutex;
    std::deque<WindowEvent> m_posted;
};

} // namespace

std::unique_ptr<Window> OpenPanelWindow(const PanelWindowOptions& options, std::string& error) {
    const int wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake < 0) {
        error = std::string("cannot make an event descriptor: ") + std::strerror(errno);
        return nullptr;
    }
    auto window = std::make_unique<PanelWindow>(wake);
    if (!window->AddInput(options.touchPath, options, error))
        return nullptr;
    if (!options.keysPath.empty() && !window->AddInput(options.keysPath, options, error))
        return nullptr;
    return window;
}

} // namespace brelvo::platform
