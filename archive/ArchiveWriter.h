#pragma once

#include "base/ByteSink.h"
#include "base/Result.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace brelvo {

// Builds an archive that ResourceArchive reads: the header fields, then the table sorted by entry
// number, then each entry's zlib stream in table order. The same inputs always give the same
// bytes, whatever order the entries were added in; every byte the format leaves unused is zero.
class ArchiveWriter {
public:
    // Each refuses (false, nothing changed) a text longer than its field: 32 units for the title
    // and names, 4 for types. A null text is the empty one.
    bool SetTitle(const char16_t* title);
    void SetHeaderWord(std::uint32_t word) { m_headerWord = word; }
    void SetHeaderBytes(const std::uint8_t bytes[8]);

    // Compresses the bytes with zlib at its best level. Refused: a number already present, a
    // name or type too long, data beyond 4 GiB, or running out of memory.
    bool AddEntry(std::uint32_t id, const char16_t* name, const char16_t* type, std::uint8_t flag,
                  const void* data, std::size_t size);
    // Takes the stored bytes as they are and records size as their inflated size, so that an
    // archive can carry a damaged stream or a size that does not match it.
    bool AddStoredEntry(std::uint32_t id, const char16_t* name, const char16_t* type,
                        std::uint8_t flag, const void* stored, std::size_t storedSize,
                        std::uint32_t size);

    std::size_t GetCount() const { return m_entries.size(); }

    // False when the sink refuses a write, or when the archive would not fit the 32-bit offsets
    // of its table.
    bool WriteTo(ByteSink& sink) const;
    // Replaces the file at hostPath safely (platform::WriteFileReplacing).
    HResult WriteToFile(const std::string& hostPath) const;

private:
    struct Entry {
        std::u16string name;
        std::u16string type;
        std::uint8_t flag = 0;
        std::uint32_t size = 0;
        std::vector<std::uint8_t> stored;
    };

    bool Add(std::uint32_t id, const char16_t* name, const char16_t* type, std::uint8_t flag,
             std::vector<std::uint8_t> stored, std::uint32_t size);

    std::u16string m_title;
    std::uint32_t m_headerWord = 0;
    std::uint8_t m_headerBytes[8] = {};
    std::map<std::uint32_t, Entry> m_entries;
};

} // namespace brelvo
