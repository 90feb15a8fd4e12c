#include "ui/Button.h"

#include "gfx/Blit.h"
#include "ui/Images.h"

namespace brelvo {

Button::Button(const Button& other) {
    *this = other;
}

Button& Button::operator=(const Button& other) {
    if (this == &other)
        return *this;
    m_position = other.m_position;
    m_hit = other.m_hit;
    CopyImage(other.m_pressedImage, m_pressedImage);
    CopyImage(other.m_normalImage, m_normalImage);
    m_pressed = other.m_pressed;
    m_visible = other.m_visible;
    m_flashing = other.m_flashing;
    m_flashCountdown = other.m_flashCountdown;
    m_enabled = other.m_enabled;
    return *this;
}

void Button::Set(Point position, const Rect& hit) {
    m_position = position;
    m_hit = hit;
    m_pressed = false;
    m_flashing = false;
}

void Button::Flash() {
    m_flashing = true;
    m_flashCountdown = kFlashFrames;
    m_pressed = true;
}

bool Button::HitTest(std::int32_t x, std::int32_t y) const {
    return m_visible && m_enabled && m_hit.Contains(x, y);
}

void Button::Draw(Surface& target) {
    if (m_flashing && --m_flashCountdown < 0) {
        m_pressed = false;
        m_flashing = false;
    }
    if (!m_flashing && !m_visible)
        return;
    Blit(target, m_position.x, m_position.y, m_pressed ? m_pressedImage : m_normalImage, nullptr,
         BLT_KEYED);
}

} // namespace brelvo
