#include "ui/TextField.h"

#include <algorithm>

namespace brelvo {

std::int32_t TextField::Width(std::u16string_view text) const {
    if (!m_font || text.empty())
        return 0;
    return TextWidth(*m_font, std::u16string(text).c_str());
}

std::int32_t TextField::CaretOffset() const {
    const auto first = static_cast<std::size_t>(m_firstVisible);
    return Width(std::u16string_view(m_text).substr(
        first, static_cast<std::size_t>(std::max(0, m_cursor - m_firstVisible))));
}

void TextField::Clear() {
    m_text.clear();
    m_cursor = 0;
    m_firstVisible = 0;
}

void TextField::Insert(char16_t character) {
    if (static_cast<std::int32_t>(m_text.size()) >= kMaxLength)
        return;
    m_text.insert(static_cast<std::size_t>(m_cursor), 1, character);
    CursorRight();
}

void TextField::Delete() {
    if (m_cursor > 0)
        m_text.erase(static_cast<std::size_t>(m_cursor - 1), 1);
    CursorLeft();
}

void TextField::CursorLeft() {
    m_cursor = std::max(0, m_cursor - 1);
    if (m_firstVisible > m_cursor)
        m_firstVisible = m_cursor;
}

void TextField::CursorRight() {
    m_cursor = std::min(m_cursor + 1, static_cast<std::int32_t>(m_text.size()));
    if (CaretOffset() <= m_width)
        return;
    // Scroll so that the caret sits at the right edge: the first visible character is the
    // earliest from which the text up to the caret still fits.
    m_firstVisible = std::max(0, m_cursor - 1);
    while (m_firstVisible >= 0 && CaretOffset() < m_width)
        --m_firstVisible;
    ++m_firstVisible;
}

std::u16string TextField::VisibleText() const {
    const std::u16string_view rest = std::u16string_view(m_text).substr(
        std::min(static_cast<std::size_t>(m_firstVisible), m_text.size()));
    std::size_t count = 0;
    while (count < rest.size() && Width(rest.substr(0, count)) < m_width)
        ++count;
    while (count > 0 && Width(rest.substr(0, count)) >= m_width)
        --count;
    return std::u16string(rest.substr(0, count));
}

void TextField::Draw(Surface& target, std::int32_t x, std::int32_t y) const {
    if (!m_font)
        return;
    const std::u16string shown = VisibleText();
    DrawText(target, x, y, shown.c_str(), m_font);
    const std::int32_t caretX = x + CaretOffset() - Width(u"|") / 2;
    DrawText(target, caretX, y, u"|", m_font);
}

} // namespace brelvo
