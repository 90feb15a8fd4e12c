#pragma once

#include "gfx/BitmapFont.h"

#include <array>
#include <cstdint>

// The entry numbers of "Brelvo.erc". The program, the asset builder and the tests all take them
// from here, so an entry can never be drawn under one number and looked for under another.
// Numbers from 2000 up are the artwork whose numbers were ours to choose; all the others are
// fixed by the screens that load them.
namespace brelvo::art {

using EntryId = std::uint32_t;

// Fonts, in the order the controller loads them. Each is a marker-row font image.
inline constexpr EntryId kFontList = 588;         // file lists and button captions
inline constexpr EntryId kFontBody = 582;         // dialog text and the name field; full set
inline constexpr EntryId kFontTitle = 583;        // white titles on the blue title strips
inline constexpr EntryId kFontMenu = 590;         // 1-bit black labels: menus, tool captions
inline constexpr EntryId kFontHelpBody = 1161;    // help pages: running text
inline constexpr EntryId kFontHelpIndex = 1162;   // help index: the links
inline constexpr EntryId kFontHelpHeading = 1164; // help pages: the heading
inline constexpr EntryId kFontBusyDark = 591;     // busy indicator over a bright picture
inline constexpr EntryId kFontBusyLight = 593;    // busy indicator over a dark picture

// The order the controller loads them in, and the character set each is built with.
struct FontEntry {
    EntryId id;
    std::uint32_t charset;
};
inline constexpr std::array<FontEntry, 9> kFontsInLoadOrder = {{
    {kFontList, CHARSET_LATIN},
    {kFontBody, CHARSET_FULL},
    {kFontTitle, CHARSET_LATIN},
    {kFontMenu, CHARSET_LATIN},
    {kFontHelpBody, CHARSET_LATIN},
    {kFontHelpIndex, CHARSET_LATIN},
    {kFontHelpHeading, CHARSET_LATIN},
    {kFontBusyDark, CHARSET_LATIN},
    {kFontBusyLight, CHARSET_LATIN},
}};

// Start-up and title pictures: 240x320 for the portrait screen, 240x240 for a screen of 240 rows.
inline constexpr EntryId kStartupPicture = 148;
inline constexpr EntryId kTitlePicture = 146;
inline constexpr EntryId kStartupPictureShort = 150;
inline constexpr EntryId kTitlePictureShort = 1310;

// Editor screen.
inline constexpr EntryId kEditorBackground = 445;      // with the scroll-bar tracks
inline constexpr EntryId kEditorBackgroundShort = 480; // the same for a screen of 240 rows
inline constexpr EntryId kEditorBackgroundPlain = 442; // without scroll-bar tracks
inline constexpr EntryId kMenuFileHeader = 3;
inline constexpr EntryId kMenuFilePanel = 8;
inline constexpr EntryId kMenuEditHeader = 1;
inline constexpr EntryId kMenuEditPanel = 5;
inline constexpr EntryId kMenuToolsHeader = 4;
inline constexpr EntryId kMenuToolsPanel = 11;
inline constexpr EntryId kMenuHelpHeader = 2;
inline constexpr EntryId kMenuHelpPanel = 7;
inline constexpr EntryId kCloseButtonPressed =
    6; // the menu bar's button, shown during its feedback
inline constexpr EntryId kHookButton = 294;
inline constexpr EntryId kHookButtonPressed = 293;
inline constexpr EntryId kMagnifierButton = 296;
inline constexpr EntryId kMagnifierButtonPressed = 295;
inline constexpr EntryId kGripperButton = 292;
inline constexpr EntryId kGripperButtonPressed = 291;
inline constexpr EntryId kZoomButton = 449;
inline constexpr EntryId kZoomButtonPressed = 448;
inline constexpr EntryId kTrimButton = 447;
inline constexpr EntryId kTrimButtonPressed = 446;
inline constexpr EntryId kUndoArrow = 9;
inline constexpr EntryId kRedoArrow = 450;
inline constexpr EntryId kUndoAllArrow = 477;
inline constexpr EntryId kToolNotAvailable = 587;
inline constexpr EntryId kCaptionButton = 301;        // normal look; the caption is drawn on it
inline constexpr EntryId kCaptionButtonPressed = 302; // pressed look
inline constexpr EntryId kGalleryPicture1 = 581;
inline constexpr EntryId kGalleryPicture2 = 584;
inline constexpr EntryId kGalleryPicture3 = 585;

// Confirmation dialog.
inline constexpr EntryId kDialogPanel = 589;
inline constexpr EntryId kErrorPanel = 592;

// Open-picture browser (and the icons and buttons the save and help screens share with it).
inline constexpr EntryId kBrowserBackground = 1016;
inline constexpr EntryId kBrowserBackgroundShort = 1308;
inline constexpr EntryId kFilterMenuPanel = 1017;
inline constexpr EntryId kCancelButtonPressed = 1018;
inline constexpr EntryId kOpenButtonPressed = 1019;
inline constexpr EntryId kFileIcon = 1020;
inline constexpr EntryId kFolderIcon = 1021;
inline constexpr EntryId kParentIcon = 1022;
inline constexpr EntryId kListThumb = 437;
inline constexpr EntryId kListUpArrow = 438;
inline constexpr EntryId kListDownArrow = 436;

// Save screen.
inline constexpr EntryId kSaveBackground = 871;
inline constexpr EntryId kSaveBackgroundShort = 1309;
inline constexpr EntryId kKeyboard = 872;
inline constexpr EntryId kSaveButtonPressed = 874;

// Help screen.
inline constexpr EntryId kHelpBackground = 1163;
inline constexpr EntryId kHelpBackgroundShort = 1306;
inline constexpr EntryId kHelpBackButton = 1165;
inline constexpr EntryId kHelpBackButtonPressed = 1166;

// The editor's artwork whose numbers were ours to choose.
inline constexpr EntryId kHookPanel = 2001; // options panels, drawn at the panel origin
inline constexpr EntryId kMagnifierPanel = 2002;
inline constexpr EntryId kGripperPanel = 2003;
inline constexpr EntryId kZoomPanel = 2004;
inline constexpr EntryId kTrimPanel = 2005;
inline constexpr EntryId kSliderThumb = 2010;
inline constexpr EntryId kSliderThumbPressed = 2011;
inline constexpr EntryId kModeBoth = 2020; // direction modes: normal, then pressed
inline constexpr EntryId kModeBothPressed = 2021;
inline constexpr EntryId kModeVertical = 2022;
inline constexpr EntryId kModeVerticalPressed = 2023;
inline constexpr EntryId kModeHorizontal = 2024;
inline constexpr EntryId kModeHorizontalPressed = 2025;
inline constexpr EntryId kZoomInPressed = 2030; // the zoom panel shows the normal looks
inline constexpr EntryId kZoomOutPressed = 2031;
inline constexpr EntryId kZoom100Pressed = 2032;
inline constexpr EntryId kZoomFitPressed = 2033;
inline constexpr EntryId kViewThumbVertical = 2040;
inline constexpr EntryId kViewThumbHorizontal = 2041;
inline constexpr EntryId kViewArrowUp = 2042;
inline constexpr EntryId kViewArrowDown = 2043;
inline constexpr EntryId kViewArrowLeft = 2044;
inline constexpr EntryId kViewArrowRight = 2045;
inline constexpr EntryId kUndoArrowDisabled = 2050;
inline constexpr EntryId kRedoArrowDisabled = 2051;
inline constexpr EntryId kUndoAllArrowDisabled = 2052;

// Every entry the program loads, in ascending order.
inline constexpr std::array<EntryId, 91> kAllEntries = {
    1,    2,    3,    4,    5,    6,    7,    8,    9,    11,   146,  148,  150,  291,  292,  293,
    294,  295,  296,  301,  302,  436,  437,  438,  442,  445,  446,  447,  448,  449,  450,  477,
    480,  581,  582,  583,  584,  585,  587,  588,  589,  590,  591,  592,  593,  871,  872,  874,
    1016, 1017, 1018, 1019, 1020, 1021, 1022, 1161, 1162, 1163, 1164, 1165, 1166, 1306, 1308, 1309,
    1310, 2001, 2002, 2003, 2004, 2005, 2010, 2011, 2020, 2021, 2022, 2023, 2024, 2025, 2030, 2031,
    2032, 2033, 2040, 2041, 2042, 2043, 2044, 2045, 2050, 2051, 2052};

} // namespace brelvo::art
