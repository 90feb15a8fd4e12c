#pragma once

#include <functional>
#include <thread>

namespace brelvo::platform {

// Turns SIGINT and SIGTERM into a call on a thread of its own, where the program can do what a
// signal handler may not: queue a close request for the window thread, which then ends the
// program the same way as the window's close button.
//
// Start blocks both signals in the calling thread, and threads inherit the mask, so it must be
// called before any other thread exists; the watcher then reads them from a signalfd.
class SignalWatcher {
public:
    SignalWatcher() = default;
    // Stops the thread. The signals stay blocked.
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

    // onSignal receives the signal number and the count of signals seen so far (1 for the
    // first). False when the signals could not be taken over; they keep their usual effect then.
    bool Start(std::function<void(int signal, int count)> onSignal);

private:
    void Watch();

    std::function<void(int, int)> m_onSignal;
    int m_signalFd = -1;
    int m_stopRead = -1;
    int m_stopWrite = -1;
    std::thread m_thread;
};

} // namespace brelvo::platform
