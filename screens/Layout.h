#pragma once

#include "base/Point.h"
#include "base/Rect.h"

#include <array>
#include <cstdint>

// The screens' geometry: where they put the archive's images and where they look for taps on
// them. The artwork is drawn to fit these rectangles to the pixel, so the screens and the asset
// builder take them from this one place. Rectangles include all four edges; positions are for the
// 320-row screen (screens move controls anchored to the bottom up by the layout offset).
namespace brelvo::layout {

// One drop-down menu of the editor's menu bar: its header on the bar, where its panel image is
// drawn (the panel's top-left is the menu rectangle's), and its items in screen coordinates.
struct MenuLayout {
    Rect header;
    Rect menu;
    int itemCount;
    std::array<Rect, 7> items;
    std::array<const char16_t*, 7> labels;
};

inline constexpr int kMenuSpeed = 25; // pixels of the menu rectangle revealed per frame

inline constexpr std::array<MenuLayout, 4> kEditorMenus = {{
    {Rect(32, 1, 80, 20),
     Rect(32, 22, 106, 133),
     5,
     {Rect(38, 29, 100, 44), Rect(38, 47, 100, 62), Rect(38, 71, 100, 86), Rect(38, 89, 100, 104),
      Rect(38, 112, 100, 127)},
     {u"New", u"Open", u"Save", u"Save as", u"Exit"}},
    {Rect(82, 1, 116, 20),
     Rect(82, 22, 154, 160),
     7,
     {Rect(88, 29, 148, 44), Rect(88, 47, 148, 62), Rect(88, 64, 148, 79), Rect(88, 88, 148, 103),
      Rect(88, 105, 148, 120), Rect(88, 122, 148, 137), Rect(88, 139, 148, 154)},
     {u"Undo", u"Redo", u"Undo all", u"Cut", u"Copy", u"Paste", u"Crop"}},
    {Rect(115, 1, 155, 20),
     Rect(115, 22, 191, 128),
     5,
     {Rect(121, 29, 185, 44), Rect(121, 46, 185, 61), Rect(121, 64, 185, 79),
      Rect(121, 89, 185, 104), Rect(121, 107, 185, 122)},
     {u"Hook", u"Magnifier", u"Gripper", u"Zoom", u"Trim"}},
    {Rect(154, 1, 188, 20),
     Rect(154, 22, 212, 68),
     2,
     {Rect(161, 29, 206, 44), Rect(161, 47, 206, 62)},
     {u"Help", u"About"}},
}};
inline constexpr std::array<const char16_t*, 4> kEditorMenuTitles = {u"File", u"Edit", u"Tools",
                                                                     u"Help"};

// The editor's frame. The icon in the corner left of the menu bar hides the tool bar and the
// options panel, giving the picture the whole screen, and shows them again.
inline constexpr Rect kPanelToggle(0, 0, 29, 21);
inline constexpr Rect kMenuBar(30, 0, 239, 21);
inline constexpr Rect kCloseButton(216, 1, 239, 20);
inline constexpr Point kToolButtonOrigin(2, 25); // tool i at (2, 25 + 28 i), 27x27
inline constexpr int kToolButtonPitch = 28;
inline constexpr int kToolButtonSize = 27;
inline constexpr Point kUndoArrowAt(2, 247);
inline constexpr Point kRedoArrowAt(2, 270);
inline constexpr Point kUndoAllArrowAt(2, 294);
inline constexpr Point kToolNotAvailableAt(40, 90);
inline constexpr Point kOptionsPanelOrigin(30, 22);
// The picture view: where it stands with the tool bar and the options panel shown, and where its
// edges move when either is hidden. Its height shrinks by the layout offset.
inline constexpr std::int32_t kViewLeft = 30;
inline constexpr std::int32_t kViewTop = 51;
inline constexpr std::int32_t kViewWidth = 200;
inline constexpr std::int32_t kViewHeight = 259;
inline constexpr std::int32_t kViewLeftWithoutToolBar = 0;
inline constexpr std::int32_t kViewWidthWithoutToolBar = 230;
inline constexpr std::int32_t kViewTopWithoutPanel = 24;
inline constexpr std::int32_t kViewHeightWithoutPanel = 286;
inline constexpr int kOptionsPanelWidth = 210;
inline constexpr int kOptionsPanelHeight = 29; // y 22 .. 50

// Options panel controls, relative to the panel origin.
inline constexpr int kSliderY = 21;       // the sliders' centre line
inline constexpr int kSizeTrackLeft = 92; // Size track x 92 .. 145
inline constexpr int kSizeTrackRight = 145;
inline constexpr int kPowerTrackLeft = 152; // Power track x 152 .. 205
inline constexpr int kPowerTrackRight = 205;
inline constexpr Rect kModeBothButton(8, 4, 31, 26);
inline constexpr Rect kModeVerticalButton(34, 4, 57, 26);
inline constexpr Rect kModeHorizontalButton(60, 4, 83, 26);
inline constexpr std::array<Rect, 4> kTrimButtons = {Rect(7, 8, 55, 23), Rect(57, 8, 105, 23),
                                                     Rect(107, 8, 155, 23), Rect(157, 8, 203, 23)};
inline constexpr std::array<const char16_t*, 4> kTrimCaptions = {u"Copy", u"Paste", u"Cut",
                                                                 u"Crop"};
inline constexpr std::array<Point, 4> kTrimCaptionAt = {Point(13, 0), Point(13, 0), Point(15, 0),
                                                        Point(15, 0)};
// Zoom buttons in screen coordinates; a tap counts strictly inside.
inline constexpr Rect kZoomInButton(90, 26, 112, 47);
inline constexpr Rect kZoomOutButton(118, 26, 136, 47);
inline constexpr Rect kZoom100Button(149, 30, 175, 43);
inline constexpr Rect kZoomFitButton(184, 30, 230, 43);

// The picture view's scroll bars.
inline constexpr Rect kViewArrowUpAt(230, 51, 239, 70);
inline constexpr Rect kViewArrowDownAt(230, 288, 239, 309);
inline constexpr Rect kViewArrowLeftAt(30, 310, 51, 319);
inline constexpr Rect kViewArrowRightAt(210, 310, 229, 319);

// Open-picture browser.
inline constexpr Point kFilterTextAt(4, 24);
inline constexpr Rect kFilterHeader(1, 26, 114, 38);
inline constexpr Rect kFilterMenu(1, 41, 108, 111);
inline constexpr std::array<Rect, 5> kFilterItems = {Rect(3, 56, 114, 68), Rect(3, 68, 114, 93),
                                                     Rect(3, 44, 114, 56), Rect(3, 93, 114, 117),
                                                     Rect(3, 117, 114, 128)};
inline constexpr std::array<const char16_t*, 5> kFilterTexts = {u"*.jpg", u"*.png", u"*.bmp",
                                                                u"*.gif", u"all formats"};
inline constexpr Rect kBrowserList(3, 44, 114, 294); // left 3, top 44, 112 x 251
inline constexpr Rect kBrowserThumbnailBox(120, 24, 234, 295);
inline constexpr Rect kOpenButton(3, 302, 39, 317);
inline constexpr Point kOpenPressedAt(1, 300);
inline constexpr Rect kBrowserCancelButton(39, 302, 80, 317);
inline constexpr Point kBrowserCancelPressedAt(41, 300);
inline constexpr Point kBrowserUpArrowAt(105, 43);
inline constexpr Point kBrowserDownArrowAt(105, 274);
inline constexpr int kBrowserTrackX = 110;
inline constexpr int kListRowHeight = 15;

// Save screen.
inline constexpr Rect kSaveList(3, 25, 235, 197); // left 3, top 25, 233 x 173
inline constexpr Point kSaveUpArrowAt(227, 24);
inline constexpr Point kSaveDownArrowAt(227, 175);
inline constexpr Point kNameTextAt(4, 200);
inline constexpr Rect kSaveButton(3, 302, 36, 317);
inline constexpr Point kSavePressedAt(1, 300);
inline constexpr Rect kSaveCancelButton(41, 302, 83, 317);
inline constexpr Point kSaveCancelPressedAt(45, 300);
inline constexpr Point kKeyboardAt(0, 218);
inline constexpr int kKeyboardCaseWidth = 240; // upper case from column 240, 238 columns wide
inline constexpr int kKeyCount = 53;
inline constexpr int kNoKey = 37; // the one index without an area

// Key i's rectangle on the screen; index 37 is empty (right < left).
constexpr Rect KeyRect(int i) {
    if (i <= 10)
        return Rect(20 + 17 * i, 219, 35 + 17 * i, 234);
    if (i == 11)
        return Rect(207, 219, 220, 234);
    if (i == 12)
        return Rect(222, 219, 238, 234);
    if (i <= 24)
        return Rect(26 + 18 * (i - 13), 235, 42 + 18 * (i - 13), 249);
    if (i == 25)
        return Rect(2, 251, 28, 266);
    if (i == 26)
        return Rect(31, 251, 46, 266);
    if (i <= 35)
        return Rect(48 + 18 * (i - 27), 251, 64 + 18 * (i - 27), 266);
    if (i == 36)
        return Rect(210, 251, 238, 266);
    if (i == 37)
        return Rect(0, 267, -1, 282);
    if (i == 38)
        return Rect(35, 267, 50, 282);
    if (i <= 47)
        return Rect(52 + 18 * (i - 39), 267, 68 + 18 * (i - 39), 282);
    if (i == 48)
        return Rect(45, 283, 61, 296);
    if (i == 49)
        return Rect(63, 283, 79, 296);
    if (i == 50)
        return Rect(82, 283, 166, 296);
    if (i == 51)
        return Rect(204, 283, 220, 297);
    return Rect(222, 283, 238, 297);
}

// What key i types in lower and upper case; 0 for the keys that edit rather than type.
inline constexpr char16_t kKeyLower[kKeyCount + 1] =
    u"1234567890-=\0qwertyuiop[]\0asdfghjkl;'\0zxcvbnm,./`\\ \0\0";
inline constexpr char16_t kKeyUpper[kKeyCount + 1] =
    u"!@#$%^&*()_+\0QWERTYUIOP{}\0ASDFGHJKL:\"\0ZXCVBNM<>?~| \0\0";
inline constexpr int kKeyDelete = 12;
inline constexpr int kKeyCaseSwitch = 25;
inline constexpr int kKeySpace = 50;
inline constexpr int kKeyCursorLeft = 51;
inline constexpr int kKeyCursorRight = 52;

// Help screen.
inline constexpr Point kHelpBackAt(2, 300);
inline constexpr Rect kHelpBackHit(4, 301, 44, 317);
inline constexpr Point kHelpClosePressedAt(43, 300);
inline constexpr Rect kHelpCloseHit(46, 299, 89, 316);
inline constexpr Rect kHelpView(2, 24, 226, 295);
inline constexpr int kHelpPageWidth = 234;

// Confirmation dialog, relative to its origin.
inline constexpr Point kDialogOrigin(40, 90);
inline constexpr Point kDialogHandle(161, 21);
inline constexpr Point kDialogTitleAt(7, 4);
inline constexpr int kDialogButtonRowTop = 97;
inline constexpr int kDialogButtonRowBottom = 112;
inline constexpr Rect kDialogYes1(29, 97, 77, 112);
inline constexpr Rect kDialogNo1(80, 97, 128, 112);
inline constexpr Rect kDialogYes(6, 97, 54, 112);
inline constexpr Rect kDialogNo(57, 97, 105, 112);
inline constexpr Rect kDialogCancel(107, 97, 155, 112);
inline constexpr Rect kDialogOk(55, 97, 100, 112);

} // namespace brelvo::layout
