#include "base/WString.h"
#include "gfx/Blit.h"
#include "gfx/TransformBlit.h"
#include "tools/assets/Artwork.h"
#include "tools/assets/Paint.h"

#include <algorithm>
#include <string>

namespace brelvo::assets {
namespace {

using namespace art;

std::u16string U16(const std::string& text) {
    std::u16string out;
    for (char c : text)
        out += static_cast<char16_t>(static_cast<unsigned char>(c));
    return out;
}

// Transparent areas are shown as a light checkerboard, so that a stray magenta pixel stands out.
void Checker(Surface& s, const Rect& r) {
    for (int y = r.top; y <= r.bottom; ++y)
        for (int x = r.left; x <= r.right; ++x)
            Fill(s, Rect(x, y, x, y),
                 ((x / 4 + y / 4) % 2) ? Rgb(205, 205, 205) : Rgb(235, 235, 235));
}

} // namespace

bool DrawSheet(const std::vector<ArtworkEntry>& entries, const ArtworkFonts& fonts,
               Surface& sheet) {
    // Shelf packing: items left to right, a new shelf when the row is full. Wide images (the
    // font strips) are cut into pieces of at most kPiece columns, one above the other.
    constexpr int kWidth = 1000, kPiece = 960, kGap = 8;
    struct Place {
        const ArtworkEntry* entry;
        int x, y, w, h, pieces;
    };
    std::vector<Place> places;
    int x = kGap, y = kGap, shelf = 0;
    const int label = FontHeight(fonts.list) + 2;
    // Tallest first, so that each shelf holds images of about one height.
    std::vector<const ArtworkEntry*> order;
    for (const ArtworkEntry& entry : entries)
        order.push_back(&entry);
    std::stable_sort(order.begin(), order.end(), [](const ArtworkEntry* a, const ArtworkEntry* b) {
        return a->image.GetHeight() > b->image.GetHeight();
    });
    for (const ArtworkEntry* entryPointer : order) {
        const ArtworkEntry& entry = *entryPointer;
        const int iw = entry.image.GetWidth(), ih = entry.image.GetHeight();
        const int pieces = (iw + kPiece - 1) / kPiece;
        const int w = std::max(std::min(iw, kPiece), 60);
        const int h = label + pieces * (ih + 2);
        if (x + w > kWidth - kGap) {
            x = kGap;
            y += shelf + kGap;
            shelf = 0;
        }
        places.push_back(Place{&entry, x, y, w, h, pieces});
        x += w + kGap;
        shelf = std::max(shelf, h);
    }
    if (!MakeImage(sheet, kWidth, y + shelf + kGap, kWhite))
        return false;
    for (const Place& p : places) {
        const Surface& image = p.entry->image;
        const std::string caption = std::to_string(p.entry->id) + "  " +
                                    std::to_string(image.GetWidth()) + "x" +
                                    std::to_string(image.GetHeight());
        Text(sheet, p.x, p.y, fonts.list, U16(caption).c_str());
        for (int k = 0; k < p.pieces; ++k) {
            const int top = p.y + label + k * (image.GetHeight() + 2);
            const int from = k * kPiece;
            const int width = std::min(kPiece, image.GetWidth() - from);
            Checker(sheet, Rect(p.x, top, p.x + width - 1, top + image.GetHeight() - 1));
            const Rect part(from, 0, from + width, image.GetHeight());
            Blit(sheet, p.x, top, image, &part, BLT_KEYED);
        }
    }
    return true;
}

} // namespace brelvo::assets
