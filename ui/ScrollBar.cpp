#include "ui/ScrollBar.h"

#include "gfx/Blit.h"
#include "gfx/Shapes.h"

#include <algorithm>
#include <cmath>

namespace brelvo {

namespace {

constexpr Color kThumbOutline = 0x6C6C6C;
// A drag moves the content step by step until the thumb catches up. A content that has reached
// its end while the thumb has not (or a bar whose steps move nothing) must not hold the window
// thread for ever; no real content needs more steps than this for one stylus move.
constexpr int kMaxStepsPerMove = 1 << 16;

} // namespace

Point ScrollBar::Along(std::int32_t x, std::int32_t y) const {
    return m_axis == Axis::Vertical ? Point(y, x) : Point(x, y);
}

void ScrollBar::SetTrack(std::int32_t line, std::int32_t start, std::int32_t end) {
    m_line = line;
    m_trackStart = start;
    m_trackEnd = end;
}

void ScrollBar::SetRatio(double ratio) {
    if (ratio > 1.0)
        ratio = 1.0;
    m_hidden = ratio == 1.0;
    std::int32_t length = static_cast<std::int32_t>((m_trackEnd - m_trackStart) * ratio);
    if (length < kMinThumbLength)
        length = kMinThumbLength;
    m_thumbLength = length;

    // The thumb surface holds the start of the thumb image, cut to the thumb's length.
    const bool vertical = m_axis == Axis::Vertical;
    const std::int32_t across = vertical ? m_thumbImage.GetWidth() : m_thumbImage.GetHeight();
    m_thumbSurface.Release();
    if (m_thumbImage.GetPixels() && across > 0 &&
        Succeeded(m_thumbSurface.Create(CREATE_CLEAR, vertical ? across : length,
                                        vertical ? length : across))) {
        m_thumbSurface.SetColorKeyRaw(m_thumbImage.GetColorKey());
        std::fill_n(m_thumbSurface.GetPixels(), m_thumbSurface.GetSize() / kBytesPerPixel,
                    m_thumbImage.GetColorKey());
        Blit(m_thumbSurface, 0, 0, m_thumbImage, nullptr, BLT_KEYED);
    }

    m_lowestCentre = static_cast<std::int32_t>(m_trackStart + length / 2.0);
    m_highestCentre = static_cast<std::int32_t>(m_trackEnd - length / 2.0);
    m_centreAcross = m_line;
    m_thumbReach = across;
    m_thumbHalfLength = static_cast<std::int32_t>(length / 2.0);
    Sync();
}

bool ScrollBar::StylusDown(std::int32_t x, std::int32_t y) {
    if (m_hidden)
        return false;
    const Point p = Along(x, y);
    // The grab zone reaches the thumb's width to either side of the centre line: twice as wide
    // as the thumb, so a finger need not be exact.
    if (std::abs(p.y - m_centreAcross) < m_thumbReach &&
        std::abs(p.x - m_centreAlong) < m_thumbHalfLength) {
        m_last = Point(x, y);
        m_dragging = true;
        m_grabOffset = static_cast<std::int32_t>(p.x - m_centreAlong);
        return true;
    }
    if (m_upArrow.HitTest(x, y))
        m_upArrow.Press();
    if (m_downArrow.HitTest(x, y))
        m_downArrow.Press();
    return false;
}

bool ScrollBar::StylusMove(std::int32_t x, std::int32_t y) {
    if (!m_dragging || m_hidden)
        return m_dragging;
    const std::int32_t to = Along(x, y).x;
    const std::int32_t delta = to - Along(m_last.x, m_last.y).x;
    int steps = 0;
    if (delta > 0) {
        while (m_centreAlong + m_grabOffset < to && m_centreAlong < m_highestCentre &&
               steps++ < kMaxStepsPerMove) {
            StepDown();
            Sync();
        }
    } else if (delta < 0) {
        while (m_centreAlong + m_grabOffset > to && m_centreAlong > m_lowestCentre &&
               steps++ < kMaxStepsPerMove) {
            StepUp();
            Sync();
        }
    }
    m_last = Point(x, y);
    return m_dragging;
}

void ScrollBar::StylusUp() {
    m_dragging = false;
    m_upArrow.Release();
    m_downArrow.Release();
}

void ScrollBar::Draw(Surface& target) {
    if (!m_hidden) {
        const bool vertical = m_axis == Axis::Vertical;
        const std::int32_t trackLength = m_trackEnd - m_trackStart;
        if (vertical) {
            const Rect part(0, 0, m_trackImage.GetWidth(), trackLength);
            Blit(target, m_line - m_trackImage.GetWidth() / 2, m_trackStart, m_trackImage, &part);
        } else {
            const Rect part(0, 0, trackLength, m_trackImage.GetHeight());
            Blit(target, m_trackStart, m_line - m_trackImage.GetHeight() / 2, m_trackImage, &part);
        }
        const std::int32_t w = m_thumbSurface.GetWidth();
        const std::int32_t h = m_thumbSurface.GetHeight();
        const auto along = static_cast<std::int32_t>(m_centreAlong);
        const auto across = static_cast<std::int32_t>(m_centreAcross);
        const std::int32_t left = vertical ? across - w / 2 : along - w / 2;
        const std::int32_t top = vertical ? along - h / 2 : across - h / 2;
        if (w > 0 && h > 0) {
            Blit(target, left, top, m_thumbSurface, nullptr, BLT_KEYED);
            DrawRect(target, Rect(left, top, left + w - 1, top + h - 1), kThumbOutline);
        }
        m_upArrow.Draw(target);
        m_downArrow.Draw(target);
    }
    if (m_upArrow.IsPressed())
        StepUp();
    if (m_downArrow.IsPressed())
        StepDown();
    Sync();
}

} // namespace brelvo
