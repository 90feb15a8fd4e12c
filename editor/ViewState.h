#pragma once

#include "base/Point.h"
#include "editor/FloatingLayer.h"
#include "gfx/Surface.h"

#include <cstdint>
#include <mutex>

namespace brelvo {

// How the working picture is shown in the editor's view: the zoom percent, the view rectangle
// on the screen, the scroll offsets, which scroll bars are needed, and the mapping between
// screen and picture positions.
//
// Every position inside the zoomed picture is in screen pixels; the mappings go through double
// precision and truncate, and their results decide which picture pixel a tool touches, so the
// order of each multiplication and division is part of the behaviour.
//
// An empty picture has no size to divide by: the zoom commands, refresh and drawPicture leave
// everything as it is while the picture is empty.
//
// The frame thread draws with these values, so every change to them holds the global lock.
class ViewState {
public:
    static constexpr std::int32_t kMinZoom = 20;
    static constexpr std::int32_t kMaxZoom = 700;
    static constexpr std::int32_t kScrollStep = 10;

    // The thumb of a scroll bar on its track: its length and the range its centre travels.
    struct Thumb {
        std::int32_t length = 0;
        std::int32_t lowestCentre = 0;
        std::int32_t highestCentre = 0;
    };

    // Where the view stands on the screen; the editor screen decides it.
    struct Placement {
        std::int32_t left = 0;
        std::int32_t top = 0;
        std::int32_t width = 0;
        std::int32_t height = 0;
    };

    ViewState(const Surface& picture, std::recursive_mutex& globalLock, const Placement& placement);

    // The editor screen moves the view when it hides or shows the tool bar (left and width) or
    // the options panel (top and height). The visible size follows at the next refresh.
    void setViewLeft(std::int32_t left);
    void setViewTop(std::int32_t top);
    void setViewWidth(std::int32_t width);
    void setViewHeight(std::int32_t height);
    // Loading a picture and cropping start at the picture's top-left corner. Negative offsets
    // count as 0; refresh pulls back an offset that runs past the picture.
    void setScroll(std::int32_t x, std::int32_t y);

    Point pictureFromScreen(std::int32_t x, std::int32_t y) const;
    // Strict on the view's left and top edges, and only where the zoomed picture is: a tap on
    // the empty part of the view is not a touch on the picture.
    bool isOnPicture(std::int32_t x, std::int32_t y) const;
    // The screen point moved into the part of the view that shows the picture (edges included),
    // for the moves and the release of a stroke; the caller converts it with pictureFromScreen.
    Point clampToView(std::int32_t x, std::int32_t y) const;
    // The point the Zoom tool's buttons and keys zoom about.
    Point pictureCentre() const;
    // A picture coordinate on the zoomed picture, rounded half up, for the outlines drawn over
    // the view; the mappings above truncate instead.
    std::int32_t zoomedFromPicture(std::int32_t coordinate) const;

    void zoomIn(Point p);
    void zoomOut(Point p);
    // Sets zoom + delta (held within 20 .. 700) and brings picture point p to the middle of the
    // view as far as the picture allows.
    void setZoomBy(Point p, std::int32_t delta);
    void zoomToScreen();
    void zoom100();

    // After the picture was replaced by one of possibly another size. Takes the global lock.
    void updateZoomedSize();
    // Decides the visible size, the bar fractions and the scroll limits.
    void refresh();

    void scrollLeft();
    void scrollRight();
    void scrollUp();
    void scrollDown();
    // One step towards each view edge that a stroke's stylus lies beyond, so that dragging past
    // an edge scrolls the picture.
    void edgeScroll(std::int32_t x, std::int32_t y);

    // Draws the visible part of the picture, with the floating layer in it, scaled into the
    // view. The overlays and the tool cursor are drawn over it afterwards by their owners.
    void drawPicture(Surface& screen, const FloatingLayer* floating = nullptr);

    std::int32_t viewLeft() const { return m_viewLeft; }
    std::int32_t viewTop() const { return m_viewTop; }
    std::int32_t zoom() const { return m_zoom; }
    std::int32_t viewWidth() const { return m_viewWidth; }
    std::int32_t viewHeight() const { return m_viewHeight; }
    std::int32_t barWidth() const { return m_barWidth; }
    std::int32_t barHeight() const { return m_barHeight; }
    std::int32_t visibleWidth() const { return m_visibleWidth; }
    std::int32_t visibleHeight() const { return m_visibleHeight; }
    std::int32_t scrollX() const { return m_scrollX; }
    std::int32_t scrollY() const { return m_scrollY; }
    std::int32_t zoomedWidth() const { return m_zoomedWidth; }
    std::int32_t zoomedHeight() const { return m_zoomedHeight; }

    // The share of the zoomed picture that the view shows along each axis, as the scroll bars
    // take it: 1 or more hides the bar, less sets the thumb's length.
    double horizontalFraction() const { return m_horizontalFraction; }
    double verticalFraction() const { return m_verticalFraction; }
    bool horizontalBarShown() const { return m_horizontalFraction < 1.0; }
    bool verticalBarShown() const { return m_verticalFraction < 1.0; }
    // Whether the editor's background must show the bars' tracks behind the view.
    bool showsBarTracks() const { return horizontalBarShown() || verticalBarShown(); }

    // Where each thumb's centre stands between its lowest and highest position.
    float horizontalThumbPlacement() const;
    float verticalThumbPlacement() const;

    // How far the scroll offset has come along its range, 0 .. 1 (0 when nothing scrolls).
    static float thumbPlacement(std::int32_t scroll, std::int32_t zoomedSize,
                                std::int32_t visibleSize);
    static std::int32_t thumbCentre(const Thumb& thumb, float placement);

private:
    bool hasPicture() const;
    std::int32_t zoomedSize(std::int32_t pictureSize) const;

    std::int32_t m_viewLeft;
    std::int32_t m_viewTop;
    std::int32_t m_zoom = 100;
    std::int32_t m_viewWidth;
    std::int32_t m_viewHeight;
    std::int32_t m_barWidth = 10;
    std::int32_t m_barHeight = 10;
    std::int32_t m_visibleWidth;
    std::int32_t m_visibleHeight;
    std::int32_t m_scrollX = 0;
    std::int32_t m_scrollY = 0;
    std::int32_t m_zoomedWidth = 0;
    std::int32_t m_zoomedHeight = 0;
    double m_horizontalFraction = 0.0;
    double m_verticalFraction = 0.0;

    const Surface& m_picture;
    std::recursive_mutex& m_lock;
    // The visible part of the picture before scaling; kept between frames so that drawing a
    // frame allocates nothing while the part keeps its size.
    Surface m_part;
};

} // namespace brelvo
