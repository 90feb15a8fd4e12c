#include "screens/TitleScreen.h"

#include "gfx/Blit.h"
#include "ui/StateMachine.h"

namespace brelvo {

void TitleScreen::Draw(Surface& target) {
    Blit(target, 0, 0, m_picture, nullptr, BLT_KEYED);
}

void TitleScreen::StylusDown(std::int32_t, std::int32_t) {
    m_context.SetState(state::kEditor, 0);
}

void TitleScreen::KeyDown(std::uint16_t, const KeyMap&) {
    m_context.SetState(state::kEditor, 0);
}

} // namespace brelvo
