#include "screens/Layout.h"
#include "tools/assets/Artwork.h"
#include "tools/assets/Controls.h"
#include "tools/assets/Paint.h"

namespace brelvo::assets {
namespace {

using namespace art;
using namespace layout;

// The buttons along the bottom edge: 16 rows from y 302, drawn two rows below the place where
// their pressed images are put, so a pressed image covers its normal look exactly.
constexpr int kBottomButtonWidth = 40;
constexpr int kBottomButtonHeight = 16;
constexpr int kPressedImageHeight = 19;

Rect BottomButton(const Point& pressedAt, int d, int width = kBottomButtonWidth) {
    return Rect(pressedAt.x, pressedAt.y + 2 - d, pressedAt.x + width - 1,
                pressedAt.y + 1 + kBottomButtonHeight - d);
}

void DrawBottomButton(Surface& s, const Rect& r, Look look, const BitmapFont& font,
                      const char16_t* caption) {
    DrawButton(s, r, look);
    TextCentered(s, (r.left + r.right + 1) / 2,
                 r.top + (r.bottom - r.top + 1 - FontHeight(font)) / 2, font, caption);
}

Surface PressedBottomButton(const BitmapFont& font, const char16_t* caption,
                            int width = kBottomButtonWidth) {
    Surface s;
    MakeImage(s, width, kPressedImageHeight, kKey);
    DrawBottomButton(s, Rect(0, 2, width - 1, 1 + kBottomButtonHeight), Look::Pressed, font,
                     caption);
    return s;
}

void BottomBar(Surface& s, int d) {
    Fill(s, Rect(0, 297 - d, 239, 319 - d), kFace);
    HLine(s, 0, 239, 297 - d, kEdge);
}

Surface ScreenGround(int rows, const ArtworkFonts& fonts, const char16_t* title) {
    Surface s;
    MakeImage(s, 240, rows, kFace);
    DrawTitleStrip(s, Rect(0, 0, 239, 21), fonts.title, title);
    return s;
}

// A scroll-bar column beside a list: the track is drawn by the screen, this is its bed.
void ScrollBed(Surface& s, int trackX, int top, int bottom) {
    Fill(s, Rect(trackX - 5, top, trackX + 5, bottom), kTrack);
}

Surface BrowserBackground(const ArtworkFonts& fonts, int rows) {
    const int d = 320 - rows;
    Surface s = ScreenGround(rows, fonts, u"Open picture");
    // The filter box: the filter text is drawn at (4, 24), the menu opens below it.
    DrawWell(s, Rect(1, 23, 115, 40), kWhite);
    DrawButton(s, Rect(100, 25, 113, 38), Look::Normal, 2);
    SolidTriangle(s, Rect(103, 30, 110, 33), 2, kInk);
    // The list and the thumbnail box.
    DrawWell(s, Rect(2, 42, 116, kBrowserList.bottom + 1 - d), kWhite);
    ScrollBed(s, kBrowserTrackX, 43, kBrowserList.bottom - d);
    DrawWell(s, Rect(119, 23, 235, kBrowserThumbnailBox.bottom + 1 - d), kWhite);
    BottomBar(s, d);
    DrawBottomButton(s, BottomButton(kOpenPressedAt, d), Look::Normal, fonts.list, u"Open");
    DrawBottomButton(s, BottomButton(kBrowserCancelPressedAt, d), Look::Normal, fonts.list,
                     u"Cancel");
    return s;
}

Surface FilterMenuPanel(const ArtworkFonts& fonts) {
    int right = 0, bottom = 0;
    for (const Rect& item : kFilterItems)
        right = std::max(right, item.right), bottom = std::max(bottom, item.bottom);
    Surface s;
    MakeImage(s, right - kFilterMenu.left + 1, bottom - kFilterMenu.top + 2, kWhite);
    Frame(s, Rect(0, 0, s.GetWidth() - 1, s.GetHeight() - 1), kEdge);
    for (std::size_t i = 0; i < kFilterItems.size(); ++i) {
        const Rect item = kFilterItems[i].TranslatedBack(kFilterMenu.left, kFilterMenu.top);
        Text(s, item.left + 6, item.top + (item.bottom - item.top + 1 - FontHeight(fonts.list)) / 2,
             fonts.list, kFilterTexts[i]);
    }
    return s;
}

Surface FileIcon() {
    Surface s;
    MakeImage(s, 16, 15, kKey);
    const double page[] = {3, 1, 10, 1, 13, 4, 13, 14, 3, 14};
    PolygonKeyed(s, page, 5, kEdge);
    Fill(s, Rect(4, 2, 9, 13), kWhite);
    Fill(s, Rect(10, 5, 12, 13), kWhite);
    Fill(s, Rect(10, 2, 10, 4), kEdge);
    HLine(s, 10, 12, 4, kEdge);
    // A tiny landscape: the file is a picture.
    Fill(s, Rect(5, 7, 11, 12), Rgb(150, 200, 250));
    const double hill[] = {5, 12.9, 8, 9, 10, 11, 12, 9.5, 12, 12.9};
    Polygon(s, hill, 5, Rgb(60, 160, 80));
    Fill(s, Rect(6, 8, 6, 8), Rgb(255, 200, 40));
    return s;
}

Surface FolderIcon(bool parent) {
    Surface s;
    MakeImage(s, 16, 15, kKey);
    const Color body = Rgb(250, 200, 80), edge = Rgb(200, 140, 30);
    RoundBoxKeyed(s, Rect(1, 2, 7, 5), 1, edge);
    RoundBoxKeyed(s, Rect(1, 4, 14, 13), 1, edge);
    Fill(s, Rect(2, 5, 13, 12), body);
    Fill(s, Rect(2, 3, 6, 4), body);
    if (parent) {
        const double arrow[] = {7.5, 5.5, 11.5, 9.5, 9, 9.5, 9, 12.5, 6, 12.5, 6, 9.5, 3.5, 9.5};
        Polygon(s, arrow, 7, kInk);
    }
    return s;
}

Surface ListThumb() {
    Surface s;
    MakeImage(s, 9, 300, kHighlight);
    VLine(s, 0, 0, 299, kHighlightPale);
    VLine(s, 8, 0, 299, kAccent);
    return s;
}

Surface ListArrow(int direction) {
    Surface s;
    MakeImage(s, 10, 20, kFace);
    Frame(s, Rect(0, 0, 9, 19), kEdge);
    SolidTriangle(s, Rect(2, 8, 7, 11), direction, kInk);
    return s;
}

Surface SaveBackground(const ArtworkFonts& fonts, int rows) {
    const int d = 320 - rows;
    Surface s = ScreenGround(rows, fonts, u"Save picture");
    DrawWell(s, Rect(2, 23, 236, kSaveList.bottom + 1), kWhite);
    ScrollBed(s, 232, 24, kSaveList.bottom);
    // The name field, with ".bmp" shown where the typed name ends up.
    DrawWell(s, Rect(1, 199, 238, 216), kWhite);
    BottomBar(s, d);
    DrawBottomButton(s, BottomButton(kSavePressedAt, d), Look::Normal, fonts.list, u"Save");
    DrawBottomButton(s, BottomButton(kSaveCancelPressedAt, d), Look::Normal, fonts.list, u"Cancel");
    Text(s, 100, 302 - d + (16 - FontHeight(fonts.list)) / 2, fonts.list, u"saved as .bmp");
    return s;
}

// One case of the keyboard, drawn into columns from x0 of the keyboard image.
void KeyboardCase(Surface& s, int x0, bool upper, const ArtworkFonts& fonts) {
    for (int i = 0; i < kKeyCount; ++i) {
        if (i == kNoKey)
            continue;
        const Rect key = KeyRect(i).Translated(x0 - kKeyboardAt.x, -kKeyboardAt.y);
        const Rect face(key.left, key.top, key.right, key.bottom - 1);
        DrawButton(s, face, Look::Normal, 2);
        const Color c = kInk;
        const int cx = (face.left + face.right + 1) / 2, cy = (face.top + face.bottom + 1) / 2;
        if (i == kKeyDelete) {
            SolidTriangle(s, Rect(cx - 5, cy - 3, cx - 2, cy + 2), 3, c);
            Fill(s, Rect(cx - 2, cy - 1, cx + 4, cy), c);
        } else if (i == kKeyCaseSwitch) {
            SolidTriangle(s, Rect(cx - 4, cy - 5, cx + 3, cy - 1), upper ? 2 : 0, c);
            Fill(s, Rect(cx - 2, upper ? cy - 7 : cy - 1, cx + 1, upper ? cy - 5 : cy + 3), c);
            if (upper)
                Fill(s, Rect(cx - 4, cy + 2, cx + 3, cy + 3), c);
        } else if (i == kKeyCursorLeft || i == kKeyCursorRight) {
            SolidTriangle(s, Rect(cx - 3, cy - 3, cx + 2, cy + 2), i == kKeyCursorLeft ? 3 : 1, c);
        } else if (i == kKeySpace) {
            HLine(s, cx - 20, cx + 19, cy + 3, kEdge);
            VLine(s, cx - 20, cy + 1, cy + 3, kEdge);
            VLine(s, cx + 19, cy + 1, cy + 3, kEdge);
        } else {
            const char16_t label[2] = {upper ? kKeyUpper[i] : kKeyLower[i], 0};
            TextCentered(s, cx,
                         face.top + (face.bottom - face.top + 1 - FontHeight(fonts.list)) / 2,
                         fonts.list, label);
        }
    }
}

Surface Keyboard(const ArtworkFonts& fonts) {
    Surface s;
    MakeImage(s, kKeyboardCaseWidth + 238, 80, kFaceDark);
    KeyboardCase(s, 0, false, fonts);
    KeyboardCase(s, kKeyboardCaseWidth, true, fonts);
    return s;
}

Surface HelpBackground(const ArtworkFonts& fonts, int rows) {
    const int d = 320 - rows;
    Surface s = ScreenGround(rows, fonts, u"Help");
    Fill(s, Rect(kHelpView.left, kHelpView.top, 236, kHelpView.bottom - d), kHelpPage);
    Frame(s, Rect(kHelpView.left - 1, kHelpView.top - 1, 237, kHelpView.bottom + 1 - d), kEdge);
    BottomBar(s, d);
    DrawBottomButton(s, BottomButton(kHelpClosePressedAt, d), Look::Normal, fonts.list, u"Cancel");
    return s;
}

Surface HelpBackButton(const ArtworkFonts& fonts, Look look) {
    Surface s;
    MakeImage(s, kBottomButtonWidth, kPressedImageHeight, kKey);
    const Rect r(0, 2, kBottomButtonWidth - 1, 1 + kBottomButtonHeight);
    DrawButton(s, r, look);
    const Color c = SymbolColor(look);
    SolidTriangle(s, Rect(5, 7, 8, 12), 3, c);
    Text(s, 11, 2 + (16 - FontHeight(fonts.list)) / 2, fonts.list, u"Back");
    return s;
}

// The dialog window: a title strip the user drags it by, white inside, buttons along y 97-112.
Surface DialogPanel(bool error) {
    Surface s;
    MakeImage(s, 161, 118, kKey);
    RoundBoxKeyed(s, Rect(0, 0, 160, 117), 4, kAccentDark);
    RoundBoxKeyed(s, Rect(1, 1, 159, 116), 3, kWhite);
    Fill(s, Rect(1, 8, 159, 20), kAccent);
    RoundBoxKeyed(s, Rect(1, 1, 159, 12), 3, kAccent);
    HLine(s, 1, 159, 21, kAccentDark);
    if (error)
        Fill(s, Rect(1, 22, 159, 24), Rgb(220, 50, 40));
    Fill(s, Rect(1, 93, 159, 116), kFace);
    RoundBoxKeyed(s, Rect(1, 105, 159, 116), 3, kFace);
    HLine(s, 1, 159, 92, kFaceDark);
    return s;
}

} // namespace

bool AddScreenArtwork(const ArtworkFonts& fonts, std::vector<ArtworkEntry>& entries) {
    bool ok = true;
    const auto add = [&](EntryId id, std::string what, std::string screen, Surface image) {
        ok = AddEntry(entries, id, std::move(what), std::move(screen), std::move(image)) && ok;
    };
    add(kBrowserBackground, "background: title, filter box, list, thumbnail box, Open, Cancel",
        "browser", BrowserBackground(fonts, 320));
    add(kBrowserBackgroundShort, "background for a screen of 240 rows", "browser",
        BrowserBackground(fonts, 240));
    add(kFilterMenuPanel, "filter menu: *.bmp, *.jpg, *.png, *.gif, all formats", "browser",
        FilterMenuPanel(fonts));
    add(kCancelButtonPressed, "Cancel button, pressed", "browser, save screen, help",
        PressedBottomButton(fonts.list, u"Cancel"));
    add(kOpenButtonPressed, "Open button, pressed", "browser",
        PressedBottomButton(fonts.list, u"Open"));
    add(kFileIcon, "picture file icon", "browser, save screen", FileIcon());
    add(kFolderIcon, "folder icon", "browser, save screen", FolderIcon(false));
    add(kParentIcon, "parent folder icon", "browser, save screen", FolderIcon(true));
    add(kListThumb, "list scroll-bar thumb", "browser, save screen, help", ListThumb());
    add(kListUpArrow, "list scroll-bar arrow up", "browser, save screen, help", ListArrow(0));
    add(kListDownArrow, "list scroll-bar arrow down", "browser, save screen, help", ListArrow(2));
    add(kSaveBackground, "background: title, list, name field, Save, Cancel", "save screen",
        SaveBackground(fonts, 320));
    add(kSaveBackgroundShort, "background for a screen of 240 rows", "save screen",
        SaveBackground(fonts, 240));
    add(kKeyboard, "on-screen keyboard: lower case, then upper case", "save screen",
        Keyboard(fonts));
    add(kSaveButtonPressed, "Save button, pressed", "save screen",
        PressedBottomButton(fonts.list, u"Save"));
    add(kHelpBackground, "background: title, page area, Cancel", "help",
        HelpBackground(fonts, 320));
    add(kHelpBackgroundShort, "background for a screen of 240 rows", "help",
        HelpBackground(fonts, 240));
    add(kHelpBackButton, "Back button", "help", HelpBackButton(fonts, Look::Normal));
    add(kHelpBackButtonPressed, "Back button, pressed", "help",
        HelpBackButton(fonts, Look::Pressed));
    add(kDialogPanel, "dialog window: title strip, text area, button row", "dialog",
        DialogPanel(false));
    add(kErrorPanel, "error dialog window", "dialog", DialogPanel(true));
    return ok;
}

} // namespace brelvo::assets
