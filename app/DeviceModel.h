#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace brelvo {

// The handheld models the program knows by their OEM information text. Only a few need
// something of their own (extra hardware keys), so an unknown model is the normal case, and the
// only one on a desktop.
inline constexpr std::int32_t kDeviceUnknown = 1;

struct DeviceModelPrefix {
    std::int32_t id = kDeviceUnknown;
    std::u16string_view prefix;
};

// The OEM text is read into a buffer of this many characters, terminator included, so only its
// first 259 characters can take part in a comparison.
inline constexpr std::size_t kOemTextCapacity = 260;

// The id of the first row whose whole prefix begins the OEM text; kDeviceUnknown when no row
// matches or the text is empty. An empty prefix never matches: it would claim every device.
std::int32_t DeviceModelFromOemText(std::u16string_view oemText,
                                    std::span<const DeviceModelPrefix> table);

// The table of known models, in the order they are compared.
std::span<const DeviceModelPrefix> KnownDeviceModels();

// The OEM text of this machine: a desktop has none, so it is empty unless the environment
// variable BRELVO_OEM_INFO supplies one (its bytes taken one character each, which keeps every
// ASCII text as it is), cut to the buffer size.
std::u16string OemTextFromEnvironment();

// The model of this machine, identified on the first call and kept for the life of the process.
std::int32_t DeviceModel();

} // namespace brelvo
