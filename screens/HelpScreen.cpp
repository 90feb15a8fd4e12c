#include "screens/HelpScreen.h"

#include "archive/ArtworkIds.h"
#include "archive/LoadArtwork.h"
#include "gfx/BitmapFont.h"
#include "gfx/Blit.h"
#include "platform/VirtualKeys.h"
#include "screens/HelpText.h"
#include "screens/Layout.h"
#include "ui/StateMachine.h"

#include <algorithm>
#include <cstdlib>

namespace brelvo {

namespace {

using namespace layout;
namespace vk = platform::vk;

constexpr Color kPageGrey = 0xE1E1E1;
constexpr Color kTrackGrey = 0xC7C7C7;
constexpr std::int32_t kTrackX = 232;
constexpr std::int32_t kTrackTop = 43;
constexpr std::int32_t kTrackBottom = 275;
constexpr Point kUpArrowAt(227, 24);
constexpr Point kDownArrowAt(227, 274);
constexpr std::int32_t kCloseFrames = 10;
constexpr std::uint16_t kF2 = vk::kF1 + 1;
// A turn of the mouse wheel scrolls this many steps.
constexpr std::int32_t kWheelSteps = 3;

} // namespace

HelpScreen::HelpScreen(ScreenContext& context) : m_context(context) {}

std::int32_t HelpScreen::ViewHeight() const {
    return kHelpView.bottom - m_context.OffsetY() - kHelpView.top;
}

std::int32_t HelpScreen::MaxScroll() const {
    return std::max(0, m_page.GetHeight() - ViewHeight());
}

void HelpScreen::PageScrollBar::Sync() {
    const std::int32_t range = m_screen.m_page.GetHeight() - m_screen.ViewHeight();
    double f = range != 0 ? static_cast<double>(m_screen.m_scrollY) / range : 0.0;
    if (f < 0.0)
        f = 0.0;
    SetThumbCentre(LowestCentre() + f * (HighestCentre() - LowestCentre()));
}

void HelpScreen::PageScrollBar::StepUp() {
    m_screen.m_scrollY = std::max(0, m_screen.m_scrollY - kStep);
}

void HelpScreen::PageScrollBar::StepDown() {
    m_screen.m_scrollY = std::min(m_screen.m_scrollY + kStep, m_screen.MaxScroll());
}

void HelpScreen::Initialise(ResourceArchive& archive) {
    const std::int32_t d = m_context.OffsetY();
    LoadArtwork(archive, d != 0 ? art::kHelpBackgroundShort : art::kHelpBackground, m_background);
    m_back.Set(Point(kHelpBackAt.x, kHelpBackAt.y - d), kHelpBackHit.Translated(0, -d));
    LoadArtwork(archive, art::kHelpBackButton, m_back.NormalImage());
    LoadArtwork(archive, art::kHelpBackButtonPressed, m_back.PressedImage());
    m_close.Set(Point(kHelpClosePressedAt.x, kHelpClosePressedAt.y - d),
                kHelpCloseHit.Translated(0, -d));
    LoadArtwork(archive, art::kCancelButtonPressed, m_close.PressedImage());

    m_bar.TrackImage().Create(0, 11, 500);
    FillRect(m_bar.TrackImage(), nullptr, kTrackGrey);
    LoadArtwork(archive, art::kListThumb, m_bar.ThumbImage());
    m_bar.SetTrack(kTrackX, kTrackTop, kTrackBottom - d);
    const Point down(kDownArrowAt.x, kDownArrowAt.y - d);
    m_bar.UpArrow().Set(kUpArrowAt,
                        Rect(kUpArrowAt.x, kUpArrowAt.y, kUpArrowAt.x + 9, kUpArrowAt.y + 19));
    m_bar.DownArrow().Set(down, Rect(down.x, down.y, down.x + 9, down.y + 19));
    LoadArtwork(archive, art::kListUpArrow, m_bar.UpArrow().NormalImage());
    LoadArtwork(archive, art::kListUpArrow, m_bar.UpArrow().PressedImage());
    LoadArtwork(archive, art::kListDownArrow, m_bar.DownArrow().NormalImage());
    LoadArtwork(archive, art::kListDownArrow, m_bar.DownArrow().PressedImage());
    Reset();
}

void HelpScreen::Reset() {
    m_indexCountdown = -1;
    m_upHeld = m_downHeld = false;
    BuildPage(0);
    m_bar.Sync();
    m_back.SetVisible(false);
}

void HelpScreen::DrawPage(std::int32_t topic, const InterfaceFontSet& fonts, Surface& page) {
    const bool index = topic < 1 || topic > help::kTopicCount;
    const help::Topic* shown =
        index ? nullptr : &help::kTopics[static_cast<std::size_t>(topic - 1)];
    if (Failed(page.Create(0, kHelpPageWidth, index ? help::kIndexHeight : shown->height)))
        return;
    FillRect(page, nullptr, kPageGrey);
    if (index) {
        for (const help::Link& link : help::kIndex)
            DrawText(page, link.at.x, link.at.y, link.text, &fonts[font::kHelpIndex]);
        return;
    }
    DrawText(page, help::kHeadingAt.x, help::kHeadingAt.y, shown->heading,
             &fonts[font::kHelpHeading]);
    for (const help::Line& line : shown->body)
        DrawText(page, line.at.x, line.at.y, line.text, &fonts[font::kHelpBody]);
}

void HelpScreen::BuildPage(std::int32_t topic) {
    DrawPage(topic, m_context.fonts, m_page);
    m_topic = topic;
    m_scrollY = 0;
    if (m_page.GetHeight() > 0)
        m_bar.SetRatio(static_cast<double>(ViewHeight()) / m_page.GetHeight());
}

void HelpScreen::Draw(Surface& target) {
    if (m_indexCountdown > 0 && --m_indexCountdown == 0) {
        BuildPage(0);
        m_indexCountdown = -1;
        // A tap meanwhile (on the dead close button, say) showed it again; the index has none.
        m_back.SetVisible(false);
    }
    Blit(target, 0, 0, m_background);
    m_bar.Draw(target);
    if (m_bar.IsVisible()) {
        const Rect part(0, m_scrollY, kHelpView.right - kHelpView.left, m_scrollY + ViewHeight());
        Blit(target, kHelpView.left, kHelpView.top, m_page, &part);
    } else {
        Blit(target, kHelpView.left, kHelpView.top, m_page);
    }
    m_back.Draw(target);
    m_close.Draw(target);
    if (m_downHeld)
        m_bar.StepDown();
    if (m_upHeld)
        m_bar.StepUp();
}

void HelpScreen::StylusDown(std::int32_t x, std::int32_t y) {
    m_bar.StylusDown(x, y);
    const Rect view(kHelpView.left, kHelpView.top, kHelpView.right,
                    kHelpView.bottom - m_context.OffsetY());
    if (m_topic == 0 && view.Contains(x, y)) {
        const Point onPage(x - view.left, y - view.top + m_scrollY);
        for (std::size_t k = 0; k < help::kIndex.size(); ++k) {
            if (help::kIndex[k].area.Contains(onPage.x, onPage.y)) {
                BuildPage(static_cast<std::int32_t>(k) + 1);
                break;
            }
        }
    }
    if (m_topic != 0)
        m_back.SetVisible(true);
    if (m_back.HitTest(x, y) && m_topic != 0 && !m_close.IsFlashing()) {
        m_back.Flash();
        m_back.SetVisible(false);
        m_indexCountdown = kBackFrames;
    }
    if (m_close.HitTest(x, y) && !m_back.IsFlashing()) {
        m_close.Flash();
        m_context.SetState(state::kEditor, kCloseFrames);
    }
}

void HelpScreen::StylusUp(std::int32_t, std::int32_t) {
    m_bar.StylusUp();
}

void HelpScreen::StylusMove(std::int32_t x, std::int32_t y) {
    m_bar.StylusMove(x, y);
}

void HelpScreen::KeyDown(std::uint16_t key, const KeyMap& keys) {
    if (key == vk::kF1 || key == kF2 || key == vk::kEscape) {
        // The soft keys, and Escape as the desktop's way out, tap the buttons' corners.
        const Rect& button = key == vk::kF1 ? m_back.HitRect() : m_close.HitRect();
        StylusDown(button.left, button.top);
        return;
    }
    if (key == keys.up)
        m_upHeld = true;
    else if (key == keys.down)
        m_downHeld = true;
}

void HelpScreen::Wheel(std::int32_t, std::int32_t dy) {
    for (std::int32_t i = 0; i < std::min(std::abs(dy), 10) * kWheelSteps; ++i)
        dy > 0 ? m_bar.StepDown() : m_bar.StepUp();
}

void HelpScreen::ReleaseHeldKeys() {
    m_upHeld = m_downHeld = false;
}

} // namespace brelvo
