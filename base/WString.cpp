#include "base/WString.h"

#include "base/Verify.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <utility>

namespace brelvo {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Grows, shrinks or (for a null buffer) allocates room for units code units. The program does
// not try to continue without memory, but it stops with a message rather than a null access.
char16_t* Reallocate(char16_t* buffer, int units) {
    void* p = std::realloc(buffer, static_cast<std::size_t>(units) * sizeof(char16_t));
    VERIFY(p != nullptr);
    return static_cast<char16_t*>(p);
}

char16_t* AllocateEmpty() {
    char16_t* buffer = Reallocate(nullptr, 1);
    buffer[0] = 0;
    return buffer;
}

int CheckedLength(const char16_t* text) {
    if (text == nullptr)
        return 0;
    const std::size_t length = StrLen16(text);
    VERIFY(length <= static_cast<std::size_t>(WString::kMaxLength));
    return static_cast<int>(length);
}

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    auto put = [&out](std::uint32_t byte) { out.push_back(static_cast<char>(byte)); };
    if (cp < 0x80) {
        put(cp);
    } else if (cp < 0x800) {
        put(0xC0 | (cp >> 6));
        put(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        put(0xE0 | (cp >> 12));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    } else {
        put(0xF0 | (cp >> 18));
        put(0x80 | ((cp >> 12) & 0x3F));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    }
}

} // namespace

std::size_t StrLen16(const char16_t* text) {
    std::size_t length = 0;
    while (text[length] != 0)
        ++length;
    return length;
}

int StrCmp16(const char16_t* a, const char16_t* b) {
    while (*a != 0 && *a == *b) {
        ++a;
        ++b;
    }
    // char16_t is unsigned and promotes to int, so the difference orders the units correctly.
    return static_cast<int>(*a) - static_cast<int>(*b);
}

WString::WString() : m_buffer(AllocateEmpty()), m_length(0) {}

WString::WString(const char16_t* text) : m_buffer(nullptr), m_length(0) {
    Assign(text, CheckedLength(text));
}

WString::WString(const WString& other) : m_buffer(nullptr), m_length(0) {
    Assign(other.m_buffer, other.m_length);
}

WString::WString(WString&& other) noexcept : m_buffer(other.m_buffer), m_length(other.m_length) {
    other.m_buffer = AllocateEmpty();
    other.m_length = 0;
}

WString::~WString() {
    std::free(m_buffer);
}

WString& WString::operator=(const WString& other) {
    if (other.m_buffer != m_buffer)
        Assign(other.m_buffer, other.m_length);
    return *this;
}

WString& WString::operator=(WString&& other) noexcept {
    if (other.m_buffer != m_buffer) {
        // Hand the old buffer to other as its empty string instead of allocating a new one.
        std::swap(m_buffer, other.m_buffer);
        m_length = other.m_length;
        other.m_buffer[0] = 0;
        other.m_length = 0;
    }
    return *this;
}

WString& WString::operator=(const char16_t* text) {
    Assign(text, CheckedLength(text));
    return *this;
}

void WString::Assign(const char16_t* text, int length) {
    VERIFY(length >= 0 && length <= kMaxLength);
    VERIFY(text != nullptr || length == 0);
    int units = 0;
    while (units < length && text[units] != 0)
        ++units;
    // The new buffer is filled before the old one is released, since text may lie inside it.
    char16_t* buffer = Reallocate(nullptr, units + 1);
    if (units > 0)
        std::memcpy(buffer, text, static_cast<std::size_t>(units) * sizeof(char16_t));
    buffer[units] = 0;
    std::free(m_buffer);
    m_buffer = buffer;
    m_length = units;
}

void WString::Append(const char16_t* text, int count) {
    if (count == 0)
        return;
    VERIFY(count <= kMaxLength - m_length);
    // The appended text may be part of this string (s += s). realloc may move the buffer, so
    // such a text is found again by its offset; its units are within the part that realloc
    // preserves, and they do not overlap the space being written.
    const bool inside = std::less_equal<const char16_t*>()(m_buffer, text) &&
                        std::less<const char16_t*>()(text, m_buffer + m_length);
    const std::ptrdiff_t offset = inside ? text - m_buffer : 0;
    const int length = m_length + count;
    m_buffer = Reallocate(m_buffer, length + 1);
    if (inside)
        text = m_buffer + offset;
    std::memcpy(m_buffer + m_length, text, static_cast<std::size_t>(count) * sizeof(char16_t));
    m_buffer[length] = 0;
    m_length = length;
}

WString& WString::operator+=(const WString& other) {
    Append(other.m_buffer, other.m_length);
    return *this;
}

WString& WString::operator+=(const char16_t* text) {
    Append(text, CheckedLength(text));
    return *this;
}

WString& WString::operator+=(char16_t unit) {
    if (unit != 0)
        Append(&unit, 1);
    return *this;
}

int WString::ReverseFind(char16_t unit) const {
    for (int i = m_length - 1; i >= 0; --i) {
        if (m_buffer[i] == unit)
            return i;
    }
    return -1;
}

WString WString::Left(int count) const {
    WString result;
    result.Assign(m_buffer, std::clamp(count, 0, m_length));
    return result;
}

WString WString::Right(int count) const {
    const int units = std::clamp(count, 0, m_length);
    WString result;
    result.Assign(m_buffer + (m_length - units), units);
    return result;
}

void WString::Empty() {
    Assign(nullptr, 0);
}

WString operator+(const WString& a, const WString& b) {
    WString result(a);
    result += b;
    return result;
}

WString operator+(const WString& a, const char16_t* b) {
    WString result(a);
    result += b;
    return result;
}

std::u16string Utf8ToUtf16(std::string_view utf8, bool* wellFormed) {
    if (wellFormed)
        *wellFormed = true;
    const auto replace = [wellFormed](std::u16string& into) {
        into.push_back(kReplacement);
        if (wellFormed)
            *wellFormed = false;
    };
    std::u16string units;
    units.reserve(utf8.size());
    const std::size_t size = utf8.size();
    std::size_t i = 0;
    while (i < size) {
        const auto byte = [&utf8](std::size_t at) {
            return static_cast<std::uint32_t>(static_cast<unsigned char>(utf8[at]));
        };
        const std::uint32_t lead = byte(i);
        if (lead == 0)
            break;
        if (lead < 0x80) {
            units.push_back(static_cast<char16_t>(lead));
            ++i;
            continue;
        }
        // The number of continuation bytes and the range allowed for the first of them, which
        // is narrower than 80..BF where it rules out overlong forms, surrogates and code points
        // beyond U+10FFFF.
        int trail = 0;
        std::uint32_t low = 0x80;
        std::uint32_t high = 0xBF;
        std::uint32_t cp = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            trail = 1;
            cp = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            trail = 2;
            cp = lead & 0x0F;
            if (lead == 0xE0)
                low = 0xA0;
            else if (lead == 0xED)
                high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            trail = 3;
            cp = lead & 0x07;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F;
        } else {
            replace(units);
            ++i;
            continue;
        }
        std::size_t next = i + 1;
        bool complete = true;
        for (int k = 0; k < trail; ++k, ++next) {
            if (next >= size || byte(next) < low || byte(next) > high) {
                complete = false;
                break;
            }
            cp = (cp << 6) | (byte(next) & 0x3F);
            low = 0x80;
            high = 0xBF;
        }
        // An incomplete sequence is replaced as a whole and decoding resumes at the byte that
        // broke it, which may start a valid sequence of its own.
        i = next;
        if (!complete) {
            replace(units);
        } else if (cp < 0x10000) {
            units.push_back(static_cast<char16_t>(cp));
        } else {
            cp -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        }
    }
    return units;
}

WString FromUtf8(std::string_view utf8) {
    const std::u16string units = Utf8ToUtf16(utf8);
    VERIFY(units.size() <= static_cast<std::size_t>(WString::kMaxLength));
    WString result;
    result.Assign(units.data(), static_cast<int>(units.size()));
    return result;
}

std::string ToUtf8(const WString& text) {
    std::string out;
    const int length = text.GetLength();
    out.reserve(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i) {
        const char16_t unit = text[i];
        if (IsHighSurrogate(unit) && i + 1 < length && IsLowSurrogate(text[i + 1])) {
            const std::uint32_t high = unit - 0xD800u;
            const std::uint32_t low = text[i + 1] - 0xDC00u;
            AppendUtf8(out, 0x10000 + ((high << 10) | low));
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

} // namespace brelvo
