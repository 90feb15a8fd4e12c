#include "tools/assets/Artwork.h"
#include "tools/assets/Paint.h"
#include "tools/fontgen/FontGen.h"

#include <optional>

namespace brelvo::assets {
namespace {

struct FontRecipe {
    art::EntryId id;
    BitmapFont ArtworkFonts::*font;
    const char* file;
    int size;
    std::uint32_t charset;
    Color foreground;
    std::optional<Color> background; // none: 1-bit glyphs for grounds nobody knows
    const char* what;
    const char* screen;
};

// The sizes are set by the longest texts the fixed layouts must hold: "Error save file. The
// save-set " has 146 pixels in the dialog and a help line of 50 characters 219, which is why
// those two are condensed. Menu labels are 1-bit pure black because disabling an item recolours
// exactly the black pixels; the busy fonts are 1-bit because they are drawn over any picture.
const FontRecipe kRecipes[] = {
    {art::kFontList, &ArtworkFonts::list, "DejaVuSansCondensed.ttf", 11, CHARSET_LATIN, kInk,
     kWhite, "list font: file names, button captions (DejaVu Sans Condensed 11 px)",
     "browser, save screen, dialog"},
    {art::kFontBody, &ArtworkFonts::body, "DejaVuSansCondensed.ttf", 11, CHARSET_FULL, kInk, kWhite,
     "body font, Latin and Cyrillic: dialog text, the name field (Condensed 11 px)",
     "dialog, save screen"},
    {art::kFontTitle, &ArtworkFonts::title, "DejaVuSans-Bold.ttf", 11, CHARSET_LATIN, kWhite,
     kAccent, "title font: white on the blue title strip (DejaVu Sans Bold 11 px)", "dialog"},
    {art::kFontMenu, &ArtworkFonts::menu, "DejaVuSans.ttf", 12, CHARSET_LATIN, kBlack, std::nullopt,
     "menu font: 1-bit pure black captions (DejaVu Sans 12 px)", "editor (Trim captions)"},
    {art::kFontHelpBody, &ArtworkFonts::helpBody, "DejaVuSansCondensed.ttf", 9, CHARSET_LATIN, kInk,
     kHelpPage, "help body text on the help page grey (Condensed 9 px)", "help"},
    {art::kFontHelpIndex, &ArtworkFonts::helpIndex, "DejaVuSans.ttf", 10, CHARSET_LATIN,
     kAccentDark, kHelpPage, "help index links, dark blue (DejaVu Sans 10 px)", "help"},
    {art::kFontHelpHeading, &ArtworkFonts::helpHeading, "DejaVuSans-Bold.ttf", 13, CHARSET_LATIN,
     kInk, kHelpPage, "help headings (DejaVu Sans Bold 13 px)", "help"},
    {art::kFontBusyDark, &ArtworkFonts::busyDark, "DejaVuSans-Bold.ttf", 11, CHARSET_LATIN, kBlack,
     std::nullopt, "busy indicator over a bright picture: 1-bit black (Bold 11 px)", "editor"},
    {art::kFontBusyLight, &ArtworkFonts::busyLight, "DejaVuSans-Bold.ttf", 11, CHARSET_LATIN,
     kWhite, std::nullopt, "busy indicator over a dark picture: 1-bit white (Bold 11 px)",
     "editor"},
};

} // namespace

bool AddFonts(const std::string& fontDir, std::vector<ArtworkEntry>& entries, ArtworkFonts& fonts,
              std::string* error) {
    for (const FontRecipe& recipe : kRecipes) {
        fontgen::FontSpec fontSpec;
        fontSpec.fontFile = fontDir + "/" + recipe.file;
        fontSpec.pixelSize = recipe.size;
        fontSpec.charset = recipe.charset;
        fontSpec.foreground = recipe.foreground;
        fontSpec.background = recipe.background;
        ArtworkEntry entry;
        entry.id = recipe.id;
        entry.what = recipe.what;
        entry.screen = recipe.screen;
        if (!fontgen::RenderFontImage(fontSpec, entry.image, error))
            return false;
        if (!fontgen::MakeBitmapFont(entry.image, recipe.charset, fonts.*recipe.font)) {
            if (error)
                *error = "cannot make a font of " + fontSpec.fontFile;
            return false;
        }
        entries.push_back(std::move(entry));
    }
    return true;
}

} // namespace brelvo::assets
