#include "tools/assets/Artwork.h"
#include "archive/ArtworkIds.h"
#include "archive/LoadArtwork.h"
#include "archive/ResourceArchive.h"
#include "base/WString.h"
#include "gfx/BitmapFont.h"
#include "gfx/Blit.h"
#include "screens/Layout.h"
#include "tools/assets/Gallery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <tuple>

namespace brelvo {
namespace {

using namespace art;
using namespace layout;

// The archive as the build wrote it beside the program, loaded entry by entry the way the
// program loads it.
class BuiltArchive : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ResourceArchive archive;
        ASSERT_TRUE(archive.Open(FromUtf8(BRELVO_ARCHIVE_FILE).c_str())) << BRELVO_ARCHIVE_FILE;
        s_count = archive.GetCount();
        for (EntryId id : kAllEntries)
            ASSERT_TRUE(LoadArtwork(archive, id, s_images[id])) << "entry " << id;
        Surface image; // an entry the archive lacks leaves it empty, whatever it held before
        ASSERT_TRUE(LoadArtwork(archive, kAllEntries[0], image) &&
                    !LoadArtwork(archive, 0, image) && !image.GetPixels());
    }

    static inline std::map<EntryId, Surface> s_images;
    static inline std::uint32_t s_count = 0;
};

// Set-up loaded each, with pixels; the list is strictly ascending, so none is twice in it.
TEST_F(BuiltArchive, HoldsExactlyTheEntriesTheProgramLoads) {
    EXPECT_EQ(std::ranges::adjacent_find(kAllEntries, std::greater_equal<>()), kAllEntries.end());
    EXPECT_EQ(s_count, kAllEntries.size());
}

// The docs screenshot replay pins every image its shots show; these are the ones no shot shows:
// the screens of 240 rows, the editor background with tracks, the close button's pressed look,
// and images that must stay inside their place (the history arrows overlap by three rows
// otherwise, the scroll arrows would cover their track).
TEST_F(BuiltArchive, UnshownImagesHaveTheSizesTheirPlacesImply) {
    const auto wide = [](const Rect& r) { return r.right - r.left + 1; };
    const auto high = [](const Rect& r) { return r.bottom - r.top + 1; };
    const std::tuple<EntryId, int, int, bool> places[] = {
        {kStartupPictureShort, 240, 240, true},
        {kTitlePictureShort, 240, 240, true},
        {kEditorBackgroundShort, 240, 240, true},
        {kBrowserBackgroundShort, 240, 240, true},
        {kSaveBackgroundShort, 240, 240, true},
        {kHelpBackgroundShort, 240, 240, true},
        {kEditorBackground, 240, 320, true},
        {kCloseButtonPressed, wide(kCloseButton), high(kCloseButton), true},
        {kRedoArrow, 27, kUndoAllArrowAt.y - kRedoArrowAt.y, false},
        {kViewArrowUp, wide(kViewArrowUpAt), high(kViewArrowUpAt), false},
        {kViewArrowRight, wide(kViewArrowRightAt), high(kViewArrowRightAt), false},
        {kListUpArrow, 10, 20, false},
        {kToolNotAvailable, 240 - kToolNotAvailableAt.x, 320 - kToolNotAvailableAt.y, false}};
    for (const auto& [id, w, h, exact] : places) {
        const int width = s_images.at(id).GetWidth(), height = s_images.at(id).GetHeight();
        EXPECT_TRUE(exact ? width == w && height == h : width <= w && height <= h)
            << "entry " << id << " is " << width << "x" << height;
    }
}

TEST_F(BuiltArchive, FontsHaveOneMarkerRunPerCharacter) {
    for (const auto& [id, charset] : kFontsInLoadOrder) {
        BitmapFont font;
        ASSERT_EQ(CopySurface(s_images.at(id), font), kOk);
        ASSERT_EQ(BuildGlyphs(font, charset), kOk) << "font " << id;
        // Count the runs of row 0 directly, so a font with a run too many fails too.
        int runs = 0;
        for (int x = 0; x < font.GetWidth(); ++x)
            runs += font.GetPixelRaw(x, 0) != font.GetColorKey() &&
                    (x == 0 || font.GetPixelRaw(x - 1, 0) == font.GetColorKey());
        EXPECT_EQ(runs, charset == CHARSET_FULL ? 161 : 95) << "font " << id;
    }
}

TEST_F(BuiltArchive, NothingIsPinkButTheKey) {
    for (const auto& [id, image] : s_images)
        for (int y = 0; y < image.GetHeight(); ++y)
            for (int x = 0; x < image.GetWidth(); ++x) {
                // Strong red and blue with little green: magenta mixed into something.
                const Pixel p = image.GetPixelRaw(x, y);
                ASSERT_FALSE(p != image.GetColorKey() && p >> 11 >= 24 && (p & 31) >= 24 &&
                             ((p >> 5) & 63) <= 24)
                    << "entry " << id << " pixel " << x << "," << y << " = " << std::hex << p;
            }
}

// Drawing the artwork again, in this process, gives the same bytes as the file the build wrote
// with brelvo-assets; without its fonts it names the folder it looked in.
TEST(ArtworkBuild, IsDeterministicAndReportsAMissingFontFolder) {
    std::vector<assets::ArtworkEntry> entries;
    std::string error;
    EXPECT_FALSE(assets::BuildArtwork("/nonexistent-font-folder", entries, &error));
    EXPECT_NE(error.find("nonexistent-font-folder"), std::string::npos) << error;
    ASSERT_TRUE(assets::BuildArtwork(BRELVO_ARTWORK_FONT_DIR, entries, &error)) << error;
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(assets::WriteArchive(entries, bytes));
    std::ifstream file(BRELVO_ARCHIVE_FILE, std::ios::binary);
    EXPECT_EQ(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {}), bytes);
}

// FNV-1a over a picture's size and pixels.
std::uint64_t Fingerprint(const Surface& s) {
    std::uint64_t hash = 0xcbf29ce484222325u;
    const auto add = [&hash](std::uint32_t v) {
        for (int i = 0; i < 32; i += 8)
            hash = (hash ^ ((v >> i) & 0xFFu)) * 0x100000001b3u;
    };
    add(static_cast<std::uint32_t>(s.GetWidth()));
    add(static_cast<std::uint32_t>(s.GetHeight()));
    for (std::int32_t y = 0; y < s.GetHeight(); ++y)
        for (std::int32_t x = 0; x < s.GetWidth(); ++x)
            add(s.Header().Row(y)[x]);
    return hash;
}

// The gallery pictures are assets: a compiler, a library version or a machine that draws them
// even one pixel differently would ship different artwork, so each is pinned down here. After a
// deliberate change to a picture, look at it (tools/common/SurfacePng.h writes it as PNG), check
// that it has many colours and none of them the colour key, and take the new value from the
// failure message.
TEST(Gallery, PicturesArePinnedAndOnlyTheirIndicesDrawn) {
    const std::uint64_t fingerprints[] = {0x8219d9205fe9072bu, 0x9b0d85b4bae7643fu,
                                          0xe077136515999ae0u};
    ASSERT_EQ(std::size(fingerprints), static_cast<std::size_t>(assets::kGalleryPictureCount));
    for (int index = -1; index <= assets::kGalleryPictureCount; ++index) {
        Surface s;
        const bool inside = index >= 0 && index < assets::kGalleryPictureCount;
        ASSERT_EQ(assets::DrawGalleryPicture(index, s), inside) << index;
        if (inside)
            EXPECT_EQ(Fingerprint(s), fingerprints[index])
                << std::hex << "now 0x" << Fingerprint(s);
        else
            EXPECT_EQ(s.GetPixels(), nullptr) << index;
    }
}

} // namespace
} // namespace brelvo
