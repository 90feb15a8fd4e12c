// Writes the seed corpus of the archive fuzz target: a few small archives, whole and damaged.
// Usage: brelvo_make_archive_seeds OUTDIR

#include "archive/ArchiveWriter.h"
#include "archive/ResourceArchive.h"
#include "gfx/ImageLoad.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Writes the archive, or only its first keep bytes.
void Save(const std::string& dir, const char* name, const brelvo::ArchiveWriter& writer,
          std::size_t keep = SIZE_MAX) {
    brelvo::VectorSink sink;
    const std::string path = dir + "/" + name;
    if (!writer.WriteTo(sink)) {
        std::fprintf(stderr, "%s: the archive could not be built\n", path.c_str());
        std::exit(1);
    }
    const std::size_t size = std::min(keep, sink.Bytes().size());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(sink.Bytes().data(), 1, size, f) != size || std::fclose(f) != 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
}

Bytes Deflate(const Bytes& raw) {
    uLongf size = compressBound(raw.size());
    Bytes out(size);
    if (compress2(out.data(), &size, raw.data(), raw.size(), 9) != Z_OK)
        std::exit(1);
    out.resize(size);
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const std::uint8_t headerBytes[8] = {1, 0, 0, 0, 2, 0, 0, 0};

    brelvo::ArchiveWriter empty;
    empty.SetTitle(u"empty");
    Save(dir, "empty.erc", empty);

    // The entry the program fetches most: a small image of its own format.
    brelvo::Surface s;
    s.Create(0, 7, 5);
    for (std::uint32_t i = 0; i < s.GetSize() / 2; ++i)
        s.GetPixels()[i] = static_cast<brelvo::Pixel>(i * 2654435761u >> 16);
    brelvo::VectorSink ebm;
    brelvo::EncodeEbm(s, 0xff00ff, ebm);
    brelvo::ArchiveWriter one;
    one.SetTitle(u"artwork");
    one.SetHeaderWord(1);
    one.SetHeaderBytes(headerBytes);
    one.AddEntry(100, u"button", u"eBM", 1, ebm.Bytes().data(), ebm.Bytes().size());
    Save(dir, "one-image.erc", one);

    Bytes text(300), runs(3000, 0);
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<std::uint8_t>("warp the picture "[i % 17]);
    for (std::size_t i = 0; i < runs.size(); ++i)
        runs[i] = static_cast<std::uint8_t>(i / 500);
    brelvo::ArchiveWriter several;
    several.SetTitle(u"several entries");
    several.AddEntry(3, u"a", u"eBM", 0, text.data(), 40);
    several.AddEntry(7, u"b", u"font", 1, runs.data(), runs.size());
    several.AddEntry(12, u"c", nullptr, 0, text.data(), text.size());
    several.AddEntry(40, u"\u00fcber", u"eBM", 0, ebm.Bytes().data(), ebm.Bytes().size());
    several.AddEntry(41, u"empty", u"", 0, nullptr, 0);
    Save(dir, "several.erc", several);

    Bytes corrupt = Deflate(text), full = Deflate(runs);
    corrupt[corrupt.size() / 2] ^= 0x10;
    brelvo::ArchiveWriter damaged;
    damaged.AddStoredEntry(1, u"corrupt", u"eBM", 0, corrupt.data(), corrupt.size(), 300);
    damaged.AddStoredEntry(2, u"short", u"eBM", 0, full.data(), full.size(), 4000);
    damaged.AddStoredEntry(3, u"long", u"eBM", 0, full.data(), full.size(), 2000);
    Save(dir, "damaged-streams.erc", damaged);

    // The table claims five records; the file ends inside the third.
    Save(dir, "truncated-table.erc", several,
         brelvo::ArchiveLayout::kTable + 2 * brelvo::ArchiveLayout::kRecordSize + 30);
    return 0;
}
