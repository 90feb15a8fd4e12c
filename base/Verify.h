#pragma once

// Internal invariants are checked in every build type. A broken invariant is a bug in the
// program, not bad input: bad input is reported with a result code instead.
#define VERIFY(expr)                                                                               \
    do {                                                                                           \
        if (!(expr)) [[unlikely]]                                                                  \
            ::brelvo::VerifyFailed(#expr, __FILE__, __LINE__);                                     \
    } while (0)

#define VERIFY_NOT_REACHED() ::brelvo::VerifyFailed("not reached", __FILE__, __LINE__)

namespace brelvo {
[[noreturn]] void VerifyFailed(const char* expr, const char* file, int line);
}
