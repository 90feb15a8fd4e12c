#pragma once

#include <cstdint>

namespace brelvo {

// Every operation that can fail returns one of these 32-bit codes: 0 for success, negative for
// failure, in the platform's HRESULT form. The program's own codes are 0xC866xxxx. They are a
// contract with callers (and tests), so they are named here once and nowhere else spelled out.
using HResult = std::int32_t;

inline constexpr HResult kOk = 0;
inline constexpr HResult kErrFail = static_cast<HResult>(0x80004005u);
inline constexpr HResult kErrInvalidArg = static_cast<HResult>(0x80070057u);
inline constexpr HResult kErrOutOfMemory = static_cast<HResult>(0x8007000Eu);
// Why the host refused a file operation, each a Win32 error number in the same wrapping, so that
// a message can tell a bad name (kErrInvalidArg) from a disk that cannot take the file.
// A folder on the way is missing, or is a file.
inline constexpr HResult kErrPathNotFound = static_cast<HResult>(0x80070003u);
// No permission, or a read-only file system.
inline constexpr HResult kErrAccessDenied = static_cast<HResult>(0x80070005u);
// No room left on the file system, or the user's quota is used up.
inline constexpr HResult kErrDiskFull = static_cast<HResult>(0x80070070u);
// The file would exceed the largest size the process or the file system allows.
inline constexpr HResult kErrFileTooLarge = static_cast<HResult>(0x800700DFu);
inline constexpr HResult kErrArchiveMissing = static_cast<HResult>(0xC8660001u);
inline constexpr HResult kErrNoPixels = static_cast<HResult>(0xC8660020u);
inline constexpr HResult kErrFontNoPixels = static_cast<HResult>(0xC8660070u);
inline constexpr HResult kErrDisplay = static_cast<HResult>(0xC86600F0u);
// Presenting while the display is suspended (the window is hidden); nothing is drawn.
inline constexpr HResult kErrSuspended = static_cast<HResult>(0xC86600C0u);
// The clock that paces frames has no counter; the frame timer then reports every frame late.
inline constexpr HResult kErrNoCounter = static_cast<HResult>(0xC8660120u);
// The program's own executable could not be found or is not the right one.
inline constexpr HResult kErrMissingExe = static_cast<HResult>(0xC8660130u);
// The one information code: a frame finished later than its slot. It is not a failure.
inline constexpr HResult kInfoLateFrame = static_cast<HResult>(0x48660100u);

constexpr bool Succeeded(HResult r) {
    return r >= 0;
}
constexpr bool Failed(HResult r) {
    return r < 0;
}

// A short English phrase for a code, for messages on standard error ("cannot save 'x.bmp': the
// disk is full"). Codes without a phrase of their own get a generic one; never null.
const char* ResultText(HResult result);

} // namespace brelvo
