#include "archive/ArchiveWriter.h"
#include "base/LittleEndian.h"

#include "archive/ResourceArchive.h"
#include "base/WString.h"
#include "platform/DeviceFiles.h"

#include <zlib.h>

#include <array>
#include <cstring>
#include <new>
#include <utility>

namespace brelvo {

namespace {

using Layout = ArchiveLayout;

void PutText(std::uint8_t* p, const std::u16string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        StoreLe16(p + 2 * i, text[i]);
    }
}

// Null is the empty text; false when the text does not fit its field.
bool TakeText(const char16_t* text, std::size_t maxUnits, std::u16string& out) {
    const std::size_t length = text ? StrLen16(text) : 0;
    if (length > maxUnits)
        return false;
    out.assign(text ? text : u"", length);
    return true;
}

} // namespace

bool ArchiveWriter::SetTitle(const char16_t* title) {
    try {
        std::u16string text;
        if (!TakeText(title, Layout::kTitleUnits, text))
            return false;
        m_title = std::move(text);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void ArchiveWriter::SetHeaderBytes(const std::uint8_t bytes[8]) {
    std::memcpy(m_headerBytes, bytes, sizeof m_headerBytes);
}

bool ArchiveWriter::AddEntry(std::uint32_t id, const char16_t* name, const char16_t* type,
                             std::uint8_t flag, const void* data, std::size_t size) {
    if (size > 0xFFFFFFFFu || (size > 0 && !data))
        return false;
    try {
        std::vector<std::uint8_t> stored(compressBound(static_cast<uLong>(size)));
        uLongf storedSize = stored.size();
        if (compress2(stored.data(), &storedSize, static_cast<const Bytef*>(data),
                      static_cast<uLong>(size), Z_BEST_COMPRESSION) != Z_OK)
            return false;
        stored.resize(storedSize);
        return Add(id, name, type, flag, std::move(stored), static_cast<std::uint32_t>(size));
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool ArchiveWriter::AddStoredEntry(std::uint32_t id, const char16_t* name, const char16_t* type,
                                   std::uint8_t flag, const void* stored, std::size_t storedSize,
                                   std::uint32_t size) {
    if (storedSize > 0xFFFFFFFFu || (storedSize > 0 && !stored))
        return false;
    try {
        const auto* bytes = static_cast<const std::uint8_t*>(stored);
        return Add(id, name, type, flag,
                   storedSize > 0 ? std::vector<std::uint8_t>(bytes, bytes + storedSize)
                                  : std::vector<std::uint8_t>(),
                   size);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool ArchiveWriter::Add(std::uint32_t id, const char16_t* name, const char16_t* type,
                        std::uint8_t flag, std::vector<std::uint8_t> stored, std::uint32_t size) {
    Entry entry;
    if (m_entries.contains(id) || !TakeText(name, Layout::kRecordNameUnits, entry.name) ||
        !TakeText(type, Layout::kRecordTypeUnits, entry.type))
        return false;
    entry.flag = flag;
    entry.size = size;
    entry.stored = std::move(stored);
    m_entries.emplace(id, std::move(entry));
    return true;
}

bool ArchiveWriter::WriteTo(ByteSink& sink) const {
    try {
        const std::uint64_t tableEnd =
            Layout::kTable + std::uint64_t{m_entries.size()} * Layout::kRecordSize;
        std::uint64_t total = tableEnd;
        for (const auto& [id, entry] : m_entries)
            total += entry.stored.size();
        if (total > 0xFFFFFFFFu)
            return false;

        std::array<std::uint8_t, Layout::kTable> header{};
        StoreLe32(&header[Layout::kHeaderWord], m_headerWord);
        std::memcpy(&header[Layout::kHeaderBytes], m_headerBytes, sizeof m_headerBytes);
        PutText(&header[Layout::kTitle], m_title);
        StoreLe32(&header[Layout::kCount], static_cast<std::uint32_t>(m_entries.size()));

        std::vector<std::uint8_t> table(m_entries.size() * Layout::kRecordSize, 0);
        std::uint32_t offset = static_cast<std::uint32_t>(tableEnd);
        std::size_t at = 0;
        // The map keeps the entries in ascending order of number, which is the table's order.
        for (const auto& [id, entry] : m_entries) {
            std::uint8_t* record = table.data() + at;
            const auto stored = static_cast<std::uint32_t>(entry.stored.size());
            StoreLe32(record + Layout::kRecordId, id);
            StoreLe32(record + Layout::kRecordOffset, offset);
            StoreLe32(record + Layout::kRecordStoredSize, stored);
            StoreLe32(record + Layout::kRecordSizeField, entry.size);
            record[Layout::kRecordFlag] = entry.flag;
            PutText(record + Layout::kRecordName, entry.name);
            PutText(record + Layout::kRecordType, entry.type);
            offset += stored;
            at += Layout::kRecordSize;
        }
        if (!sink.Write(header.data(), header.size()) ||
            (!table.empty() && !sink.Write(table.data(), table.size())))
            return false;
        for (const auto& [id, entry] : m_entries)
            if (!entry.stored.empty() && !sink.Write(entry.stored.data(), entry.stored.size()))
                return false;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

HResult ArchiveWriter::WriteToFile(const std::string& hostPath) const {
    try {
        VectorSink bytes;
        if (!WriteTo(bytes))
            return kErrFail;
        return platform::WriteFileReplacing(hostPath, bytes.Bytes().data(), bytes.Bytes().size());
    } catch (const std::bad_alloc&) {
        return kErrOutOfMemory;
    }
}

} // namespace brelvo
