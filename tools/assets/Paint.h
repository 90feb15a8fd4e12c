#pragma once

#include "base/Rect.h"
#include "gfx/BitmapFont.h"
#include "gfx/PixelFormat.h"
#include "gfx/Surface.h"

#include <cstdint>

// Drawing helpers for the artwork. They work on whole pixels with inclusive rectangles, which is
// how the layouts are written, and leave the program's own drawing rules (exclusive right edges,
// clipping short of the last row) to the program.
namespace brelvo::assets {

// A colour from red, green and blue, in the program's 0x00BBGGRR form.
constexpr Color Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return r | (g << 8) | (b << 16);
}

// The theme: light and flat, with the blue outline and highlight the menus use.
inline constexpr Color kKey = Rgb(255, 0, 255);
inline constexpr Color kWhite = Rgb(255, 255, 255);
inline constexpr Color kBlack = Rgb(0, 0, 0);
inline constexpr Color kInk = Rgb(36, 40, 48);          // text and symbols
inline constexpr Color kAccent = Rgb(0, 77, 255);       // outline, title strips
inline constexpr Color kAccentDark = Rgb(0, 52, 178);   // pressed accent
inline constexpr Color kHighlight = Rgb(131, 183, 254); // highlight fill
inline constexpr Color kHighlightPale = Rgb(214, 230, 255);
inline constexpr Color kDisabled = Rgb(197, 197, 200);   // disabled text
inline constexpr Color kFrame = Rgb(88, 88, 88);         // list frames
inline constexpr Color kTrack = Rgb(199, 199, 199);      // scroll-bar tracks
inline constexpr Color kHelpPage = Rgb(225, 225, 225);   // help pages
inline constexpr Color kFace = Rgb(236, 239, 244);       // panels and bars
inline constexpr Color kFaceDark = Rgb(214, 219, 227);   // panel edges, pressed faces
inline constexpr Color kEdge = Rgb(160, 168, 180);       // outlines of panels and buttons
inline constexpr Color kMenuFace = Rgb(250, 251, 253);   // menu panels behind their items
inline constexpr Color kViewGround = Rgb(120, 126, 136); // behind the picture

// Makes image w x h filled with colour; false when it cannot be allocated.
bool MakeImage(Surface& image, int w, int h, Color fill);

void Fill(Surface& s, const Rect& r, Color c);
void HLine(Surface& s, int x0, int x1, int y, Color c);
void VLine(Surface& s, int x, int y0, int y1, Color c);
void Frame(Surface& s, const Rect& r, Color c);
// A filled rectangle with corners rounded by radius, edge pixels anti-aliased against what is
// underneath (which must not be the key: callers round onto opaque ground, or use RoundBoxKeyed).
void RoundBox(Surface& s, const Rect& r, int radius, Color c);
// The same onto a keyed ground: partly covered pixels become the colour itself or the key, so
// no edge pixel mixes with magenta.
void RoundBoxKeyed(Surface& s, const Rect& r, int radius, Color c);
// A vertical gradient from top to bottom colour.
void VGradient(Surface& s, const Rect& r, Color top, Color bottom);
// The same, painting only the pixels that are not the key (the inside of a keyed shape).
void VGradientKeyed(Surface& s, const Rect& r, Color top, Color bottom);
// An anti-aliased disc or ring (inner radius 0 for a disc) on opaque ground.
void Disc(Surface& s, double cx, double cy, double radius, Color c, double innerRadius = 0);
// An anti-aliased thick line from (x0, y0) to (x1, y1) on opaque ground, round caps.
void ThickLine(Surface& s, double x0, double y0, double x1, double y1, double width, Color c);
// A filled convex or concave polygon (even-odd), anti-aliased on opaque ground.
void Polygon(Surface& s, const double* xy, int points, Color c);
// The same on a keyed ground: a pixel is painted when its centre is inside, so no edge pixel
// mixes with the key.
void PolygonKeyed(Surface& s, const double* xy, int points, Color c);

// A square grid of cells x cells, half its side from (cx, cy) to each edge, pushed outwards round
// its centre by strength: the program's subject, on the title pictures and the corner mark.
void BulgedGrid(Surface& s, double cx, double cy, double half, int cells, double strength, Color c,
                double width);

Color Mix(Color a, Color b, int weightOfA256);
// Mixes colour c into the pixel at (x, y) with coverage 0-256.
void Plot(Surface& s, int x, int y, Color c, int coverage256);

// Text: width in pixels, and drawing with the top-left at (x, y) or centred on cx.
void Text(Surface& s, int x, int y, const BitmapFont& font, const char16_t* text);
void TextCentered(Surface& s, int cx, int y, const BitmapFont& font, const char16_t* text);
int FontHeight(const BitmapFont& font);

// Copies src whole onto dst at (x, y), the key transparent.
void Stamp(Surface& dst, int x, int y, const Surface& src);

// Replaces every magenta pixel that was not meant as transparency by its nearest neighbour
// value, so that an opaque image keeps no accidental hole.
void RemoveKeyPixels(Surface& s);

} // namespace brelvo::assets
