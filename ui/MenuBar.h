#pragma once

#include "base/Array.h"
#include "base/KeyMap.h"
#include "base/Rect.h"
#include "gfx/Surface.h"
#include "ui/Menu.h"

#include <cstdint>

namespace brelvo {

// The bar of drop-down menus along the top of a screen, with one image button of its own (the
// editor's close button). A tap on a header opens its menu, or closes it when it is open; a tap
// on the bar button shows the button's image for 10 frames and only then runs its command.
//
// The bar tests its headers and its button strictly inside (an edge is outside), unlike the
// menus' items, whose edges belong to them.
class MenuBar {
public:
    static constexpr std::int32_t kButtonFrames = 10;

    // Appends a header and its menu; the caller then loads the menu's images, sets its style
    // and adds its items through Menu(MenuCount() - 1).
    Menu& SetUp(const Rect& header, std::int32_t speed, const Rect& menuRect);
    int MenuCount() const { return m_menus.GetSize(); }
    Menu& GetMenu(int index) { return m_menus[index]; }
    const Menu& GetMenu(int index) const { return m_menus[index]; }
    void CloseAll();
    // Whether a menu is open, or still showing the feedback of a choice.
    bool AnyMenuShown() const;

    void SetBar(const Rect& barRect) { m_barRect = barRect; }
    void SetButton(const Rect& rect, MenuCallback callback);
    Surface& BarImage() { return m_barImage; }
    Surface& ButtonImage() { return m_buttonImage; }
    std::int32_t ButtonCountdown() const { return m_buttonCountdown; }

    // True when the bar took the tap; false when the screen should handle it.
    bool StylusDown(std::int32_t x, std::int32_t y);
    void Key(std::uint16_t key, const KeyMap& keys);
    void Draw(Surface& target);

private:
    Surface m_barImage;
    Rect m_barRect;
    Surface m_buttonImage;
    MenuItem m_button;
    std::int32_t m_buttonCountdown = 0;
    Array<Rect> m_headers;
    Array<Menu> m_menus;
};

// Strictly inside: left < x < right and top < y < bottom.
constexpr bool StrictlyInside(const Rect& r, std::int32_t x, std::int32_t y) {
    return r.left < x && x < r.right && r.top < y && y < r.bottom;
}

} // namespace brelvo
