#include "platform/SingleInstance.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <system_error>
#include <unistd.h>

namespace brelvo::platform {
namespace {

// A client that connects and then says nothing must not hold the listener for long.
constexpr int kClientReadTimeoutMs = 500;
// The first copy binds its socket a moment after taking the lock, so a later copy that arrives
// in between tries again for a short while before giving up on being heard.
constexpr int kConnectAttempts = 50;
constexpr auto kConnectRetryDelay = std::chrono::milliseconds(20);

bool IsValidName(const std::string& name) {
    if (name.empty() || name.size() > 64 || name == "." || name == "..")
        return false;
    for (const char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        if (!ok)
            return false;
    }
    return true;
}

std::string TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp";
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

// The folder for the lock and socket. In the shared temp folder the per-user subfolder must be
// a real directory owned by this user and closed to others, or another user could plant the
// socket a later copy talks to.
std::string RuntimeFolder(bool create) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        std::string folder = runtime;
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        return folder;
    }
    const std::string folder = TempFolder() + "/brelvo-" + std::to_string(::getuid());
    if (create && ::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    if (!create)
        return folder;
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::getuid() || (info.st_mode & 077) != 0)
        return {};
    return folder;
}

bool FillAddress(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

sockaddr* AsSockaddr(sockaddr_un& address) {
    return reinterpret_cast<sockaddr*>(&address);
}

// Asks the copy holding the lock to raise its window, or to open a file. Failing to reach it
// changes nothing for the caller: that copy is running either way.
void SendRequest(const std::string& socketPath, const std::string& request) {
    sockaddr_un address{};
    if (!FillAddress(socketPath, address))
        return;
    for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return;
        if (::connect(fd, AsSockaddr(address), sizeof(address)) == 0) {
            // MSG_NOSIGNAL: a listener that has just gone away must not kill this process.
            [[maybe_unused]] const ssize_t sent =
                ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
            ::close(fd);
            return;
        }
        ::close(fd);
        std::this_thread::sleep_for(kConnectRetryDelay);
    }
}

void CloseIfOpen(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

std::string SingleInstance::SocketPath(const std::string& name) {
    if (!IsValidName(name))
        return {};
    const std::string folder = RuntimeFolder(false);
    return folder.empty() ? std::string() : folder + "/brelvo-" + name + ".socket";
}

SingleInstance::Outcome SingleInstance::Acquire(std::string name,
                                                std::function<void()> onRaiseRequest,
                                                std::function<void(const std::string&)> onOpen,
                                                const std::string& fileToOpen) {
    if (m_lockFd >= 0 || !IsValidName(name))
        return Outcome::Failed;
    const std::string folder = RuntimeFolder(true);
    if (folder.empty())
        return Outcome::Failed;
    const std::string socketPath = folder + "/brelvo-" + name + ".socket";
    const std::string lockPath = folder + "/brelvo-" + name + ".lock";
    sockaddr_un address{};
    if (!FillAddress(socketPath, address))
        return Outcome::Failed;

    // The lock file is never removed: deleting it while another copy has it open would let two
    // copies lock two different files of the same name and both believe they are first.
    m_lockFd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_lockFd < 0)
        return Outcome::Failed;
    if (::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
        const bool taken = errno == EWOULDBLOCK;
        CloseIfOpen(m_lockFd);
        if (!taken)
            return Outcome::Failed;
        const bool open = !fileToOpen.empty() && fileToOpen.size() < kMaxRequest &&
                          fileToOpen.find('\0') == std::string::npos;
        SendRequest(socketPath, open ? kOpenRequest + fileToOpen : std::string(1, kRaiseRequest));
        return Outcome::AlreadyRunning;
    }

    // Holding the lock proves that any socket file still there belongs to a copy that died.
    ::unlink(socketPath.c_str());
    m_listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int wake[2] = {-1, -1};
    if (m_listenFd < 0 || ::bind(m_listenFd, AsSockaddr(address), sizeof(address)) != 0) {
        Release();
        return Outcome::Failed;
    }
    m_socketPath = socketPath;
    if (::listen(m_listenFd, 8) != 0 || ::pipe2(wake, O_CLOEXEC) != 0) {
        Release();
        return Outcome::Failed;
    }
    m_wakeRead = wake[0];
    m_wakeWrite = wake[1];
    m_onRaiseRequest = std::move(onRaiseRequest);
    m_onOpenRequest = std::move(onOpen);
    m_stopping.store(false);
    try {
        m_listener = std::thread([this] { Listen(); });
    } catch (const std::system_error&) {
        Release();
        return Outcome::Failed;
    }
    return Outcome::First;
}

void SingleInstance::Listen() {
    while (!m_stopping.load()) {
        pollfd waits[2] = {{m_listenFd, POLLIN, 0}, {m_wakeRead, POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (waits[1].revents != 0 || m_stopping.load())
            return;
        if ((waits[0].revents & POLLIN) == 0)
            continue;
        const int client = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        // The request is read to the end of the connection, within the timeout and the size
        // limit; anything else is ignored.
        std::string request;
        char buffer[512];
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kClientReadTimeoutMs);
        bool complete = false;
        while (request.size() <= kMaxRequest) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd clientWaits[2] = {{client, POLLIN, 0}, {m_wakeRead, POLLIN, 0}};
            if (left.count() <= 0 || ::poll(clientWaits, 2, static_cast<int>(left.count())) <= 0 ||
                clientWaits[1].revents != 0)
                break;
            const ssize_t got = ::recv(client, buffer, sizeof(buffer), 0);
            if (got <= 0) {
                complete = got == 0;
                break;
            }
            request.append(buffer, static_cast<std::size_t>(got));
        }
        ::close(client);
        if (!complete || m_stopping.load())
            continue;
        if (request.size() == 1 && request[0] == kRaiseRequest && m_onRaiseRequest) {
            m_onRaiseRequest();
        } else if (request.size() > 1 && request.size() <= kMaxRequest &&
                   request[0] == kOpenRequest && request.find('\0') == std::string::npos) {
            if (m_onOpenRequest)
                m_onOpenRequest(request.substr(1));
            else if (m_onRaiseRequest)
                m_onRaiseRequest();
        }
    }
}

void SingleInstance::Release() {
    if (m_listener.joinable()) {
        m_stopping.store(true);
        const char wake = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wakeWrite, &wake, 1);
        m_listener.join();
    }
    // The socket goes before the lock, so that the next first copy never finds a live socket.
    if (!m_socketPath.empty())
        ::unlink(m_socketPath.c_str());
    m_socketPath.clear();
    CloseIfOpen(m_listenFd);
    CloseIfOpen(m_wakeRead);
    CloseIfOpen(m_wakeWrite);
    CloseIfOpen(m_lockFd);
    m_onRaiseRequest = nullptr;
}

SingleInstance::~SingleInstance() {
    Release();
}

} // namespace brelvo::platform
