#include "screens/ToolPanel.h"

#include "archive/ArtworkIds.h"
#include "archive/LoadArtwork.h"
#include "gfx/Blit.h"
#include "screens/Layout.h"
#include "ui/Images.h"

#include <cstdlib>

namespace brelvo {

namespace {

using namespace layout;

constexpr Color kCaptionGrey = 0xC8C5C5; // the caption of a command that cannot act now

constexpr Rect kPanelRect(kOptionsPanelOrigin.x, kOptionsPanelOrigin.y,
                          kOptionsPanelOrigin.x + kOptionsPanelWidth - 1,
                          kOptionsPanelOrigin.y + kOptionsPanelHeight - 1);

Rect OnScreen(const Rect& panelRect) {
    return panelRect.Translated(kOptionsPanelOrigin.x, kOptionsPanelOrigin.y);
}

// The zoom buttons count a tap strictly inside their rectangles.
Rect Inner(const Rect& r) {
    return Rect(r.left + 1, r.top + 1, r.right - 1, r.bottom - 1);
}

bool IsWarpTool(ToolId tool) {
    return tool == ToolId::Hook || tool == ToolId::Magnifier || tool == ToolId::Gripper;
}

int ModeGroup(ToolId tool) {
    return tool == ToolId::Magnifier ? 0 : tool == ToolId::Gripper ? 1 : -1;
}

constexpr ToolPanel::Command kTrimCommands[] = {ToolPanel::Command::Copy, ToolPanel::Command::Paste,
                                                ToolPanel::Command::Cut, ToolPanel::Command::Crop};
constexpr ToolPanel::Command kZoomCommands[] = {
    ToolPanel::Command::ZoomIn, ToolPanel::Command::ZoomOut, ToolPanel::Command::Zoom100,
    ToolPanel::Command::ZoomToScreen};

} // namespace

void Slider::Place(std::int32_t trackLeft, std::int32_t trackRight, std::int32_t y) {
    m_left = trackLeft;
    m_right = trackRight;
    m_y = y;
}

std::int32_t Slider::ThumbX(std::int32_t value) const {
    return static_cast<std::int32_t>(static_cast<float>(m_left) +
                                     static_cast<float>(value / 100.0) *
                                         static_cast<float>(m_right - m_left));
}

std::int32_t Slider::GrabDistance(std::int32_t value, std::int32_t x, std::int32_t y) const {
    const std::int32_t dx = std::abs(x - ThumbX(value));
    return dx <= kGrabReach && std::abs(y - m_y) <= kGrabReach ? dx : -1;
}

void Slider::Grab(std::int32_t value, std::int32_t x) {
    m_grabbed = true;
    m_grabOffset = x - ThumbX(value);
}

std::int32_t Slider::Drag(std::int32_t value, std::int32_t x) const {
    if (!m_grabbed)
        return value;
    while (ThumbX(value) + m_grabOffset < x && value < 100)
        ++value;
    while (ThumbX(value) + m_grabOffset > x && value > 0)
        --value;
    return value;
}

void Slider::Draw(Surface& target, std::int32_t value, const Surface& thumb,
                  const Surface& grabbedThumb) const {
    const Surface& image = m_grabbed && grabbedThumb.GetPixels() ? grabbedThumb : thumb;
    Blit(target, ThumbX(value) - image.GetWidth() / 2, m_y - image.GetHeight() / 2, image, nullptr,
         BLT_KEYED);
}

ToolPanel::ToolPanel() {
    m_size.Place(kOptionsPanelOrigin.x + kSizeTrackLeft, kOptionsPanelOrigin.x + kSizeTrackRight,
                 kOptionsPanelOrigin.y + kSliderY);
    m_power.Place(kOptionsPanelOrigin.x + kPowerTrackLeft, kOptionsPanelOrigin.x + kPowerTrackRight,
                  kOptionsPanelOrigin.y + kSliderY);
    const Rect modeRects[] = {kModeBothButton, kModeVerticalButton, kModeHorizontalButton};
    for (auto& group : m_modes) {
        for (std::size_t i = 0; i < group.size(); ++i) {
            const Rect r = OnScreen(modeRects[i]);
            group[i].Set(Point(r.left, r.top), r);
        }
        // Each group starts with "x only".
        group[static_cast<std::size_t>(Mode::Horizontal)].Press();
    }
    const Rect zoomRects[] = {kZoomInButton, kZoomOutButton, kZoom100Button, kZoomFitButton};
    for (std::size_t i = 0; i < m_zoom.size(); ++i) {
        const Rect inner = Inner(zoomRects[i]);
        m_zoom[i].Set(Point(inner.left, inner.top), inner);
    }
    for (std::size_t i = 0; i < m_trim.size(); ++i) {
        const Rect r = OnScreen(kTrimButtons[i]);
        m_trim[i].Set(Point(r.left, r.top), r);
    }
}

void ToolPanel::Load(ResourceArchive& archive, const BitmapFont& captionFont) {
    const art::EntryId panels[] = {art::kHookPanel, art::kMagnifierPanel, art::kGripperPanel,
                                   art::kZoomPanel, art::kTrimPanel};
    for (std::size_t i = 0; i < m_backgrounds.size(); ++i)
        LoadArtwork(archive, panels[i], m_backgrounds[i]);
    LoadArtwork(archive, art::kSliderThumb, m_thumb);
    LoadArtwork(archive, art::kSliderThumbPressed, m_grabbedThumb);

    const art::EntryId modes[][2] = {{art::kModeBoth, art::kModeBothPressed},
                                     {art::kModeVertical, art::kModeVerticalPressed},
                                     {art::kModeHorizontal, art::kModeHorizontalPressed}};
    for (auto& group : m_modes) {
        for (std::size_t i = 0; i < group.size(); ++i) {
            LoadArtwork(archive, modes[i][0], group[i].NormalImage());
            LoadArtwork(archive, modes[i][1], group[i].PressedImage());
        }
    }
    // The zoom panel shows the buttons' normal looks; only the pressed looks are drawn over it.
    const art::EntryId zoomPressed[] = {art::kZoomInPressed, art::kZoomOutPressed,
                                        art::kZoom100Pressed, art::kZoomFitPressed};
    for (std::size_t i = 0; i < m_zoom.size(); ++i)
        LoadArtwork(archive, zoomPressed[i], m_zoom[i].PressedImage());

    // Trim's buttons share one pair of images, lettered here with their captions.
    Surface normal, pressed;
    LoadArtwork(archive, art::kCaptionButton, normal);
    LoadArtwork(archive, art::kCaptionButtonPressed, pressed);
    BlitEffect grey;
    grey.color = kCaptionGrey;
    for (std::size_t i = 0; i < m_trim.size(); ++i) {
        const Point at = kTrimCaptionAt[i];
        CopyImage(normal, m_trim[i].NormalImage());
        CopyImage(pressed, m_trim[i].PressedImage());
        CopyImage(normal, m_trimDisabled[i]);
        DrawText(m_trim[i].NormalImage(), at.x, at.y, kTrimCaptions[i], &captionFont);
        DrawText(m_trim[i].PressedImage(), at.x, at.y, kTrimCaptions[i], &captionFont);
        DrawText(m_trimDisabled[i], at.x, at.y, kTrimCaptions[i], &captionFont, 0, BLT_FILL, &grey);
    }
}

void ToolPanel::Show(ToolEntry* entry) {
    m_entry = entry;
    m_size.Release();
    m_power.Release();
}

void ToolPanel::SetAvailable(Command command, bool available) {
    for (std::size_t i = 0; i < m_trim.size(); ++i) {
        if (kTrimCommands[i] == command) {
            m_trimAvailable[i] = available;
            m_trim[i].SetEnabled(available);
        }
    }
}

bool ToolPanel::Contains(std::int32_t x, std::int32_t y) const {
    return m_visible && kPanelRect.Contains(x, y);
}

ToolPanel::Mode ToolPanel::ModeOf(ToolId tool) const {
    const int group = ModeGroup(tool);
    if (group < 0)
        return Mode::Horizontal;
    const auto& buttons = m_modes[static_cast<std::size_t>(group)];
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i].IsPressed())
            return static_cast<Mode>(i);
    }
    return Mode::Horizontal;
}

bool ToolPanel::StylusDown(std::int32_t x, std::int32_t y, Command& command) {
    command = Command::None;
    if (!Contains(x, y) || !m_entry)
        return false;
    const ToolId tool = m_entry->id;
    if (IsWarpTool(tool)) {
        // Where the two thumbs' reaches overlap, the nearer thumb is taken.
        const std::int32_t toSize = m_size.GrabDistance(m_entry->size, x, y);
        const std::int32_t toPower = m_power.GrabDistance(m_entry->power, x, y);
        if (toSize >= 0 && (toPower < 0 || toSize <= toPower))
            m_size.Grab(m_entry->size, x);
        else if (toPower >= 0)
            m_power.Grab(m_entry->power, x);
        const int group = ModeGroup(tool);
        if (group >= 0) {
            auto& buttons = m_modes[static_cast<std::size_t>(group)];
            for (std::size_t i = 0; i < buttons.size(); ++i) {
                if (!buttons[i].HitTest(x, y))
                    continue;
                for (Button& other : buttons)
                    other.Release();
                buttons[i].Press();
                break;
            }
        }
    } else if (tool == ToolId::Zoom) {
        for (std::size_t i = 0; i < m_zoom.size(); ++i) {
            if (m_zoom[i].HitTest(x, y)) {
                m_zoom[i].Flash();
                command = kZoomCommands[i];
                break;
            }
        }
    } else {
        for (std::size_t i = 0; i < m_trim.size(); ++i) {
            if (m_trim[i].HitTest(x, y)) {
                m_trim[i].Flash();
                command = kTrimCommands[i];
                break;
            }
        }
    }
    return true;
}

void ToolPanel::StylusMove(std::int32_t x, std::int32_t y) {
    (void)y;
    if (!m_entry)
        return;
    if (m_size.IsGrabbed())
        m_entry->size = m_size.Drag(m_entry->size, x);
    if (m_power.IsGrabbed())
        m_entry->power = m_power.Drag(m_entry->power, x);
}

void ToolPanel::StylusUp() {
    m_size.Release();
    m_power.Release();
}

void ToolPanel::Draw(Surface& target) {
    if (!m_visible || !m_entry)
        return;
    const ToolId tool = m_entry->id;
    Blit(target, kOptionsPanelOrigin.x, kOptionsPanelOrigin.y,
         m_backgrounds[static_cast<std::size_t>(tool)], nullptr, BLT_KEYED);
    if (IsWarpTool(tool)) {
        m_size.Draw(target, m_entry->size, m_thumb, m_grabbedThumb);
        m_power.Draw(target, m_entry->power, m_thumb, m_grabbedThumb);
        const int group = ModeGroup(tool);
        if (group >= 0) {
            for (Button& b : m_modes[static_cast<std::size_t>(group)])
                b.Draw(target);
        }
    } else if (tool == ToolId::Zoom) {
        for (Button& b : m_zoom) {
            if (b.IsFlashing())
                b.Draw(target);
        }
    } else {
        for (std::size_t i = 0; i < m_trim.size(); ++i) {
            if (m_trimAvailable[i] || m_trim[i].IsFlashing())
                m_trim[i].Draw(target);
            else
                Blit(target, m_trim[i].Position().x, m_trim[i].Position().y, m_trimDisabled[i],
                     nullptr, BLT_KEYED);
        }
    }
}

} // namespace brelvo
