#pragma once

#include "base/KeyMap.h"
#include "gfx/Surface.h"

#include <cstdint>

namespace brelvo {

class ResourceArchive;

// What the controller asks of a screen. Every screen is one process-wide object; it is
// initialised once at start-up, while the artwork archive is open, and keeps its contents
// between visits. The controller calls only the operations that the screen's state dispatches
// (see App); the others keep their empty defaults.
//
// Draw runs on the primary thread and the stylus, key and character handlers on the window
// thread, all with the screen context's lock held (see ScreenContext).
class Screen {
public:
    virtual ~Screen() = default;

    virtual void Initialise(ResourceArchive& archive) { (void)archive; }
    virtual void Draw(Surface& target) { (void)target; }
    virtual void StylusDown(std::int32_t x, std::int32_t y) { (void)x, (void)y; }
    virtual void StylusUp(std::int32_t x, std::int32_t y) { (void)x, (void)y; }
    virtual void StylusMove(std::int32_t x, std::int32_t y) { (void)x, (void)y; }
    virtual void KeyDown(std::uint16_t key, const KeyMap& keys) { (void)key, (void)keys; }
    virtual void KeyUp(std::uint16_t key, const KeyMap& keys) { (void)key, (void)keys; }
    virtual void Char(char16_t character, std::uint32_t keyData) { (void)character, (void)keyData; }
    // The mouse wheel turned by whole steps (right and down positive).
    virtual void Wheel(std::int32_t dx, std::int32_t dy) { (void)dx, (void)dy; }
    // Forgets keys the screen believes held; every key release, in any state, calls it on the
    // screens that repeat while a key is held (editor and help), since the release may arrive
    // after the program left them.
    virtual void ReleaseHeldKeys() {}
    // The program has just switched from this screen to another: whatever the stylus was doing
    // on it ends here, since the rest of the stroke goes to the new screen.
    virtual void Leave() {}
};

} // namespace brelvo
