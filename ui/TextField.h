#pragma once

#include "gfx/BitmapFont.h"
#include "gfx/Surface.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace brelvo {

// A one-line text field with an insertion point, as the save screen's name field: it scrolls its
// text by whole characters so that the caret stays in view, and measures in the font it draws
// with. The owner holds the lock around every call.
class TextField {
public:
    static constexpr std::int32_t kMaxLength = 259;

    TextField() = default;
    TextField(std::int32_t width, const BitmapFont* font) : m_width(width), m_font(font) {}
    void SetUp(std::int32_t width, const BitmapFont* font) {
        m_width = width;
        m_font = font;
    }

    // Empties the text; the caret goes to the start.
    void Clear();
    // Inserts at the caret while the text is shorter than kMaxLength, then moves the caret on.
    void Insert(char16_t character);
    // Removes the character before the caret.
    void Delete();
    void CursorLeft();
    void CursorRight();

    // The characters from the first visible one that fit the field's width.
    std::u16string VisibleText() const;
    // Draws the visible text with its top-left at (x, y) and the caret "|" centred on the
    // insertion point.
    void Draw(Surface& target, std::int32_t x, std::int32_t y) const;

    const std::u16string& Text() const { return m_text; }
    std::int32_t Cursor() const { return m_cursor; }
    std::int32_t FirstVisible() const { return m_firstVisible; }

private:
    std::int32_t Width(std::u16string_view text) const;
    // The width of the text from the first visible character to the caret.
    std::int32_t CaretOffset() const;

    std::u16string m_text;
    std::int32_t m_cursor = 0;
    std::int32_t m_firstVisible = 0;
    std::int32_t m_width = 0;
    const BitmapFont* m_font = nullptr;
};

} // namespace brelvo
