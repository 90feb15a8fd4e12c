// Opens arbitrary bytes as a resource archive and runs every lookup and both ways of fetching an
// entry over them. The reader works on files, so the bytes go to one in-memory file that lives
// for the whole run and is opened afresh through its /proc path each time.
//
// Besides the sanitizers it checks that the answers agree: a size query, a new buffer and the
// caller's buffer must report the same entry, and nothing is written past the entry's size.

#include "archive/ResourceArchive.h"
#include "base/WString.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using brelvo::ResourceArchive;

// Entries bigger than this are fetched only into a new buffer, to keep each run quick.
constexpr std::uint32_t kCallerBufferLimit = 1 << 20;
constexpr std::uint32_t kEntriesChecked = 64;
constexpr std::uint8_t kGuard = 0xA5;

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

bool Store(int fd, const std::uint8_t* data, std::size_t size) {
    if (::ftruncate(fd, 0) != 0)
        return false;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// A text of up to units units taken from the input, so that name lookups can hit the table.
std::u16string TextAt(const std::uint8_t* data, std::size_t size, std::size_t at,
                      std::size_t units) {
    std::u16string text;
    for (std::size_t i = 0; i < units && at + 2 * i + 1 < size; ++i) {
        const auto unit = static_cast<char16_t>(data[at + 2 * i] | data[at + 2 * i + 1] << 8);
        if (unit == 0)
            break;
        text += unit;
    }
    return text;
}

void FetchEntry(ResourceArchive& archive, std::uint32_t index) {
    std::uint32_t stored = 0;
    const std::uint32_t size = archive.GetSizeAt(index, &stored);
    std::uint32_t queried = 0;
    if (archive.GetDataAt(index, nullptr, &queried))
        Check(queried == size && size != 0 && stored != 0);

    void* fresh = nullptr;
    std::uint32_t freshSize = 0;
    const int fetched = archive.GetDataAt(index, &fresh, &freshSize);
    if (fetched) {
        Check(fresh != nullptr && freshSize == size);
        volatile std::uint8_t ends =
            static_cast<std::uint8_t*>(fresh)[0] ^ static_cast<std::uint8_t*>(fresh)[size - 1];
        (void)ends;
    } else {
        Check(fresh == nullptr && freshSize == 0);
    }

    if (size > 0 && size <= kCallerBufferLimit) {
        std::vector<std::uint8_t> buffer(size + 16, kGuard);
        void* data = buffer.data();
        std::uint32_t capacity = size + 16;
        Check(archive.GetDataAt(index, &data, &capacity) == fetched);
        Check(data == buffer.data() && capacity == size + 16);
        if (fetched)
            Check(std::memcmp(buffer.data(), fresh, size) == 0);
        Check(std::all_of(buffer.end() - 16, buffer.end(), [](auto b) { return b == kGuard; }));

        // One byte short is refused before anything is written.
        std::fill(buffer.begin(), buffer.end(), kGuard);
        capacity = size - 1;
        if (capacity > 0) {
            Check(archive.GetDataAt(index, &data, &capacity) == 0);
            Check(std::all_of(buffer.begin(), buffer.end(), [](auto b) { return b == kGuard; }));
        }
    }
    std::free(fresh);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const int fd = ::memfd_create("fuzz-archive", MFD_CLOEXEC);
    static const brelvo::WString path = brelvo::FromUtf8("/proc/self/fd/" + std::to_string(fd));
    if (fd < 0 || !Store(fd, data, size))
        return 0;

    ResourceArchive archive;
    if (!archive.Open(path.c_str())) {
        Check(size < 100);
        return 0;
    }
    const std::uint32_t count = archive.GetCount();
    char16_t title[33];
    archive.GetTitle(title, 33);
    archive.GetTitle(title, 5);
    std::uint8_t header[8];
    archive.GetHeaderBytes(header);
    archive.GetHeaderWord();

    const std::uint32_t ids[] = {0,
                                 1,
                                 7,
                                 0xFFFFFFFFu,
                                 archive.GetIdAt(0),
                                 archive.GetIdAt(count / 2),
                                 archive.GetIdAt(count - 1)};
    for (const std::uint32_t id : ids) {
        const std::uint32_t index = archive.FindById(id);
        if (index != ResourceArchive::kNotFound)
            Check(index < count && archive.GetIdAt(index) == id);
    }

    // The first record's name and type, as the input spells them.
    const std::u16string name = TextAt(data, size, 120, 32), type = TextAt(data, size, 184, 4);
    for (const char16_t* t : {static_cast<const char16_t*>(nullptr), type.c_str()}) {
        const std::uint32_t index = archive.FindByName(name.c_str(), t);
        Check(index == ResourceArchive::kNotFound || index < count);
        archive.GetSizeByName(name.c_str(), t);
        void* entry = nullptr;
        std::uint32_t entrySize = 0;
        if (archive.GetDataByName(name.c_str(), t, &entry, &entrySize))
            std::free(entry);
    }

    for (std::uint32_t i = 0; i < std::min(count, kEntriesChecked); ++i)
        FetchEntry(archive, i);
    Check(archive.Close() == 1);
    return 0;
}
