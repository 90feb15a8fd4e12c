#include "ui/Menu.h"

#include "gfx/Blit.h"
#include "gfx/Shapes.h"
#include "ui/Images.h"

#include <algorithm>

namespace brelvo {

namespace {

constexpr Color kItemGrey = 0xC8C5C5; // the look of a disabled item's text
constexpr Color kBlack = 0x000000;
constexpr Color kMagenta = 0xFF00FF;
constexpr Color kHighlightEdge = 0xFF4D00;
constexpr Color kHighlightFill = 0xFEB783;
constexpr Color kFeedbackFrame = 0x585858;

} // namespace

Menu::Menu(std::int32_t speed, const Rect& menuRect) : m_menuRect(menuRect), m_speed(speed) {}

Menu::Menu(const Menu& other) {
    *this = other;
}

Menu& Menu::operator=(const Menu& other) {
    if (this == &other)
        return *this;
    CopyImage(other.m_panel, m_panel);
    CopyImage(other.m_header, m_header);
    m_open = other.m_open;
    m_chosenRect = other.m_chosenRect;
    m_feedbackCountdown = other.m_feedbackCountdown;
    m_progress = other.m_progress;
    m_menuRect = other.m_menuRect;
    m_speed = other.m_speed;
    m_feedbackStyle = other.m_feedbackStyle;
    m_items = other.m_items;
    m_highlighted = other.m_highlighted;
    m_chosen = other.m_chosen;
    return *this;
}

int Menu::AddItem(const Rect& rect, MenuCallback callback) {
    return m_items.Add(MenuItem{rect, std::move(callback), true});
}

bool Menu::IsItemEnabled(int index) const {
    return index >= 0 && index < m_items.GetSize() && m_items[index].enabled;
}

void Menu::SetItemEnabled(int index, bool enabled) {
    if (index < 0 || index >= m_items.GetSize())
        return;
    MenuItem& item = m_items[index];
    item.enabled = enabled;

    // Recolour the item in the panel: the pixels of the colour being replaced are keyed out of
    // the panel's copy, so the scratch's ground shows through exactly there.
    const Rect area = item.rect.TranslatedBack(m_menuRect.left, m_menuRect.top);
    Surface scratch;
    if (!m_panel.GetPixels() ||
        Failed(scratch.Create(0, area.right - area.left + 1, area.bottom - area.top + 1)))
        return;
    FillRect(scratch, nullptr, enabled ? kBlack : kItemGrey);
    m_panel.SetColorKey(enabled ? kItemGrey : kBlack);
    const Rect from(area.left, area.top, area.right + 1, area.bottom + 1);
    Blit(scratch, 0, 0, m_panel, &from, BLT_KEYED);
    m_panel.SetColorKey(kMagenta);
    Blit(m_panel, area.left, area.top, scratch);
}

void Menu::Reset() {
    m_highlighted = -1;
    m_open = false;
    m_progress = 0.0f;
}

bool Menu::StylusDown(std::int32_t x, std::int32_t y) {
    if (!IsFullyOut())
        return false;
    for (int i = 0; i < m_items.GetSize(); ++i) {
        const MenuItem& item = m_items[i];
        if (!item.enabled || !item.rect.Contains(x, y))
            continue;
        m_chosenRect = item.rect;
        m_feedbackCountdown = kFeedbackFrames;
        // The callback may change this menu's items; keep a copy of what is called.
        const MenuCallback callback = item.callback;
        if (callback)
            callback();
        m_chosen = i;
        Reset();
        return true;
    }
    return false;
}

void Menu::Key(std::uint16_t key, const KeyMap& keys) {
    const int count = m_items.GetSize();
    if (!IsFullyOut() || count == 0)
        return;
    if (key == keys.up)
        m_highlighted = m_highlighted <= 0 ? count - 1 : m_highlighted - 1;
    else if (key == keys.down)
        m_highlighted = m_highlighted >= count - 1 ? 0 : m_highlighted + 1;
}

void Menu::HighlightRect(Surface& target, const Rect& rect, bool enabled) const {
    DrawRect(target, rect, kHighlightEdge);
    // Whatever differs from the item's own ground (its text and symbols) is put back over the
    // fill, so the item stays readable on the highlight.
    Surface scratch;
    if (Failed(scratch.Create(0, rect.right - rect.left + 1, rect.bottom - rect.top + 1)))
        return;
    const Rect from(rect.left, rect.top, rect.right + 1, rect.bottom + 1);
    Blit(scratch, 0, 0, target, &from);
    if (enabled)
        FillRect(target, &rect, kHighlightFill, 1);
    scratch.SetColorKeyRaw(scratch.GetPixelRaw(2, 2));
    Blit(target, rect.left, rect.top, scratch, nullptr, BLT_KEYED);
}

void Menu::Draw(Surface& target) {
    if (m_open) {
        const double height = m_menuRect.bottom - m_menuRect.top;
        const double progress = static_cast<double>(m_progress) + m_speed / height;
        m_progress = progress >= 1.0 ? 1.0f : static_cast<float>(progress);
        // The panel slides down out of its header, its bottom edge first.
        const std::int32_t panelHeight = m_panel.GetHeight();
        const auto top = static_cast<std::int32_t>(panelHeight * (1.0 - m_progress));
        const Rect part(0, top, m_panel.GetWidth(), panelHeight);
        Blit(target, m_menuRect.left, m_menuRect.top, m_panel, &part, BLT_KEYED);
        if (m_progress == 1.0f && m_highlighted >= 0 && m_highlighted < m_items.GetSize())
            HighlightRect(target, m_items[m_highlighted].rect, m_items[m_highlighted].enabled);
    }
    if (m_feedbackCountdown > 0) {
        --m_feedbackCountdown;
        Blit(target, m_menuRect.left, m_menuRect.top, m_panel, nullptr, BLT_KEYED);
        if (m_feedbackStyle == kFrame) {
            DrawRect(target, m_chosenRect, kFeedbackFrame);
        } else {
            // A command may have disabled its own item (Undo all disables itself): it is shown
            // in black while it is marked, then greys with the rest of the panel.
            if (!IsItemEnabled(m_chosen))
                ReplacePixels(target, m_chosenRect, ColorToPixel(kItemGrey), ColorToPixel(kBlack));
            HighlightRect(target, m_chosenRect, true);
        }
    }
}

} // namespace brelvo
