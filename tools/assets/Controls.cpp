#include "tools/assets/Controls.h"

#include "tools/assets/Paint.h"

namespace brelvo::assets {

Color SymbolColor(Look look) {
    switch (look) {
    case Look::Pressed:
        return kAccentDark;
    case Look::Disabled:
        return kDisabled;
    case Look::Normal:
        break;
    }
    return kInk;
}

void DrawButton(Surface& s, const Rect& r, Look look, int radius) {
    const Color outline = look == Look::Pressed    ? kAccent
                          : look == Look::Disabled ? kDisabled
                                                   : kEdge;
    RoundBoxKeyed(s, r, radius, outline);
    const Rect inner(r.left + 1, r.top + 1, r.right - 1, r.bottom - 1);
    // The face is a rounded box inside the outline; its corners mix with the outline, never
    // with the key, because the outline is already there.
    Surface face;
    MakeImage(face, inner.right - inner.left + 1, inner.bottom - inner.top + 1, kKey);
    const Rect faceRect(0, 0, face.GetWidth() - 1, face.GetHeight() - 1);
    RoundBoxKeyed(face, faceRect, radius > 1 ? radius - 1 : 0, kWhite);
    switch (look) {
    case Look::Normal:
        VGradientKeyed(face, faceRect, kWhite, kFaceDark);
        break;
    case Look::Pressed:
        VGradientKeyed(face, faceRect, kHighlight, kHighlightPale);
        break;
    case Look::Disabled:
        VGradientKeyed(face, faceRect, kWhite, kFace);
        break;
    }
    Stamp(s, inner.left, inner.top, face);
}

bool MakeButton(Surface& image, int w, int h, Look look, int radius) {
    if (!MakeImage(image, w, h, kKey))
        return false;
    DrawButton(image, Rect(0, 0, w - 1, h - 1), look, radius);
    return true;
}

bool MakeCaptionButton(Surface& image, int w, int h, Look look, const BitmapFont& font,
                       const char16_t* caption) {
    if (!MakeButton(image, w, h, look))
        return false;
    const int y = (h - FontHeight(font)) / 2;
    TextCentered(image, w / 2, y, font, caption);
    return true;
}

void DrawTitleStrip(Surface& s, const Rect& r, const BitmapFont& titleFont, const char16_t* title) {
    Fill(s, r, kAccent);
    HLine(s, r.left, r.right, r.bottom, kAccentDark);
    const int y = r.top + (r.bottom - r.top + 1 - FontHeight(titleFont)) / 2;
    Text(s, r.left + 6, y, titleFont, title);
}

void DrawWell(Surface& s, const Rect& r, Color inside) {
    Fill(s, r, inside);
    Frame(s, r, kEdge);
    HLine(s, r.left + 1, r.right - 1, r.top + 1, kFaceDark);
}

void SolidTriangle(Surface& s, const Rect& r, int direction, Color c) {
    const double l = r.left, t = r.top, rr = r.right + 1.0, b = r.bottom + 1.0;
    const double cx = (l + rr) / 2, cy = (t + b) / 2;
    double xy[6];
    switch (direction) {
    case 0:
        xy[0] = l, xy[1] = b, xy[2] = rr, xy[3] = b, xy[4] = cx, xy[5] = t;
        break;
    case 1:
        xy[0] = l, xy[1] = t, xy[2] = l, xy[3] = b, xy[4] = rr, xy[5] = cy;
        break;
    case 2:
        xy[0] = l, xy[1] = t, xy[2] = rr, xy[3] = t, xy[4] = cx, xy[5] = b;
        break;
    default:
        xy[0] = rr, xy[1] = t, xy[2] = rr, xy[3] = b, xy[4] = l, xy[5] = cy;
        break;
    }
    Polygon(s, xy, 3, c);
}

void ArrowSymbol(Surface& s, const Rect& r, int direction, Color c) {
    const double l = r.left + 0.5, t = r.top + 0.5, rr = r.right + 0.5, b = r.bottom + 0.5;
    const double cx = (l + rr) / 2, cy = (t + b) / 2;
    const double head = ((direction % 2) ? (b - t) : (rr - l)) / 2;
    const double w = 2.0;
    switch (direction) {
    case 0:
        ThickLine(s, cx, t, cx, b, w, c);
        ThickLine(s, cx, t, cx - head, t + head, w, c);
        ThickLine(s, cx, t, cx + head, t + head, w, c);
        break;
    case 1:
        ThickLine(s, l, cy, rr, cy, w, c);
        ThickLine(s, rr, cy, rr - head, cy - head, w, c);
        ThickLine(s, rr, cy, rr - head, cy + head, w, c);
        break;
    case 2:
        ThickLine(s, cx, t, cx, b, w, c);
        ThickLine(s, cx, b, cx - head, b - head, w, c);
        ThickLine(s, cx, b, cx + head, b - head, w, c);
        break;
    default:
        ThickLine(s, l, cy, rr, cy, w, c);
        ThickLine(s, l, cy, l + head, cy - head, w, c);
        ThickLine(s, l, cy, l + head, cy + head, w, c);
        break;
    }
}

} // namespace brelvo::assets
