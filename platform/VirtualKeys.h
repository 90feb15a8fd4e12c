#pragma once

#include <cstdint>
#include <string_view>

namespace brelvo::platform {

// The screens compare key codes with the handheld's virtual-key codes, so both window backends
// translate the desktop's keys into them. Letters and digits are their upper-case ASCII codes.
namespace vk {
inline constexpr std::uint16_t kBackspace = 0x08;
inline constexpr std::uint16_t kTab = 0x09;
inline constexpr std::uint16_t kEnter = 0x0D;
inline constexpr std::uint16_t kShift = 0x10;
inline constexpr std::uint16_t kControl = 0x11;
inline constexpr std::uint16_t kEscape = 0x1B;
inline constexpr std::uint16_t kSpace = 0x20;
inline constexpr std::uint16_t kPageUp = 0x21;
inline constexpr std::uint16_t kPageDown = 0x22;
inline constexpr std::uint16_t kEnd = 0x23;
inline constexpr std::uint16_t kHome = 0x24;
inline constexpr std::uint16_t kLeft = 0x25;
inline constexpr std::uint16_t kUp = 0x26;
inline constexpr std::uint16_t kRight = 0x27;
inline constexpr std::uint16_t kDown = 0x28;
inline constexpr std::uint16_t kDelete = 0x2E;
inline constexpr std::uint16_t kF1 = 0x70;
inline constexpr std::uint16_t kF11 = 0x7A;
inline constexpr std::uint16_t kF12 = 0x7B;
} // namespace vk

// The code of a key by its name, as scripts write it: "up", "down", "left", "right", "enter",
// "space", "backspace", "tab", "escape", "delete", "home", "end", "pageup", "pagedown", "f1" to
// "f12", "ctrl", "shift", a single letter or digit; case does not matter. 0 for a name it does not
// know.
std::uint16_t KeyFromName(std::string_view name);

// The character a key press also types, as the handheld's window system sent it after the key
// itself: Backspace, Tab, Enter and Escape type their control characters. Keys that type
// printable text deliver it as text input instead, so they give 0 here.
char16_t ControlCharForKey(std::uint16_t key);

} // namespace brelvo::platform
