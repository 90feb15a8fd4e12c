#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace brelvo {

// Length in units of a zero-terminated UTF-16 text. The platform's wide character is 32 bits
// wide here, so the C library's wide-string functions do not apply.
std::size_t StrLen16(const char16_t* text);

// Orders two zero-terminated UTF-16 texts unit by unit, as unsigned 16-bit values: negative,
// zero or positive like strcmp. Case matters.
int StrCmp16(const char16_t* a, const char16_t* b);

// The owning UTF-16 string in which every user-visible text, file name and folder path is held.
// It is meant for short texts: every change reallocates.
//
// The buffer comes from malloc and is never null, not even for the empty string or after a move,
// so c_str() can always go straight to a platform call. The text holds no zero unit; the unit
// after the last one is always the terminator. Running out of memory ends the program.
class WString {
public:
    // The longest text, chosen so that the length plus the terminator still fits an int.
    static constexpr int kMaxLength = 0x7FFFFFFE;

    WString();
    // A null pointer gives the empty string. Implicit, so that literals can stand for strings.
    WString(const char16_t* text);
    WString(const WString& other);
    // Leaves other as a valid empty string.
    WString(WString&& other) noexcept;
    virtual ~WString();

    WString& operator=(const WString& other);
    WString& operator=(WString&& other) noexcept;
    WString& operator=(const char16_t* text);
    // Copies length units from text. The text ends early at a zero unit among them, because a
    // zero unit cannot be told apart from the terminator. text may point into this string.
    void Assign(const char16_t* text, int length);

    // Appending a zero unit changes nothing, for the same reason as in Assign.
    WString& operator+=(const WString& other);
    WString& operator+=(const char16_t* text);
    WString& operator+=(char16_t unit);

    int GetLength() const { return m_length; }
    bool IsEmpty() const { return m_length == 0; }
    // Precondition: 0 <= index < GetLength(). Not checked, because text loops run through it.
    char16_t operator[](int index) const { return m_buffer[index]; }
    const char16_t* c_str() const { return m_buffer; }

    // Index of the last occurrence of unit, or -1 when it does not occur.
    int ReverseFind(char16_t unit) const;
    // The first or last count units. A negative count gives the empty string and a count at or
    // beyond the length gives the whole string.
    WString Left(int count) const;
    WString Right(int count) const;

    // Makes this the empty string.
    void Empty();

    friend bool operator==(const WString& a, const WString& b) {
        return a.m_length == b.m_length && StrCmp16(a.m_buffer, b.m_buffer) == 0;
    }

private:
    void Append(const char16_t* text, int count);

    char16_t* m_buffer;
    // Kept beside the buffer so that length queries and appends need no scan.
    int m_length;
};

WString operator+(const WString& a, const WString& b);
WString operator+(const WString& a, const char16_t* b);

// Conversions for the host's file names and messages, which are UTF-8. Malformed UTF-8 becomes
// U+FFFD, one per maximal ill-formed subsequence, and a surrogate without its partner becomes
// U+FFFD on the way out. A NUL byte ends the text, as a zero unit would.
WString FromUtf8(std::string_view utf8);
// The same decoding into a std::u16string of any length; *wellFormed, when given, says whether
// the text was valid UTF-8 (nothing was replaced).
std::u16string Utf8ToUtf16(std::string_view utf8, bool* wellFormed = nullptr);
std::string ToUtf8(const WString& text);

} // namespace brelvo
