#include "platform/SignalWatcher.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <system_error>
#include <unistd.h>

namespace brelvo::platform {
namespace {

sigset_t WatchedSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

void CloseIfOpen(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

bool SignalWatcher::Start(std::function<void(int, int)> onSignal) {
    if (m_thread.joinable())
        return false;
    const sigset_t set = WatchedSignals();
    if (::pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0)
        return false;
    int stop[2] = {-1, -1};
    m_signalFd = ::signalfd(-1, &set, SFD_CLOEXEC);
    if (m_signalFd < 0 || ::pipe2(stop, O_CLOEXEC) != 0) {
        CloseIfOpen(m_signalFd);
        ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
        return false;
    }
    m_stopRead = stop[0];
    m_stopWrite = stop[1];
    m_onSignal = std::move(onSignal);
    try {
        m_thread = std::thread([this] { Watch(); });
    } catch (const std::system_error&) {
        CloseIfOpen(m_signalFd);
        CloseIfOpen(m_stopRead);
        CloseIfOpen(m_stopWrite);
        ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
        return false;
    }
    return true;
}

void SignalWatcher::Watch() {
    int count = 0;
    for (;;) {
        pollfd waits[2] = {{m_signalFd, POLLIN, 0}, {m_stopRead, POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (waits[1].revents != 0)
            return;
        signalfd_siginfo info{};
        if (::read(m_signalFd, &info, sizeof info) != static_cast<ssize_t>(sizeof info))
            continue;
        ++count;
        if (m_onSignal)
            m_onSignal(static_cast<int>(info.ssi_signo), count);
    }
}

SignalWatcher::~SignalWatcher() {
    if (m_thread.joinable()) {
        const char stop = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_stopWrite, &stop, 1);
        m_thread.join();
    }
    CloseIfOpen(m_signalFd);
    CloseIfOpen(m_stopRead);
    CloseIfOpen(m_stopWrite);
    // The signals stay blocked: the watcher stops when the program is ending, and a signal that
    // arrives now must not turn a clean end into a killed process.
}

} // namespace brelvo::platform
