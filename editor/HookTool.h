#pragma once

#include "base/Array.h"
#include "base/Point.h"
#include "editor/WarpMath.h"
#include "gfx/Surface.h"

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>

namespace brelvo {

// Index i holds how far a pixel i pixels from the stylus follows the stylus: 0.9 at the centre,
// falling along a circular arc to exactly 0 at the radius.
using HookFalloffTable = Array<float>;

// The Hook: the picture under the stylus is pulled along the stylus's path. Each move of the
// stylus pulls the disc of radius R around the new point back towards the previous one; a long
// move is cut into steps of about R / 2 so that a fast drag still drags the content with it.
//
// One stroke is configure and begin at stylus down, then drag for each move; the touch itself
// does not change the picture. The computation reads the picture without the global lock; only
// the copy-back of each pull holds it. Power and Size are held within 0 .. 100, and points
// within +-2^20 pixels, far beyond any picture, so that the step arithmetic stays within 32
// bits. With no pixels in the picture, or without memory for the scratch square, a stroke
// leaves the picture as it is.
class HookTool {
public:
    HookTool(Surface& picture, std::recursive_mutex& globalLock);
    HookTool(const HookTool&) = delete;
    HookTool& operator=(const HookTool&) = delete;

    void configure(int power, int size);
    void begin(std::int32_t x, std::int32_t y);
    // Pulls from the last point to (x, y), in steps when the move is longer than R / 2.
    void drag(std::int32_t x, std::int32_t y);
    // One pull of the disc around `to` back towards `from`, by the stroke's strength.
    void pull(Point from, Point to);

    // Told each point a long move is cut at, before the pull to it, and the end point after the
    // last, partial step: where the screen shows the tool cursor while the stroke catches up.
    void setStepObserver(std::function<void(Point)> observer) {
        m_stepObserver = std::move(observer);
    }

    double strength() const { return m_strength; }
    double radius() const { return m_radius; }
    Point lastPoint() const { return m_lastPoint; }
    const HookFalloffTable& table() const { return m_table; }

private:
    void showStep(Point p) const {
        if (m_stepObserver)
            m_stepObserver(p);
    }

    double m_strength = 0.0;
    double m_radius = 0.0;
    Point m_lastPoint;
    HookFalloffTable m_table;
    Surface m_scratch;
    Surface* m_picture;

    std::recursive_mutex& m_lock;
    std::function<void(Point)> m_stepObserver;
    // Whether begin left a table and a scratch square to pull with.
    bool m_ready = false;
    WarpDiscRuns m_runs{};
};

} // namespace brelvo
