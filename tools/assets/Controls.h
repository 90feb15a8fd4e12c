#pragma once

#include "base/Rect.h"
#include "gfx/BitmapFont.h"
#include "gfx/Surface.h"

#include <functional>

// Pieces that several screens' artwork is made of, so that a button looks the same everywhere.
namespace brelvo::assets {

enum class Look { Normal, Pressed, Disabled };

// A push button w x h on a keyed ground: rounded, outlined, with a soft vertical gradient.
bool MakeButton(Surface& image, int w, int h, Look look, int radius = 3);
// The same drawn into an existing image.
void DrawButton(Surface& s, const Rect& r, Look look, int radius = 3);
// A button with its caption centred, in the given font.
bool MakeCaptionButton(Surface& image, int w, int h, Look look, const BitmapFont& font,
                       const char16_t* caption);
// The ink colour of symbols on a button of this look.
Color SymbolColor(Look look);

// A blue title strip with a white title, as on every screen's top edge.
void DrawTitleStrip(Surface& s, const Rect& r, const BitmapFont& titleFont, const char16_t* title);
// A sunken white field (lists, text fields, the thumbnail box).
void DrawWell(Surface& s, const Rect& r, Color inside);

// Symbols, drawn in colour c into the square or rectangle r.
void ArrowSymbol(Surface& s, const Rect& r, int direction,
                 Color c); // 0 up, 1 right, 2 down, 3 left
void SolidTriangle(Surface& s, const Rect& r, int direction, Color c);

} // namespace brelvo::assets
