#include "ui/MenuBar.h"

#include "gfx/Blit.h"

namespace brelvo {

Menu& MenuBar::SetUp(const Rect& header, std::int32_t speed, const Rect& menuRect) {
    m_headers.Add(header);
    return m_menus[m_menus.Add(Menu(speed, menuRect))];
}

void MenuBar::CloseAll() {
    for (Menu& menu : m_menus)
        menu.Reset();
}

bool MenuBar::AnyMenuShown() const {
    for (const Menu& menu : m_menus) {
        if (menu.IsOpen() || menu.FeedbackCountdown() > 0)
            return true;
    }
    return false;
}

void MenuBar::SetButton(const Rect& rect, MenuCallback callback) {
    m_button = MenuItem{rect, std::move(callback), true};
}

bool MenuBar::StylusDown(std::int32_t x, std::int32_t y) {
    for (const Menu& menu : m_menus) {
        if (menu.FeedbackCountdown() > 0)
            return true;
    }
    for (int i = 0; i < m_headers.GetSize(); ++i) {
        if (!StrictlyInside(m_headers[i], x, y))
            continue;
        if (m_menus[i].IsOpen()) {
            m_menus[i].Reset();
        } else {
            CloseAll();
            m_menus[i].Open();
        }
        return true;
    }
    if (m_button.enabled && StrictlyInside(m_button.rect, x, y)) {
        CloseAll();
        m_buttonCountdown = kButtonFrames;
        return true;
    }
    for (Menu& menu : m_menus) {
        if (menu.StylusDown(x, y))
            return true;
    }
    // A tap between the items of a menu that is out, or rolling out, is swallowed and the menu
    // stays; a tap anywhere else closes every menu and belongs to the screen.
    for (const Menu& menu : m_menus) {
        if (menu.Progress() != 0.0f && StrictlyInside(menu.MenuRect(), x, y))
            return true;
    }
    CloseAll();
    return false;
}

void MenuBar::Key(std::uint16_t key, const KeyMap& keys) {
    for (Menu& menu : m_menus)
        menu.Key(key, keys);
}

void MenuBar::Draw(Surface& target) {
    Blit(target, m_barRect.left, m_barRect.top, m_barImage, nullptr, BLT_KEYED);
    if (m_buttonCountdown > 0) {
        --m_buttonCountdown;
        Blit(target, m_button.rect.left, m_button.rect.top, m_buttonImage, nullptr, BLT_KEYED);
        if (m_buttonCountdown == 0 && m_button.callback) {
            const MenuCallback callback = m_button.callback;
            callback();
        }
    }
    if (m_buttonCountdown != 0)
        return;
    for (int i = 0; i < m_menus.GetSize(); ++i) {
        Menu& menu = m_menus[i];
        if (menu.IsOpen())
            Blit(target, m_headers[i].left, m_headers[i].top, menu.HeaderImage(), nullptr,
                 BLT_KEYED);
        menu.Draw(target);
    }
}

} // namespace brelvo
