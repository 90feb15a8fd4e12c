#pragma once

#include "base/Point.h"
#include "ui/ScreenContext.h"
#include "ui/StateMachine.h"

#include <atomic>
#include <mutex>

namespace brelvo::test {

// A screen context of a test's own, as the program makes one from its process-wide values, so
// that a screen can be built and driven with nothing else of the program.
struct TestScreenContext {
    std::recursive_mutex lock;
    InterfaceFontSet fonts;
    StateMachine states;
    Point offset;
    std::atomic<bool> ignoreTap{false};
    ScreenContext context{lock, fonts, states, offset, ignoreTap};
};

} // namespace brelvo::test
