#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <thread>

namespace brelvo::platform {

// Keeps the program to one running copy per user. The first copy holds a lock file and listens
// on a Unix socket beside it; a later copy finds the lock taken, asks the first through the
// socket to raise its window, and is told to quit. Both live in $XDG_RUNTIME_DIR when that is
// an absolute path, otherwise in a folder of the user's own (mode 0700) inside the temp folder.
//
// The lock, not the socket, decides who is first: the kernel drops a lock when its holder dies,
// whereas a socket file outlives a crashed program and is simply replaced by the next first copy.
class SingleInstance {
public:
    enum class Outcome { First, AlreadyRunning, Failed };

    SingleInstance() = default;
    // Stops the listening thread and removes the socket; the lock goes with its descriptor.
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // name is made of letters, digits, '.', '_' and '-' and is the same for every copy that must
    // not run beside another. First: this object now holds the lock, and onRaiseRequest runs on
    // a background thread each time a later copy asks. AlreadyRunning: another copy holds it and
    // has been asked to raise its window (as far as it could be reached). Failed: a bad name, no
    // usable folder, or a socket or thread that could not be made; also a second call on an
    // object that is already first.
    //
    // A later copy with fileToOpen (an absolute host path) asks the first to open that file
    // instead; the first copy runs onOpenRequest with it (on the same background thread).
    Outcome Acquire(std::string name, std::function<void()> onRaiseRequest,
                    std::function<void(const std::string&)> onOpenRequest = nullptr,
                    const std::string& fileToOpen = {});

    // Where the socket for name lives; empty for a name Acquire would refuse or when no folder
    // can be found. Nothing is created.
    static std::string SocketPath(const std::string& name);

    // The single byte a later copy sends to ask for the window to be raised; an open request is
    // kOpenRequest followed by the file's path, up to the end of the connection.
    static constexpr char kRaiseRequest = 'R';
    static constexpr char kOpenRequest = 'O';
    static constexpr std::size_t kMaxRequest = 4096;

private:
    void Listen();
    void Release();

    std::function<void()> m_onRaiseRequest;
    std::function<void(const std::string&)> m_onOpenRequest;
    std::string m_socketPath;
    int m_lockFd = -1;
    int m_listenFd = -1;
    // The listening thread sleeps in poll on the socket and on this pipe; the destructor writes
    // to the pipe to wake it for good.
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    std::atomic<bool> m_stopping{false};
    std::thread m_listener;
};

} // namespace brelvo::platform
