#include "archive/ResourceArchive.h"

#include "archive/ArchiveWriter.h"
#include "base/FreeDeleter.h"
#include "base/LittleEndian.h"
#include "base/WString.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <ranges>
#include <sstream>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace brelvo {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Layout = ArchiveLayout;
using Owned = std::unique_ptr<std::uint8_t, FreeDeleter>;
constexpr std::uint32_t kNone = ResourceArchive::kNotFound;

struct CountingArchive : ResourceArchive {
    std::vector<std::uint32_t> reads;
    void OnRecordRead(std::uint32_t index) override { reads.push_back(index); }
};

Bytes Pattern(std::size_t size, std::uint8_t seed) {
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i)
        b[i] = static_cast<std::uint8_t>(seed + i * 7 + i / 13);
    return b;
}

Bytes Deflate(const Bytes& raw) {
    uLongf size = compressBound(raw.size());
    Bytes out(size);
    EXPECT_EQ(compress2(out.data(), &size, raw.data(), raw.size(), 9), Z_OK);
    out.resize(size);
    return out;
}

Bytes Build(const ArchiveWriter& writer) {
    VectorSink sink;
    EXPECT_TRUE(writer.WriteTo(sink));
    return sink.Bytes();
}

std::size_t Field(std::uint32_t index, std::uint32_t field) {
    return Layout::kTable + index * Layout::kRecordSize + field;
}

// Calls GetDataById with the buffer and size given; says what it returned, where the data went
// and the size after the call. A new buffer's bytes go to fresh.
std::string Get(ResourceArchive& a, std::uint32_t id, void* data, std::uint32_t size,
                Bytes* fresh = nullptr) {
    void* const given = data;
    const int result = a.GetDataById(id, &data, &size);
    if (data == given)
        return std::to_string(result) + " given " + std::to_string(size);
    const Owned owned(static_cast<std::uint8_t*>(data));
    if (fresh)
        *fresh = Bytes(owned.get(), owned.get() + size);
    return std::to_string(result) + " new " + std::to_string(size);
}

std::optional<Bytes> Fetch(ResourceArchive& archive, std::uint32_t id) {
    Bytes fresh;
    return Get(archive, id, nullptr, 0, &fresh)[0] == '1' ? std::optional(fresh) : std::nullopt;
}

// Every query's answer for entry 3, named "a", at index 0, on one line (-1 for kNotFound),
// for an archive that has no entries to give.
std::string Describe(ResourceArchive& a) {
    std::uint32_t stored = 99, size = 0;
    void* data = nullptr;
    std::ostringstream o;
    const auto index = [](std::uint32_t i) { return static_cast<std::int32_t>(i); };
    o << a.GetCount() << ' ' << a.GetHeaderWord() << ' ' << index(a.FindById(3)) << ' '
      << index(a.GetIdAt(0)) << ' ' << a.GetSizeAt(0, &stored) << ' ' << stored << ' '
      << a.GetSizeById(3) << ' ' << a.GetSizeByName(u"a", nullptr) << ' '
      << index(a.GetIdByName(u"a", nullptr)) << ' ' << a.GetDataAt(0, &data, &size)
      << a.GetDataById(3, &data, &size) << a.GetDataByName(u"a", nullptr, &data, &size) << ' '
      << (data != nullptr) << ' ' << size;
    return o.str();
}

class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(::mkdtemp(m_dir.data()), nullptr); }
    void TearDown() override { fs::remove_all(m_dir); }

    WString Save(const Bytes& bytes, const std::string& name = "a.erc") {
        std::ofstream(m_dir + "/" + name, std::ios::binary)
            << std::string(bytes.begin(), bytes.end());
        return FromUtf8(m_dir + "/" + name);
    }
    void Open(ResourceArchive& archive, const Bytes& bytes) {
        ASSERT_EQ(archive.Open(Save(bytes).c_str()), 1);
    }

    std::string m_dir = (fs::temp_directory_path() / "brelvo-archive-XXXXXX").string();
};

// Entries 3, 7 and 12 named a, b, c, each holding 200 bytes.
ArchiveWriter ThreeEntries() {
    ArchiveWriter w;
    const char16_t* names[] = {u"a", u"b", u"c"};
    const std::uint32_t ids[] = {3, 7, 12};
    for (int i = 0; i < 3; ++i) {
        const Bytes data = Pattern(200, static_cast<std::uint8_t>(i));
        EXPECT_TRUE(w.AddEntry(ids[i], names[i], u"eBM", 0, data.data(), data.size()));
    }
    return w;
}

// The second file has no entries, nor has the first once it is closed; no file is left open.
TEST_F(ArchiveTest, OpenAcceptsOneReadableFileAtATime) {
    const auto openFiles = std::ranges::distance(fs::directory_iterator("/proc/self/fd"));
    const WString first = Save(Build(ThreeEntries()), "Bilder \u00fc\u5199\u771f.erc");
    const WString second = Save(Build(ArchiveWriter()), "second.erc");
    const WString tooShort = Save(Bytes(99, 0), "short.erc");
    const WString folder = FromUtf8(m_dir), missing = FromUtf8(m_dir + "/missing.erc");
    for (const char16_t* bad : {static_cast<const char16_t*>(nullptr), u"", missing.c_str(),
                                folder.c_str(), tooShort.c_str()}) {
        ResourceArchive a;
        EXPECT_EQ((std::tuple{a.Open(bad), a.IsOpen(), a.Close()}), std::tuple(0, 0, 0));
    }
    const std::string none = "0 0 -1 -1 0 0 0 0 -1 000 0 0";
    ResourceArchive a(first.c_str());
    // The braces call in order: the second Open fails and the first file stays open.
    EXPECT_EQ((std::tuple{a.IsOpen(), a.Open(second.c_str()), a.GetCount(), a.Close(), a.Close()}),
              std::tuple(1, 0, 3u, 1, 0));
    EXPECT_EQ(Describe(a), none);
    EXPECT_EQ(std::ranges::distance(fs::directory_iterator("/proc/self/fd")), openFiles);
    ASSERT_EQ(a.Open(second.c_str()), 1);
    EXPECT_EQ(Describe(a), none);
}

// The offsets are spelled out here rather than taken from ArchiveLayout, so that the writer is
// checked against the format and not against itself.
TEST_F(ArchiveTest, EveryFieldLiesWhereTheFormatPutsIt) {
    ArchiveWriter w;
    const std::uint8_t header[8] = {1, 2, 3, 4, 250, 251, 252, 253};
    const std::u16string title = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", n33(33, u'n');
    ASSERT_TRUE(w.SetTitle(title.c_str()));
    w.SetHeaderWord(0xC0FFEE01);
    w.SetHeaderBytes(header);
    ASSERT_TRUE(w.AddEntry(0x01020304, u"nm", u"ty", 0xA5, "xyz", 3));
    // What the format cannot hold: a number twice, a name or title of 33 units, a type of 5.
    EXPECT_FALSE(w.AddEntry(0x01020304, u"again", u"eBM", 0, "y", 1));
    EXPECT_FALSE(w.AddEntry(6, n33.c_str(), u"eBM", 0, "y", 1));
    EXPECT_FALSE(w.AddEntry(6, u"six", u"fonts", 0, "y", 1));
    EXPECT_FALSE(w.SetTitle(n33.c_str()));
    EXPECT_EQ(w.GetCount(), 1u);
    const Bytes file = Build(w), stream = Deflate({'x', 'y', 'z'});
    Bytes want(192, 0);
    StoreLe32(&want[4], 0xC0FFEE01);
    std::memcpy(&want[8], header, 8);
    for (std::size_t i = 0; i < 32; ++i)
        want[16 + 2 * i] = static_cast<std::uint8_t>(title[i]);
    const std::uint32_t words[] = {1, 0x01020304, 192, static_cast<std::uint32_t>(stream.size()),
                                   3, 0xA5};
    for (int i = 0; i < 6; ++i)
        StoreLe32(&want[96 + 4 * i], words[i]);
    want[120] = 'n', want[122] = 'm', want[184] = 't', want[186] = 'y';
    want.insert(want.end(), stream.begin(), stream.end());
    EXPECT_EQ(file, want);
    struct : ByteSink { // a disk with room for the header and the table, not for the stream
        bool Write(const void*, std::size_t size) override { return (room -= size) >= 0; }
        std::int64_t room = 192;
    } disk;
    EXPECT_FALSE(w.WriteTo(disk));

    ResourceArchive a;
    Open(a, file);
    EXPECT_EQ(a.GetHeaderWord(), 0xC0FFEE01u);
    std::uint8_t bytes[8] = {};
    ASSERT_EQ(a.GetHeaderBytes(bytes), 1);
    EXPECT_EQ(std::memcmp(bytes, header, 8), 0);
    // The last unit read makes way for the terminator; units beyond it are not touched.
    const std::pair<std::uint32_t, std::u16string> titles[] = {
        {10, u"ABCDEFGHI"}, {1, u""}, {40, title.substr(0, 31)}};
    for (const auto& [capacity, expected] : titles) {
        std::u16string buffer(40, u'#');
        EXPECT_EQ(a.GetTitle(buffer.data(), capacity), 1);
        EXPECT_EQ(buffer, expected + u'\0' + std::u16string(39 - expected.size(), u'#'));
    }
    char16_t untouched = u'#';
    EXPECT_EQ((std::tuple{a.GetTitle(&untouched, 0), untouched}), std::tuple(0, u'#'));
}

TEST_F(ArchiveTest, FindByNameComparesWithinTheFields) {
    const std::u16string long32(32, u'n'), longer = long32 + u"xyz";
    ArchiveWriter w;
    ASSERT_TRUE(w.AddEntry(1, u"sky", u"eBM", 0, "1", 1));
    ASSERT_TRUE(w.AddEntry(2, u"sky", u"font", 0, "22", 2));
    ASSERT_TRUE(w.AddEntry(3, u"skyline", nullptr, 0, "333", 3));
    ASSERT_TRUE(w.AddEntry(4, long32.c_str(), u"abcd", 0, "4444", 4));
    ResourceArchive a;
    Open(a, Build(w));
    const std::tuple<const char16_t*, const char16_t*, std::uint32_t> cases[] = {
        {u"sky", nullptr, 0},           {u"sky", u"font", 1},     {u"sky", u"eBM", 0},
        {u"sky", u"fon", kNone},        {u"sky", u"", kNone},     {u"skyline", u"", 2},
        {u"sk", nullptr, kNone},        {u"Sky", nullptr, kNone}, {longer.c_str(), nullptr, 3},
        {long32.c_str(), u"abcdef", 3}, {u"", nullptr, kNone},    {nullptr, nullptr, kNone}};
    for (const auto& [name, type, index] : cases)
        EXPECT_EQ(a.FindByName(name, type), index) << (type ? "typed" : "untyped");
    std::uint32_t stored = 0, size = 0;
    EXPECT_EQ((std::tuple{a.GetSizeByName(u"skyline", nullptr, &stored), std::size_t{stored}}),
              std::tuple(3u, Deflate({'3', '3', '3'}).size()));
    void* data = nullptr;
    ASSERT_EQ(a.GetDataByName(u"sky", u"font", &data, &size), 1);
    const Owned owned(static_cast<std::uint8_t*>(data));
    EXPECT_EQ(Bytes(owned.get(), owned.get() + size), Bytes({'2', '2'}));
}

// Entry 7 records 200 bytes but its stream inflates to 150: the other 50 are zeros, in whichever
// buffer the entry goes to.
TEST_F(ArchiveTest, GetDataChoosesTheBufferAndZeroesWhatTheStreamLeavesOut) {
    const Bytes produced = Pattern(150, 0x11), stored = Deflate(produced);
    // The largest size that the stored bytes may claim.
    const auto bound = static_cast<std::uint32_t>(stored.size() * 1032 + 1024);
    ArchiveWriter w;
    for (const auto& [id, size] : {std::pair{7u, 200u}, {8u, bound}, {9u, bound + 1}})
        ASSERT_TRUE(w.AddStoredEntry(id, u"", u"", 0, stored.data(), stored.size(), size));
    ASSERT_TRUE(w.AddStoredEntry(10, u"", u"", 0, nullptr, 0, 200)); // nothing stored
    ResourceArchive a;
    Open(a, Build(w));
    // Leaves dirty memory where the allocator is likely to hand out the entry's buffer.
    const auto dirty = [](std::size_t size) {
        std::free(std::memset(std::malloc(size), 0xAA, size));
    };
    const auto zeroPadded = [&](std::size_t size) {
        Bytes b = produced;
        b.resize(size, 0);
        return b;
    };
    std::uint8_t caller[300];
    void* const garbage = reinterpret_cast<void*>(std::uintptr_t{0x10});
    // The buffer and size given, then what GetDataById made of them.
    const std::tuple<void*, std::uint32_t, const char*> cases[] = {
        {caller, 300, "1 given 300"}, {caller, 200, "1 given 200"}, {caller, 100, "0 given 100"},
        {garbage, 0, "1 new 200"},    {nullptr, 500, "1 new 200"},
    };
    for (const auto& [data, size, expected] : cases) {
        SCOPED_TRACE(expected);
        std::memset(caller, 0x55, sizeof caller);
        dirty(200);
        Bytes fresh;
        EXPECT_EQ(Get(a, 7, data, size, &fresh), expected);
        EXPECT_EQ(fresh, data == caller ? Bytes() : zeroPadded(200));
        Bytes want(300, 0x55);
        if (data == caller && size >= 200)
            std::ranges::copy(zeroPadded(200), want.begin());
        EXPECT_EQ(Bytes(caller, caller + 300), want);
    }
    dirty(bound);
    EXPECT_EQ(Fetch(a, 8), zeroPadded(bound));
    EXPECT_FALSE(Fetch(a, 9) || Fetch(a, 10));

    // A size query needs no data pointer, but stored bytes; a data pointer needs a size.
    std::uint32_t size = 0;
    void* data = nullptr;
    EXPECT_EQ((std::tuple{a.GetDataAt(0, nullptr, &size), size, a.GetDataAt(0, nullptr, nullptr),
                          a.GetDataAt(0, &data, nullptr), data, a.GetDataAt(3, nullptr, &size)}),
              std::tuple(1, 200u, 1, 0, nullptr, 0));
}

TEST_F(ArchiveTest, DamagedEntriesFailOnlyTheirOwnCall) {
    const Bytes raw = Pattern(1000, 9), good = Deflate(raw);
    Bytes flipped = good;
    flipped[good.size() / 2] ^= 0x40;
    const std::tuple<const char*, Bytes, std::uint32_t, std::function<void(Bytes&)>> cases[] = {
        {"corrupt deflate data", flipped, 1000, {}},
        {"stream longer than its size", good, 999, {}},
        {"stored bytes past the end", good, 1000,
         [](Bytes& f) { StoreLe32(&f[Field(1, Layout::kRecordOffset)], f.size() - 10); }},
        {"huge stored size", good, 1000,
         [](Bytes& f) { StoreLe32(&f[Field(1, Layout::kRecordStoredSize)], 0xFFFFFFFF); }},
    };
    for (const auto& [what, stored, size, patch] : cases) {
        SCOPED_TRACE(what);
        ArchiveWriter w;
        ASSERT_TRUE(w.AddEntry(1, u"good", nullptr, 0, raw.data(), raw.size()));
        ASSERT_TRUE(w.AddStoredEntry(2, u"bad", nullptr, 0, stored.data(), stored.size(), size));
        Bytes file = Build(w);
        if (patch)
            patch(file);
        ResourceArchive a;
        Open(a, file);
        EXPECT_EQ(Get(a, 2, nullptr, 0), "0 given 0");
        EXPECT_EQ(Get(a, 2, Bytes(2000).data(), 2000), "0 given 2000");
        EXPECT_EQ(Fetch(a, 1), raw);
    }
}

TEST_F(ArchiveTest, ATableLongerThanTheFileFailsRecordByRecord) {
    const Bytes whole = Build(ThreeEntries());
    Bytes longTable = whole;
    StoreLe32(&longTable[Layout::kCount], 1000000);
    CountingArchive a;
    Open(a, longTable);
    EXPECT_EQ(a.GetCount(), 1000000u);
    EXPECT_EQ(a.FindById(7), kNone);
    EXPECT_EQ(a.reads.size(), 1u); // the middle record lies past the end: the search stops
    EXPECT_EQ(a.FindByName(u"b", nullptr), 1u);
    // A name that is not there: the scan reads on through the entry data and stops at the
    // first record that would end past the end of the file.
    a.reads.clear();
    EXPECT_EQ(a.FindByName(u"none", nullptr), kNone);
    const std::size_t fitting = (whole.size() - Layout::kTable) / Layout::kRecordSize;
    ASSERT_EQ(a.reads.size(), fitting + 1);
    EXPECT_EQ(a.reads.back(), fitting);
    std::uint32_t size = 0;
    EXPECT_EQ(std::tuple(a.GetIdAt(999999), a.GetDataAt(999999, nullptr, &size), a.GetIdAt(2),
                         a.GetDataAt(2, nullptr, &size)),
              std::tuple(kNone, 0, 12u, 1));

    // Cut inside the last record, after its number: the number is still there, nothing else.
    ResourceArchive b;
    Open(b, Bytes(whole.begin(), whole.begin() + Field(2, 10)));
    EXPECT_EQ(
        std::tuple(b.FindById(12), b.GetSizeAt(2), b.FindByName(u"c", nullptr), b.GetSizeById(3)),
        std::tuple(2u, 0u, kNone, 200u));
    // Cut after the sizes: a record must still hold its flag byte, though not beyond it.
    for (const auto& [cut, result] : {std::pair{16u, 0}, std::pair{17u, 1}}) {
        ResourceArchive c;
        Open(c, Bytes(whole.begin(), whole.begin() + Field(2, cut)));
        EXPECT_EQ(c.GetDataAt(2, nullptr, &size), result) << cut;
    }
}

// Archives of random entries read back in full, by number and by name. The same entries added in
// another order give the same bytes. Names and types come from small sets, so that a name lookup
// has to find the first of several. Numbers come from a small range, so that most lookups of a
// number in it find nothing, in no more reads than a binary search makes.
TEST_F(ArchiveTest, RandomArchivesRoundTrip) {
    struct Entry {
        Bytes data;
        std::u16string name, type;
    };
    const std::u16string names[] = {u"", u"sky", u"\u00dc \u5199", std::u16string(32, u'z')};
    const std::u16string types[] = {u"", u"eBM", u"font", u"\u00e9"};
    std::mt19937 rng(20240611);
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        std::map<std::uint32_t, Entry> entries;
        // An empty entry is written, but a size of 0 is never fetched; the zeros are the most
        // compressible data there is.
        if (round == 0)
            entries = {{7, {Bytes(), u"", u""}}, {1000, {Bytes(4 << 20, 0), u"", u""}}};
        const int count = std::uniform_int_distribution<int>(0, 12)(rng);
        for (int i = 0; i < count; ++i) {
            Entry e{Bytes(std::uniform_int_distribution<std::size_t>(0, 5000)(rng)),
                    names[rng() % 4], types[rng() % 4]};
            const bool runs = rng() % 2;
            for (std::size_t j = 0; j < e.data.size(); ++j)
                e.data[j] = static_cast<std::uint8_t>(runs ? j / 64 : rng());
            entries.emplace(std::uniform_int_distribution<std::uint32_t>(0, 40)(rng), e);
        }
        ArchiveWriter w, reversed;
        for (const auto& [id, e] : entries)
            ASSERT_TRUE(
                w.AddEntry(id, e.name.c_str(), e.type.c_str(), 0, e.data.data(), e.data.size()));
        for (const auto& [id, e] : std::views::reverse(entries))
            ASSERT_TRUE(reversed.AddEntry(id, e.name.c_str(), e.type.c_str(), 0, e.data.data(),
                                          e.data.size()));
        EXPECT_EQ(Build(reversed), Build(w));
        ASSERT_EQ(w.WriteToFile(m_dir + "/a.erc"), kOk);
        CountingArchive a;
        ASSERT_EQ(a.Open(FromUtf8(m_dir + "/a.erc").c_str()), 1);
        ASSERT_EQ(a.GetCount(), entries.size());
        const std::vector<std::pair<std::uint32_t, Entry>> list(entries.begin(), entries.end());
        for (std::uint32_t id = 0; id <= 41; ++id) {
            a.reads.clear();
            const auto at = std::ranges::find(list, id, &std::pair<std::uint32_t, Entry>::first);
            EXPECT_EQ(a.FindById(id), at == list.end() ? kNone : at - list.begin()) << id;
            EXPECT_LE(a.reads.size(), std::bit_width(list.size())) << id;
        }
        for (std::uint32_t i = 0; i < list.size(); ++i) {
            const auto& [id, e] = list[i];
            // The first entries with its name, and with its name and type.
            std::uint32_t named = 0, typed = 0;
            while (list[named].second.name != e.name)
                ++named;
            while (list[typed].second.name != e.name || list[typed].second.type != e.type)
                ++typed;
            std::uint32_t stored = 0;
            EXPECT_EQ(a.GetIdAt(i), id);
            EXPECT_EQ(a.GetSizeAt(i, &stored), e.data.size());
            EXPECT_EQ(stored, Deflate(e.data).size());
            EXPECT_EQ(Fetch(a, id), e.data.empty() ? std::nullopt : std::optional(e.data));
            EXPECT_EQ(a.FindByName(e.name.c_str(), nullptr), named);
            EXPECT_EQ(a.FindByName(e.name.c_str(), e.type.c_str()), typed);
            EXPECT_EQ(a.GetIdByName(e.name.c_str(), e.type.c_str()), list[typed].first);
        }
    }
}

TEST_F(ArchiveTest, ConcurrentFetchesGetTheirOwnEntries) {
    ResourceArchive a;
    Open(a, Build(ThreeEntries()));
    int failures[2] = {};
    auto run = [&](int t) {
        for (int i = 0; i < 3000; ++i)
            failures[t] += Fetch(a, t ? 12 : 3) != Pattern(200, static_cast<std::uint8_t>(2 * t));
    };
    std::thread other(run, 1);
    run(0);
    other.join();
    EXPECT_EQ(failures[0] + failures[1], 0);
}

} // namespace
} // namespace brelvo
