#include "app/DeviceModel.h"

#include <cstdlib>

namespace brelvo {
namespace {

constexpr DeviceModelPrefix kKnownModels[] = {
#include "app/DeviceTable.inc"
};

} // namespace

std::int32_t DeviceModelFromOemText(std::u16string_view oemText,
                                    std::span<const DeviceModelPrefix> table) {
    if (oemText.size() >= kOemTextCapacity)
        oemText = oemText.substr(0, kOemTextCapacity - 1);
    for (const DeviceModelPrefix& row : table) {
        if (!row.prefix.empty() && oemText.starts_with(row.prefix))
            return row.id;
    }
    return kDeviceUnknown;
}

std::span<const DeviceModelPrefix> KnownDeviceModels() {
    return kKnownModels;
}

std::u16string OemTextFromEnvironment() {
    std::u16string text;
    const char* value = std::getenv("BRELVO_OEM_INFO");
    if (!value)
        return text;
    for (const char* c = value; *c && text.size() < kOemTextCapacity - 1; ++c)
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(*c)));
    return text;
}

std::int32_t DeviceModel() {
    static const std::int32_t model =
        DeviceModelFromOemText(OemTextFromEnvironment(), KnownDeviceModels());
    return model;
}

} // namespace brelvo
