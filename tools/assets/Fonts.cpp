#include "tools/assets/Artwork.h"
#include "tools/assets/Paint.h"
#include "tools/fontgen/FontGen.h"

#include <iterator>
#include <optional>

namespace brelvo::assets {
namespace {

// One per font, in the order the program loads them.
struct FontRecipe {
    const char* file;
    int size;
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
    // 588 list
    {"DejaVuSansCondensed.ttf", 11, kInk, kWhite,
     "list font: file names, button captions (DejaVu Sans Condensed 11 px)",
     "browser, save screen, dialog"},
    // 582 body
    {"DejaVuSansCondensed.ttf", 11, kInk, kWhite,
     "body font, Latin and Cyrillic: dialog text, the name field (Condensed 11 px)",
     "dialog, save screen"},
    // 583 title
    {"DejaVuSans-Bold.ttf", 11, kWhite, kAccent,
     "title font: white on the blue title strip (DejaVu Sans Bold 11 px)", "dialog"},
    // 590 menu
    {"DejaVuSans.ttf", 12, kBlack, std::nullopt,
     "menu font: 1-bit pure black captions (DejaVu Sans 12 px)", "editor (Trim captions)"},
    // 1161 help body
    {"DejaVuSansCondensed.ttf", 9, kInk, kHelpPage,
     "help body text on the help page grey (Condensed 9 px)", "help"},
    // 1162 help index
    {"DejaVuSans.ttf", 10, kAccentDark, kHelpPage,
     "help index links, dark blue (DejaVu Sans 10 px)", "help"},
    // 1164 help headings
    {"DejaVuSans-Bold.ttf", 13, kInk, kHelpPage, "help headings (DejaVu Sans Bold 13 px)", "help"},
    // 591 busy, dark
    {"DejaVuSans-Bold.ttf", 11, kBlack, std::nullopt,
     "busy indicator over a bright picture: 1-bit black (Bold 11 px)", "editor"},
    // 593 busy, light
    {"DejaVuSans-Bold.ttf", 11, kWhite, std::nullopt,
     "busy indicator over a dark picture: 1-bit white (Bold 11 px)", "editor"},
};

} // namespace

bool AddFonts(const std::string& fontDir, std::vector<ArtworkEntry>& entries, ArtworkFonts& fonts,
              std::string* error) {
    static_assert(std::size(kRecipes) == art::kFontsInLoadOrder.size());
    for (std::size_t i = 0; i < art::kFontsInLoadOrder.size(); ++i) {
        const FontRecipe& recipe = kRecipes[i];
        const art::FontEntry& font = art::kFontsInLoadOrder[i];
        fontgen::FontSpec fontSpec;
        fontSpec.fontFile = fontDir + "/" + recipe.file;
        fontSpec.pixelSize = recipe.size;
        fontSpec.charset = font.charset;
        fontSpec.foreground = recipe.foreground;
        fontSpec.background = recipe.background;
        ArtworkEntry entry;
        entry.id = font.id;
        entry.what = recipe.what;
        entry.screen = recipe.screen;
        if (!fontgen::RenderFontImage(fontSpec, entry.image, error))
            return false;
        if (!fontgen::MakeBitmapFont(entry.image, font.charset, fonts.*kFontMembers[i])) {
            if (error)
                *error = "cannot make a font of " + fontSpec.fontFile;
            return false;
        }
        entries.push_back(std::move(entry));
    }
    return true;
}

} // namespace brelvo::assets
