#include "platform/DeviceFiles.h"

#include "base/Verify.h"
#include "base/WString.h"
#include "platform/SettingsFolder.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace brelvo::platform {

namespace {

constexpr char16_t kSeparator = u'\\';

struct DeviceRootState {
    std::mutex mutex;
    std::string folder; // empty until set or first asked for
};

DeviceRootState& DeviceRoot() {
    static DeviceRootState state;
    return state;
}

std::string WithoutTrailingSlashes(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

std::string DefaultDeviceRoot() {
    const std::string home = HomeFolder();
    return home.empty() ? "/" : home;
}

bool IsHighSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The characters the handheld's file system refused in a name. The backslash is missing because
// the parser has already split on it.
bool IsRefusedInName(char32_t c) {
    return c < 0x20 || std::u32string_view(U"/:*?\"<>|").find(c) != std::u32string_view::npos;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Both public mapping calls take the root once and pass it down, so a root changed by another
// thread in between cannot give a path checked against one root and mapped under another.
HResult MapUnderRoot(const std::string& root, const char16_t* devicePath, std::string& hostPath) {
    if (devicePath == nullptr || devicePath[0] != kSeparator)
        return kErrInvalidArg;
    std::string mapped = root;
    const char16_t* p = devicePath + 1;
    while (*p != 0) {
        std::string name;
        while (*p != 0 && *p != kSeparator) {
            char32_t c = *p++;
            if (IsHighSurrogate(c)) {
                if (!IsLowSurrogate(*p))
                    return kErrInvalidArg;
                c = 0x10000 + ((c - 0xD800) << 10) + (*p++ - 0xDC00);
            } else if (IsLowSurrogate(c)) {
                return kErrInvalidArg;
            }
            if (IsRefusedInName(c))
                return kErrInvalidArg;
            AppendUtf8(name, c);
        }
        if (name.empty() || name == "." || name == "..")
            return kErrInvalidArg;
        if (mapped.back() != '/')
            mapped += '/';
        mapped += name;
        if (*p == kSeparator)
            ++p; // a separator followed by the end marks a folder path and adds nothing
    }
    hostPath = std::move(mapped);
    return kOk;
}

// The cause of a failed host call, from its errno, as the codes callers tell apart. A name the
// host finds too long is a bad name like any other the program refuses.
HResult ResultFromErrno(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return kErrPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return kErrAccessDenied;
    case ENOSPC:
    case EDQUOT:
        return kErrDiskFull;
    case EFBIG:
        return kErrFileTooLarge;
    case ENAMETOOLONG:
    case EISDIR:
        return kErrInvalidArg;
    case ENOMEM:
        return kErrOutOfMemory;
    default:
        return kErrFail;
    }
}

// Empty when the path cannot be resolved; errno tells why.
std::string RealPath(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr)
        return {};
    std::string result(resolved);
    std::free(resolved);
    return result;
}

bool IsWithin(const std::string& path, const std::string& folder) {
    if (folder == "/")
        return true;
    return path.starts_with(folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

// A write beyond RLIMIT_FSIZE raises SIGXFSZ, whose default action ends the process and with it
// the picture being edited. Ignored, the write fails with EFBIG and the save reports failure.
// A handler someone else installed is left alone.
void IgnoreFileSizeSignal() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (::sigaction(SIGXFSZ, nullptr, &current) != 0)
            return;
        if ((current.sa_flags & SA_SIGINFO) == 0 && current.sa_handler == SIG_DFL) {
            struct sigaction ignore {};
            ignore.sa_handler = SIG_IGN;
            sigemptyset(&ignore.sa_mask);
            ::sigaction(SIGXFSZ, &ignore, nullptr);
        }
    });
}

// The umask can only be read through umask() by setting it, and for that moment other threads
// would create files with the wrong mask. The kernel reports it without that in
// /proc/self/status; the set-and-restore is kept for systems without it, using the strict 077 so
// the brief window can only make another thread's file more private, never more open.
mode_t CurrentUmask() {
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        bool found = false;
        unsigned long mask = 0;
        while (std::fgets(line, sizeof line, status) != nullptr) {
            if (std::strncmp(line, "Umask:", 6) == 0) {
                char* end = nullptr;
                mask = std::strtoul(line + 6, &end, 8);
                found = end != line + 6;
                break;
            }
        }
        std::fclose(status);
        if (found)
            return static_cast<mode_t>(mask & 0777);
    }
    static std::mutex fallbackMutex;
    std::lock_guard lock(fallbackMutex);
    const mode_t mask = ::umask(077);
    ::umask(mask);
    return mask;
}

// Makes the rename itself durable. Some file systems cannot sync a folder (EINVAL), and a folder
// may be writable without being readable (EACCES); in both cases the new file is already in
// place and there is nothing more to do, so only a real I/O error counts as failure.
HResult SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno == EACCES ? kOk : ResultFromErrno(errno);
    const HResult result = ::fsync(fd) == 0 || errno == EINVAL ? kOk : ResultFromErrno(errno);
    ::close(fd);
    return result;
}

} // namespace

void SetDeviceRoot(std::string hostFolder) {
    DeviceRootState& root = DeviceRoot();
    std::lock_guard lock(root.mutex);
    root.folder = WithoutTrailingSlashes(std::move(hostFolder));
}

std::string GetDeviceRoot() {
    DeviceRootState& root = DeviceRoot();
    std::lock_guard lock(root.mutex);
    if (root.folder.empty())
        root.folder = WithoutTrailingSlashes(DefaultDeviceRoot());
    return root.folder;
}

HResult MapDevicePath(const char16_t* devicePath, std::string& hostPath) {
    return MapUnderRoot(GetDeviceRoot(), devicePath, hostPath);
}

HResult MapDevicePathForWrite(const char16_t* devicePath, std::string& hostPath) {
    const std::string root = GetDeviceRoot();
    std::string mapped;
    if (const HResult result = MapUnderRoot(root, devicePath, mapped); Failed(result))
        return result;
    const std::u16string_view device(devicePath);
    if (device.size() == 1 || device.back() == kSeparator)
        return kErrInvalidArg;

    const std::string realRoot = RealPath(root);
    if (realRoot.empty())
        return ResultFromErrno(errno);
    // The mapped path is the root followed by at least one name, so cutting names off the end
    // reaches the root at the latest, and the root resolves.
    std::string folder = mapped.substr(0, mapped.rfind('/'));
    std::string realFolder;
    for (;;) {
        if (folder.size() <= root.size()) {
            realFolder = realRoot;
            break;
        }
        realFolder = RealPath(folder);
        if (!realFolder.empty())
            break;
        if (errno != ENOENT)
            return ResultFromErrno(errno);
        folder.resize(folder.rfind('/'));
    }
    if (!IsWithin(realFolder, realRoot))
        return kErrInvalidArg;
    hostPath = std::move(mapped);
    return kOk;
}

ReplacingFileWriter::~ReplacingFileWriter() {
    Abort();
}

HResult ReplacingFileWriter::Open(const std::string& hostPath) {
    VERIFY(m_fd < 0);
    m_error = kOk;
    if (hostPath.find('\0') != std::string::npos)
        return Fail(kErrInvalidArg);
    const std::size_t slash = hostPath.rfind('/');
    const std::string name = slash == std::string::npos ? hostPath : hostPath.substr(slash + 1);
    if (name.empty() || name == "." || name == ".." || name.size() > NAME_MAX)
        return Fail(kErrInvalidArg);
    // A file straight under the root has the folder "/". (Chosen in one expression: GCC 12 at
    // -O3 warns falsely, -Wrestrict, about assigning "/" to the string afterwards.)
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0               ? std::string("/")
                                                          : hostPath.substr(0, slash);
    struct stat existing {};
    if (::stat(hostPath.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode))
        return Fail(kErrInvalidArg);

    IgnoreFileSizeSignal();
    // Beside the target, so the final rename never crosses file systems; hidden, so a listing
    // taken meanwhile does not show a half-written picture. The target's name is shortened in
    // it so that a name of the longest length the file system takes can still be saved.
    constexpr std::size_t kTempExtra = 8; // the dot and ".XXXXXX"
    const std::string pattern = (folder.back() == '/' ? folder : folder + '/') + '.' +
                                name.substr(0, NAME_MAX - kTempExtra) + ".XXXXXX";
    std::vector<char> tempPath(pattern.begin(), pattern.end());
    tempPath.push_back('\0');
    const int fd = ::mkostemp(tempPath.data(), O_CLOEXEC);
    if (fd < 0)
        return Fail(ResultFromErrno(errno));
    m_fd = fd;
    m_tempPath = tempPath.data();
    m_targetPath = hostPath;
    m_folder = std::move(folder);
    return kOk;
}

bool ReplacingFileWriter::Write(const void* data, std::size_t size) {
    if (m_fd < 0 || Failed(m_error))
        return false;
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(m_fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            // A regular file returns 0 only for an empty request; should it happen anyway,
            // there is no errno to name a cause.
            m_error = written < 0 ? ResultFromErrno(errno) : kErrFail;
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

HResult ReplacingFileWriter::Commit() {
    if (m_fd < 0)
        return Failed(m_error) ? m_error : kErrFail; // an Open that failed says why
    if (Failed(m_error))
        return Fail(m_error);
    // mkstemp made the file private (0600); it should look as if the old file had been
    // rewritten in place, or as a newly created file would.
    mode_t mode = 0;
    struct stat existing {};
    if (::stat(m_targetPath.c_str(), &existing) == 0) {
        mode = existing.st_mode & 0777;
    } else if (errno == ENOENT) {
        mode = 0666 & ~CurrentUmask();
    } else {
        return Fail(ResultFromErrno(errno));
    }
    if (::fchmod(m_fd, mode) != 0 || ::fsync(m_fd) != 0)
        return Fail(ResultFromErrno(errno));
    // The descriptor is gone after close() whatever it returns, so it is never closed twice; a
    // failed close can mean lost data (NFS reports write errors there).
    if (::close(std::exchange(m_fd, -1)) != 0 ||
        ::rename(m_tempPath.c_str(), m_targetPath.c_str()) != 0)
        return Fail(ResultFromErrno(errno));
    m_tempPath.clear(); // it is the target now and must not be removed
    const HResult synced = SyncFolder(m_folder);
    Discard();
    m_error = synced;
    return synced;
}

HResult ReplacingFileWriter::Fail(HResult cause) {
    // Callers take the cause from errno before calling, as the clean-up here overwrites it.
    Discard();
    m_error = cause;
    return cause;
}

void ReplacingFileWriter::Abort() {
    Discard();
    m_error = kOk;
}

void ReplacingFileWriter::Discard() {
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_tempPath.empty())
        ::unlink(m_tempPath.c_str());
    m_fd = -1;
    m_tempPath.clear();
    m_targetPath.clear();
    m_folder.clear();
}

HResult WriteFileReplacing(const std::string& hostPath, const void* data, std::size_t size) {
    ReplacingFileWriter writer;
    if (const HResult result = writer.Open(hostPath); Failed(result))
        return result;
    writer.Write(data, size);
    return writer.Commit(); // the cause of a failed write, or of the commit itself
}

} // namespace brelvo::platform

namespace brelvo::platform {

namespace {

// The case folding of the listing: Latin and Cyrillic capitals to their small letters.
char16_t Folded(char16_t c) {
    if (c >= u'A' && c <= u'Z')
        return static_cast<char16_t>(c + 0x20);
    if (c >= 0x0410 && c <= 0x042F) // А .. Я
        return static_cast<char16_t>(c + 0x20);
    if (c >= 0x0400 && c <= 0x040F) // Ѐ .. Џ, Ё among them
        return static_cast<char16_t>(c + 0x50);
    return c;
}

bool MatchFrom(std::u16string_view name, std::u16string_view pattern) {
    // Classic wildcard matching with one backtrack point for the last '*'.
    std::size_t n = 0, p = 0, starP = std::u16string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == u'?' || Folded(pattern[p]) == Folded(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::u16string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

// A host name the program can show and open again: valid UTF-8 that survives the round trip, no
// character a device path refuses, not hidden.
bool Listable(const std::string& name, std::u16string& out) {
    if (name.empty() || name[0] == '.')
        return false;
    const WString wide = FromUtf8(name);
    if (ToUtf8(wide) != name)
        return false;
    out = wide.c_str();
    for (const char16_t c : out) {
        if (c == u'\\' || IsRefusedInName(c))
            return false;
    }
    return true;
}

} // namespace

bool MatchesPattern(std::u16string_view name, std::u16string_view pattern) {
    if (MatchFrom(name, pattern))
        return true;
    // Cameras and phones name their JPEG files ".jpeg" as often as ".jpg".
    constexpr std::u16string_view kJpg = u"*.jpg";
    return pattern.size() == kJpg.size() && MatchFrom(pattern, kJpg) && MatchFrom(name, u"*.jpeg");
}

bool NameLess(std::u16string_view a, std::u16string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t fa = Folded(a[i]), fb = Folded(b[i]);
        if (fa != fb)
            return fa < fb;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b; // names that differ only in case keep one order
}

HResult DevicePathFromHost(const std::string& hostPath, std::u16string& devicePath) {
    const std::string realRoot = RealPath(GetDeviceRoot());
    const std::string real = RealPath(hostPath);
    if (realRoot.empty() || real.empty() || !IsWithin(real, realRoot))
        return kErrInvalidArg;
    std::u16string path;
    std::size_t at = realRoot == "/" ? 0 : realRoot.size();
    while (at < real.size()) {
        const std::size_t end = real.find('/', at + 1);
        const std::string name = real.substr(at + 1, end == std::string::npos ? end : end - at - 1);
        const WString wide = FromUtf8(name);
        if (name.empty() || ToUtf8(wide) != name)
            return kErrInvalidArg;
        path += u'\\';
        path += wide.c_str();
        at = end == std::string::npos ? real.size() : end;
    }
    std::string check;
    if (path.empty() || Failed(MapDevicePath(path.c_str(), check)))
        return kErrInvalidArg;
    devicePath = std::move(path);
    return kOk;
}

HResult ReadDeviceFolder(const char16_t* deviceFolder, FolderContents& contents) {
    contents.folders.clear();
    contents.files.clear();
    const std::string root = GetDeviceRoot();
    std::string host;
    if (Failed(MapUnderRoot(root, deviceFolder, host)))
        return kErrInvalidArg;
    const std::string realRoot = RealPath(root);
    const std::string realFolder = RealPath(host);
    if (realRoot.empty() || realFolder.empty())
        return kErrFail;
    if (!IsWithin(realFolder, realRoot))
        return kErrInvalidArg;
    DIR* dir = ::opendir(realFolder.c_str());
    if (dir == nullptr)
        return kErrFail;
    while (const dirent* entry = ::readdir(dir)) {
        std::u16string name;
        if (!Listable(entry->d_name, name))
            continue;
        bool folder = entry->d_type == DT_DIR;
        bool file = entry->d_type == DT_REG;
        if (!folder && !file) {
            // A link, or a file system that does not say: look, and follow a link only when it
            // stays inside the root.
            const std::string path = realFolder + (realFolder == "/" ? "" : "/") + entry->d_name;
            struct stat info {};
            if (::lstat(path.c_str(), &info) != 0)
                continue;
            if (S_ISLNK(info.st_mode)) {
                const std::string target = RealPath(path);
                if (target.empty() || !IsWithin(target, realRoot) ||
                    ::stat(path.c_str(), &info) != 0)
                    continue;
            }
            folder = S_ISDIR(info.st_mode);
            file = S_ISREG(info.st_mode);
        }
        if (folder)
            contents.folders.push_back(std::move(name));
        else if (file)
            contents.files.push_back(std::move(name));
    }
    ::closedir(dir);
    std::sort(contents.folders.begin(), contents.folders.end(), NameLess);
    std::sort(contents.files.begin(), contents.files.end(), NameLess);
    return kOk;
}

bool DeviceFileExists(const char16_t* devicePath) {
    std::string hostPath;
    if (Failed(MapDevicePath(devicePath, hostPath)))
        return false;
    // A link counts as the file it stands for, even a dangling one: saving would replace it.
    struct stat info {};
    return ::lstat(hostPath.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

} // namespace brelvo::platform
