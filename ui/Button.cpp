#include "ui/Button.h"

#include "gfx/Blit.h"

namespace brelvo {

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
