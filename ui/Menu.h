#pragma once

#include "base/Array.h"
#include "base/KeyMap.h"
#include "base/Rect.h"
#include "gfx/Surface.h"

#include <cstdint>
#include <functional>

namespace brelvo {

// What a menu item does when it is chosen.
using MenuCallback = std::function<void()>;

struct MenuItem {
    Rect rect; // screen coordinates, edges inclusive
    MenuCallback callback;
    bool enabled = true;
};

// One drop-down menu, drawn from its panel image. Opened, it rolls out over a few frames
// (speed pixels of the menu rectangle's height a frame) and takes taps only once fully out. A
// chosen item closes the menu at once, and the whole panel stays drawn for 10 more frames with
// the item marked, so the user sees what was chosen.
//
// Disabling an item greys its black pixels in the panel image itself; enabling turns its grey
// pixels black again.
class Menu {
public:
    static constexpr std::int32_t kFeedbackFrames = 10;
    // Feedback styles: the chosen item highlighted, or framed.
    static constexpr std::int32_t kHighlight = 1;
    static constexpr std::int32_t kFrame = 2;

    Menu() = default;
    Menu(std::int32_t speed, const Rect& menuRect);
    Menu(const Menu& other);
    Menu& operator=(const Menu& other);

    // Appends an enabled item and returns its index.
    int AddItem(const Rect& rect, MenuCallback callback);
    void SetFeedbackStyle(std::int32_t style) { m_feedbackStyle = style; }
    // Ignored for an index beyond the items.
    void SetItemEnabled(int index, bool enabled);
    bool IsItemEnabled(int index) const;
    void SetHighlighted(int index) { m_highlighted = index; }
    // Closed, rolled in, nothing highlighted.
    void Reset();
    void Open() { m_open = true; }

    // True when the tap chose an item (its callback has then run).
    bool StylusDown(std::int32_t x, std::int32_t y);
    // Up and down move the highlight, wrapping; no key chooses.
    void Key(std::uint16_t key, const KeyMap& keys);
    void Draw(Surface& target);

    bool IsOpen() const { return m_open; }
    bool IsFullyOut() const { return m_open && m_progress == 1.0f; }
    float Progress() const { return m_progress; }
    std::int32_t FeedbackCountdown() const { return m_feedbackCountdown; }
    int Highlighted() const { return m_highlighted; }
    int Chosen() const { return m_chosen; }
    int ItemCount() const { return m_items.GetSize(); }
    const Rect& MenuRect() const { return m_menuRect; }

    // The owner loads the artwork into these.
    Surface& PanelImage() { return m_panel; }
    Surface& HeaderImage() { return m_header; }

private:
    void HighlightRect(Surface& target, const Rect& rect, bool enabled) const;

    Surface m_panel;
    Surface m_header;
    bool m_open = false;
    Rect m_chosenRect;
    std::int32_t m_feedbackCountdown = 0;
    float m_progress = 0.0f;
    Rect m_menuRect;
    std::int32_t m_speed = 0;
    std::int32_t m_feedbackStyle = kHighlight;
    Array<MenuItem> m_items;
    int m_highlighted = -1;
    int m_chosen = -1;
};

} // namespace brelvo
