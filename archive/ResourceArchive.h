#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>

namespace brelvo {

// Where everything lies in an archive file. Integers are unsigned 32-bit little-endian and text
// is UTF-16LE, zero-padded to its field. The header is followed by the entry table, sorted by
// entry number with no duplicates, and the entries' zlib streams lie wherever the table says.
// There is no magic number and no checksum beyond the streams' own: the reader trusts the count
// and the table only as far as the file's size allows.
struct ArchiveLayout {
    static constexpr std::uint32_t kHeaderWord = 4;
    static constexpr std::uint32_t kHeaderBytes = 8;
    static constexpr std::uint32_t kHeaderByteCount = 8;
    static constexpr std::uint32_t kTitle = 16;
    static constexpr std::uint32_t kTitleUnits = 32;
    static constexpr std::uint32_t kCount = 96;
    static constexpr std::uint32_t kTable = 100;
    static constexpr std::uint32_t kRecordSize = 92;

    // Fields of a table record, from the record's start.
    static constexpr std::uint32_t kRecordId = 0;
    static constexpr std::uint32_t kRecordOffset = 4;
    static constexpr std::uint32_t kRecordStoredSize = 8;
    static constexpr std::uint32_t kRecordSizeField = 12;
    // A byte every record must hold; its value means nothing, since every entry is inflated.
    static constexpr std::uint32_t kRecordFlag = 16;
    static constexpr std::uint32_t kRecordName = 20;
    static constexpr std::uint32_t kRecordNameUnits = 32;
    static constexpr std::uint32_t kRecordType = 84;
    static constexpr std::uint32_t kRecordTypeUnits = 4;

    // Deflate never produces more than 1032 bytes per input byte; the constant covers the zlib
    // header and trailer of a tiny stream. A recorded size beyond this bound is a lie.
    static constexpr std::uint64_t kMaxInflateRatio = 1032;
    static constexpr std::uint64_t kInflateSlack = 1024;
};

// Reads the archive that holds the program's artwork and fonts: one file of zlib-compressed
// entries, each known by a 32-bit number and by a name and type. The program opens it once at
// start-up, fetches what every screen needs and closes it before the first frame.
//
// Every operation holds the object's lock for its whole duration, so any thread may call any of
// them. Results that say yes or no are 1 or 0; lookups give a 0-based table index, and
// kNotFound when there is none. Failures are quiet and leave the archive open and usable: a
// damaged entry fails only the call that touches it.
class ResourceArchive {
public:
    static constexpr std::uint32_t kNotFound = 0xFFFFFFFFu;

    ResourceArchive() = default;
    // Opens the file at once; IsOpen tells whether that worked.
    explicit ResourceArchive(const char16_t* hostPath);
    virtual ~ResourceArchive();
    ResourceArchive(const ResourceArchive&) = delete;
    ResourceArchive& operator=(const ResourceArchive&) = delete;

    // The path is the host's (the archive lies beside the executable, outside the device tree).
    // 0 when already open, for a null path, a file that cannot be opened or one too short to
    // hold the entry count; the object stays as it was. A count whose table runs past the end
    // of the file is accepted: the records beyond it simply cannot be read.
    int Open(const char16_t* hostPath);
    // 1 when it was open.
    int Close();
    int IsOpen() const;

    // Reads min(capacity, 32) units of the title and puts a zero in place of the last of them,
    // so a capacity of 10 gives 9 units. 0, with the buffer untouched, when not open, for a
    // capacity of 0 or when the units cannot be read.
    int GetTitle(char16_t* buffer, std::uint32_t capacity);
    // Header fields that travel with the archive; the program itself does not use them. 0 when
    // not open or unreadable.
    std::uint32_t GetHeaderWord();
    int GetHeaderBytes(std::uint8_t bytes[8]);
    // The count read at Open; 0 when not open.
    std::uint32_t GetCount() const;

    // Binary search over the table: at most log2(count) + 1 records are read, and the search
    // ends with kNotFound at the first record that cannot be read.
    std::uint32_t FindById(std::uint32_t id);
    // The first record in table order whose name equals name in its first 32 units and, when a
    // type is given, whose type equals type in its first 4 units. The scan ends with kNotFound
    // at the first record that cannot be read.
    std::uint32_t FindByName(const char16_t* name, const char16_t* type);
    std::uint32_t GetIdAt(std::uint32_t index);
    // The entry's size after inflating, 0 on failure. storedSize, when given, receives the size
    // of its compressed bytes, or 0 on failure.
    std::uint32_t GetSizeAt(std::uint32_t index, std::uint32_t* storedSize = nullptr);

    // Fetches entry index, inflated.
    //  - data null: a size query. *size (when size is given) receives the entry's size.
    //  - *size nonzero and *data non-null: the caller's buffer of *size bytes receives the
    //    entry; the call fails, writing nothing, when the buffer is smaller than the entry.
    //    Neither value changes. A stream found corrupt while inflating may have left bytes in
    //    the buffer.
    //  - otherwise: a new buffer from malloc, which the caller owns and releases with free
    //    (LoadImageFromMemory does), goes to *data and the entry's size to *size. Callers set
    //    *size to 0 before each call that wants a new buffer.
    // size must be given whenever data is. A stream that inflates to fewer bytes than the entry
    // records still succeeds, the rest of the entry's bytes being zero; one that inflates to
    // more is corrupt, even when the caller's buffer would hold it. An entry whose stored
    // bytes lie past the end of the file, or whose size is more than its stored bytes can
    // inflate to, fails before anything is allocated. On failure nothing is written to *data
    // or *size and nothing is left allocated.
    int GetDataAt(std::uint32_t index, void** data, std::uint32_t* size);

    // The same after a lookup; 0 (or kNotFound) when there is no such entry.
    std::uint32_t GetSizeById(std::uint32_t id, std::uint32_t* storedSize = nullptr);
    std::uint32_t GetSizeByName(const char16_t* name, const char16_t* type,
                                std::uint32_t* storedSize = nullptr);
    std::uint32_t GetIdByName(const char16_t* name, const char16_t* type);
    int GetDataById(std::uint32_t id, void** data, std::uint32_t* size);
    int GetDataByName(const char16_t* name, const char16_t* type, void** data, std::uint32_t* size);

protected:
    // Called, with the lock held, before every read of a table record, including reads that
    // fail because the record lies past the end of the file. Lets a subclass see how many
    // records a lookup costs.
    virtual void OnRecordRead(std::uint32_t index) { (void)index; }

private:
    // Reads exactly size bytes at offset; false when any of them lies past the size the file
    // had when it was opened, or the read comes up short.
    bool ReadAt(std::uint64_t offset, void* out, std::size_t size);
    bool ReadRecord(std::uint32_t index, std::uint32_t field, void* out, std::size_t size);

    std::FILE* m_file = nullptr;
    int m_open = 0;
    mutable std::recursive_mutex m_lock;
    std::uint32_t m_count = 0;
    std::uint64_t m_fileSize = 0;
};

} // namespace brelvo
