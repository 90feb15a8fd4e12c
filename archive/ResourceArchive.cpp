#include "archive/ResourceArchive.h"
#include "base/FreeDeleter.h"
#include "base/LittleEndian.h"

#include "base/WString.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace brelvo {

namespace {

using Layout = ArchiveLayout;

// Compares like a bounded string comparison: equal when the first count units agree, or when
// both texts end at the same place before that. The stored field need not be terminated.
bool FieldEquals(const char16_t* text, const std::uint8_t* field, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) {
        const char16_t stored = static_cast<char16_t>(LoadLe16(field + 2 * i));
        if (text[i] != stored)
            return false;
        if (stored == 0)
            return true;
    }
    return true;
}

} // namespace

ResourceArchive::ResourceArchive(const char16_t* hostPath) {
    Open(hostPath);
}

ResourceArchive::~ResourceArchive() {
    Close();
}

int ResourceArchive::Open(const char16_t* hostPath) {
    std::lock_guard lock(m_lock);
    if (m_open || !hostPath)
        return 0;
    std::string utf8;
    try {
        utf8 = ToUtf8(WString(hostPath));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    // "e": the descriptor is not inherited by any program started later.
    std::FILE* file = std::fopen(utf8.c_str(), "rbe");
    if (!file)
        return 0;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        size = std::ftell(file);
    if (size < 0) {
        std::fclose(file);
        return 0;
    }
    m_file = file;
    m_fileSize = static_cast<std::uint64_t>(size);
    std::uint8_t count[4];
    if (!ReadAt(Layout::kCount, count, sizeof count)) {
        std::fclose(m_file);
        m_file = nullptr;
        m_fileSize = 0;
        return 0;
    }
    m_count = LoadLe32(count);
    m_open = 1;
    return 1;
}

int ResourceArchive::Close() {
    std::lock_guard lock(m_lock);
    if (!m_open)
        return 0;
    std::fclose(m_file);
    m_file = nullptr;
    m_open = 0;
    m_count = 0;
    m_fileSize = 0;
    return 1;
}

int ResourceArchive::IsOpen() const {
    std::lock_guard lock(m_lock);
    return m_open;
}

bool ResourceArchive::ReadAt(std::uint64_t offset, void* out, std::size_t size) {
    // The size taken at Open decides what exists: a table or an entry that claims more than the
    // file holds fails here without a read, however large its numbers.
    if (!m_file || offset > m_fileSize || size > m_fileSize - offset)
        return false;
    std::clearerr(m_file);
    if (std::fseek(m_file, static_cast<long>(offset), SEEK_SET) != 0)
        return false;
    return std::fread(out, 1, size, m_file) == size;
}

bool ResourceArchive::ReadRecord(std::uint32_t index, std::uint32_t field, void* out,
                                 std::size_t size) {
    OnRecordRead(index);
    const std::uint64_t at = Layout::kTable + std::uint64_t{index} * Layout::kRecordSize + field;
    return ReadAt(at, out, size);
}

int ResourceArchive::GetTitle(char16_t* buffer, std::uint32_t capacity) {
    std::lock_guard lock(m_lock);
    if (!m_open || !buffer || capacity == 0)
        return 0;
    const std::uint32_t units = capacity < Layout::kTitleUnits ? capacity : Layout::kTitleUnits;
    std::uint8_t bytes[2 * Layout::kTitleUnits];
    if (!ReadAt(Layout::kTitle, bytes, 2 * units))
        return 0;
    for (std::uint32_t i = 0; i + 1 < units; ++i)
        buffer[i] = static_cast<char16_t>(LoadLe16(bytes + 2 * i));
    buffer[units - 1] = 0;
    return 1;
}

std::uint32_t ResourceArchive::GetHeaderWord() {
    std::lock_guard lock(m_lock);
    std::uint8_t word[4];
    if (!m_open || !ReadAt(Layout::kHeaderWord, word, sizeof word))
        return 0;
    return LoadLe32(word);
}

int ResourceArchive::GetHeaderBytes(std::uint8_t bytes[8]) {
    std::lock_guard lock(m_lock);
    std::uint8_t read[Layout::kHeaderByteCount];
    if (!m_open || !bytes || !ReadAt(Layout::kHeaderBytes, read, sizeof read))
        return 0;
    std::memcpy(bytes, read, sizeof read);
    return 1;
}

std::uint32_t ResourceArchive::GetCount() const {
    std::lock_guard lock(m_lock);
    return m_open ? m_count : 0;
}

std::uint32_t ResourceArchive::FindById(std::uint32_t id) {
    std::lock_guard lock(m_lock);
    if (!m_open)
        return kNotFound;
    std::uint32_t lo = 0, hi = m_count;
    while (lo != hi) {
        // The same midpoint as (lo + hi) / 2, without overflowing on a huge count.
        const std::uint32_t mid = lo + (hi - lo) / 2;
        std::uint8_t word[4];
        if (!ReadRecord(mid, Layout::kRecordId, word, sizeof word))
            return kNotFound;
        const std::uint32_t found = LoadLe32(word);
        if (found == id)
            return mid;
        if (id > found)
            lo = mid + 1;
        else
            hi = mid;
    }
    return kNotFound;
}

std::uint32_t ResourceArchive::FindByName(const char16_t* name, const char16_t* type) {
    std::lock_guard lock(m_lock);
    if (!m_open || !name)
        return kNotFound;
    // Name and type are adjacent and end the record, so one read fetches both.
    constexpr std::uint32_t kNameBytes = 2 * Layout::kRecordNameUnits;
    static_assert(Layout::kRecordType == Layout::kRecordName + kNameBytes);
    std::uint8_t fields[kNameBytes + 2 * Layout::kRecordTypeUnits];
    for (std::uint32_t i = 0; i < m_count; ++i) {
        if (!ReadRecord(i, Layout::kRecordName, fields, sizeof fields))
            return kNotFound;
        if (FieldEquals(name, fields, Layout::kRecordNameUnits) &&
            (!type || FieldEquals(type, fields + kNameBytes, Layout::kRecordTypeUnits)))
            return i;
    }
    return kNotFound;
}

std::uint32_t ResourceArchive::GetIdAt(std::uint32_t index) {
    std::lock_guard lock(m_lock);
    std::uint8_t word[4];
    if (!m_open || index >= m_count || !ReadRecord(index, Layout::kRecordId, word, sizeof word))
        return kNotFound;
    return LoadLe32(word);
}

std::uint32_t ResourceArchive::GetSizeAt(std::uint32_t index, std::uint32_t* storedSize) {
    std::lock_guard lock(m_lock);
    if (storedSize)
        *storedSize = 0;
    static_assert(Layout::kRecordSizeField == Layout::kRecordStoredSize + 4);
    std::uint8_t sizes[8];
    if (!m_open || index >= m_count ||
        !ReadRecord(index, Layout::kRecordStoredSize, sizes, sizeof sizes))
        return 0;
    if (storedSize)
        *storedSize = LoadLe32(sizes);
    return LoadLe32(sizes + 4);
}

int ResourceArchive::GetDataAt(std::uint32_t index, void** data, std::uint32_t* size) {
    std::lock_guard lock(m_lock);
    if (!m_open || index >= m_count || (data && !size))
        return 0;

    // Offset, stored size, size and the flag byte are adjacent; the flag byte must be there
    // even though its value is not used.
    static_assert(Layout::kRecordStoredSize == Layout::kRecordOffset + 4 &&
                  Layout::kRecordSizeField == Layout::kRecordOffset + 8 &&
                  Layout::kRecordFlag == Layout::kRecordOffset + 12);
    std::uint8_t fields[13];
    if (!ReadRecord(index, Layout::kRecordOffset, fields, sizeof fields))
        return 0;
    const std::uint32_t offset = LoadLe32(fields);
    const std::uint32_t stored = LoadLe32(fields + 4);
    const std::uint32_t entrySize = LoadLe32(fields + 8);
    if (stored == 0 || entrySize == 0)
        return 0;
    if (!data) {
        if (size)
            *size = entrySize;
        return 1;
    }

    // A lying table must not make us allocate: the stored bytes have to be in the file, and the
    // size has to be one they can inflate to.
    if (std::uint64_t{offset} + stored > m_fileSize ||
        entrySize > std::uint64_t{stored} * Layout::kMaxInflateRatio + Layout::kInflateSlack)
        return 0;
    const bool callerBuffer = *size != 0 && *data != nullptr;
    if (callerBuffer && *size < entrySize)
        return 0;

    const std::unique_ptr<void, FreeDeleter> input(std::malloc(stored));
    if (!input || !ReadAt(offset, input.get(), stored))
        return 0;
    std::unique_ptr<void, FreeDeleter> fresh;
    if (!callerBuffer) {
        fresh.reset(std::malloc(entrySize));
        if (!fresh)
            return 0;
    }
    auto* output = static_cast<Bytef*>(callerBuffer ? *data : fresh.get());
    uLongf produced = entrySize;
    if (uncompress(output, &produced, static_cast<const Bytef*>(input.get()), stored) != Z_OK)
        return 0;
    // An entry that inflates short is handed out whole, so its tail must not be left as
    // whatever the memory held before.
    if (produced < entrySize)
        std::memset(output + produced, 0, entrySize - produced);
    if (!callerBuffer) {
        *data = fresh.release();
        *size = entrySize;
    }
    return 1;
}

std::uint32_t ResourceArchive::GetSizeById(std::uint32_t id, std::uint32_t* storedSize) {
    std::lock_guard lock(m_lock);
    if (storedSize)
        *storedSize = 0;
    const std::uint32_t index = FindById(id);
    return index == kNotFound ? 0 : GetSizeAt(index, storedSize);
}

std::uint32_t ResourceArchive::GetSizeByName(const char16_t* name, const char16_t* type,
                                             std::uint32_t* storedSize) {
    std::lock_guard lock(m_lock);
    if (storedSize)
        *storedSize = 0;
    const std::uint32_t index = FindByName(name, type);
    return index == kNotFound ? 0 : GetSizeAt(index, storedSize);
}

std::uint32_t ResourceArchive::GetIdByName(const char16_t* name, const char16_t* type) {
    std::lock_guard lock(m_lock);
    const std::uint32_t index = FindByName(name, type);
    return index == kNotFound ? kNotFound : GetIdAt(index);
}

int ResourceArchive::GetDataById(std::uint32_t id, void** data, std::uint32_t* size) {
    std::lock_guard lock(m_lock);
    const std::uint32_t index = FindById(id);
    return index == kNotFound ? 0 : GetDataAt(index, data, size);
}

int ResourceArchive::GetDataByName(const char16_t* name, const char16_t* type, void** data,
                                   std::uint32_t* size) {
    std::lock_guard lock(m_lock);
    const std::uint32_t index = FindByName(name, type);
    return index == kNotFound ? 0 : GetDataAt(index, data, size);
}

} // namespace brelvo
