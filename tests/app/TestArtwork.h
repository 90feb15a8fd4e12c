#pragma once

// Small artwork archives for the application tests, so that they do not depend on the real
// Brelvo.erc: pictures of the screen's size with a pattern of their own, written as eBM entries;
// and the frames the program shows from the real one.

#include "archive/ArchiveWriter.h"
#include "archive/ArtworkIds.h"
#include "archive/LoadArtwork.h"
#include "archive/ResourceArchive.h"
#include "base/ByteSink.h"
#include "base/WString.h"
#include "gfx/Blit.h"
#include "gfx/ImageLoad.h"
#include "gfx/PixelFormat.h"
#include "gfx/Surface.h"
#include "screens/EditorScreen.h"
#include "tests/support/TestScreenContext.h"

#include <cstdint>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

namespace brelvo::test {

// A picture whose every pixel is a function of its position and a seed, different for every
// seed; none of them is the magenta colour key.
inline void MakePattern(Surface& picture, std::int32_t width, std::int32_t height,
                        std::uint32_t seed) {
    picture.Create(0, width, height);
    for (std::int32_t y = 0; y < height; ++y) {
        Pixel* row = picture.Header().Row(y);
        for (std::int32_t x = 0; x < width; ++x) {
            Pixel p = static_cast<Pixel>((x * 7 + y * 131 + seed * 4099) & 0xFFFF);
            row[x] = p == kPixelMagenta ? static_cast<Pixel>(p ^ 1) : p;
        }
    }
}

// A picture's pixels row by row, without odd rows' spare pixel: frames compare with one ==.
inline std::vector<Pixel> Pixels(const Surface& s) {
    std::vector<Pixel> out;
    for (std::int32_t y = 0; y < s.GetHeight(); ++y)
        out.insert(out.end(), s.Header().Row(y), s.Header().Row(y) + s.GetWidth());
    return out;
}

inline void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// The screen pixel of an 8-bit red, green and blue triple: the top 5, 6 and 5 bits.
inline Pixel Rgb565(const std::uint8_t* rgb) {
    return static_cast<Pixel>(((rgb[0] >> 3) << 11) | ((rgb[1] >> 2) << 5) | (rgb[2] >> 3));
}

inline bool AddPicture(ArchiveWriter& writer, art::EntryId id, const Surface& picture) {
    VectorSink bytes;
    return EncodeEbm(picture, 0xFF00FF, bytes) &&
           writer.AddEntry(id, u"picture", u"eBM", 0, bytes.Bytes().data(), bytes.Bytes().size());
}

// Seeds of the pictures WriteTestArchive puts in.
inline constexpr std::uint32_t kStartupSeed = 1, kTitleSeed = 2, kEditorSeed = 3,
                               kStartupShortSeed = 4, kTitleShortSeed = 5;

// An archive with the start-up, title and editor pictures for both screen heights, and no
// fonts (a missing font stays empty, which start-up allows).
inline bool WriteTestArchive(const std::string& path) {
    ArchiveWriter writer;
    Surface picture;
    const std::tuple<art::EntryId, std::int32_t, std::uint32_t> entries[] = {
        {art::kStartupPicture, 320, kStartupSeed},
        {art::kTitlePicture, 320, kTitleSeed},
        {art::kEditorBackgroundPlain, 320, kEditorSeed}, // the editor before a picture
        {art::kStartupPictureShort, 240, kStartupShortSeed},
        {art::kTitlePictureShort, 240, kTitleShortSeed},
    };
    for (const auto& [id, height, seed] : entries) {
        MakePattern(picture, 240, height, seed);
        if (!AddPicture(writer, id, picture))
            return false;
    }
    return Succeeded(writer.WriteToFile(path));
}

// The program's first frames from the real artwork: the start-up picture, and the editor drawn
// over it by an editor screen of the test's own.
struct ExpectedFrames {
    Surface startup, editor;
};

inline bool DrawExpectedFrames(const std::string& archivePath, ExpectedFrames& out) {
    ResourceArchive archive(FromUtf8(archivePath).c_str());
    Surface startup;
    if (!archive.IsOpen() || !LoadArtwork(archive, art::kStartupPicture, startup))
        return false;
    TestScreenContext shared;
    EditorScreen editor(shared.context, EditorScreen::Neighbours{});
    editor.Initialise(archive);
    editor.ResetPaste();

    out.startup.Create(CREATE_CLEAR, 240, 320);
    Blit(out.startup, 0, 0, startup, nullptr, BLT_KEYED);
    out.editor.Create(CREATE_CLEAR, 240, 320);
    Blit(out.editor, 0, 0, out.startup);
    editor.Draw(out.editor);
    return true;
}

} // namespace brelvo::test
