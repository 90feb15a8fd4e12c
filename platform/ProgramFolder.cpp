#include "platform/ProgramFolder.h"

#include <unistd.h>
#include <vector>

namespace brelvo::platform {

std::string ProgramFolder() {
    // readlink does not say how long the target is, so the buffer grows until the answer fits
    // with room to spare; a result that fills the buffer exactly may have been cut short.
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return {};
        if (static_cast<std::size_t>(length) < buffer.size()) {
            const std::string path(buffer.data(), static_cast<std::size_t>(length));
            const std::size_t slash = path.rfind('/');
            if (slash == std::string::npos)
                return {};
            return path.substr(0, slash + 1);
        }
        if (buffer.size() >= 1u << 20)
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace brelvo::platform
