#pragma once

// Literal versions of the warp tools: every pixel of the square visited column by column, its
// distance found with the integer square root, its scale with a float division, its colour read
// with GetPixel and written with SetPixel into a scratch square that is then drawn back with the
// literal keyed Blit. The editor's tools must produce the same bytes.
//
// The behaviour the tools add around the warp is mirrored too: Power and Size held within
// 0 .. 100, an empty picture or a missing scratch square leaving the picture alone, and reads
// beyond the picture taking the nearest edge pixel. Points are expected within a few thousand
// pixels of the picture.

#include "base/Point.h"
#include "editor/RadialWarpTool.h"
#include "gfx/Surface.h"

#include <cstdint>
#include <vector>

namespace brelvo::reference {

std::uint32_t roundedIsqrt(std::int32_t n);
Color sampleBilinear(const Surface& surface, double x, double y);
float clampColumn(const Surface& surface, float v);
float clampRow(const Surface& surface, float v);
double percentLerp(int v, double lo, double hi);

class RadialWarpTool {
public:
    using Kind = brelvo::RadialWarpTool::Kind;

    RadialWarpTool(Kind kind, Surface& picture) : m_picture(&picture), m_kind(kind) {}

    void configure(bool horizontal, bool vertical, int power, int size);
    void begin(std::int32_t x, std::int32_t y);
    void drag(std::int32_t x, std::int32_t y);

    Point centre() const { return m_centre; }
    const std::vector<float>& table() const { return m_table; }

private:
    void remap(std::int32_t cx, std::int32_t cy);

    bool m_horizontal = true;
    bool m_vertical = false;
    double m_strength = 0.0;
    double m_radius = 0.0;
    Point m_centre;
    std::vector<float> m_table;
    Surface* m_picture;
    Surface m_scratch;
    Kind m_kind;
    bool m_haveScratch = false;
};

class HookTool {
public:
    explicit HookTool(Surface& picture) : m_picture(&picture) {}

    void configure(int power, int size);
    void begin(std::int32_t x, std::int32_t y);
    void drag(std::int32_t x, std::int32_t y);
    void pull(Point from, Point to);

    Point lastPoint() const { return m_lastPoint; }
    const std::vector<float>& table() const { return m_table; }
    // Every point the tool cursor was shown at, in order.
    const std::vector<Point>& shownSteps() const { return m_shownSteps; }

private:
    double m_strength = 0.0;
    double m_radius = 0.0;
    Point m_lastPoint;
    std::vector<float> m_table;
    Surface m_scratch;
    Surface* m_picture;
    bool m_haveScratch = false;
    std::vector<Point> m_shownSteps;
};

} // namespace brelvo::reference
