#include "tools/assets/Artwork.h"
#include "archive/ArtworkIds.h"
#include "archive/ResourceArchive.h"
#include "base/WString.h"
#include "gfx/BitmapFont.h"
#include "gfx/ImageLoad.h"
#include "screens/Layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

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
        for (EntryId id : kAllEntries) {
            void* data = nullptr;
            std::uint32_t size = 0;
            ASSERT_TRUE(archive.GetDataById(id, &data, &size)) << "entry " << id;
            Surface& image = s_images[id];
            ASSERT_EQ(LoadImageFromMemory(image, data, size), kOk) << "entry " << id;
        }
    }
    static void TearDownTestSuite() { s_images.clear(); }

    static const Surface& Image(EntryId id) { return s_images.at(id); }

    static std::map<EntryId, Surface> s_images;
    static std::uint32_t s_count;
};

std::map<EntryId, Surface> BuiltArchive::s_images;
std::uint32_t BuiltArchive::s_count = 0;

int Width(const Rect& r) {
    return r.right - r.left + 1;
}
int Height(const Rect& r) {
    return r.bottom - r.top + 1;
}

// Set-up fetched and loaded each of them; a number listed twice would leave the count short.
TEST_F(BuiltArchive, HoldsExactlyTheEntriesTheProgramLoads) {
    EXPECT_EQ(s_count, kAllEntries.size());
    for (EntryId id : kAllEntries)
        EXPECT_GT(Image(id).GetWidth() * Image(id).GetHeight(), 0) << "entry " << id;
}

TEST_F(BuiltArchive, ImagesHaveTheSizesTheirPlacesImply) {
    // Whole screens, of 320 rows or of 240, and images whose place has their very size.
    const auto expectSize = [](EntryId id, int w, int h) {
        EXPECT_EQ(Image(id).GetWidth(), w) << "entry " << id;
        EXPECT_EQ(Image(id).GetHeight(), h) << "entry " << id;
    };
    for (EntryId id : {kStartupPicture, kTitlePicture, kEditorBackground, kEditorBackgroundPlain,
                       kBrowserBackground, kSaveBackground, kHelpBackground})
        expectSize(id, 240, 320);
    for (EntryId id : {kStartupPictureShort, kTitlePictureShort, kEditorBackgroundShort,
                       kBrowserBackgroundShort, kSaveBackgroundShort, kHelpBackgroundShort})
        expectSize(id, 240, 240);
    expectSize(kKeyboard, 478, 80);
    expectSize(kHookButton, 27, 27);
    expectSize(kTrimButtonPressed, 27, 27);
    expectSize(kCloseButtonPressed, Width(kCloseButton), Height(kCloseButton));
    // Images that must stay inside a place: the history arrows overlap by three rows otherwise,
    // the tool buttons would cover each other, the scroll arrows their track; and the editor
    // opens no picture larger than the gallery's may be.
    const struct {
        EntryId id;
        int w, h;
    } atMost[] = {
        {kUndoArrow, 27, kRedoArrowAt.y - kUndoArrowAt.y},
        {kRedoArrow, 27, kUndoAllArrowAt.y - kRedoArrowAt.y},
        {kUndoAllArrow, 27, 320 - kUndoAllArrowAt.y},
        {kUndoArrowDisabled, 27, kRedoArrowAt.y - kUndoArrowAt.y},
        {kModeBoth, Width(kModeBothButton), Height(kModeBothButton)},
        {kModeHorizontalPressed, Width(kModeHorizontalButton), Height(kModeHorizontalButton)},
        {kViewArrowUp, Width(kViewArrowUpAt), Height(kViewArrowUpAt)},
        {kViewArrowRight, Width(kViewArrowRightAt), Height(kViewArrowRightAt)},
        {kListUpArrow, 10, 20},
        {kFileIcon, 20, kListRowHeight},
        {kFolderIcon, 20, kListRowHeight},
        {kParentIcon, 20, kListRowHeight},
        {kHookPanel, kOptionsPanelWidth, kOptionsPanelHeight},
        {kTrimPanel, kOptionsPanelWidth, kOptionsPanelHeight},
        {kCaptionButton, Width(kTrimButtons[0]), Height(kTrimButtons[0])},
        {kToolNotAvailable, 240 - kToolNotAvailableAt.x, 320 - kToolNotAvailableAt.y},
        {kGalleryPicture1, 640, 480},
        {kGalleryPicture2, 640, 480},
        {kGalleryPicture3, 640, 480},
    };
    for (const auto& e : atMost) {
        EXPECT_LE(Image(e.id).GetWidth(), e.w) << "entry " << e.id;
        EXPECT_LE(Image(e.id).GetHeight(), e.h) << "entry " << e.id;
    }
}

TEST_F(BuiltArchive, FontsHaveOneMarkerRunPerCharacter) {
    for (const auto& [id, charset] : kFontsInLoadOrder) {
        BitmapFont font;
        ASSERT_EQ(CopySurface(Image(id), font), kOk);
        ASSERT_EQ(BuildGlyphs(font, charset), kOk) << "font " << id;
        // Count the runs of row 0 directly, so a font with a run too many fails too.
        int runs = 0;
        for (int x = 0; x < font.GetWidth(); ++x) {
            const bool marked = font.GetPixelRaw(x, 0) != font.GetColorKey();
            const bool before = x > 0 && font.GetPixelRaw(x - 1, 0) != font.GetColorKey();
            runs += marked && !before;
        }
        EXPECT_EQ(runs, charset == CHARSET_FULL ? 161 : 95) << "font " << id;
    }
}

// Every pixel of an item is its background or black: disabling recolours black to grey and
// the highlight keys out the pixel at (2, 2), so anything else would show through.
void ExpectFlatBlackOnBackground(const Surface& panel, const Rect& item, EntryId id) {
    const Pixel ground = panel.GetPixelRaw(item.left + 2, item.top + 2);
    EXPECT_NE(ground, 0x0000) << "entry " << id;
    EXPECT_NE(ground, ColorToPixel(0xC8C5C5)) << "entry " << id;
    EXPECT_NE(ground, panel.GetColorKey()) << "entry " << id;
    int black = 0;
    for (int y = item.top; y <= item.bottom; ++y) {
        for (int x = item.left; x <= item.right; ++x) {
            const Pixel p = panel.GetPixelRaw(x, y);
            ASSERT_TRUE(p == ground || p == 0x0000)
                << "entry " << id << " pixel " << x << "," << y << " = " << std::hex << p;
            black += p == 0x0000;
        }
    }
    EXPECT_GT(black, 10) << "entry " << id << ": the item has no label";
}

TEST_F(BuiltArchive, MenuPanelsHoldTheirItemsAsRecolourableLabels) {
    const EntryId panels[] = {kMenuFilePanel, kMenuEditPanel, kMenuToolsPanel, kMenuHelpPanel};
    const EntryId headers[] = {kMenuFileHeader, kMenuEditHeader, kMenuToolsHeader, kMenuHelpHeader};
    for (std::size_t m = 0; m < kEditorMenus.size(); ++m) {
        const MenuLayout& menu = kEditorMenus[m];
        const Surface& panel = Image(panels[m]);
        EXPECT_EQ(Image(headers[m]).GetWidth(), Width(menu.header));
        EXPECT_EQ(Image(headers[m]).GetHeight(), Height(menu.header));
        for (int i = 0; i < menu.itemCount; ++i) {
            const Rect item = menu.items[i].TranslatedBack(menu.menu.left, menu.menu.top);
            ASSERT_LT(item.right, panel.GetWidth()) << "menu " << m << " item " << i;
            ASSERT_LT(item.bottom, panel.GetHeight()) << "menu " << m << " item " << i;
            ExpectFlatBlackOnBackground(panel, item, panels[m]);
        }
    }
    const Surface& filter = Image(kFilterMenuPanel);
    for (const Rect& screenItem : kFilterItems) {
        const Rect item = screenItem.TranslatedBack(kFilterMenu.left, kFilterMenu.top);
        EXPECT_LT(item.right, filter.GetWidth());
        EXPECT_LT(item.bottom, filter.GetHeight());
    }
}

TEST_F(BuiltArchive, DialogPanelsHoldTheTitleStripAndButtons) {
    for (EntryId id : {kDialogPanel, kErrorPanel}) {
        EXPECT_GE(Image(id).GetWidth(), kDialogHandle.x) << id;
        EXPECT_GT(Image(id).GetHeight(), kDialogButtonRowBottom) << id;
        for (const Rect& button :
             {kDialogYes, kDialogNo, kDialogCancel, kDialogOk, kDialogYes1, kDialogNo1})
            EXPECT_LT(button.right, Image(id).GetWidth()) << id;
    }
}

TEST_F(BuiltArchive, EveryKeyLabelFitsItsKey) {
    BitmapFont font;
    ASSERT_EQ(CopySurface(Image(kFontList), font), kOk);
    ASSERT_EQ(BuildGlyphs(font, CHARSET_LATIN), kOk);
    const Surface& keyboard = Image(kKeyboard);
    for (int i = 0; i < kKeyCount; ++i) {
        const Rect key = KeyRect(i);
        if (i == kNoKey) {
            EXPECT_LT(key.right, key.left);
            continue;
        }
        // The key's face is on the image in both cases: its middle is not the ground.
        const Point middle = key.Center();
        for (int half = 0; half < 2; ++half) {
            const int x = middle.x - kKeyboardAt.x + half * kKeyboardCaseWidth;
            EXPECT_NE(keyboard.GetPixelRaw(x, key.top + 1 - kKeyboardAt.y),
                      keyboard.GetPixelRaw(kKeyboardCaseWidth - 1, 0))
                << "key " << i << " case " << half;
        }
        for (const char16_t* labels : {kKeyLower, kKeyUpper}) {
            if (labels[i] == 0 || labels[i] == u' ')
                continue;
            const char16_t text[2] = {labels[i], 0};
            std::int32_t w = 0;
            Surface none;
            ASSERT_EQ(DrawText(none, 0, 0, text, &font, TEXT_MEASURE, 0, nullptr, &w), kOk);
            EXPECT_LE(w, Width(key) - 2) << "key " << i;
            EXPECT_LE(font.GetHeight() - 1, Height(key)) << "key " << i;
        }
    }
}

TEST_F(BuiltArchive, NothingIsPinkButTheKey) {
    for (const auto& [id, image] : s_images) {
        for (int y = 0; y < image.GetHeight(); ++y) {
            for (int x = 0; x < image.GetWidth(); ++x) {
                const Pixel p = image.GetPixelRaw(x, y);
                if (p == image.GetColorKey())
                    continue;
                const int r = p >> 11, g = (p >> 5) & 63, b = p & 31;
                // Strong red and blue with little green: magenta mixed into something.
                ASSERT_FALSE(r >= 24 && b >= 24 && g <= 24)
                    << "entry " << id << " pixel " << x << "," << y << " = " << std::hex << p;
            }
        }
    }
}

// Drawing the artwork again gives the same bytes as the file the build wrote.
TEST(ArtworkBuild, IsDeterministic) {
    std::vector<assets::ArtworkEntry> entries;
    std::string error;
    ASSERT_TRUE(assets::BuildArtwork(BRELVO_ARTWORK_FONT_DIR, entries, &error)) << error;
    std::vector<std::uint8_t> first, second;
    ASSERT_TRUE(assets::WriteArchive(entries, first));
    ASSERT_TRUE(assets::BuildArtwork(BRELVO_ARTWORK_FONT_DIR, entries, &error)) << error;
    ASSERT_TRUE(assets::WriteArchive(entries, second));
    EXPECT_EQ(first, second);
    std::ifstream file(BRELVO_ARCHIVE_FILE, std::ios::binary);
    const std::vector<std::uint8_t> built((std::istreambuf_iterator<char>(file)),
                                          std::istreambuf_iterator<char>());
    EXPECT_EQ(built, first);
}

TEST(ArtworkBuild, ReportsAMissingFontFolder) {
    std::vector<assets::ArtworkEntry> entries;
    std::string error;
    EXPECT_FALSE(assets::BuildArtwork("/nonexistent-font-folder", entries, &error));
    EXPECT_NE(error.find("nonexistent-font-folder"), std::string::npos) << error;
}

} // namespace
} // namespace brelvo
