#include "tools/assets/Artwork.h"
#include "tools/assets/Gallery.h"
#include "tools/assets/Paint.h"
#include "tools/fontgen/FontGen.h"

#include <algorithm>
#include <cmath>

namespace brelvo::assets {
namespace {

using namespace art;

// Large lettering over a gradient cannot be anti-aliased against one known background, so it is
// rendered white on black and the grey levels are used as coverage over whatever lies beneath.
struct CoverageFont {
    BitmapFont font;
    bool Make(const std::string& file, int size, std::string* error) {
        fontgen::FontSpec fontSpec;
        fontSpec.fontFile = file;
        fontSpec.pixelSize = size;
        fontSpec.charset = CHARSET_LATIN;
        fontSpec.foreground = kWhite;
        fontSpec.background = kBlack;
        Surface image;
        return fontgen::RenderFontImage(fontSpec, image, error) &&
               fontgen::MakeBitmapFont(image, CHARSET_LATIN, font);
    }
};

void CoverText(Surface& s, int cx, int y, const CoverageFont& font, const char16_t* text, Color c) {
    const int w = TextWidth(font.font, text), h = FontHeight(font.font);
    Surface scratch;
    MakeImage(scratch, w + 1, h + 1, kBlack);
    Text(scratch, 0, 0, font.font, text);
    const int x0 = cx - w / 2;
    for (int yy = 0; yy < h; ++yy) {
        for (int xx = 0; xx < w; ++xx) {
            const Color g = PixelToColor(scratch.GetPixelRaw(xx, yy));
            const int coverage = static_cast<int>((g >> 8) & 0xFF) * 256 / 252;
            if (coverage > 0)
                Plot(s, x0 + xx, y + yy, c, std::min(256, coverage));
        }
    }
}

struct PictureFonts {
    CoverageFont big, medium, small;
};

Surface Splash(const PictureFonts& fonts, int rows, bool about) {
    Surface s;
    MakeImage(s, 240, rows, kWhite);
    VGradient(s, Rect(0, 0, 239, rows - 1), Rgb(18, 60, 190), Rgb(120, 180, 255));
    const bool tall = rows == 320;
    const double gridY = tall ? 100 : 64;
    const double half = tall ? 50 : 33;
    Disc(s, 120, gridY, half * 1.55, Rgb(255, 255, 255), half * 1.55 - 2.0);
    BulgedGrid(s, 120, gridY, half, 8, 0.38, kWhite, tall ? 1.6 : 1.3);
    int y = static_cast<int>(gridY + half * 1.55) + (tall ? 10 : 4);
    CoverText(s, 120, y, fonts.big, u"Brelvo", kWhite);
    y += FontHeight(fonts.big.font);
    CoverText(s, 120, y, fonts.medium, u"bend, bulge and pinch your pictures", kWhite);
    if (about) {
        y += FontHeight(fonts.medium.font) + (tall ? 12 : 4);
        CoverText(s, 120, y, fonts.small, u"Version 1.0", kWhite);
        if (tall) {
            y += FontHeight(fonts.small.font) + 2;
            CoverText(s, 120, y, fonts.small, u"Hook, Magnifier, Gripper, Zoom, Trim", kWhite);
        }
        CoverText(s, 120, rows - FontHeight(fonts.small.font) - 6, fonts.small,
                  u"Tap or press a key to go on", Rgb(225, 236, 255));
    }
    return s;
}

} // namespace

Surface ProgramIcon(int size) {
    // The start-up picture's mark on its blue, filling the square: a ring round a bulged grid.
    Surface s;
    MakeImage(s, size, size, kWhite);
    VGradient(s, Rect(0, 0, size - 1, size - 1), Rgb(18, 60, 190), Rgb(120, 180, 255));
    const double centre = size / 2.0;
    const double ring = size * 0.46;
    const double line = std::max(1.0, size / 48.0);
    Disc(s, centre, centre, ring, kWhite, ring - line);
    BulgedGrid(s, centre, centre, ring / 1.55, size < 32 ? 4 : 8, 0.38, kWhite, line);
    return s;
}

bool AddPictures(const std::string& fontDir, std::vector<ArtworkEntry>& entries,
                 std::string* error) {
    PictureFonts fonts;
    if (!fonts.big.Make(fontDir + "/DejaVuSans-Bold.ttf", 40, error) ||
        !fonts.medium.Make(fontDir + "/DejaVuSans.ttf", 12, error) ||
        !fonts.small.Make(fontDir + "/DejaVuSans.ttf", 11, error))
        return false;
    struct Picture {
        EntryId id;
        int rows;
        bool about;
        const char* what;
        const char* screen;
    };
    const Picture pictures[] = {
        {kStartupPicture, 320, false, "start-up picture", "start-up"},
        {kTitlePicture, 320, true, "title picture with the version", "title (Help, About)"},
        {kStartupPictureShort, 240, false, "start-up picture for 240 rows", "start-up"},
        {kTitlePictureShort, 240, true, "title picture for 240 rows", "title (Help, About)"},
    };
    for (const Picture& picture : pictures) {
        ArtworkEntry entry;
        entry.id = picture.id;
        entry.what = picture.what;
        entry.screen = picture.screen;
        entry.image = Splash(fonts, picture.rows, picture.about);
        entries.push_back(std::move(entry));
    }
    const EntryId gallery[] = {kGalleryPicture1, kGalleryPicture2, kGalleryPicture3};
    const char* galleryWhat[] = {"gallery picture 1: a friendly face",
                                 "gallery picture 2: a landscape",
                                 "gallery picture 3: a bold pattern"};
    for (int i = 0; i < kGalleryPictureCount; ++i) {
        ArtworkEntry entry;
        entry.id = gallery[i];
        entry.what = galleryWhat[i];
        entry.screen = "editor (File, New)";
        if (!DrawGalleryPicture(i, entry.image)) {
            if (error)
                *error = "cannot draw gallery picture " + std::to_string(i);
            return false;
        }
        entries.push_back(std::move(entry));
    }
    return true;
}

} // namespace brelvo::assets
