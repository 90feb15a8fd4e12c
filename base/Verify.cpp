#include "base/Verify.h"

#include <cstdio>
#include <cstdlib>

namespace brelvo {

void VerifyFailed(const char* expr, const char* file, int line) {
    std::fprintf(stderr, "VERIFY(%s) failed at %s:%d\n", expr, file, line);
    std::abort();
}

} // namespace brelvo
