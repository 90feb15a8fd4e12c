#pragma once

#include "base/Point.h"
#include "gfx/BitmapFont.h"
#include "gfx/Surface.h"
#include "ui/ScreenContext.h"
#include "ui/StateMachine.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

namespace brelvo {

// The process-wide values the controller sets up at start-up for every screen.

// (0, 320 - display height): screens subtract its y from controls anchored to the bottom of
// the screen. (0, 0) on the 240 x 320 portrait screen.
extern Point LayoutOffset;

// While set, the next stylus-down is dropped (and the flag cleared). The editor sets it while
// it shows a message that the next tap only dismisses.
extern std::atomic<bool> IgnoreNextTap;

// The one lock between drawing and the handlers: Render holds it for a whole frame, handlers
// around every change that drawing reads. Recursive, because a handler that holds it calls
// operations that take it again.
extern std::recursive_mutex globalLock;

// The interface fonts, in the order the controller loads them; the tenth is the title font
// (entry 583) on an opaque black ground.
extern InterfaceFontSet InterfaceFonts;

extern Surface StartupPicture;
extern Surface TitlePicture;

// The screen state machine, and the two calls screens use on it.
extern StateMachine ScreenStates;
inline void SetState(std::int32_t state, std::int32_t delayFrames) {
    ScreenStates.SetState(state, delayFrames);
}
inline std::int32_t GetState() {
    return ScreenStates.GetState();
}

// The context of these values, which the program hands to every screen.
ScreenContext& ProgramScreenContext();

} // namespace brelvo
