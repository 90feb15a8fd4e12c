#include "screens/Layout.h"
#include "tools/assets/Artwork.h"
#include "tools/assets/Controls.h"
#include "tools/assets/Paint.h"

#include <cmath>

namespace brelvo::assets {
namespace {

using namespace art;
using namespace layout;

// The small mark in the top-left corner: a square grid bent by a bulge, the program's subject.
void DrawLogoMark(Surface& s, int x0, int y0) {
    RoundBox(s, Rect(x0, y0, x0 + 19, y0 + 19), 4, kAccent);
    BulgedGrid(s, x0 + 10, y0 + 10, 5.5, 2, 0.45, kWhite, 1.4);
}

void CloseSymbol(Surface& s, const Rect& r, Color c) {
    const double cx = (r.left + r.right + 1) / 2.0, cy = (r.top + r.bottom + 1) / 2.0;
    ThickLine(s, cx - 4, cy - 4, cx + 4, cy + 4, 2.0, c);
    ThickLine(s, cx - 4, cy + 4, cx + 4, cy - 4, 2.0, c);
}

// Backgrounds of the editor: rows is 320 or 240; tracks says whether the scroll-bar tracks show.
Surface EditorBackground(const ArtworkFonts& fonts, int rows, bool tracks) {
    Surface s;
    MakeImage(s, 240, rows, kFace);
    const int d = 320 - rows;
    // Menu bar and corner mark.
    VGradient(s, Rect(0, 0, 239, 21), kWhite, kFace);
    HLine(s, 0, 239, 21, kEdge);
    DrawLogoMark(s, 5, 1);
    for (std::size_t i = 0; i < kEditorMenus.size(); ++i) {
        const Rect& h = kEditorMenus[i].header;
        const int cx = (h.left + h.right + 1) / 2;
        TextCentered(s, cx, h.top + (h.bottom - h.top + 1 - FontHeight(fonts.menu)) / 2 + 1,
                     fonts.menu, kEditorMenuTitles[i]);
    }
    DrawButton(s, kCloseButton, Look::Normal);
    CloseSymbol(s, kCloseButton, kInk);
    // Tool column: a slightly darker strip with a line between the tools and the history arrows.
    Fill(s, Rect(0, 22, 29, rows - 1), kFace);
    VLine(s, 29, 22, rows - 1, kEdge);
    HLine(s, 4, 25, 243 - d, kEdge);
    // Options strip.
    HLine(s, 30, 239, 50, kEdge);
    // The view's ground.
    Fill(s, Rect(30, 51, 239, rows - 1), kViewGround);
    if (tracks) {
        Fill(s, Rect(230, 51, 239, 309 - d), kTrack);
        Fill(s, Rect(30, 310 - d, 229, 319 - d), kTrack);
        Fill(s, Rect(230, 310 - d, 239, 319 - d), kFace);
        VLine(s, 230, 51, 309 - d, kEdge);
        HLine(s, 30, 229, 310 - d, kEdge);
    }
    return s;
}

Surface MenuHeader(const ArtworkFonts& fonts, const MenuLayout& menu, const char16_t* title) {
    const Rect& h = menu.header;
    Surface s;
    MakeImage(s, h.right - h.left + 1, h.bottom - h.top + 1, kKey);
    const Rect r(0, 0, s.GetWidth() - 1, s.GetHeight() - 1);
    RoundBoxKeyed(s, r, 3, kAccent);
    RoundBoxKeyed(s, Rect(1, 1, r.right - 1, r.bottom), 2, kHighlight);
    TextCentered(s, s.GetWidth() / 2, (s.GetHeight() - FontHeight(fonts.menu)) / 2 + 1, fonts.menu,
                 title);
    return s;
}

// A drop-down panel: items in black on a flat face, gaps between groups marked by a line.
Surface MenuPanel(const ArtworkFonts& fonts, const MenuLayout& menu) {
    const Rect& m = menu.menu;
    Surface s;
    MakeImage(s, m.right - m.left + 1, m.bottom - m.top + 1, kMenuFace);
    Frame(s, Rect(0, 0, s.GetWidth() - 1, s.GetHeight() - 1), kEdge);
    for (int i = 0; i < menu.itemCount; ++i) {
        const Rect item = menu.items[i].TranslatedBack(m.left, m.top);
        const int y = item.top + (item.bottom - item.top + 1 - FontHeight(fonts.menu)) / 2;
        Text(s, item.left + 4, y, fonts.menu, menu.labels[i]);
        if (i + 1 < menu.itemCount) {
            const Rect next = menu.items[i + 1].TranslatedBack(m.left, m.top);
            if (next.top - item.bottom > 4)
                HLine(s, 4, s.GetWidth() - 5, (item.bottom + next.top) / 2, kDisabled);
        }
    }
    return s;
}

// Tool symbols in a 27x27 button.
void HookSymbol(Surface& s, Color c) {
    // A stroke dragged from a grab point, bending as it goes.
    Disc(s, 7.5, 19.5, 3.0, c);
    double px = 7.5, py = 19.5;
    for (int k = 1; k <= 10; ++k) {
        const double t = k / 10.0;
        const double x = 7.5 + 12.0 * t, y = 19.5 - 12.0 * t + 5.0 * std::sin(t * 3.14159);
        ThickLine(s, px, py, x, y, 1.8, c);
        px = x, py = y;
    }
    ThickLine(s, 19.5, 7.5, 14.5, 8.0, 1.8, c);
    ThickLine(s, 19.5, 7.5, 19.5, 12.5, 1.8, c);
}

void MagnifierSymbol(Surface& s, Color c) {
    Disc(s, 13.5, 13.5, 5.0, c, 3.4);
    const double k = 0.7071;
    for (int i = 0; i < 4; ++i) {
        const double dx = (i % 2 ? 1 : -1) * k, dy = (i / 2 ? 1 : -1) * k;
        const double x0 = 13.5 + dx * 7, y0 = 13.5 + dy * 7, x1 = 13.5 + dx * 11,
                     y1 = 13.5 + dy * 11;
        ThickLine(s, x0, y0, x1, y1, 1.6, c);
        ThickLine(s, x1, y1, x1 - dx * 3, y1, 1.6, c);
        ThickLine(s, x1, y1, x1, y1 - dy * 3, 1.6, c);
    }
}

void GripperSymbol(Surface& s, Color c) {
    Disc(s, 13.5, 13.5, 2.2, c);
    const double k = 0.7071;
    for (int i = 0; i < 4; ++i) {
        const double dx = (i % 2 ? 1 : -1) * k, dy = (i / 2 ? 1 : -1) * k;
        const double x0 = 13.5 + dx * 11, y0 = 13.5 + dy * 11, x1 = 13.5 + dx * 5,
                     y1 = 13.5 + dy * 5;
        ThickLine(s, x0, y0, x1, y1, 1.6, c);
        ThickLine(s, x1, y1, x1 + dx * 3, y1, 1.6, c);
        ThickLine(s, x1, y1, x1, y1 + dy * 3, 1.6, c);
    }
}

void ZoomSymbol(Surface& s, Color c) {
    Disc(s, 11.5, 11.5, 6.5, c, 4.9);
    ThickLine(s, 16.0, 16.0, 21.5, 21.5, 3.0, c);
    ThickLine(s, 8.5, 11.5, 14.5, 11.5, 1.5, c);
    ThickLine(s, 11.5, 8.5, 11.5, 14.5, 1.5, c);
}

void TrimSymbol(Surface& s, Color c) {
    for (int x = 5; x <= 21; x += 4) {
        HLine(s, x, x + 1, 7, c);
        HLine(s, x, x + 1, 19, c);
    }
    for (int y = 7; y <= 19; y += 4) {
        VLine(s, 5, y, y + 1, c);
        VLine(s, 21, y, y + 1, c);
    }
    for (const auto& corner :
         {Rect(4, 6, 6, 8), Rect(20, 6, 22, 8), Rect(4, 18, 6, 20), Rect(20, 18, 22, 20)})
        Fill(s, corner, c);
}

Surface ToolButton(void (*symbol)(Surface&, Color), Look look) {
    Surface s;
    MakeButton(s, kToolButtonSize, kToolButtonSize, look, 4);
    symbol(s, SymbolColor(look));
    return s;
}

// The history arrows: 27 wide and 23 high, so that Undo and Redo, whose places overlap by
// three rows, do not cover each other.
Surface HistoryArrow(int kind, Look look) {
    Surface s;
    MakeButton(s, 27, 23, look, 4);
    const Color c = SymbolColor(look);
    if (kind == 2) {
        Fill(s, Rect(5, 6, 6, 16), c);
        SolidTriangle(s, Rect(7, 6, 14, 16), 3, c);
        SolidTriangle(s, Rect(14, 6, 21, 16), 3, c);
    } else {
        ArrowSymbol(s, Rect(6, 6, 20, 16), kind == 0 ? 3 : 1, c);
    }
    return s;
}

Surface ModeButton(int mode, Look look) {
    Surface s;
    MakeButton(s, 24, 23, look, 4);
    const Color c = SymbolColor(look);
    if (mode != 2) // up and down
        ArrowSymbol(s, Rect(8, 4, 15, 18), 0, c), ArrowSymbol(s, Rect(8, 4, 15, 18), 2, c);
    if (mode != 1) // left and right
        ArrowSymbol(s, Rect(4, 8, 19, 14), 1, c), ArrowSymbol(s, Rect(4, 8, 19, 14), 3, c);
    return s;
}

void SliderTrack(Surface& s, int left, int right, int y) {
    RoundBox(s, Rect(left, y - 2, right, y + 2), 2, kTrack);
    HLine(s, left + 2, right - 2, y - 1, kEdge);
}

// The options panel of a tool: name on the left, the sliders Size and Power on the right.
Surface OptionsPanel(const ArtworkFonts& fonts, const char16_t* name, bool sliders) {
    Surface s;
    MakeImage(s, kOptionsPanelWidth, kOptionsPanelHeight - 1, kFace);
    if (name)
        Text(s, 6, (s.GetHeight() - FontHeight(fonts.list)) / 2, fonts.list, name);
    if (sliders) {
        Text(s, kSizeTrackLeft, 0, fonts.list, u"Size");
        Text(s, kPowerTrackLeft, 0, fonts.list, u"Power");
        SliderTrack(s, kSizeTrackLeft, kSizeTrackRight, kSliderY);
        SliderTrack(s, kPowerTrackLeft, kPowerTrackRight, kSliderY);
    }
    return s;
}

// The zoom buttons lie inside their strict hit rectangles, in panel coordinates.
Rect ZoomButtonRect(const Rect& strict) {
    return Rect(strict.left + 1, strict.top + 1, strict.right - 1, strict.bottom - 1)
        .TranslatedBack(kOptionsPanelOrigin.x, kOptionsPanelOrigin.y);
}

void ZoomButtonFace(Surface& s, const Rect& r, int which, Look look, const ArtworkFonts& fonts) {
    DrawButton(s, r, look);
    const Color c = SymbolColor(look);
    const double cx = (r.left + r.right + 1) / 2.0, cy = (r.top + r.bottom + 1) / 2.0;
    switch (which) {
    case 0:
        ThickLine(s, cx - 5, cy, cx + 5, cy, 2.0, c);
        ThickLine(s, cx, cy - 5, cx, cy + 5, 2.0, c);
        break;
    case 1:
        ThickLine(s, cx - 5, cy, cx + 5, cy, 2.0, c);
        break;
    default:
        TextCentered(s, static_cast<int>(cx),
                     r.top + (r.bottom - r.top + 1 - FontHeight(fonts.helpBody)) / 2,
                     fonts.helpBody, which == 2 ? u"100%" : u"to screen");
        break;
    }
}

Surface ZoomPanel(const ArtworkFonts& fonts) {
    Surface s = OptionsPanel(fonts, u"Zoom", false);
    const Rect rects[] = {kZoomInButton, kZoomOutButton, kZoom100Button, kZoomFitButton};
    for (int i = 0; i < 4; ++i)
        ZoomButtonFace(s, ZoomButtonRect(rects[i]), i, Look::Normal, fonts);
    return s;
}

Surface ZoomPressed(const ArtworkFonts& fonts, int which) {
    const Rect rects[] = {kZoomInButton, kZoomOutButton, kZoom100Button, kZoomFitButton};
    const Rect r = ZoomButtonRect(rects[which]);
    Surface s;
    MakeImage(s, r.right - r.left + 1, r.bottom - r.top + 1, kKey);
    ZoomButtonFace(s, Rect(0, 0, s.GetWidth() - 1, s.GetHeight() - 1), which, Look::Pressed, fonts);
    return s;
}

Surface SliderThumb(Look look) {
    Surface s;
    MakeButton(s, 9, 15, look, 3);
    const Color c = look == Look::Pressed ? kAccentDark : kEdge;
    for (int y = 5; y <= 9; y += 2)
        HLine(s, 3, 5, y, c);
    return s;
}

// A scroll-bar thumb: long enough for any track, cut to length by the scroll bar.
Surface ViewThumb(bool vertical) {
    const int across = 8, along = 320;
    Surface s;
    MakeImage(s, vertical ? across : along, vertical ? along : across, kHighlight);
    if (vertical) {
        VLine(s, 0, 0, along - 1, kHighlightPale);
        VLine(s, across - 1, 0, along - 1, kAccent);
    } else {
        HLine(s, 0, along - 1, 0, kHighlightPale);
        HLine(s, 0, along - 1, across - 1, kAccent);
    }
    return s;
}

Surface ViewArrow(const Rect& place, int direction) {
    Surface s;
    MakeImage(s, place.right - place.left + 1, place.bottom - place.top + 1, kFace);
    Frame(s, Rect(0, 0, s.GetWidth() - 1, s.GetHeight() - 1), kEdge);
    const int w = s.GetWidth(), h = s.GetHeight();
    const int cx = w / 2, cy = h / 2;
    const Rect tri = direction % 2 == 0 ? Rect(cx - 3, cy - 2, cx + 2, cy + 1)
                                        : Rect(cx - 2, cy - 3, cx + 1, cy + 2);
    SolidTriangle(s, tri, direction, kInk);
    return s;
}

Surface NotAvailableMessage(const ArtworkFonts& fonts) {
    Surface s;
    MakeImage(s, 160, 66, kKey);
    RoundBoxKeyed(s, Rect(0, 0, 159, 65), 4, kEdge);
    RoundBoxKeyed(s, Rect(1, 1, 158, 64), 3, kWhite);
    Fill(s, Rect(1, 1, 158, 19), kAccent);
    RoundBoxKeyed(s, Rect(1, 1, 158, 8), 3, kAccent);
    Text(s, 7, (21 - FontHeight(fonts.title)) / 2, fonts.title, u"Brelvo");
    TextCentered(s, 80, 25, fonts.body, u"This tool is not available.");
    TextCentered(s, 80, 45, fonts.body, u"Tap to continue.");
    return s;
}

} // namespace

bool AddEditorArtwork(const ArtworkFonts& fonts, std::vector<ArtworkEntry>& entries) {
    bool ok = true;
    const auto add = [&](EntryId id, std::string what, Surface image) {
        ok = AddEntry(entries, id, std::move(what), "editor", std::move(image)) && ok;
    };
    add(kEditorBackground, "background with the scroll-bar tracks",
        EditorBackground(fonts, 320, true));
    add(kEditorBackgroundShort, "background with tracks for a screen of 240 rows",
        EditorBackground(fonts, 240, true));
    add(kEditorBackgroundPlain, "background without scroll-bar tracks",
        EditorBackground(fonts, 320, false));

    const EntryId headers[] = {kMenuFileHeader, kMenuEditHeader, kMenuToolsHeader, kMenuHelpHeader};
    const EntryId panels[] = {kMenuFilePanel, kMenuEditPanel, kMenuToolsPanel, kMenuHelpPanel};
    for (std::size_t i = 0; i < kEditorMenus.size(); ++i) {
        std::string title = i == 0 ? "File" : i == 1 ? "Edit" : i == 2 ? "Tools" : "Help";
        add(headers[i], title + " menu header, open",
            MenuHeader(fonts, kEditorMenus[i], kEditorMenuTitles[i]));
        add(panels[i], title + " menu drop-down", MenuPanel(fonts, kEditorMenus[i]));
    }
    {
        Surface close;
        MakeButton(close, kCloseButton.right - kCloseButton.left + 1,
                   kCloseButton.bottom - kCloseButton.top + 1, Look::Pressed);
        CloseSymbol(close, Rect(0, 0, close.GetWidth() - 1, close.GetHeight() - 1), kAccentDark);
        add(kCloseButtonPressed, "close button, pressed", std::move(close));
    }
    struct Tool {
        EntryId normal, pressed;
        const char* name;
        void (*symbol)(Surface&, Color);
    };
    const Tool tools[] = {{kHookButton, kHookButtonPressed, "Hook", HookSymbol},
                          {kMagnifierButton, kMagnifierButtonPressed, "Magnifier", MagnifierSymbol},
                          {kGripperButton, kGripperButtonPressed, "Gripper", GripperSymbol},
                          {kZoomButton, kZoomButtonPressed, "Zoom", ZoomSymbol},
                          {kTrimButton, kTrimButtonPressed, "Trim", TrimSymbol}};
    for (const Tool& tool : tools) {
        add(tool.normal, std::string(tool.name) + " tool button",
            ToolButton(tool.symbol, Look::Normal));
        add(tool.pressed, std::string(tool.name) + " tool button, pressed",
            ToolButton(tool.symbol, Look::Pressed));
    }
    add(kUndoArrow, "Undo arrow", HistoryArrow(0, Look::Normal));
    add(kRedoArrow, "Redo arrow", HistoryArrow(1, Look::Normal));
    add(kUndoAllArrow, "Undo all double arrow", HistoryArrow(2, Look::Normal));
    add(kUndoArrowDisabled, "Undo arrow, unavailable", HistoryArrow(0, Look::Disabled));
    add(kRedoArrowDisabled, "Redo arrow, unavailable", HistoryArrow(1, Look::Disabled));
    add(kUndoAllArrowDisabled, "Undo all arrow, unavailable", HistoryArrow(2, Look::Disabled));
    add(kToolNotAvailable, "\"tool not available\" message", NotAvailableMessage(fonts));
    {
        Surface normal, pressed;
        MakeButton(normal, 49, 16, Look::Normal);
        MakeButton(pressed, 49, 16, Look::Pressed);
        ok = AddEntry(entries, kCaptionButton, "caption button (caption drawn by the screen)",
                      "editor Trim panel, dialog", std::move(normal)) &&
             ok;
        ok = AddEntry(entries, kCaptionButtonPressed, "caption button, pressed",
                      "editor Trim panel, dialog", std::move(pressed)) &&
             ok;
    }
    add(kHookPanel, "Hook options: Size and Power sliders", OptionsPanel(fonts, u"Hook", true));
    add(kMagnifierPanel, "Magnifier options: direction modes, sliders",
        OptionsPanel(fonts, nullptr, true));
    add(kGripperPanel, "Gripper options: direction modes, sliders",
        OptionsPanel(fonts, nullptr, true));
    add(kZoomPanel, "Zoom options: in, out, 100%, to screen", ZoomPanel(fonts));
    add(kTrimPanel, "Trim options (caption buttons drawn on it)",
        OptionsPanel(fonts, nullptr, false));
    add(kSliderThumb, "slider thumb", SliderThumb(Look::Normal));
    add(kSliderThumbPressed, "slider thumb, dragged", SliderThumb(Look::Pressed));
    const EntryId modes[] = {kModeBoth,       kModeBothPressed,
                             kModeVertical,   kModeVerticalPressed,
                             kModeHorizontal, kModeHorizontalPressed};
    const char* modeNames[] = {"both axes", "up-down only", "left-right only"};
    for (int m = 0; m < 3; ++m) {
        add(modes[2 * m], std::string("direction mode ") + modeNames[m],
            ModeButton(m, Look::Normal));
        add(modes[2 * m + 1], std::string("direction mode ") + modeNames[m] + ", pressed",
            ModeButton(m, Look::Pressed));
    }
    const EntryId zoomPressed[] = {kZoomInPressed, kZoomOutPressed, kZoom100Pressed,
                                   kZoomFitPressed};
    const char* zoomNames[] = {"zoom in", "zoom out", "100%", "to screen"};
    for (int i = 0; i < 4; ++i)
        add(zoomPressed[i], std::string(zoomNames[i]) + " button, pressed", ZoomPressed(fonts, i));
    add(kViewThumbVertical, "picture view scroll thumb, vertical", ViewThumb(true));
    add(kViewThumbHorizontal, "picture view scroll thumb, horizontal", ViewThumb(false));
    add(kViewArrowUp, "picture view arrow up", ViewArrow(kViewArrowUpAt, 0));
    add(kViewArrowDown, "picture view arrow down", ViewArrow(kViewArrowDownAt, 2));
    add(kViewArrowLeft, "picture view arrow left", ViewArrow(kViewArrowLeftAt, 3));
    add(kViewArrowRight, "picture view arrow right", ViewArrow(kViewArrowRightAt, 1));
    return ok;
}

} // namespace brelvo::assets
