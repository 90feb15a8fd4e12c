#pragma once

#include "base/Point.h"
#include "base/Rect.h"
#include "gfx/Surface.h"

#include <cstdint>

namespace brelvo {

// An image button that its screen polls: the screen asks HitTest about stylus points and acts
// itself. Both images are drawn at the position; the hit rectangle (edges inclusive) is kept
// apart, because some buttons are hit over a larger area than their picture.
//
// Flash shows the pressed image for exactly 10 frames, counted by Draw, so a tapped button is
// seen pressed before the screen moves on. A flashing button is drawn even while invisible.
class Button {
public:
    static constexpr std::int32_t kFlashFrames = 10;

    // Stores both and clears pressed and flashing.
    void Set(Point position, const Rect& hit);
    void Flash();
    // For buttons that stay down, such as one of a group of exclusive mode buttons.
    void Press() { m_pressed = true; }
    void Release() { m_pressed = false; }
    bool IsPressed() const { return m_pressed; }
    bool IsFlashing() const { return m_flashing; }
    void SetVisible(bool visible) { m_visible = visible; }
    bool IsVisible() const { return m_visible; }
    void SetEnabled(bool enabled) { m_enabled = enabled; }
    bool IsEnabled() const { return m_enabled; }

    // False while invisible or disabled; otherwise whether the hit rectangle holds the point.
    bool HitTest(std::int32_t x, std::int32_t y) const;
    void Draw(Surface& target);

    Point Position() const { return m_position; }
    const Rect& HitRect() const { return m_hit; }
    // The screen loads the artwork into these at set-up.
    Surface& PressedImage() { return m_pressedImage; }
    Surface& NormalImage() { return m_normalImage; }

private:
    Point m_position;
    Rect m_hit;
    Surface m_pressedImage;
    Surface m_normalImage;
    bool m_pressed = false;
    bool m_visible = true;
    bool m_flashing = false;
    std::int32_t m_flashCountdown = 0;
    bool m_enabled = true;
};

} // namespace brelvo
