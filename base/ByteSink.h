#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace brelvo {

// Where encoders put their bytes. Encoders never know whether the bytes go to memory or to a
// file; the file layer alone deals with temporary files and renames.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Appends size bytes; false when they could not all be taken. After a false every further
    // write may be refused as well.
    virtual bool Write(const void* data, std::size_t size) = 0;
};

// Collects the bytes in memory (tests compare them; small encoders build into it).
class VectorSink final : public ByteSink {
public:
    bool Write(const void* data, std::size_t size) override {
        const auto* p = static_cast<const std::uint8_t*>(data);
        m_bytes.insert(m_bytes.end(), p, p + size);
        return true;
    }
    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
};

} // namespace brelvo
