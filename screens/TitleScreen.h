#pragma once

#include "gfx/Surface.h"
#include "ui/Screen.h"
#include "ui/ScreenContext.h"

namespace brelvo {

// The title picture (state 3), reached from the Help menu: it stays until a tap or a key, which
// returns to the editor without reaching any other screen.
class TitleScreen final : public Screen {
public:
    // The controller loads the picture at start-up, with the start-up picture.
    TitleScreen(ScreenContext& context, const Surface& picture)
        : m_context(context), m_picture(picture) {}

    void Draw(Surface& target) override;
    void StylusDown(std::int32_t x, std::int32_t y) override;
    void KeyDown(std::uint16_t key, const KeyMap& keys) override;

private:
    ScreenContext& m_context;
    const Surface& m_picture;
};

} // namespace brelvo
