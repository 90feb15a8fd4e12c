#pragma once

#include <cstdlib>

namespace brelvo {

// For std::unique_ptr over memory from malloc: the decoders and the archive hand out such
// buffers, and they must go back with free.
struct FreeDeleter {
    void operator()(void* p) const noexcept { std::free(p); }
};

} // namespace brelvo
