#pragma once

#include "base/Point.h"
#include "gfx/Surface.h"
#include "ui/Button.h"

#include <cstdint>

namespace brelvo {

// A scroll bar: a track, a thumb whose length shows the visible share of the content, and an
// arrow button at each end. The bar does not own the content's offset: a subclass moves the
// content one step at a time (StepUp, StepDown) and places the thumb from the offset (Sync).
// Dragging the thumb therefore scrolls in whole steps until the thumb catches up with the
// stylus, and a held arrow steps once a frame.
//
// The design's bar is vertical; a horizontal bar is the same with x and y exchanged ("up" is
// then left). Positions along the bar are "along", across it "across".
class ScrollBar {
public:
    enum class Axis { Vertical, Horizontal };
    static constexpr std::int32_t kMinThumbLength = 10;

    explicit ScrollBar(Axis axis = Axis::Vertical) : m_axis(axis) {}
    virtual ~ScrollBar() = default;

    // Places the thumb from the content's current offset.
    virtual void Sync() {}
    virtual void StepUp() {}
    virtual void StepDown() {}

    // The track's centre line (x of a vertical bar) and its two ends along the bar.
    void SetTrack(std::int32_t line, std::int32_t start, std::int32_t end);
    // visible / content size; 1 or more hides the bar.
    void SetRatio(double ratio);

    // True when the thumb was grabbed; otherwise an arrow under the point is pressed.
    bool StylusDown(std::int32_t x, std::int32_t y);
    // Returns whether the thumb is being dragged.
    bool StylusMove(std::int32_t x, std::int32_t y);
    void StylusUp();
    // Draws the bar and runs the held arrows' steps and Sync, hidden or not.
    void Draw(Surface& target);

    bool IsVisible() const { return !m_hidden; }
    Axis GetAxis() const { return m_axis; }
    bool IsDragging() const { return m_dragging; }

    // The owner loads the artwork into these and places the arrows.
    Surface& TrackImage() { return m_trackImage; }
    Surface& ThumbImage() { return m_thumbImage; }
    Button& UpArrow() { return m_upArrow; }
    Button& DownArrow() { return m_downArrow; }

    // The thumb centre along the bar and the range it travels; Sync sets the centre.
    double ThumbCentre() const { return m_centreAlong; }
    void SetThumbCentre(double along) { m_centreAlong = along; }
    std::int32_t LowestCentre() const { return m_lowestCentre; }
    std::int32_t HighestCentre() const { return m_highestCentre; }
    std::int32_t ThumbLength() const { return m_thumbLength; }

private:
    // A screen point as (along, across) for this bar.
    Point Along(std::int32_t x, std::int32_t y) const;

    Axis m_axis;
    Surface m_trackImage;
    double m_centreAcross = 0.0;
    double m_centreAlong = 0.0;
    std::int32_t m_lowestCentre = 0;
    std::int32_t m_highestCentre = 0;
    std::int32_t m_line = 0;
    std::int32_t m_thumbReach = 0;
    std::int32_t m_thumbHalfLength = 0;
    Surface m_thumbImage;
    std::int32_t m_grabOffset = 0;
    bool m_dragging = false;
    bool m_hidden = false;
    Point m_last;
    Button m_upArrow;
    Button m_downArrow;
    // The thumb image cut to the current thumb length.
    Surface m_thumbSurface;
    std::int32_t m_thumbLength = 0;
    std::int32_t m_trackStart = 0;
    std::int32_t m_trackEnd = 0;
};

} // namespace brelvo
