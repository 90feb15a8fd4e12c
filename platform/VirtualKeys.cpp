#include "platform/VirtualKeys.h"

#include <cctype>
#include <string>

namespace brelvo::platform {

std::uint16_t KeyFromName(std::string_view name) {
    std::string lower;
    for (const char c : name)
        lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    if (lower.size() == 1) {
        const char c = lower[0];
        if (c >= 'a' && c <= 'z')
            return static_cast<std::uint16_t>(c - 'a' + 'A');
        if (c >= '0' && c <= '9')
            return static_cast<std::uint16_t>(c);
        return 0;
    }
    struct Named {
        std::string_view name;
        std::uint16_t key;
    };
    static constexpr Named kNames[] = {
        {"up", vk::kUp},
        {"down", vk::kDown},
        {"left", vk::kLeft},
        {"right", vk::kRight},
        {"enter", vk::kEnter},
        {"space", vk::kSpace},
        {"backspace", vk::kBackspace},
        {"tab", vk::kTab},
        {"escape", vk::kEscape},
        {"delete", vk::kDelete},
        {"home", vk::kHome},
        {"end", vk::kEnd},
        {"pageup", vk::kPageUp},
        {"pagedown", vk::kPageDown},
        {"ctrl", vk::kControl},
        {"shift", vk::kShift},
    };
    for (const Named& n : kNames) {
        if (n.name == lower)
            return n.key;
    }
    if (lower.size() >= 2 && lower.size() <= 3 && lower[0] == 'f') {
        int number = 0;
        for (std::size_t i = 1; i < lower.size(); ++i) {
            if (!std::isdigit(static_cast<unsigned char>(lower[i])))
                return 0;
            number = number * 10 + (lower[i] - '0');
        }
        if (number >= 1 && number <= 12 && lower[1] != '0')
            return static_cast<std::uint16_t>(vk::kF1 + number - 1);
    }
    return 0;
}

char16_t ControlCharForKey(std::uint16_t key) {
    switch (key) {
    case vk::kBackspace:
    case vk::kTab:
    case vk::kEnter:
    case vk::kEscape:
        return static_cast<char16_t>(key);
    default:
        return 0;
    }
}

} // namespace brelvo::platform
