#include "tests/support/DiskFaults.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <iterator>
#include <map>
#include <sched.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace brelvo::test {

namespace {

namespace fs = std::filesystem;

std::string Because(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

std::string MakeReadOnly(const std::string& folder) {
    if (::chmod(folder.c_str(), 0555) != 0)
        return Because("cannot take the folder's write permission");
    // Root writes into any folder; an unprivileged user (nobody) meets the permission.
    if (::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
        return Because("cannot drop root");
    return {};
}

std::string LimitFileSize() {
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 16 * 1024;
    return ::setrlimit(RLIMIT_FSIZE, &limit) == 0 ? ""
                                                  : Because("cannot lower the file-size limit");
}

std::string FillDisk(const std::string& folder) {
    if (::geteuid() != 0)
        return "mounting a file system needs root";
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file()) {
            std::ifstream in(entry.path(), std::ios::binary);
            files[entry.path().filename()] = std::string(std::istreambuf_iterator<char>(in), {});
        }
    if (::unshare(CLONE_NEWNS) != 0)
        return Because("no mount namespace of its own");
    // Nothing mounted here may reach the host. Where the root is no mount point (a chroot, as
    // in CI), the folder is bound onto itself and that mount made private instead.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 &&
        (errno != EINVAL ||
         ::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
         ::mount(nullptr, folder.c_str(), nullptr, MS_PRIVATE, nullptr) != 0))
        return Because("cannot make the mounts private");
    if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") != 0)
        return Because("cannot mount a tmpfs");
    for (const auto& [name, bytes] : files)
        std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
    const int fd = ::open((folder + "/filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    const char block[4096] = {};
    off_t filled = 0;
    for (ssize_t n; fd >= 0 && (n = ::write(fd, block, sizeof block)) > 0;)
        filled += n;
    const bool full = fd >= 0 && errno == ENOSPC && ::ftruncate(fd, filled - 16 * 1024) == 0;
    if (fd >= 0)
        ::close(fd);
    return full ? std::string() : Because("cannot fill the tmpfs");
}

} // namespace

int RunInChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(body());
    int status = -1;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid ? status : -1;
}

const char* Describe(DiskFault fault) {
    static const char* const names[] = {"read-only folder", "file-size limit", "full disk"};
    return names[static_cast<int>(fault)];
}

FaultRun RunWithDiskFault(DiskFault fault, const std::string& folder,
                          const std::function<int()>& work) {
    // Why the fault could not be made comes back through a shared page.
    constexpr std::size_t kSize = 256;
    void* shared =
        ::mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED)
        return FaultRun{-1, Because("no shared page")};
    auto* cannot = static_cast<char*>(shared);
    cannot[0] = '\0';
    const int status = RunInChild([&] {
        const std::string reason = fault == DiskFault::ReadOnlyFolder  ? MakeReadOnly(folder)
                                   : fault == DiskFault::FileSizeLimit ? LimitFileSize()
                                                                       : FillDisk(folder);
        if (!reason.empty()) {
            std::snprintf(cannot, kSize, "%s", reason.c_str());
            return 0;
        }
        const int code = work();
        if (fault == DiskFault::FullDisk)
            ::umount2(folder.c_str(), MNT_DETACH); // the tmpfs, and a bind mount under it
        return code;
    });
    const FaultRun run{WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), cannot};
    if (fault == DiskFault::ReadOnlyFolder)
        ::chmod(folder.c_str(), 0755);
    ::munmap(shared, kSize);
    return run;
}

} // namespace brelvo::test
