#include "tools/assets/Artwork.h"

#include "archive/ArchiveWriter.h"
#include "archive/ResourceArchive.h"
#include "base/ByteSink.h"
#include "base/WString.h"
#include "gfx/Blit.h"
#include "gfx/ImageLoad.h"

#include <algorithm>
#include <string>

namespace brelvo::assets {

namespace {
constexpr Color kMagenta = 0xFF00FF; // the colour key of every image
} // namespace

bool AddEntry(std::vector<ArtworkEntry>& entries, art::EntryId id, std::string what,
              std::string screen, Surface image) {
    if (image.GetWidth() <= 0)
        return false;
    ArtworkEntry entry;
    entry.id = id;
    entry.what = std::move(what);
    entry.screen = std::move(screen);
    entry.image = std::move(image);
    entries.push_back(std::move(entry));
    return true;
}

bool BuildArtwork(const std::string& fontDir, std::vector<ArtworkEntry>& entries,
                  std::string* error) {
    entries.clear();
    ArtworkFonts fonts;
    if (!AddFonts(fontDir, entries, fonts, error))
        return false;
    if (!AddEditorArtwork(fonts, entries) || !AddScreenArtwork(fonts, entries)) {
        if (error)
            *error = "cannot draw the interface artwork (out of memory?)";
        return false;
    }
    if (!AddPictures(fontDir, entries, error))
        return false;
    std::sort(entries.begin(), entries.end(),
              [](const ArtworkEntry& a, const ArtworkEntry& b) { return a.id < b.id; });
    for (std::size_t i = 1; i < entries.size(); ++i) {
        if (entries[i].id == entries[i - 1].id) {
            if (error)
                *error = "entry " + std::to_string(entries[i].id) + " is drawn twice";
            return false;
        }
    }
    return true;
}

bool WriteArchive(const std::vector<ArtworkEntry>& entries, std::vector<std::uint8_t>& bytes) {
    ArchiveWriter writer;
    writer.SetTitle(u"Brelvo");
    for (const ArtworkEntry& entry : entries) {
        VectorSink ebm;
        if (!EncodeEbm(entry.image, kMagenta, ebm))
            return false;
        const std::u16string name = u"image" + [&] {
            std::u16string digits;
            for (char c : std::to_string(entry.id))
                digits += static_cast<char16_t>(c);
            return digits;
        }();
        if (!writer.AddEntry(entry.id, name.c_str(), u"eBM", 0, ebm.Bytes().data(),
                             ebm.Bytes().size()))
            return false;
    }
    VectorSink sink;
    if (!writer.WriteTo(sink))
        return false;
    bytes = sink.Bytes();
    return true;
}

bool ReadArchive(const std::string& path, std::vector<ArtworkEntry>& entries, ArtworkFonts* fonts,
                 std::string* error) {
    const auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    entries.clear();
    ResourceArchive archive;
    if (!archive.Open(FromUtf8(path).c_str()))
        return fail("cannot open " + path);
    for (std::uint32_t index = 0; index < archive.GetCount(); ++index) {
        ArtworkEntry entry;
        entry.id = archive.GetIdAt(index);
        void* data = nullptr;
        std::uint32_t size = 0;
        if (!archive.GetDataById(entry.id, &data, &size) ||
            LoadImageFromMemory(entry.image, data, size) != kOk)
            return fail("entry " + std::to_string(entry.id) + " of " + path + " does not load");
        entries.push_back(std::move(entry));
    }
    if (!fonts)
        return true;
    for (std::size_t i = 0; i < art::kFontsInLoadOrder.size(); ++i) {
        const art::FontEntry& fontEntry = art::kFontsInLoadOrder[i];
        const ArtworkEntry* entry = FindEntry(entries, fontEntry.id);
        BitmapFont& font = (*fonts).*kFontMembers[i];
        if (!entry || CopySurface(entry->image, font) != kOk ||
            BuildGlyphs(font, fontEntry.charset) != kOk)
            return fail("font " + std::to_string(fontEntry.id) + " of " + path + " is unusable");
    }
    return true;
}

const ArtworkEntry* FindEntry(const std::vector<ArtworkEntry>& entries, art::EntryId id) {
    for (const ArtworkEntry& entry : entries)
        if (entry.id == id)
            return &entry;
    return nullptr;
}

} // namespace brelvo::assets
