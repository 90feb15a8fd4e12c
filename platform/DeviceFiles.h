#pragma once

#include "base/ByteSink.h"
#include "base/Result.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace brelvo::platform {

// The program names files as the handheld did: UTF-16, backslash separators, rooted at "\".
// On the host that root is a folder, the device root; every device path lives below it.

// Sets the host folder that stands for "\". Trailing slashes are dropped; an empty string goes
// back to the default, the user's home folder ($HOME, else the password entry's home, else "/").
// Meant to be called once at start-up, but safe to call while other threads map paths.
void SetDeviceRoot(std::string hostFolder);
std::string GetDeviceRoot();

// Maps a device path onto the host by string rules alone; it never looks at the file system.
// "\A\B\x.bmp" becomes "<root>/A/B/x.bmp", "\" the root itself, and "\A\" (a folder) "<root>/A".
// Refused with kErrInvalidArg, leaving hostPath as it was: a null or empty path, one that does
// not start with "\", an empty, "." or ".." component, a component holding a character the
// handheld never allowed in a name (/ : * ? " < > | or a control character), and broken UTF-16.
// Use it for reading and listing; a path about to be written goes through
// MapDevicePathForWrite.
HResult MapDevicePath(const char16_t* devicePath, std::string& hostPath);

// Maps a device path that names a file to be created or replaced. Beyond MapDevicePath's rules
// it refuses (kErrInvalidArg) the root and folder paths (ending in "\"), and a path whose folder,
// after following symbolic links, lies outside the device root, so that a link inside the
// device tree cannot carry a save elsewhere. A folder that does not exist yet is judged by its
// nearest existing ancestor. When the device root cannot be resolved, or a folder on the way
// exists but cannot be, the host's reason: kErrPathNotFound for a missing root,
// kErrAccessDenied for a folder without search permission, kErrFail for a reason without a code.
// The check and the later write are not atomic: it guards against links already in the tree,
// not against one swapped in at the same moment by another process.
HResult MapDevicePathForWrite(const char16_t* devicePath, std::string& hostPath);

// The only way the program writes a file. The bytes go to a temporary file beside the target,
// and only a successful Commit renames it over the target, so a save that fails at any point
// leaves the old file exactly as it was and no temporary file behind.
//
// Open creates the temporary file; Write appends (a ByteSink, so encoders write straight in);
// Commit makes the file durable and puts it in place. Once a write has failed, every later
// Write and the Commit fail too. Writing to a writer whose Open failed is allowed and fails, so
// callers may run their usual sequence of writes and look only at the final result.
// Destroying a writer that was not committed discards the temporary file.
//
// A failure is reported as its cause, taken from the host at the call that failed:
// kErrPathNotFound (a folder on the way is missing or is a file), kErrAccessDenied (no
// permission, a read-only file system), kErrDiskFull (no space or quota left), kErrFileTooLarge
// (beyond the process's or the file system's limit), kErrInvalidArg (a name the writer or the
// host refuses, or too long), kErrFail for anything the host gives no recognised reason for.
// The first cause is kept until the writer is opened again or aborted.
//
// The new file gets the replaced file's permission bits, or 0666 less the umask for a new one.
// It is owned by the saving user, and a symbolic link at the target is replaced by the file
// rather than followed.
class ReplacingFileWriter final : public ByteSink {
public:
    ReplacingFileWriter() = default;
    ~ReplacingFileWriter() override;
    ReplacingFileWriter(const ReplacingFileWriter&) = delete;
    ReplacingFileWriter& operator=(const ReplacingFileWriter&) = delete;

    // kErrInvalidArg for a path with an empty final name, one naming "." or "..", or an existing
    // directory; otherwise the cause when the temporary file cannot be created (missing or
    // read-only folder, for instance). Must not be called while a file is open.
    HResult Open(const std::string& hostPath);
    bool Write(const void* data, std::size_t size) override;
    // kOk once the new file is in place and durable; otherwise the first cause of failure: of
    // the Open, of a Write, or of the commit itself (kErrFail when nothing was opened). The
    // writer is closed afterwards either way and may be opened again.
    HResult Commit();
    // Discards the temporary file and forgets any cause; the target is left as it was.
    // Harmless when nothing is open.
    void Abort();
    // The first cause of failure since Open, kOk while nothing has failed: how an encoder that
    // stopped because Write refused learns why.
    HResult Error() const { return m_error; }

private:
    // Discards the temporary file and keeps cause as the writer's error; returns it.
    HResult Fail(HResult cause);
    void Discard();

    std::string m_targetPath;
    std::string m_folder;
    std::string m_tempPath;
    int m_fd = -1;
    HResult m_error = kOk;
};

// Opens, writes and commits in one call; kOk or the first cause of failure.
HResult WriteFileReplacing(const std::string& hostPath, const void* data, std::size_t size);

// The names in a device folder ("\" or a path ending in "\"), from one pass over it: its
// subfolders and all its files, each sorted. The browser filters the files itself
// (MatchesPattern), so a folder of thousands of pictures is read once however many formats it
// shows. Hidden entries (names starting with ".") are left out, and so are names the program
// could not show and open again by the same name: names holding a character a device path
// refuses, or bytes that are not UTF-8. A symbolic link is listed only when it leads to a place
// inside the device root. Names come sorted, letters of the Latin and Cyrillic alphabets without
// regard to case and everything else by code point, so a listing is the same on every file
// system. kErrInvalidArg for a path the mapping refuses or that resolves outside the device root,
// kErrFail for a folder that cannot be read; both lists are empty after either.
struct FolderContents {
    std::vector<std::u16string> folders;
    std::vector<std::u16string> files;
};
HResult ReadDeviceFolder(const char16_t* deviceFolder, FolderContents& contents);

// The device path of a host file that lies inside the device root once links are resolved, for
// a picture named on the command line. kErrInvalidArg outside the root, for a path that does
// not exist, or for a name a device path cannot hold.
HResult DevicePathFromHost(const std::string& hostPath, std::u16string& devicePath);

// True when something other than a folder has exactly this device path (a file, or a link of
// any kind), so that a save there would replace it. False for a path the mapping refuses.
bool DeviceFileExists(const char16_t* devicePath);

// True when name matches pattern: '*' any run, '?' one character; letters match in either
// case, and "*.jpg" also takes ".jpeg" names.
bool MatchesPattern(std::u16string_view name, std::u16string_view pattern);

// Orders names as ReadDeviceFolder does.
bool NameLess(std::u16string_view a, std::u16string_view b);

} // namespace brelvo::platform
