#include "editor/ViewState.h"

#include "base/Rect.h"
#include "gfx/Blit.h"
#include "gfx/TransformBlit.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace brelvo {

namespace {

// (int) of a double, except that values beyond 32 bits are pinned to the range instead of
// being undefined: only absurd positions handed in from outside reach them.
std::int32_t truncated(double v) {
    if (!(v == v))
        return 0;
    if (v >= 2147483647.0)
        return INT32_MAX;
    if (v <= -2147483648.0)
        return INT32_MIN;
    return static_cast<std::int32_t>(v);
}

std::int32_t clampedInt(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

// How many times the zoomed picture fits into a view size. A picture zoomed down to nothing
// fits any number of times.
double ratio(std::int32_t viewSize, std::int32_t zoomedSize) {
    if (zoomedSize <= 0)
        return std::numeric_limits<double>::infinity();
    return static_cast<double>(viewSize) / zoomedSize;
}

} // namespace

ViewState::ViewState(const Surface& picture, std::recursive_mutex& globalLock,
                     const Placement& placement)
    : m_viewLeft(placement.left), m_viewTop(placement.top), m_viewWidth(placement.width),
      m_viewHeight(placement.height), m_visibleWidth(m_viewWidth), m_visibleHeight(m_viewHeight),
      m_picture(picture), m_lock(globalLock) {
    m_zoomedWidth = zoomedSize(picture.GetWidth());
    m_zoomedHeight = zoomedSize(picture.GetHeight());
}

void ViewState::setViewLeft(std::int32_t left) {
    std::lock_guard lock(m_lock);
    m_viewLeft = left;
}

void ViewState::setViewTop(std::int32_t top) {
    std::lock_guard lock(m_lock);
    m_viewTop = top;
}

void ViewState::setViewWidth(std::int32_t width) {
    std::lock_guard lock(m_lock);
    m_viewWidth = width;
}

void ViewState::setViewHeight(std::int32_t height) {
    std::lock_guard lock(m_lock);
    m_viewHeight = height;
}

void ViewState::setScroll(std::int32_t x, std::int32_t y) {
    std::lock_guard lock(m_lock);
    m_scrollX = std::max(x, 0);
    m_scrollY = std::max(y, 0);
}

bool ViewState::hasPicture() const {
    return m_picture.GetWidth() > 0 && m_picture.GetHeight() > 0;
}

std::int32_t ViewState::zoomedSize(std::int32_t pictureSize) const {
    return truncated(pictureSize * (m_zoom / 100.0));
}

Point ViewState::pictureFromScreen(std::int32_t x, std::int32_t y) const {
    const double factor = 100.0 / m_zoom;
    const auto dx = static_cast<double>(std::int64_t{x} - m_viewLeft + m_scrollX);
    const auto dy = static_cast<double>(std::int64_t{y} - m_viewTop + m_scrollY);
    return Point(truncated(dx * factor), truncated(dy * factor));
}

bool ViewState::isOnPicture(std::int32_t x, std::int32_t y) const {
    const std::int64_t shownWidth = std::min(m_visibleWidth, m_zoomedWidth);
    const std::int64_t shownHeight = std::min(m_visibleHeight, m_zoomedHeight);
    return x > m_viewLeft && y > m_viewTop && x < m_viewLeft + shownWidth &&
           y < m_viewTop + shownHeight;
}

Point ViewState::clampToView(std::int32_t x, std::int32_t y) const {
    const std::int64_t shownWidth = std::max(std::min(m_visibleWidth, m_zoomedWidth), 0);
    const std::int64_t shownHeight = std::max(std::min(m_visibleHeight, m_zoomedHeight), 0);
    const std::int64_t dx = std::clamp<std::int64_t>(std::int64_t{x} - m_viewLeft, 0, shownWidth);
    const std::int64_t dy = std::clamp<std::int64_t>(std::int64_t{y} - m_viewTop, 0, shownHeight);
    return Point(clampedInt(m_viewLeft + dx), clampedInt(m_viewTop + dy));
}

Point ViewState::pictureCentre() const {
    return Point(m_picture.GetWidth() / 2, m_picture.GetHeight() / 2);
}

std::int32_t ViewState::zoomedFromPicture(std::int32_t coordinate) const {
    const double v = coordinate * (m_zoom / 100.0);
    const std::int32_t whole = truncated(v);
    // The fraction of a negative position is never 0.5 or more: those round toward zero.
    return v - whole >= 0.5 && whole < INT32_MAX ? whole + 1 : whole;
}

void ViewState::setZoomBy(Point p, std::int32_t delta) {
    std::lock_guard lock(m_lock);
    if (!hasPicture())
        return;
    m_zoom = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(std::int64_t{m_zoom} + delta, kMinZoom, kMaxZoom));
    const double scale = m_zoom / 100.0;
    std::int64_t scrollX = std::int64_t{truncated(p.x * scale)} - m_visibleWidth / 2;
    std::int64_t scrollY = std::int64_t{truncated(p.y * scale)} - m_visibleHeight / 2;
    m_zoomedWidth = zoomedSize(m_picture.GetWidth());
    m_zoomedHeight = zoomedSize(m_picture.GetHeight());
    // The full view size, not the visible one: refresh below widens the view where a bar goes
    // away and moves the offset back if that uncovers space past the picture.
    if (scrollX + m_viewWidth > m_zoomedWidth)
        scrollX = std::int64_t{m_zoomedWidth} - m_viewWidth;
    if (scrollX < 0)
        scrollX = 0;
    if (scrollY + m_viewHeight > m_zoomedHeight)
        scrollY = std::int64_t{m_zoomedHeight} - m_viewHeight;
    if (scrollY < 0)
        scrollY = 0;
    m_scrollX = clampedInt(scrollX);
    m_scrollY = clampedInt(scrollY);
    refresh();
}

void ViewState::zoomIn(Point p) {
    if (m_zoom < kMaxZoom)
        setZoomBy(p, m_zoom < 100 ? 10 : 50);
}

void ViewState::zoomOut(Point p) {
    if (m_zoom > kMinZoom)
        setZoomBy(p, m_zoom < 101 ? -10 : -50);
}

void ViewState::zoom100() {
    // The middle of the view, in screen coordinates, is taken as the picture point to centre.
    setZoomBy(Point(m_viewLeft + m_viewWidth / 2, m_viewTop + m_viewHeight / 2), 100 - m_zoom);
}

void ViewState::zoomToScreen() {
    if (!hasPicture())
        return;
    // The percent at which the picture fills the view with both bars hidden, on each axis; the
    // smaller one makes the whole picture fit.
    const std::int64_t fx =
        std::int64_t{truncated(
            (static_cast<double>(m_viewWidth + m_barWidth) / m_picture.GetWidth()) * 100.0)} -
        m_zoom;
    const std::int64_t fy =
        std::int64_t{truncated(
            (static_cast<double>(m_viewHeight + m_barHeight) / m_picture.GetHeight()) * 100.0)} -
        m_zoom;
    setZoomBy(Point(10, 10), clampedInt(fx <= fy ? fx : fy));
}

void ViewState::updateZoomedSize() {
    std::lock_guard lock(m_lock);
    m_zoomedWidth = zoomedSize(m_picture.GetWidth());
    m_zoomedHeight = zoomedSize(m_picture.GetHeight());
    refresh();
}

void ViewState::refresh() {
    std::lock_guard lock(m_lock);
    if (!hasPicture())
        return;
    const std::int32_t w = m_viewWidth, h = m_viewHeight;
    m_visibleWidth = w;
    m_visibleHeight = h;
    const double rx = ratio(w, m_zoomedWidth), rx2 = ratio(w + m_barWidth, m_zoomedWidth);
    const double ry = ratio(h, m_zoomedHeight), ry2 = ratio(h + m_barHeight, m_zoomedHeight);
    double fractionX = rx, fractionY = ry;
    // A bar that is not needed frees its row or column for the view, which may make the other
    // bar unnecessary as well; when it does not, the other bar runs on into the freed space.
    if (rx >= 1) {
        fractionY = ry2;
        m_visibleHeight = h + m_barHeight;
        if (ry2 >= 1)
            m_visibleWidth = w + m_barWidth;
    } else if (ry >= 1) {
        fractionX = rx2;
        m_visibleWidth = w + m_barWidth;
        if (rx2 >= 1)
            m_visibleHeight = h + m_barHeight;
    } else if (rx2 >= 1 && ry2 >= 1) {
        fractionX = rx2;
        fractionY = ry2;
        m_visibleWidth = w + m_barWidth;
        m_visibleHeight = h + m_barHeight;
    }
    if (fractionX >= 1)
        m_scrollX = 0;
    if (fractionY >= 1)
        m_scrollY = 0;
    if (fractionX < 1 && m_scrollX + std::int64_t{m_visibleWidth} > m_zoomedWidth)
        m_scrollX = m_zoomedWidth - m_visibleWidth;
    if (fractionY < 1 && m_scrollY + std::int64_t{m_visibleHeight} > m_zoomedHeight)
        m_scrollY = m_zoomedHeight - m_visibleHeight;
    m_horizontalFraction = fractionX;
    m_verticalFraction = fractionY;
}

void ViewState::scrollLeft() {
    std::lock_guard lock(m_lock);
    m_scrollX = std::max(m_scrollX - kScrollStep, 0);
}

void ViewState::scrollRight() {
    std::lock_guard lock(m_lock);
    std::int64_t x = std::int64_t{m_scrollX} + kScrollStep;
    if (x + m_visibleWidth > m_zoomedWidth)
        x = std::int64_t{m_zoomedWidth} - m_visibleWidth;
    m_scrollX = clampedInt(std::max<std::int64_t>(x, 0));
}

void ViewState::scrollUp() {
    std::lock_guard lock(m_lock);
    m_scrollY = std::max(m_scrollY - kScrollStep, 0);
}

void ViewState::scrollDown() {
    std::lock_guard lock(m_lock);
    std::int64_t y = std::int64_t{m_scrollY} + kScrollStep;
    if (y + m_visibleHeight > m_zoomedHeight)
        y = std::int64_t{m_zoomedHeight} - m_visibleHeight;
    m_scrollY = clampedInt(std::max<std::int64_t>(y, 0));
}

void ViewState::edgeScroll(std::int32_t x, std::int32_t y) {
    // The edges of the full view rectangle, whatever the bars currently take from it.
    if (x > std::int64_t{m_viewLeft} + m_viewWidth)
        scrollRight();
    if (x < m_viewLeft)
        scrollLeft();
    if (y > std::int64_t{m_viewTop} + m_viewHeight)
        scrollDown();
    if (y < m_viewTop)
        scrollUp();
}

void ViewState::drawPicture(Surface& screen, const FloatingLayer* floating) {
    std::lock_guard lock(m_lock);
    if (!hasPicture())
        return;
    const Rect dst(m_viewLeft, m_viewTop, m_viewLeft + std::min(m_visibleWidth, m_zoomedWidth),
                   m_viewTop + std::min(m_visibleHeight, m_zoomedHeight));
    if (dst.right <= dst.left || dst.bottom <= dst.top)
        return;

    const std::int32_t pictureWidth = m_picture.GetWidth(), pictureHeight = m_picture.GetHeight();
    const double f = 100.0 / m_zoom;
    const std::int32_t left = truncated(m_scrollX * f);
    const std::int32_t top = truncated(m_scrollY * f);
    std::int32_t right =
        truncated(static_cast<double>(std::int64_t{m_scrollX} + m_visibleWidth) * f);
    std::int32_t bottom =
        truncated(static_cast<double>(std::int64_t{m_scrollY} + m_visibleHeight) * f);
    // A picture that does not fill the view is shown whole, at its own size, in the view's
    // top-left corner.
    if (pictureWidth < m_visibleWidth * f)
        right = truncated(m_scrollX * f + pictureWidth);
    if (pictureHeight < m_visibleHeight * f)
        bottom = truncated(m_scrollY * f + pictureHeight);
    if (right <= left || bottom <= top)
        return;

    if (Failed(m_part.Create(0, right - left, bottom - top)))
        return;
    // Offsets left over from a picture of another size can reach past this one; that part of
    // the view shows black rather than whatever the buffer held.
    if (left < 0 || top < 0 || right > pictureWidth || bottom > pictureHeight)
        FillRect(m_part, nullptr, 0);
    const Rect source(left, top, right, bottom);
    Blit(m_part, std::max(-left, 0), std::max(-top, 0), m_picture, &source);
    if (floating)
        floating->drawFloating(m_part, left, top);
    TransformBlit(screen, &dst, m_part, nullptr);
}

float ViewState::horizontalThumbPlacement() const {
    return thumbPlacement(m_scrollX, m_zoomedWidth, m_visibleWidth);
}

float ViewState::verticalThumbPlacement() const {
    return thumbPlacement(m_scrollY, m_zoomedHeight, m_visibleHeight);
}

float ViewState::thumbPlacement(std::int32_t scroll, std::int32_t zoomedSize,
                                std::int32_t visibleSize) {
    if (zoomedSize == visibleSize)
        return 0.0f;
    const auto f = static_cast<float>(static_cast<double>(scroll) /
                                      static_cast<double>(std::int64_t{zoomedSize} - visibleSize));
    return f < 0.0f ? 0.0f : f;
}

std::int32_t ViewState::thumbCentre(const Thumb& thumb, float placement) {
    const float centre = static_cast<float>(thumb.lowestCentre) +
                         placement * static_cast<float>(thumb.highestCentre - thumb.lowestCentre);
    return truncated(centre);
}

} // namespace brelvo
