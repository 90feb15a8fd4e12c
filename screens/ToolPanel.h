#pragma once

#include "base/Point.h"
#include "base/Rect.h"
#include "gfx/BitmapFont.h"
#include "gfx/Surface.h"
#include "ui/Button.h"

#include <array>
#include <cstdint>

namespace brelvo {

class ResourceArchive;

// The editor's tools, by their place on the tool bar.
enum class ToolId { Hook = 0, Magnifier = 1, Gripper = 2, Zoom = 3, Trim = 4 };
inline constexpr int kToolCount = 5;

// A tool on the tool bar with the Size and Power the user gave it, 0 .. 100 each.
struct ToolEntry {
    ToolId id = ToolId::Hook;
    std::int32_t size = 50;
    std::int32_t power = 50;
};

// A slider of the options panel: a thumb on a horizontal track, bound to a value 0 .. 100.
// Dragging moves the value one unit at a time until the thumb (plus where it was grabbed)
// reaches the stylus; a thumb position is never turned into a value directly.
class Slider {
public:
    static constexpr std::int32_t kGrabReach = 10;

    void Place(std::int32_t trackLeft, std::int32_t trackRight, std::int32_t y);
    std::int32_t ThumbX(std::int32_t value) const;
    // How far the point is from the thumb at value along x, or -1 when it is out of reach.
    std::int32_t GrabDistance(std::int32_t value, std::int32_t x, std::int32_t y) const;
    void Grab(std::int32_t value, std::int32_t x);
    // The value after the stylus moved to x.
    std::int32_t Drag(std::int32_t value, std::int32_t x) const;
    void Release() { m_grabbed = false; }
    bool IsGrabbed() const { return m_grabbed; }
    void Draw(Surface& target, std::int32_t value, const Surface& thumb,
              const Surface& grabbedThumb) const;

private:
    std::int32_t m_left = 0;
    std::int32_t m_right = 0;
    std::int32_t m_y = 0;
    bool m_grabbed = false;
    std::int32_t m_grabOffset = 0;
};

// The strip below the menu bar that shows the current tool's options: Size and Power sliders
// for the warp tools, the direction-mode buttons for Magnifier and Gripper, the four zoom
// buttons, or Trim's Copy, Paste, Cut and Crop. It keeps each group's mode; the Size and Power
// it shows belong to the tool entry it is bound to.
class ToolPanel {
public:
    enum class Command { None, ZoomIn, ZoomOut, Zoom100, ZoomToScreen, Copy, Paste, Cut, Crop };
    // Direction modes, by button.
    enum class Mode { Both = 0, Vertical = 1, Horizontal = 2 };

    ToolPanel();
    void Load(ResourceArchive& archive, const BitmapFont& captionFont);
    // Shows the options of entry's tool, bound to its Size and Power.
    void Show(ToolEntry* entry);
    void SetVisible(bool visible) { m_visible = visible; }
    bool IsVisible() const { return m_visible; }
    // For Copy, Paste, Cut and Crop: whether the command can act now.
    void SetAvailable(Command command, bool available);

    // True when the point lies on the panel (it then takes the tap); command tells what the
    // tap asks for, if anything.
    bool StylusDown(std::int32_t x, std::int32_t y, Command& command);
    void StylusMove(std::int32_t x, std::int32_t y);
    void StylusUp();
    void Draw(Surface& target);

    Mode ModeOf(ToolId tool) const;
    bool Contains(std::int32_t x, std::int32_t y) const;

private:
    std::array<Surface, kToolCount> m_backgrounds;
    Surface m_thumb;
    Surface m_grabbedThumb;
    Slider m_size;
    Slider m_power;
    // The direction-mode groups of Magnifier (0) and Gripper (1).
    std::array<std::array<Button, 3>, 2> m_modes;
    std::array<Button, 4> m_zoom;
    std::array<Button, 4> m_trim;
    std::array<Surface, 4> m_trimDisabled;
    std::array<bool, 4> m_trimAvailable{};
    ToolEntry* m_entry = nullptr;
    bool m_visible = true;
};

} // namespace brelvo
