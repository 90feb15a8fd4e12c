// brelvo-assets: draws all of Brelvo's artwork into "Brelvo.erc", and shows what an archive
// holds for review.

#include "base/ByteSink.h"
#include "base/Options.h"
#include "platform/DeviceFiles.h"
#include "tools/assets/Artwork.h"
#include "tools/common/SurfacePng.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace brelvo;
using namespace brelvo::assets;

constexpr const char* kUsage =
    "usage: brelvo-assets build --fonts DIR OUTPUT.erc\n"
    "       brelvo-assets table --fonts DIR\n"
    "       brelvo-assets list ARCHIVE.erc\n"
    "       brelvo-assets extract ARCHIVE.erc ID OUTPUT.png [SCALE]\n"
    "       brelvo-assets sheet ARCHIVE.erc OUTPUT.png [SCALE]\n"
    "       brelvo-assets icon SIZE OUTPUT.png\n"
    "\n"
    "build    draws every image and font of the program into a new archive; the same fonts\n"
    "         always give the same bytes. DIR holds the DejaVu fonts.\n"
    "table    prints the entries as a Markdown table: number, size, what, screen.\n"
    "list     prints each entry of an archive: number and image size.\n"
    "extract  writes one entry as a PNG (transparent pixels magenta).\n"
    "SCALE    enlarges the PNG that many times, pixel for pixel (1 to 8; default 1).\n"
    "sheet    one PNG of every entry with its number; transparency shown as a checkerboard.\n"
    "icon     the program's icon, SIZE x SIZE pixels (16 to 512).\n";

bool WriteScaledPng(const Surface& image, int scale, const std::string& path) {
    if (scale == 1)
        return WriteSurfacePng(image, path);
    Surface big;
    if (big.Create(0, image.GetWidth() * scale, image.GetHeight() * scale) != kOk)
        return false;
    big.SetColorKeyRaw(image.GetColorKey());
    for (int y = 0; y < big.GetHeight(); ++y)
        for (int x = 0; x < big.GetWidth(); ++x)
            big.Header().Row(y)[x] = image.GetPixelRaw(x / scale, y / scale);
    return WriteSurfacePng(big, path);
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "brelvo-assets: %s\n", message.c_str());
    return 1;
}

int Build(const std::string& fontDir, const std::string& output) {
    std::vector<ArtworkEntry> entries;
    std::string error;
    if (!BuildArtwork(fontDir, entries, &error))
        return Fail(error);
    std::vector<std::uint8_t> bytes;
    if (!WriteArchive(entries, bytes))
        return Fail("cannot encode the archive");
    if (platform::WriteFileReplacing(output, bytes.data(), bytes.size()) != kOk)
        return Fail("cannot write " + output);
    return 0;
}

int Table(const std::string& fontDir) {
    std::vector<ArtworkEntry> entries;
    std::string error;
    if (!BuildArtwork(fontDir, entries, &error))
        return Fail(error);
    std::printf("| entry | size | what it shows | used by |\n|---|---|---|---|\n");
    for (const ArtworkEntry& e : entries)
        std::printf("| %u | %dx%d | %s | %s |\n", e.id, e.image.GetWidth(), e.image.GetHeight(),
                    e.what.c_str(), e.screen.c_str());
    return 0;
}

int List(const std::string& path) {
    std::vector<ArtworkEntry> entries;
    std::string error;
    if (!ReadArchive(path, entries, nullptr, &error))
        return Fail(error);
    for (const ArtworkEntry& e : entries)
        std::printf("%5u  %dx%d\n", e.id, e.image.GetWidth(), e.image.GetHeight());
    return 0;
}

int Extract(const std::string& path, const std::string& idText, const std::string& output,
            int scale) {
    std::uint32_t id = 0;
    std::string error;
    if (!ReadWholeNumber("ID", idText, 0, 0xFFFFFFFF, id, error))
        return UsageError("brelvo-assets", error);
    std::vector<ArtworkEntry> entries;
    if (!ReadArchive(path, entries, nullptr, &error))
        return Fail(error);
    const ArtworkEntry* entry = FindEntry(entries, static_cast<art::EntryId>(id));
    if (!entry)
        return Fail("no entry " + idText + " in " + path);
    return WriteScaledPng(entry->image, scale, output) ? 0 : 1;
}

int Sheet(const std::string& path, const std::string& output, int scale) {
    std::vector<ArtworkEntry> entries;
    ArtworkFonts fonts;
    std::string error;
    if (!ReadArchive(path, entries, &fonts, &error))
        return Fail(error);
    Surface sheet;
    if (!DrawSheet(entries, fonts, sheet))
        return Fail("cannot draw the sheet");
    return WriteScaledPng(sheet, scale, output) ? 0 : 1;
}

int Icon(const std::string& sizeText, const std::string& output) {
    int size = 0;
    std::string error;
    if (!ReadWholeNumber("SIZE", sizeText, 16, 512, size, error))
        return UsageError("brelvo-assets", error);
    return WriteScaledPng(ProgramIcon(size), 1, output) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    static constexpr OptionSpec kOptions[] = {{"--fonts", true}, {"--help"}, {"-h"}};
    std::vector<Argument> read;
    std::string error;
    if (!ReadArguments(kOptions, std::vector<std::string>(argv + 1, argv + argc), read, error))
        return UsageError("brelvo-assets", error);
    std::string fonts;
    std::vector<std::string> args;
    for (const Argument& arg : read) {
        if (arg.Is("--help") || arg.Is("-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        (arg.Is("--fonts") ? fonts : args.emplace_back()) = arg.value;
    }
    const std::string command = args.empty() ? "" : args[0];
    // The commands that read fonts must have them, and the others take none.
    if (fonts.empty() != (command != "build" && command != "table"))
        return UsageError("brelvo-assets", fonts.empty() ? "--fonts DIR is needed"
                                                         : "--fonts is for build and table");
    // An optional last operand SCALE for extract and sheet.
    int scale = 1;
    const std::size_t scaled = command == "extract" ? 4 : command == "sheet" ? 3 : 0;
    if (scaled && args.size() == scaled + 1) {
        if (!ReadWholeNumber("SCALE", args.back(), 1, 8, scale, error))
            return UsageError("brelvo-assets", error);
        args.pop_back();
    }
    const auto is = [&](std::size_t count, const char* name) {
        return args.size() == count && command == name;
    };
    if (is(2, "build"))
        return Build(fonts, args[1]);
    if (is(1, "table"))
        return Table(fonts);
    if (is(2, "list"))
        return List(args[1]);
    if (is(4, "extract"))
        return Extract(args[1], args[2], args[3], scale);
    if (is(3, "icon"))
        return Icon(args[1], args[2]);
    if (is(3, "sheet"))
        return Sheet(args[1], args[2], scale);
    return UsageError("brelvo-assets",
                      command.empty() ? "no command given" : "wrong use of '" + command + "'");
}
