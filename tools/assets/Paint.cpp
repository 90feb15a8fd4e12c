#include "tools/assets/Paint.h"

#include "gfx/Blit.h"

#include <algorithm>
#include <cmath>

namespace brelvo::assets {
namespace {

// Shapes are anti-aliased by counting which of 4 x 4 sample points per pixel they cover. Only
// comparisons and products of doubles decide a sample, so every machine counts the same.
constexpr int kSamples = 4;

template <typename Inside>
void Cover(Surface& s, double x0, double y0, double x1, double y1, Color c, Inside inside) {
    const int left = std::max(0, static_cast<int>(std::floor(x0)));
    const int top = std::max(0, static_cast<int>(std::floor(y0)));
    const int right = std::min(s.GetWidth() - 1, static_cast<int>(std::ceil(x1)));
    const int bottom = std::min(s.GetHeight() - 1, static_cast<int>(std::ceil(y1)));
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            int hits = 0;
            for (int j = 0; j < kSamples; ++j) {
                for (int i = 0; i < kSamples; ++i) {
                    const double px = x + (i + 0.5) / kSamples;
                    const double py = y + (j + 0.5) / kSamples;
                    hits += inside(px, py) ? 1 : 0;
                }
            }
            if (hits > 0)
                Plot(s, x, y, c, hits * 256 / (kSamples * kSamples));
        }
    }
}

} // namespace

bool MakeImage(Surface& image, int w, int h, Color fill) {
    if (image.Create(0, w, h) != kOk)
        return false;
    const Pixel p = ColorToPixel(fill);
    for (int y = 0; y < h; ++y)
        std::fill_n(image.Header().Row(y), image.GetPitch(), p);
    return true;
}

void Fill(Surface& s, const Rect& r, Color c) {
    const Pixel p = ColorToPixel(c);
    const int left = std::max(0, r.left), right = std::min(s.GetWidth() - 1, r.right);
    const int top = std::max(0, r.top), bottom = std::min(s.GetHeight() - 1, r.bottom);
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
            s.Header().Row(y)[x] = p;
}

void HLine(Surface& s, int x0, int x1, int y, Color c) {
    Fill(s, Rect(x0, y, x1, y), c);
}
void VLine(Surface& s, int x, int y0, int y1, Color c) {
    Fill(s, Rect(x, y0, x, y1), c);
}

void Frame(Surface& s, const Rect& r, Color c) {
    HLine(s, r.left, r.right, r.top, c);
    HLine(s, r.left, r.right, r.bottom, c);
    VLine(s, r.left, r.top, r.bottom, c);
    VLine(s, r.right, r.top, r.bottom, c);
}

Color Mix(Color a, Color b, int weightOfA256) {
    const auto channel = [&](int shift) {
        const int ca = static_cast<int>((a >> shift) & 0xFF);
        const int cb = static_cast<int>((b >> shift) & 0xFF);
        return static_cast<Color>((ca * weightOfA256 + cb * (256 - weightOfA256) + 128) / 256);
    };
    return channel(0) | (channel(8) << 8) | (channel(16) << 16);
}

void Plot(Surface& s, int x, int y, Color c, int coverage256) {
    if (s.IsOutside(x, y))
        return;
    Pixel& pixel = s.Header().Row(y)[x];
    Pixel result = ColorToPixel(coverage256 >= 256 ? c : Mix(c, PixelToColor(pixel), coverage256));
    // A mixed pixel that lands on the key would turn into a hole.
    if (result == kPixelMagenta)
        result = static_cast<Pixel>(kPixelMagenta - 0x0020);
    pixel = result;
}

namespace {

bool InRoundBox(const Rect& r, double radius, double px, double py) {
    const double l = r.left, t = r.top, rr = r.right + 1.0, b = r.bottom + 1.0;
    if (px < l || px >= rr || py < t || py >= b)
        return false;
    const double cx = std::clamp(px, l + radius, rr - radius);
    const double cy = std::clamp(py, t + radius, b - radius);
    const double dx = px - cx, dy = py - cy;
    return dx * dx + dy * dy <= radius * radius;
}

} // namespace

void RoundBox(Surface& s, const Rect& r, int radius, Color c) {
    Cover(s, r.left, r.top, r.right, r.bottom, c,
          [&](double px, double py) { return InRoundBox(r, radius, px, py); });
}

void RoundBoxKeyed(Surface& s, const Rect& r, int radius, Color c) {
    const Pixel p = ColorToPixel(c);
    for (int y = std::max(0, r.top); y <= std::min(s.GetHeight() - 1, r.bottom); ++y) {
        for (int x = std::max(0, r.left); x <= std::min(s.GetWidth() - 1, r.right); ++x) {
            // A pixel belongs to the shape when its centre does: edges stay crisp, never pink.
            if (InRoundBox(r, radius, x + 0.5, y + 0.5))
                s.Header().Row(y)[x] = p;
        }
    }
}

void VGradient(Surface& s, const Rect& r, Color top, Color bottom) {
    const int h = std::max(1, r.bottom - r.top);
    for (int y = r.top; y <= r.bottom; ++y)
        HLine(s, r.left, r.right, y, Mix(bottom, top, (y - r.top) * 256 / h));
}

void VGradientKeyed(Surface& s, const Rect& r, Color top, Color bottom) {
    const int h = std::max(1, r.bottom - r.top);
    for (int y = std::max(0, r.top); y <= std::min(s.GetHeight() - 1, r.bottom); ++y) {
        const Pixel p = ColorToPixel(Mix(bottom, top, (y - r.top) * 256 / h));
        Pixel* row = s.Header().Row(y);
        for (int x = std::max(0, r.left); x <= std::min(s.GetWidth() - 1, r.right); ++x)
            if (row[x] != kPixelMagenta)
                row[x] = p;
    }
}

void Disc(Surface& s, double cx, double cy, double radius, Color c, double innerRadius) {
    Cover(s, cx - radius, cy - radius, cx + radius, cy + radius, c, [&](double px, double py) {
        const double d2 = (px - cx) * (px - cx) + (py - cy) * (py - cy);
        return d2 <= radius * radius && d2 >= innerRadius * innerRadius;
    });
}

void ThickLine(Surface& s, double x0, double y0, double x1, double y1, double width, Color c) {
    const double half = width / 2;
    const double dx = x1 - x0, dy = y1 - y0;
    const double length2 = dx * dx + dy * dy;
    Cover(s, std::min(x0, x1) - half, std::min(y0, y1) - half, std::max(x0, x1) + half,
          std::max(y0, y1) + half, c, [&](double px, double py) {
              double t = length2 > 0 ? ((px - x0) * dx + (py - y0) * dy) / length2 : 0;
              t = std::clamp(t, 0.0, 1.0);
              const double ex = px - (x0 + t * dx), ey = py - (y0 + t * dy);
              return ex * ex + ey * ey <= half * half;
          });
}

namespace {

bool InPolygon(const double* xy, int points, double px, double py) {
    bool inside = false;
    for (int i = 0, j = points - 1; i < points; j = i++) {
        const double xi = xy[2 * i], yi = xy[2 * i + 1];
        const double xj = xy[2 * j], yj = xy[2 * j + 1];
        if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi)
            inside = !inside;
    }
    return inside;
}

void Bounds(const double* xy, int points, double& x0, double& y0, double& x1, double& y1) {
    x0 = x1 = xy[0];
    y0 = y1 = xy[1];
    for (int i = 1; i < points; ++i) {
        x0 = std::min(x0, xy[2 * i]);
        x1 = std::max(x1, xy[2 * i]);
        y0 = std::min(y0, xy[2 * i + 1]);
        y1 = std::max(y1, xy[2 * i + 1]);
    }
}

} // namespace

void Polygon(Surface& s, const double* xy, int points, Color c) {
    double x0, y0, x1, y1;
    Bounds(xy, points, x0, y0, x1, y1);
    Cover(s, x0, y0, x1, y1, c,
          [&](double px, double py) { return InPolygon(xy, points, px, py); });
}

void PolygonKeyed(Surface& s, const double* xy, int points, Color c) {
    double x0, y0, x1, y1;
    Bounds(xy, points, x0, y0, x1, y1);
    const Pixel p = ColorToPixel(c);
    for (int y = std::max(0, static_cast<int>(y0));
         y <= std::min(s.GetHeight() - 1, static_cast<int>(y1)); ++y)
        for (int x = std::max(0, static_cast<int>(x0));
             x <= std::min(s.GetWidth() - 1, static_cast<int>(x1)); ++x)
            if (InPolygon(xy, points, x + 0.5, y + 0.5))
                s.Header().Row(y)[x] = p;
}

// A square grid pushed outwards round (cx, cy): the picture of what the program does.
void BulgedGrid(Surface& s, double cx, double cy, double half, int cells, double strength, Color c,
                double width) {
    const auto bulge = [&](double u, double v, double& x, double& y) {
        const double r2 = u * u + v * v;
        const double f = 1.0 + strength * std::max(0.0, 1.0 - r2);
        x = cx + u * f * half;
        y = cy + v * f * half;
    };
    const int steps = 48;
    for (int i = 0; i <= cells; ++i) {
        const double u = -1.0 + 2.0 * i / cells;
        for (int axis = 0; axis < 2; ++axis) {
            double px = 0, py = 0;
            for (int k = 0; k <= steps; ++k) {
                const double v = -1.0 + 2.0 * k / steps;
                double x, y;
                bulge(axis ? v : u, axis ? u : v, x, y);
                if (k > 0)
                    ThickLine(s, px, py, x, y, width, c);
                px = x, py = y;
            }
        }
    }
}

void Text(Surface& s, int x, int y, const BitmapFont& font, const char16_t* text) {
    DrawText(s, x, y, text, &font);
}

void TextCentered(Surface& s, int cx, int y, const BitmapFont& font, const char16_t* text) {
    Text(s, cx - TextWidth(font, text) / 2, y, font, text);
}

int FontHeight(const BitmapFont& font) {
    return font.GetHeight() - 1;
}

void Stamp(Surface& dst, int x, int y, const Surface& src) {
    Blit(dst, x, y, src, nullptr, BLT_KEYED);
}

void RemoveKeyPixels(Surface& s) {
    for (int y = 0; y < s.GetHeight(); ++y) {
        Pixel* row = s.Header().Row(y);
        for (int x = 0; x < s.GetWidth(); ++x)
            if (row[x] == kPixelMagenta)
                row[x] = static_cast<Pixel>(kPixelMagenta - 0x0020);
    }
}

} // namespace brelvo::assets
