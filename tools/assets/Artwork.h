#pragma once

#include "archive/ArtworkIds.h"
#include "gfx/BitmapFont.h"
#include "gfx/Surface.h"

#include <string>
#include <vector>

namespace brelvo::assets {

// One image of the archive, with what the documentation says about it.
struct ArtworkEntry {
    art::EntryId id = 0;
    std::string what;   // what it shows
    std::string screen; // which screen uses it
    Surface image;
};

// The fonts the artwork itself is lettered with: the archive's own fonts, so that a label drawn
// into an image looks like the text the program draws beside it.
struct ArtworkFonts {
    BitmapFont list, body, title, menu, helpBody, helpIndex, helpHeading, busyDark, busyLight;
};
// The members in the order the program loads the fonts (art::kFontsInLoadOrder).
inline constexpr BitmapFont ArtworkFonts::*kFontMembers[] = {
    &ArtworkFonts::list,        &ArtworkFonts::body,     &ArtworkFonts::title,
    &ArtworkFonts::menu,        &ArtworkFonts::helpBody, &ArtworkFonts::helpIndex,
    &ArtworkFonts::helpHeading, &ArtworkFonts::busyDark, &ArtworkFonts::busyLight};

// Draws every entry the program loads, in ascending entry order. fontDir holds the DejaVu
// outline fonts. False, with the reason in *error, when a font cannot be rendered or an image
// cannot be made. The same fonts always give the same pixels.
bool BuildArtwork(const std::string& fontDir, std::vector<ArtworkEntry>& entries,
                  std::string* error);

// Appends an entry; false (and nothing appended) for an image that could not be made.
bool AddEntry(std::vector<ArtworkEntry>& entries, art::EntryId id, std::string what,
              std::string screen, Surface image);

// The parts, one per screen; each appends its entries. The fonts are already in entries.
bool AddFonts(const std::string& fontDir, std::vector<ArtworkEntry>& entries, ArtworkFonts& fonts,
              std::string* error);
bool AddEditorArtwork(const ArtworkFonts& fonts, std::vector<ArtworkEntry>& entries);
bool AddScreenArtwork(const ArtworkFonts& fonts, std::vector<ArtworkEntry>& entries);
// The start-up and title pictures and the three gallery pictures.
// The program's icon, size x size pixels, for the desktop's menus and file managers.
Surface ProgramIcon(int size);
bool AddPictures(const std::string& fontDir, std::vector<ArtworkEntry>& entries,
                 std::string* error);

// Serialises entries as the archive file's bytes: each image as eBM, compressed.
bool WriteArchive(const std::vector<ArtworkEntry>& entries, std::vector<std::uint8_t>& bytes);

// One image showing every entry with its number, for review.
bool DrawSheet(const std::vector<ArtworkEntry>& entries, const ArtworkFonts& fonts, Surface& sheet);

// Reads every entry of an archive file back into images, the way the program loads them
// (GetDataById, then LoadImageFromMemory), and makes the lettering fonts of its font entries
// when fonts is given. False, with the reason, when the file or an entry cannot be read.
bool ReadArchive(const std::string& path, std::vector<ArtworkEntry>& entries, ArtworkFonts* fonts,
                 std::string* error);

const ArtworkEntry* FindEntry(const std::vector<ArtworkEntry>& entries, art::EntryId id);

} // namespace brelvo::assets
