#pragma once

#include <functional>
#include <string>

namespace brelvo::test {

// Runs body in a child process of this one (fork) and returns the wait status; the body's return
// value becomes the child's exit code. For work that changes the process for good: dropping
// root, lowering a limit, a mount namespace.
int RunInChild(const std::function<int()>& body);

// The ways a save can meet a disk that will not take it.
enum class DiskFault {
    ReadOnlyFolder, // the folder's write permission taken away (as an unprivileged user when root)
    FileSizeLimit,  // a 16 KiB file-size limit on the process
    FullDisk,       // a 64 KiB file system over the folder with 16 KiB left
};
const char* Describe(DiskFault fault);

// What a run under a fault gave: the work's exit code, or why the fault could not be made (the
// caller skips the case with that reason, never passes it silently).
struct FaultRun {
    int code = -1;
    std::string cannot;
};

// Breaks the folder's disk one way in a child process and runs work there. The folder's files
// are there as before (a full disk is a fresh file system over the folder, seeded with copies of
// them, in a mount namespace of the child's own that goes with it). For ReadOnlyFolder as root
// every folder above must be searchable by others.
FaultRun RunWithDiskFault(DiskFault fault, const std::string& folder,
                          const std::function<int()>& work);

} // namespace brelvo::test
