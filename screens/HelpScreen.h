#pragma once

#include "gfx/Surface.h"
#include "ui/Button.h"
#include "ui/Screen.h"
#include "ui/ScreenContext.h"
#include "ui/ScrollBar.h"

#include <cstdint>

namespace brelvo {

// Help (state 8): an index whose lines open twelve topic pages, each drawn once into a page
// image and shown through a view that scrolls 5 pixels a step, with a back button to the index
// and a close button to the editor. Every handler and the draw run under the context's lock,
// which guards the page, the scroll position, the held keys and the index countdown.
class HelpScreen final : public Screen {
public:
    static constexpr std::int32_t kStep = 5;
    static constexpr std::int32_t kBackFrames = 10;

    explicit HelpScreen(ScreenContext& context);

    void Initialise(ResourceArchive& archive) override;
    void Draw(Surface& target) override;
    void StylusDown(std::int32_t x, std::int32_t y) override;
    void StylusUp(std::int32_t x, std::int32_t y) override;
    void StylusMove(std::int32_t x, std::int32_t y) override;
    void KeyDown(std::uint16_t key, const KeyMap& keys) override;
    void Wheel(std::int32_t dx, std::int32_t dy) override;
    void ReleaseHeldKeys() override;

    // Before each visit: the index, from the top.
    void Reset();

    // 0 for the index, else the topic on show.
    std::int32_t Topic() const { return m_topic; }
    std::int32_t ScrollY() const { return m_scrollY; }
    const Surface& Page() const { return m_page; }
    bool BackShown() const { return m_back.IsVisible(); }
    bool ScrollBarShown() const { return m_bar.IsVisible(); }
    // The view's height in page pixels: 271 on a full-height screen.
    std::int32_t ViewHeight() const;
    // Where the back and close buttons are hit on the screen.
    Rect BackRect() const { return m_back.HitRect(); }
    Rect CloseRect() const { return m_close.HitRect(); }

    // Draws a page (0 for the index) into an image as the screen shows it.
    static void DrawPage(std::int32_t topic, const InterfaceFontSet& fonts, Surface& page);

private:
    // The view's scroll bar: it moves the page 5 pixels a step and places its thumb from the
    // page's scroll position.
    class PageScrollBar final : public ScrollBar {
    public:
        explicit PageScrollBar(HelpScreen& screen) : m_screen(screen) {}
        void Sync() override;
        void StepUp() override;
        void StepDown() override;

    private:
        HelpScreen& m_screen;
    };

    void BuildPage(std::int32_t topic);
    std::int32_t MaxScroll() const;

    ScreenContext& m_context;
    Button m_back;
    Button m_close;
    Surface m_background;
    PageScrollBar m_bar{*this};
    bool m_upHeld = false;
    bool m_downHeld = false;
    std::int32_t m_indexCountdown = -1;
    std::int32_t m_topic = 0;
    Surface m_page;
    std::int32_t m_scrollY = 0;
};

} // namespace brelvo
