#include "tools/assets/Gallery.h"

#include "gfx/PixelFormat.h"

#include <algorithm>
#include <cmath>
#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace brelvo::assets {
namespace {

// The pictures are painted with anti-aliased shapes into a canvas of deep colours and turned into
// 16-bit pixels once, at the end, with an ordered dither. Shapes are signed distance functions:
// a pixel's coverage is how far its centre lies inside the edge, clamped to one pixel. Doubles
// meet only operations whose results IEEE 754 fixes exactly (+ - * /, sqrt, floor, comparisons)
// and the build forbids contracting them, so every machine computes the same coverage and the
// same pixels. No trigonometry: the few directions needed come from square roots.

constexpr double Sq(double v) {
    return v * v;
}

// A colour with 8 fractional bits on each 8-bit channel, so that gradients and soft edges keep
// their precision until the dither.
struct Deep {
    std::int32_t r = 0, g = 0, b = 0;
};

// Rounds an 8-bit channel to the nearest level that a pixel can hold (steps of 256 >> bits) and
// widens it to a deep channel. Flat areas in such colours fall exactly on a pixel value, so the
// dither leaves them clean; only gradients and edges between them are dithered.
constexpr std::int32_t OnGrid(int value, int bits) {
    const int step = 256 >> bits;
    const int level = std::min((value + step / 2) / step, (1 << bits) - 1);
    return level * step * 256;
}

constexpr Deep Rgb(int r, int g, int b) {
    return {OnGrid(r, 5), OnGrid(g, 6), OnGrid(b, 5)};
}

Deep Mix(const Deep& a, const Deep& b, double t) {
    const auto channel = [t](std::int32_t from, std::int32_t to) {
        return static_cast<std::int32_t>(std::floor(from + (to - from) * t + 0.5));
    };
    return {channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

struct Pt {
    double x = 0, y = 0;
};

// Pixel bounds of a shape, right and bottom exclusive.
struct Box {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

constexpr int kFar = 1 << 20; // beyond every picture: the bounds of shapes without an edge there

Box Around(double left, double top, double right, double bottom) {
    return {static_cast<int>(std::floor(left)) - 1, static_cast<int>(std::floor(top)) - 1,
            static_cast<int>(std::ceil(right)) + 1, static_cast<int>(std::ceil(bottom)) + 1};
}

Box Joined(const Box& a, const Box& b) {
    return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

Box Common(const Box& a, const Box& b) {
    return {std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1), std::min(a.y1, b.y1)};
}

// ---- Shapes: Distance is negative inside, positive outside, in pixels. ----

struct Circle {
    double cx, cy, r;
    double Distance(double x, double y) const { return std::sqrt(Sq(x - cx) + Sq(y - cy)) - r; }
    Box Bounds() const { return Around(cx - r, cy - r, cx + r, cy + r); }
};

// An axis-aligned ellipse. The distance is the usual first-order estimate, exact on the axes and
// close enough near the edge, which is all that coverage needs.
struct Ellipse {
    double cx, cy, rx, ry;
    double Distance(double x, double y) const {
        const double u = x - cx, v = y - cy;
        const double k0 = std::sqrt(Sq(u / rx) + Sq(v / ry));
        const double k1 = std::sqrt(Sq(u / (rx * rx)) + Sq(v / (ry * ry)));
        if (k1 == 0)
            return -std::min(rx, ry);
        return k0 * (k0 - 1) / k1;
    }
    Box Bounds() const { return Around(cx - rx, cy - ry, cx + rx, cy + ry); }
};

// An axis-aligned rectangle from (x0, y0) to (x1, y1) with corners rounded by radius.
struct RoundRect {
    double x0, y0, x1, y1;
    double radius = 0;
    double Distance(double x, double y) const {
        const double qx = std::abs(x - (x0 + x1) / 2) - (x1 - x0) / 2 + radius;
        const double qy = std::abs(y - (y0 + y1) / 2) - (y1 - y0) / 2 + radius;
        const double outside = std::sqrt(Sq(std::max(qx, 0.0)) + Sq(std::max(qy, 0.0)));
        return outside + std::min(std::max(qx, qy), 0.0) - radius;
    }
    Box Bounds() const { return Around(x0, y0, x1, y1); }
};

double SegmentDistanceSq(double x, double y, const Pt& a, const Pt& b) {
    const double ex = b.x - a.x, ey = b.y - a.y;
    const double wx = x - a.x, wy = y - a.y;
    const double length = ex * ex + ey * ey;
    const double t = length > 0 ? std::clamp((wx * ex + wy * ey) / length, 0.0, 1.0) : 0.0;
    return Sq(wx - ex * t) + Sq(wy - ey * t);
}

// A polygon of any shape; points inside an odd number of times are inside.
struct Polygon {
    std::vector<Pt> points;
    double Distance(double x, double y) const {
        double best = Sq(x - points[0].x) + Sq(y - points[0].y);
        bool inside = false;
        for (std::size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
            const Pt& a = points[i];
            const Pt& b = points[j];
            best = std::min(best, SegmentDistanceSq(x, y, a, b));
            if ((a.y > y) != (b.y > y) && x < a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y))
                inside = !inside;
        }
        return inside ? -std::sqrt(best) : std::sqrt(best);
    }
    Box Bounds() const {
        Box box{kFar, kFar, -kFar, -kFar};
        for (const Pt& p : points)
            box = Joined(box, Around(p.x, p.y, p.x, p.y));
        return box;
    }
};

// A pen of the given radius dragged through the points, with round ends and joints.
struct Stroke {
    std::vector<Pt> points;
    double radius;
    double Distance(double x, double y) const {
        double best = Sq(x - points[0].x) + Sq(y - points[0].y);
        for (std::size_t i = 1; i < points.size(); ++i)
            best = std::min(best, SegmentDistanceSq(x, y, points[i - 1], points[i]));
        return std::sqrt(best) - radius;
    }
    Box Bounds() const {
        Box box{kFar, kFar, -kFar, -kFar};
        for (const Pt& p : points)
            box = Joined(box, Around(p.x - radius, p.y - radius, p.x + radius, p.y + radius));
        return box;
    }
};

// Everything above (or, with below set, under) the line y = edge.
struct HalfPlane {
    double edge;
    bool below = false;
    double Distance(double, double y) const { return below ? edge - y : y - edge; }
    Box Bounds() const {
        const int e = static_cast<int>(edge);
        return below ? Box{-kFar, e - 1, kFar, kFar} : Box{-kFar, -kFar, kFar, e + 2};
    }
};

// A union of circles, for clouds, hair and bushes: one distance for all of them, so their
// overlaps have no seams.
struct Circles {
    std::vector<Circle> parts;
    double Distance(double x, double y) const {
        double best = parts[0].Distance(x, y);
        for (const Circle& c : parts)
            best = std::min(best, c.Distance(x, y));
        return best;
    }
    Box Bounds() const {
        Box box = parts[0].Bounds();
        for (const Circle& c : parts)
            box = Joined(box, c.Bounds());
        return box;
    }
};

template <class A, class B>
struct Intersection {
    A a;
    B b;
    double Distance(double x, double y) const {
        return std::max(a.Distance(x, y), b.Distance(x, y));
    }
    Box Bounds() const { return Common(a.Bounds(), b.Bounds()); }
};

template <class A, class B>
struct Difference {
    A a;
    B b;
    double Distance(double x, double y) const {
        return std::max(a.Distance(x, y), -b.Distance(x, y));
    }
    Box Bounds() const { return a.Bounds(); }
};

template <class A, class B>
struct Union {
    A a;
    B b;
    double Distance(double x, double y) const {
        return std::min(a.Distance(x, y), b.Distance(x, y));
    }
    Box Bounds() const { return Joined(a.Bounds(), b.Bounds()); }
};

// The band of the given half width along the edge of a shape: cartoon outlines.
template <class A>
struct Outline {
    A shape;
    double halfWidth;
    double Distance(double x, double y) const { return std::abs(shape.Distance(x, y)) - halfWidth; }
    Box Bounds() const {
        const Box b = shape.Bounds();
        const int w = static_cast<int>(std::ceil(halfWidth));
        return {b.x0 - w, b.y0 - w, b.x1 + w, b.y1 + w};
    }
};

// The operators combine shapes only, so they stay out of the way of iterators and numbers.
template <class T>
concept Area = requires(const T& shape) {
    { shape.Distance(0.0, 0.0) } -> std::same_as<double>;
    { shape.Bounds() } -> std::same_as<Box>;
};

template <Area A, Area B>
Intersection<A, B> operator&(const A& a, const B& b) {
    return {a, b};
}
template <Area A, Area B>
Difference<A, B> operator-(const A& a, const B& b) {
    return {a, b};
}
template <Area A, Area B>
Union<A, B> operator|(const A& a, const B& b) {
    return {a, b};
}
template <Area A>
Outline<A> Edge(const A& shape, double halfWidth) {
    return {shape, halfWidth};
}

// ---- Paints: the colour at a pixel centre. ----

struct Solid {
    Deep color;
    Deep At(double, double) const { return color; }
};

struct Stop {
    double at;
    Deep color;
};

// Colours along a line from (x0, y0), position 0, to (x1, y1), position 1; or, when radial,
// by the distance from (x0, y0) with (x1, y1) at position 1. Beyond the first and last stops the
// end colours continue.
class Gradient {
public:
    Gradient(Pt from, Pt to, std::initializer_list<Stop> stops, bool radial = false)
        : m_from(from), m_to(to), m_stops(stops), m_radial(radial),
          m_lengthSq(Sq(to.x - from.x) + Sq(to.y - from.y)) {}

    Deep At(double x, double y) const {
        const double dx = x - m_from.x, dy = y - m_from.y;
        const double t = m_radial
                             ? std::sqrt((dx * dx + dy * dy) / m_lengthSq)
                             : (dx * (m_to.x - m_from.x) + dy * (m_to.y - m_from.y)) / m_lengthSq;
        if (t <= m_stops.front().at)
            return m_stops.front().color;
        for (std::size_t i = 1; i < m_stops.size(); ++i) {
            if (t < m_stops[i].at) {
                const Stop& a = m_stops[i - 1];
                const Stop& b = m_stops[i];
                return Mix(a.color, b.color, (t - a.at) / (b.at - a.at));
            }
        }
        return m_stops.back().color;
    }

private:
    Pt m_from, m_to;
    std::vector<Stop> m_stops;
    bool m_radial;
    double m_lengthSq;
};

Gradient Vertical(double top, double bottom, std::initializer_list<Stop> stops) {
    return Gradient({0, top}, {0, bottom}, stops);
}

Gradient Radial(Pt centre, double radius, std::initializer_list<Stop> stops) {
    return Gradient(centre, {centre.x + radius, centre.y}, stops, true);
}

// ---- The canvas. ----

class Canvas {
public:
    Canvas(int width, int height)
        : m_width(width), m_height(height),
          m_pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {}

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    Deep* Row(int y) { return m_pixels.data() + static_cast<std::size_t>(y) * m_width; }
    const Deep* Row(int y) const { return m_pixels.data() + static_cast<std::size_t>(y) * m_width; }

    // Paints shape with paint. Softness widens the edge ramp from one pixel to that many, for
    // glows and blushes; opacity (0-256) weakens the whole shape.
    template <class Shape, class Paint>
    void Fill(const Shape& shape, const Paint& paint, double softness = 1, int opacity = 256) {
        const int grow = static_cast<int>(std::ceil(softness));
        Box box = shape.Bounds();
        box = Common({box.x0 - grow, box.y0 - grow, box.x1 + grow, box.y1 + grow},
                     {0, 0, m_width, m_height});
        for (int y = box.y0; y < box.y1; ++y) {
            Deep* row = Row(y);
            const double py = y + 0.5;
            for (int x = box.x0; x < box.x1; ++x) {
                const double px = x + 0.5;
                const double coverage = 0.5 - shape.Distance(px, py) / softness;
                if (coverage <= 0)
                    continue;
                int alpha = coverage >= 1 ? 256 : static_cast<int>(coverage * 256 + 0.5);
                alpha = (alpha * opacity + 128) >> 8;
                Blend(row[x], paint.At(px, py), alpha);
            }
        }
    }

    template <class Shape>
    void Fill(const Shape& shape, const Deep& color, double softness = 1, int opacity = 256) {
        Fill(shape, Solid{color}, softness, opacity);
    }

private:
    static void Blend(Deep& d, const Deep& s, int alpha) {
        d.r += ((s.r - d.r) * alpha) >> 8;
        d.g += ((s.g - d.g) * alpha) >> 8;
        d.b += ((s.b - d.b) * alpha) >> 8;
    }

    int m_width, m_height;
    std::vector<Deep> m_pixels;
};

// The 8x8 ordered-dither threshold (0-63) at (x, y): the classic recursive Bayer matrix, built by
// interleaving the bits of x ^ y and y in reverse order.
constexpr int Bayer8(int x, int y) {
    const int a = x ^ y;
    return ((a & 1) << 5) | ((y & 1) << 4) | ((a & 2) << 2) | ((y & 2) << 1) | ((a & 4) >> 1) |
           ((y & 4) >> 2);
}

// Keeps the top bits of each channel, as ColorToPixel does, after adding the dither threshold:
// a deep channel between two levels becomes a pattern of both in the right proportion. Pure
// magenta is the artwork's colour key, so a pixel that comes out as magenta gets one more step
// of green, a difference nobody can see.
void Quantize(const Canvas& canvas, Surface& out) {
    const auto level = [](std::int32_t value, int threshold, int shift, int top) {
        return std::clamp((value + threshold) >> shift, 0, top);
    };
    for (int y = 0; y < canvas.Height(); ++y) {
        const Deep* from = canvas.Row(y);
        Pixel* to = out.Header().Row(y);
        for (int x = 0; x < canvas.Width(); ++x) {
            const int t = Bayer8(x & 7, y & 7);
            const int r = level(from[x].r, t * 32 + 16, 11, 31);
            const int g = level(from[x].g, t * 16 + 8, 10, 63);
            const int b = level(from[x].b, t * 32 + 16, 11, 31);
            Pixel p = static_cast<Pixel>((r << 11) | (g << 5) | b);
            if (p == kPixelMagenta)
                p |= 1 << 5;
            to[x] = p;
        }
    }
}

// A fixed-seed xorshift generator: the same sequence on every machine and library version.
class Scatter {
public:
    explicit Scatter(std::uint32_t seed) : m_state(seed) {}
    // A whole number from 0 to n - 1.
    int Below(int n) {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return static_cast<int>(m_state % static_cast<std::uint32_t>(n));
    }

private:
    std::uint32_t m_state;
};

// ---- Picture 0: a cartoon face. ----

void DrawFace(Canvas& c) {
    const double w = c.Width(), h = c.Height();
    const Deep ink = Rgb(70, 40, 30);

    // A sky-blue backdrop with a lattice of pale dots, so that even the background shows a warp.
    c.Fill(RoundRect{-10, -10, w + 10, h + 10},
           Radial({w / 2, h * 0.42}, h * 0.7, {{0, Rgb(190, 230, 255)}, {1, Rgb(90, 160, 230)}}));
    for (int row = 0; row * 40 < h + 40; ++row)
        for (int col = 0; col * 40 < w + 40; ++col)
            c.Fill(Circle{col * 40.0 + (row % 2) * 20.0, row * 40.0 + 10, 7}, Rgb(255, 255, 255), 1,
                   70);

    // Shoulders and a striped shirt, then the neck.
    const RoundRect shirt{28, 398, w - 28, h + 80, 70};
    c.Fill(shirt, Rgb(235, 80, 70));
    for (int i = 0; i < 4; ++i)
        c.Fill(shirt & RoundRect{0, 414.0 + i * 16, w, 421.0 + i * 16}, Rgb(255, 236, 210));
    c.Fill(Edge(shirt, 1.5), ink);
    const RoundRect neck{w / 2 - 34, 350, w / 2 + 34, 420, 14};
    c.Fill(neck, Rgb(235, 170, 130));
    c.Fill(Edge(neck, 1.5), ink);
    const Polygon collarLeft{{{w / 2 - 44, 402}, {w / 2, 424}, {w / 2 - 24, 446}}};
    const Polygon collarRight{{{w / 2 + 44, 402}, {w / 2, 424}, {w / 2 + 24, 446}}};
    for (const Polygon& collar : {collarLeft, collarRight}) {
        c.Fill(collar, Rgb(255, 255, 255));
        c.Fill(Edge(collar, 1.5), ink);
    }

    const Deep skin = Rgb(255, 210, 165);
    const Gradient skinShade =
        Radial({w / 2 - 30, 200}, 190, {{0, Rgb(255, 222, 185)}, {1, Rgb(245, 185, 140)}});

    // Ears, behind the face.
    for (const double side : {-1.0, 1.0}) {
        const Circle ear{w / 2 + side * 132, 255, 32};
        c.Fill(ear, skin);
        c.Fill(Ellipse{w / 2 + side * 136, 257, 14, 19}, Rgb(240, 160, 125));
        c.Fill(Edge(ear, 1.75), ink);
    }

    const Ellipse face{w / 2, 245, 136, 150};
    c.Fill(face, skinShade);
    c.Fill(Edge(face, 2), ink);

    // A mop of ginger hair with a scalloped fringe and a cowlick.
    Circles hair;
    for (int i = 0; i < 7; ++i)
        hair.parts.push_back({w / 2 - 110 + i * 110 / 3.0, 136.0 + (i % 2) * 5, 23});
    for (const double side : {-1.0, 1.0}) {
        hair.parts.push_back({w / 2 + side * 128, 152, 28});
        hair.parts.push_back({w / 2 + side * 116, 108, 42});
    }
    const Pt curl{w / 2 + 8, 19};
    const auto cowlick = (Edge(Circle{curl.x, curl.y, 10}, 4.5) -
                          RoundRect{curl.x - 20, curl.y, curl.x, curl.y + 20}) |
                         Stroke{{{curl.x - 10, 50}, {curl.x - 10, curl.y}}, 4.5};
    c.Fill(cowlick, Rgb(250, 150, 60));
    c.Fill(Edge(cowlick, 1.5), ink);
    const auto hairFill = Ellipse{w / 2, 98, 136, 62} | hair;
    c.Fill(hairFill, Vertical(20, 170, {{0, Rgb(250, 150, 60)}, {1, Rgb(215, 95, 30)}}));
    c.Fill(Edge(hairFill, 2), ink);
    for (const double side : {-1.0, 1.0})
        c.Fill(Stroke{{{w / 2 + side * 40, 50}, {w / 2 + side * 70, 62}, {w / 2 + side * 88, 84}},
                      3.5},
               Rgb(255, 190, 110));

    // Raised eyebrows.
    for (const double side : {-1.0, 1.0})
        c.Fill(
            Stroke{{{w / 2 + side * 90, 186}, {w / 2 + side * 66, 170}, {w / 2 + side * 34, 176}},
                   6},
            Rgb(170, 75, 25));

    // Big eyes looking up and to the right.
    for (const double side : {-1.0, 1.0}) {
        const double ex = w / 2 + side * 56, ey = 240;
        const Ellipse white{ex, ey, 42, 52};
        c.Fill(white, Rgb(255, 255, 255));
        const Circle iris{ex + 8, ey - 6, 25};
        c.Fill(iris & white,
               Radial({ex + 4, ey - 10}, 25, {{0, Rgb(80, 190, 250)}, {1, Rgb(30, 100, 190)}}));
        c.Fill(Edge(iris, 1.25) & white, Rgb(20, 60, 120));
        c.Fill(Circle{ex + 9, ey - 5, 12}, Rgb(20, 20, 40));
        c.Fill(Circle{ex + 1, ey - 14, 7}, Rgb(255, 255, 255));
        c.Fill(Circle{ex + 16, ey + 4, 3}, Rgb(255, 255, 255));
        c.Fill(Edge(white, 2.25), ink);
    }

    // Rosy cheeks with freckles.
    for (const double side : {-1.0, 1.0}) {
        c.Fill(Ellipse{w / 2 + side * 86, 305, 28, 18}, Rgb(255, 120, 120), 16, 120);
        const Pt freckles[] = {{-12, -4}, {0, 2}, {11, -5}, {-5, 9}, {8, 8}};
        for (const Pt& f : freckles)
            c.Fill(Circle{w / 2 + side * (86 + f.x), 300 + f.y, 2.2}, Rgb(190, 110, 70));
    }

    // A round button nose.
    const Ellipse nose{w / 2, 292, 24, 19};
    c.Fill(nose, Radial({w / 2 - 7, 285}, 26, {{0, Rgb(255, 150, 125)}, {1, Rgb(230, 100, 85)}}));
    c.Fill(Edge(nose, 1.75), ink);
    c.Fill(Ellipse{w / 2 - 8, 285, 7, 5}, Rgb(255, 255, 255), 1, 200);

    // A wide open grin: teeth on top, a tongue below.
    const auto mouth = Ellipse{w / 2, 325, 80, 52} & HalfPlane{325, true};
    c.Fill(mouth, Rgb(120, 25, 40));
    c.Fill(mouth & Circle{w / 2 + 10, 398, 42}, Rgb(240, 95, 110));
    c.Fill(mouth & HalfPlane{339}, Rgb(255, 255, 255));
    c.Fill(Edge(mouth & HalfPlane{339}, 0.75) & mouth, Rgb(200, 180, 170));
    c.Fill(Edge(mouth, 2.25), ink);
    for (const double side : {-1.0, 1.0})
        c.Fill(Stroke{{{w / 2 + side * 76, 318}, {w / 2 + side * 88, 330}}, 2}, ink);
}

// ---- Picture 1: a landscape. ----

// A pine of three tiers standing on (x, base); size 1 is 64 pixels tall.
void Pine(Canvas& c, double x, double base, double size) {
    const Deep ink = Rgb(50, 40, 40);
    c.Fill(RoundRect{x - 3 * size, base - 10 * size, x + 3 * size, base}, Rgb(120, 70, 40));
    for (int tier = 0; tier < 3; ++tier) {
        const double top = base - (64 - tier * 16) * size;
        const double bottom = base - (30 - tier * 11) * size;
        const double half = (16 + tier * 5) * size;
        const Polygon layer{{{x, top}, {x + half, bottom}, {x - half, bottom}}};
        c.Fill(layer, Vertical(top, bottom, {{0, Rgb(40, 140, 70)}, {1, Rgb(20, 95, 55)}}));
        c.Fill(Edge(layer, 0.8), ink, 1, 160);
    }
}

void DrawLandscape(Canvas& c) {
    const double w = c.Width(), h = c.Height();
    const Deep ink = Rgb(50, 40, 40);

    const Gradient sky = Vertical(0, 300,
                                  {{0, Rgb(45, 110, 205)},
                                   {0.55, Rgb(130, 190, 245)},
                                   {0.85, Rgb(200, 225, 245)},
                                   {1, Rgb(255, 225, 190)}});
    c.Fill(RoundRect{-10, -10, w + 10, 320}, sky);

    // The sun with a soft glow and twelve rays; the ray directions come from exact square roots.
    const Pt sun{292, 88};
    c.Fill(Circle{sun.x, sun.y, 56}, Rgb(255, 240, 160), 40, 110);
    const double half3 = std::sqrt(3.0) / 2;
    const double cosines[12] = {1, half3, 0.5, 0, -0.5, -half3, -1, -half3, -0.5, 0, 0.5, half3};
    for (int k = 0; k < 12; ++k) {
        const double dx = cosines[k], dy = cosines[(k + 9) % 12];
        c.Fill(Polygon{{{sun.x + dx * 44 - dy * 7, sun.y + dy * 44 + dx * 7},
                        {sun.x + dx * 66, sun.y + dy * 66},
                        {sun.x + dx * 44 + dy * 7, sun.y + dy * 44 - dx * 7}}},
               Rgb(255, 200, 60));
    }
    c.Fill(Circle{sun.x, sun.y, 36},
           Radial({sun.x - 8, sun.y - 8}, 40, {{0, Rgb(255, 250, 150)}, {1, Rgb(255, 190, 40)}}));

    // Flat-bottomed clouds.
    const auto cloud = [&c](double x, double y, double s) {
        const Circles puffs{{{x, y, 22 * s},
                             {x + 26 * s, y - 14 * s, 26 * s},
                             {x + 56 * s, y - 6 * s, 22 * s},
                             {x + 78 * s, y + 4 * s, 16 * s},
                             {x - 22 * s, y + 6 * s, 15 * s}}};
        const auto shape = puffs & HalfPlane{y + 18 * s};
        c.Fill(shape, Vertical(y - 40 * s, y + 18 * s,
                               {{0, Rgb(255, 255, 255)}, {1, Rgb(220, 230, 245)}}));
    };
    cloud(70, 70, 1.0);
    cloud(185, 150, 0.7);

    // Birds.
    for (const Pt b : {Pt{130, 120}, Pt{152, 108}, Pt{170, 126}}) {
        c.Fill(Stroke{{{b.x - 8, b.y - 4}, {b.x - 3, b.y - 3}, {b.x, b.y + 1}}, 1.3}, ink);
        c.Fill(Stroke{{{b.x, b.y + 1}, {b.x + 3, b.y - 3}, {b.x + 8, b.y - 4}}, 1.3}, ink);
    }

    // Two mountain ranges with snow on the high peaks.
    const Polygon farRange{{{-10, 320},
                            {-10, 214},
                            {40, 176},
                            {96, 212},
                            {150, 150},
                            {214, 222},
                            {262, 196},
                            {330, 238},
                            {394, 200},
                            {394, 320}}};
    c.Fill(farRange, Vertical(150, 300, {{0, Rgb(150, 150, 205)}, {1, Rgb(185, 190, 225)}}));
    const Polygon snowLine{{{-10, 100},
                            {394, 100},
                            {394, 212},
                            {168, 166},
                            {156, 176},
                            {144, 168},
                            {132, 180},
                            {54, 188},
                            {40, 196},
                            {26, 186},
                            {-10, 204}}};
    c.Fill(farRange & snowLine, Rgb(250, 250, 255));
    const Polygon nearRange{{{-10, 320},
                             {-10, 262},
                             {60, 226},
                             {118, 264},
                             {186, 206},
                             {250, 262},
                             {300, 240},
                             {394, 280},
                             {394, 320}}};
    c.Fill(nearRange, Vertical(206, 300, {{0, Rgb(100, 110, 175)}, {1, Rgb(130, 140, 190)}}));
    const Polygon nearSnow{
        {{150, 150}, {230, 150}, {208, 226}, {196, 218}, {186, 230}, {174, 220}, {160, 230}}};
    c.Fill(nearRange & nearSnow, Rgb(250, 250, 255));

    // A meadow at the foot of the mountains, small pines on the far shore, and the lake with the
    // sun's reflection in it.
    c.Fill(RoundRect{-10, 296, w + 10, h + 10},
           Vertical(296, 480, {{0, Rgb(120, 200, 90)}, {1, Rgb(60, 150, 60)}}));
    for (const double x : {318.0, 336.0, 356.0, 374.0})
        Pine(c, x, 314 - (static_cast<int>(x) % 3) * 2, 0.45);
    const Ellipse lake{252, 346, 168, 38};
    c.Fill(lake, Vertical(308, 384, {{0, Rgb(120, 200, 245)}, {1, Rgb(40, 110, 200)}}));
    for (const double y : {322.0, 334.0, 346.0, 358.0, 370.0})
        c.Fill(Stroke{{{292 - (390 - y) * 0.3, y}, {292 + (390 - y) * 0.3, y}}, 1.5} & lake,
               Rgb(255, 235, 150));
    c.Fill(Stroke{{{130, 334}, {180, 334}}, 1.2} & lake, Rgb(230, 245, 255));
    c.Fill(Stroke{{{150, 362}, {220, 362}}, 1.2} & lake, Rgb(230, 245, 255));
    c.Fill(Edge(lake, 1) & lake, Rgb(230, 245, 255), 1, 160);

    // Hills on both sides, in front of the lake's ends.
    const Circle leftHill{30, 560, 262};
    c.Fill(leftHill, Vertical(296, 480, {{0, Rgb(140, 215, 90)}, {1, Rgb(70, 160, 60)}}));
    const Circle rightHill{470, 640, 280};
    c.Fill(rightHill, Vertical(360, 480, {{0, Rgb(100, 180, 70)}, {1, Rgb(50, 140, 60)}}));

    // The house on the left hill: straight walls, a pitched roof, windows with crossbars.
    const RoundRect wall{44, 258, 124, 320};
    const RoundRect chimney{100, 214, 114, 250};
    const Polygon roof{{{34, 262}, {84, 214}, {134, 262}}};
    c.Fill(chimney, Rgb(170, 80, 60));
    c.Fill(Edge(chimney, 1), ink);
    c.Fill(wall, Rgb(255, 240, 205));
    c.Fill(Edge(wall, 1.2), ink);
    c.Fill(roof, Vertical(214, 262, {{0, Rgb(230, 80, 60)}, {1, Rgb(190, 50, 45)}}));
    c.Fill(Edge(roof, 1.2), ink);
    const RoundRect door{74, 286, 94, 320};
    c.Fill(door, Rgb(150, 90, 50));
    c.Fill(Edge(door, 1), ink);
    c.Fill(Circle{89, 304, 1.8}, Rgb(255, 220, 80));
    for (const double x : {52.0, 102.0}) {
        const RoundRect window{x, 272, x + 16, 288};
        c.Fill(window, Rgb(140, 210, 250));
        c.Fill(Stroke{{{x + 8, 272}, {x + 8, 288}}, 0.8}, ink);
        c.Fill(Stroke{{{x, 280}, {x + 16, 280}}, 0.8}, ink);
        c.Fill(Edge(window, 1), ink);
    }
    c.Fill(Polygon{{{70, 320}, {98, 320}, {150, 480}, {96, 480}}},
           Vertical(320, 480, {{0, Rgb(220, 200, 150)}, {1, Rgb(235, 210, 160)}}));

    // A round tree beside the house and two pines on the right hill.
    const Circles crown{{{168, 292, 20}, {154, 306, 16}, {184, 306, 17}, {169, 312, 16}}};
    c.Fill(RoundRect{165, 308, 173, 342}, Rgb(120, 70, 40));
    c.Fill(Edge(RoundRect{165, 308, 173, 342}, 0.8), ink, 1, 160);
    c.Fill(crown, Radial({162, 288}, 34, {{0, Rgb(120, 210, 80)}, {1, Rgb(50, 150, 60)}}));
    c.Fill(Edge(crown, 0.8), ink, 1, 160);
    Pine(c, 354, 398, 1.1);
    Pine(c, 312, 412, 0.9);

    // A fence across the front: straight rails and posts for the warp tools to bend.
    const Deep wood = Rgb(250, 245, 235);
    for (const double y : {418.0, 440.0}) {
        const RoundRect rail{-10, y, w + 10, y + 7};
        c.Fill(rail, wood);
        c.Fill(Edge(rail, 0.8), ink);
    }
    for (int i = 0; i * 32 < w; ++i) {
        const double x = 12 + i * 32.0;
        const Polygon post{{{x - 5, 462}, {x - 5, 408}, {x, 400}, {x + 5, 408}, {x + 5, 462}}};
        c.Fill(post, wood);
        c.Fill(Edge(post, 0.8), ink);
    }

    // Flowers in the grass, scattered by a fixed-seed generator.
    const Deep petals[] = {Rgb(255, 90, 110), Rgb(255, 255, 255), Rgb(255, 210, 60),
                           Rgb(180, 120, 255)};
    Scatter scatter(0x5eed1);
    for (int i = 0; i < 26; ++i) {
        const double x = 6 + scatter.Below(372);
        const double y = i < 14 ? 466 + scatter.Below(10) : 384 + scatter.Below(18);
        c.Fill(Circle{x, y, 4}, petals[scatter.Below(4)]);
        c.Fill(Circle{x, y, 1.6}, Rgb(255, 180, 40));
    }
}

// ---- Picture 2: a bold pattern. ----

void DrawPattern(Canvas& c) {
    const double w = c.Width(), h = c.Height();
    constexpr int kCell = 32;
    const Deep paper = Rgb(255, 250, 235);
    const Deep ink = Rgb(40, 40, 80);
    const Deep rainbow[] = {Rgb(235, 70, 80),  Rgb(250, 150, 50), Rgb(245, 210, 50),
                            Rgb(80, 190, 100), Rgb(60, 140, 230), Rgb(150, 90, 210)};

    // A checkerboard whose coloured squares run through the rainbow along the diagonals.
    for (int row = 0; row * kCell < h; ++row) {
        for (int col = 0; col * kCell < w; ++col) {
            const RoundRect cell{col * 1.0 * kCell, row * 1.0 * kCell, (col + 1.0) * kCell,
                                 (row + 1.0) * kCell};
            c.Fill(cell, (row + col) % 2 ? rainbow[(row + col) / 2 % 6] : paper);
        }
    }
    // Dots where the grid lines cross.
    for (int row = 1; row * kCell < h; ++row)
        for (int col = 1; col * kCell < w; ++col)
            c.Fill(Circle{col * 1.0 * kCell, row * 1.0 * kCell, 4.5}, ink);

    // A target of rainbow rings in the middle.
    const Pt mid{w / 2, h / 2};
    c.Fill(Circle{mid.x, mid.y, 104}, ink);
    for (int ring = 0; ring < 7; ++ring) {
        const double r = 100 - ring * 14.0;
        c.Fill(Circle{mid.x, mid.y, r}, ring % 2 ? paper : rainbow[ring / 2 * 2 % 6]);
    }
    c.Fill(Circle{mid.x, mid.y, 8}, ink);

    // Four striped discs near the corners: horizontal, vertical and diagonal stripes.
    const Pt corners[] = {{64, 64}, {w - 64, 64}, {64, h - 64}, {w - 64, h - 64}};
    for (int i = 0; i < 4; ++i) {
        const Circle disc{corners[i].x, corners[i].y, 40};
        c.Fill(disc, paper);
        for (int s = -2; s <= 2; ++s) {
            const double o = s * 16.0;
            const Pt a = corners[i];
            Stroke stripe{{}, 4};
            if (i == 0)
                stripe.points = {{a.x - 50, a.y + o}, {a.x + 50, a.y + o}};
            else if (i == 1)
                stripe.points = {{a.x + o, a.y - 50}, {a.x + o, a.y + 50}};
            else if (i == 2)
                stripe.points = {{a.x - 50 + o, a.y - 50 - o}, {a.x + 50 + o, a.y + 50 - o}};
            else
                stripe.points = {{a.x - 50 + o, a.y + 50 + o}, {a.x + 50 + o, a.y - 50 + o}};
            c.Fill(stripe & disc, rainbow[(i + 4) % 6]);
        }
        c.Fill(Edge(disc, 2.5), ink);
    }
}

struct PictureRecipe {
    int width;
    int height;
    void (*draw)(Canvas&);
};

// Portrait sizes near the view's 200 x 259 proportions, each within the editor's 640 x 480.
constexpr PictureRecipe kRecipes[kGalleryPictureCount] = {
    {360, 464, DrawFace},
    {384, 480, DrawLandscape},
    {352, 448, DrawPattern},
};

} // namespace

bool DrawGalleryPicture(int index, Surface& out) {
    if (index < 0 || index >= kGalleryPictureCount)
        return false;
    const PictureRecipe& recipe = kRecipes[index];
    if (Failed(out.Create(CREATE_CLEAR, recipe.width, recipe.height)) || !out.GetPixels())
        return false;
    Canvas canvas(recipe.width, recipe.height);
    recipe.draw(canvas);
    Quantize(canvas, out);
    return true;
}

} // namespace brelvo::assets
