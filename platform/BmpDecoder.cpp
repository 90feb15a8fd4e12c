#include "base/LittleEndian.h"
#include "platform/PictureDecoder.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace brelvo::platform {

namespace {

// The compression field's values this reader accepts. Embedded JPEG and PNG payloads (4 and 5)
// would need another decoder inside this one, and nothing else is defined, so both are refused.
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;

constexpr std::uint64_t kFileHeaderBytes = 14;
constexpr std::uint32_t kCoreHeaderBytes = 12;
// The colour masks start 40 bytes into the info header: larger headers hold them there, and a
// 40-byte header is followed by them, so they sit at the same file offset either way.
constexpr std::uint64_t kMasksAt = kFileHeaderBytes + 40;

// Little-endian reads that never leave the file. A read past the end yields zero and marks the
// reader failed, so a header is read field by field and judged once at the end.
class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool Has(std::uint64_t at, std::uint64_t count) const {
        return at <= m_size && count <= m_size - at;
    }
    std::uint32_t U8(std::uint64_t at) { return Has(at, 1) ? m_data[at] : Fail(); }
    std::uint32_t U16(std::uint64_t at) { return Has(at, 2) ? LoadLe16(m_data + at) : Fail(); }
    std::uint32_t U32(std::uint64_t at) { return U16(at) | U16(at + 2) << 16; }
    std::int32_t I32(std::uint64_t at) { return static_cast<std::int32_t>(U32(at)); }
    // Only for a span the caller has checked with Has.
    const std::uint8_t* At(std::uint64_t at) const { return m_data + at; }
    std::uint64_t Size() const { return m_size; }
    bool Ok() const { return m_ok; }

private:
    std::uint32_t Fail() {
        m_ok = false;
        return 0;
    }

    const std::uint8_t* m_data;
    std::size_t m_size;
    bool m_ok = true;
};

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
};

// One channel of a 16- or 32-bit pixel. A field of any width becomes 8 bits as
// round(v * 255 / max), so a full field is always 255 and an empty one always 0; max is odd
// (2^n - 1), so the rounding never meets a tie.
struct MaskChannel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint64_t max = 0;

    std::uint8_t Scale(std::uint32_t pixel) const {
        const std::uint64_t v = (pixel & mask) >> shift;
        return static_cast<std::uint8_t>((v * 255 + max / 2) / max);
    }
};

struct Layout {
    std::int32_t width = 0;
    std::int32_t rows = 0;
    bool topDown = false;
    std::uint32_t bpp = 0;
    std::uint32_t compression = kBiRgb;
    std::uint64_t pixelsAt = 0;
    std::array<Rgb, 256> palette{};     // entries the file does not give stay black
    std::array<MaskChannel, 4> masks{}; // R, G, B, A; an alpha mask of 0 means no alpha

    bool IsRle() const { return compression == kBiRle8 || compression == kBiRle4; }
    bool HasAlpha() const { return masks[3].mask != 0; }
    std::uint64_t RowBytes() const {
        return (static_cast<std::uint64_t>(width) * bpp + 31) / 32 * 4;
    }
    // File rows are stored bottom first unless the height was negative.
    std::int32_t OutRow(std::int32_t fileRow) const {
        return topDown ? fileRow : rows - 1 - fileRow;
    }
};

bool IsKnownHeaderSize(std::uint32_t size) {
    return size == kCoreHeaderBytes || size == 40 || size == 52 || size == 56 || size == 108 ||
           size == 124;
}

bool IsSupportedFormat(std::uint32_t compression, std::uint32_t bpp) {
    switch (compression) {
    case kBiRgb:
        return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
    case kBiRle8:
        return bpp == 8;
    case kBiRle4:
        return bpp == 4;
    case kBiBitfields:
    case kBiAlphaBitfields:
        return bpp == 16 || bpp == 32;
    default:
        return false;
    }
}

// Every colour mask must be one run of bits inside the pixel, and no two may share a bit;
// otherwise the channels would be guesses.
bool SetMasks(Layout& layout, const std::array<std::uint32_t, 4>& masks) {
    const std::uint64_t pixelMax = layout.bpp == 16 ? 0xFFFFu : 0xFFFFFFFFu;
    std::uint32_t used = 0;
    for (std::size_t i = 0; i < masks.size(); ++i) {
        const std::uint32_t mask = masks[i];
        if (mask == 0) {
            if (i < 3)
                return false;
            continue;
        }
        if (mask > pixelMax || (used & mask) != 0)
            return false;
        used |= mask;
        const int shift = std::countr_zero(mask);
        const std::uint64_t max = mask >> shift;
        if ((max & (max + 1)) != 0)
            return false;
        layout.masks[i] = {mask, shift, max};
    }
    return true;
}

bool ReadPalette(ByteReader& in, std::uint64_t at, std::uint32_t entryBytes,
                 std::uint32_t coloursUsed, Layout& layout) {
    const std::uint32_t capacity = 1u << layout.bpp;
    if (coloursUsed > capacity)
        return false;
    const std::uint32_t count = coloursUsed == 0 ? capacity : coloursUsed;
    if (!in.Has(at, static_cast<std::uint64_t>(count) * entryBytes))
        return false;
    for (std::uint32_t i = 0; i < count; ++i, at += entryBytes)
        layout.palette[i] = {static_cast<std::uint8_t>(in.U8(at + 2)),
                             static_cast<std::uint8_t>(in.U8(at + 1)),
                             static_cast<std::uint8_t>(in.U8(at))};
    return true;
}

bool ReadMasks(ByteReader& in, std::uint32_t headerBytes, Layout& layout) {
    if (layout.compression == kBiRgb) {
        // 16-bit pixels are 5-5-5 with the top bit unused; 32-bit pixels are BGRX, and whether X
        // is alpha is decided from the pixels once they are known to be there.
        if (layout.bpp == 16)
            return SetMasks(layout, {0x7C00, 0x03E0, 0x001F, 0});
        return SetMasks(layout, {0xFF0000, 0xFF00, 0xFF, 0});
    }
    const bool alphaGiven = layout.compression == kBiAlphaBitfields || headerBytes >= 56;
    return SetMasks(layout, {in.U32(kMasksAt), in.U32(kMasksAt + 4), in.U32(kMasksAt + 8),
                             alphaGiven ? in.U32(kMasksAt + 12) : 0});
}

bool ReadLayout(ByteReader& in, Layout& layout) {
    if (!in.Has(0, kFileHeaderBytes + 4) || in.U8(0) != 'B' || in.U8(1) != 'M')
        return false;
    layout.pixelsAt = in.U32(10);
    const std::uint32_t headerBytes = in.U32(kFileHeaderBytes);
    if (!IsKnownHeaderSize(headerBytes) || !in.Has(kFileHeaderBytes, headerBytes))
        return false;

    std::int64_t height = 0;
    std::uint32_t planes = 0;
    std::uint32_t coloursUsed = 0;
    if (headerBytes == kCoreHeaderBytes) {
        layout.width = static_cast<std::int32_t>(in.U16(18));
        height = in.U16(20);
        planes = in.U16(22);
        layout.bpp = in.U16(24);
    } else {
        layout.width = in.I32(18);
        height = in.I32(22);
        planes = in.U16(26);
        layout.bpp = in.U16(28);
        layout.compression = in.U32(30);
        coloursUsed = in.U32(46);
    }
    // Negating INT32_MIN would overflow; in 64 bits it is simply too tall.
    layout.topDown = height < 0;
    if (layout.topDown)
        height = -height;
    if (planes != 1 || layout.width < 1 || layout.width > kMaxPictureSide || height < 1 ||
        height > kMaxPictureSide)
        return false;
    layout.rows = static_cast<std::int32_t>(height);
    if (!IsSupportedFormat(layout.compression, layout.bpp))
        return false;
    if (headerBytes == kCoreHeaderBytes && layout.compression != kBiRgb)
        return false;
    // Run-length data is defined bottom up only.
    if (layout.IsRle() && layout.topDown)
        return false;

    const std::uint64_t paletteAt = kFileHeaderBytes + headerBytes;
    const std::uint32_t entryBytes = headerBytes == kCoreHeaderBytes ? 3 : 4;
    const bool ok = layout.bpp <= 8 ? ReadPalette(in, paletteAt, entryBytes, coloursUsed, layout)
                                    : ReadMasks(in, headerBytes, layout);
    return ok && in.Ok();
}

void DecodeIndexed(const Layout& layout, const std::uint8_t* pixels, Bitmap& out) {
    const std::uint32_t valueMask = (1u << layout.bpp) - 1;
    for (std::int32_t y = 0; y < layout.rows; ++y) {
        const std::uint8_t* row = pixels + static_cast<std::uint64_t>(y) * layout.RowBytes();
        std::uint8_t* o = out.Row(layout.OutRow(y));
        for (std::uint64_t bit = 0; bit < static_cast<std::uint64_t>(layout.width) * layout.bpp;
             bit += layout.bpp) {
            // The first pixel of a byte is in its high bits.
            const std::uint32_t shift = 8 - layout.bpp - static_cast<std::uint32_t>(bit % 8);
            const Rgb& c = layout.palette[(row[bit / 8] >> shift) & valueMask];
            *o++ = c.r;
            *o++ = c.g;
            *o++ = c.b;
        }
    }
}

void DecodeBgr24(const Layout& layout, const std::uint8_t* pixels, Bitmap& out) {
    for (std::int32_t y = 0; y < layout.rows; ++y) {
        const std::uint8_t* p = pixels + static_cast<std::uint64_t>(y) * layout.RowBytes();
        std::uint8_t* o = out.Row(layout.OutRow(y));
        for (std::int32_t x = 0; x < layout.width; ++x, p += 3) {
            *o++ = p[2];
            *o++ = p[1];
            *o++ = p[0];
        }
    }
}

void DecodeMasked(const Layout& layout, const std::uint8_t* pixels, Bitmap& out) {
    const std::uint32_t pixelBytes = layout.bpp / 8;
    for (std::int32_t y = 0; y < layout.rows; ++y) {
        const std::uint8_t* p = pixels + static_cast<std::uint64_t>(y) * layout.RowBytes();
        std::uint8_t* o = out.Row(layout.OutRow(y));
        for (std::int32_t x = 0; x < layout.width; ++x, p += pixelBytes) {
            std::uint32_t pixel = p[0] | static_cast<std::uint32_t>(p[1]) << 8;
            if (pixelBytes == 4)
                pixel |= static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3])
                                                                      << 24;
            for (int c = 0; c < out.channels; ++c)
                *o++ = layout.masks[static_cast<std::size_t>(c)].Scale(pixel);
        }
    }
}

// A 32-bit BGRX file's fourth byte is normally left zero; taking it as alpha then would make
// the picture invisible, so it counts as alpha only when some pixel sets it.
bool AnyFourthByteSet(const Layout& layout, const std::uint8_t* pixels) {
    const std::uint64_t bytes = layout.RowBytes() * static_cast<std::uint64_t>(layout.rows);
    for (std::uint64_t i = 3; i < bytes; i += 4)
        if (pixels[i] != 0)
            return true;
    return false;
}

// Run-length data may leave pixels unset (deltas, early ends of line or of the bitmap); those
// are white, the usual background. The stream may stop short of its end marker and the rows
// decoded so far are kept, but any step that would write outside the picture refuses the file.
HResult DecodeRle(const Layout& layout, ByteReader& in, Bitmap& out) {
    const bool nibbles = layout.compression == kBiRle4;
    for (std::uint8_t& byte : out.pixels)
        byte = 0xFF;
    std::uint64_t at = layout.pixelsAt;
    std::int32_t x = 0;
    std::int32_t y = 0; // counted from the bottom row, as the file stores them
    auto put = [&](std::uint32_t index) {
        const Rgb& c = layout.palette[index];
        std::uint8_t* o = out.Row(layout.rows - 1 - y) + static_cast<std::size_t>(x) * 3;
        o[0] = c.r;
        o[1] = c.g;
        o[2] = c.b;
        ++x;
    };
    while (in.Has(at, 2)) {
        const std::uint32_t count = in.U8(at);
        const std::uint32_t value = in.U8(at + 1);
        at += 2;
        if (count > 0) {
            // An encoded run repeats one byte: one index, or two alternating nibbles.
            if (y >= layout.rows || x + static_cast<std::int64_t>(count) > layout.width)
                return kErrFail;
            for (std::uint32_t i = 0; i < count; ++i)
                put(!nibbles ? value : (i % 2 == 0 ? value >> 4 : value & 0x0F));
        } else if (value == 0) { // end of line
            if (y >= layout.rows)
                return kErrFail;
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            return kOk;
        } else if (value == 2) { // delta: move right, and up the picture
            if (!in.Has(at, 2))
                break;
            const std::int64_t toX = x + static_cast<std::int64_t>(in.U8(at));
            const std::int64_t toY = y + static_cast<std::int64_t>(in.U8(at + 1));
            at += 2;
            if (toX > layout.width || toY > layout.rows)
                return kErrFail;
            x = static_cast<std::int32_t>(toX);
            y = static_cast<std::int32_t>(toY);
        } else { // absolute: `value` literal indexes, padded to a 16-bit boundary
            const std::uint64_t bytes = nibbles ? (value + 1) / 2 : value;
            if (y >= layout.rows || x + static_cast<std::int64_t>(value) > layout.width)
                return kErrFail;
            if (!in.Has(at, bytes))
                break;
            for (std::uint32_t i = 0; i < value; ++i) {
                const std::uint32_t byte = in.U8(at + (nibbles ? i / 2 : i));
                put(!nibbles ? byte : (i % 2 == 0 ? byte >> 4 : byte & 0x0F));
            }
            at += (bytes + 1) / 2 * 2;
        }
    }
    return kOk;
}

} // namespace

HResult DecodeBmp(const std::uint8_t* data, std::size_t size, Bitmap& out) {
    out = Bitmap{};
    if (data == nullptr)
        return kErrFail;
    ByteReader in(data, size);
    Layout layout;
    if (!ReadLayout(in, layout))
        return kErrFail;

    // An uncompressed file must hold every row it claims: a truncated download is refused, not
    // shown half grey. Run-length data only has to start inside the file.
    const std::uint64_t pixelBytes = layout.RowBytes() * static_cast<std::uint64_t>(layout.rows);
    if (layout.IsRle() ? layout.pixelsAt >= in.Size() : !in.Has(layout.pixelsAt, pixelBytes))
        return kErrFail;
    const std::uint8_t* pixels = in.At(layout.pixelsAt);
    if (layout.bpp == 32 && layout.compression == kBiRgb && AnyFourthByteSet(layout, pixels))
        layout.masks[3] = {0xFF000000, 24, 0xFF};

    if (!out.Allocate(layout.width, layout.rows, layout.HasAlpha() ? 4 : 3)) {
        out = Bitmap{};
        return kErrFail;
    }
    if (layout.IsRle()) {
        if (Failed(DecodeRle(layout, in, out))) {
            out = Bitmap{};
            return kErrFail;
        }
    } else if (layout.bpp <= 8) {
        DecodeIndexed(layout, pixels, out);
    } else if (layout.bpp == 24) {
        DecodeBgr24(layout, pixels, out);
    } else {
        DecodeMasked(layout, pixels, out);
    }
    return kOk;
}

} // namespace brelvo::platform
