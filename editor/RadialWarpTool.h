#pragma once

#include "base/Array.h"
#include "base/Point.h"
#include "editor/WarpMath.h"
#include "gfx/Surface.h"

#include <array>
#include <cstdint>
#include <mutex>

namespace brelvo {

// Index i holds the warped distance of a pixel i pixels from the centre: a pixel at distance d
// takes its colour from table[d] / d of the way out along its ray.
using RadialTable = Array<float>;

// The Magnifier and the Gripper: every pixel of the disc of radius R around the stylus takes its
// colour from a point on its own ray, nearer to the centre (Magnifier: the picture bulges) or
// further out (Gripper: it is pinched). A touch remaps the square of side 2R around the touch
// point once; a drag remaps it again wherever the stylus has moved more than 15 picture pixels
// from the last remap.
//
// One stroke is configure and begin at stylus down, then drag for each move. The computation
// reads the picture without the global lock; only the copy-back of each remap holds it. Power
// and Size are held within 0 .. 100. With no pixels in the picture, or without memory for the
// scratch square, a stroke leaves the picture as it is.
class RadialWarpTool {
public:
    enum class Kind { Magnifier, Gripper };

    RadialWarpTool(Kind kind, Surface& picture, std::recursive_mutex& globalLock);
    RadialWarpTool(const RadialWarpTool&) = delete;
    RadialWarpTool& operator=(const RadialWarpTool&) = delete;

    // The direction mode (both axes, x only or y only) and the two percentages of the stroke
    // about to begin. With neither direction set the stroke displaces nothing and leaves the
    // picture alone.
    void configure(bool horizontal, bool vertical, int power, int size);
    // Builds the table for the configured radius and Power and remaps once at (x, y).
    void begin(std::int32_t x, std::int32_t y);
    // Remaps at (x, y) when that is more than 15 pixels from the last remap.
    void drag(std::int32_t x, std::int32_t y);

    Kind kind() const { return m_kind; }
    bool horizontal() const { return m_horizontal; }
    bool vertical() const { return m_vertical; }
    double strength() const { return m_strength; }
    double radius() const { return m_radius; }
    Point centre() const { return m_centre; }
    const RadialTable& table() const { return m_table; }

private:
    void remap(Point centre);
    template <bool Horizontal, bool Vertical, bool Clamp>
    void remapArea(const WarpArea& area, Point centre);

    bool m_horizontal = true;
    bool m_vertical = false;
    double m_strength = 0.0;
    double m_radius = 0.0;
    Point m_centre;
    RadialTable m_table;
    Surface* m_picture;
    Surface m_scratch;

    Kind m_kind;
    std::recursive_mutex& m_lock;
    // Whether begin left a table and a scratch square to remap with.
    bool m_ready = false;
    // Per distance d = 1 .. R - 1: table[d] / d, the factor a pixel's offset from the centre is
    // scaled by. It and the disc's runs depend only on the stroke, so begin works them out.
    std::array<float, kWarpRadiusAtSize100 + 1> m_scale{};
    WarpDiscRuns m_runs{};
};

} // namespace brelvo
