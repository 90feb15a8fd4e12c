#pragma once

#include "ui/ScrollBar.h"

#include <cstdint>

namespace brelvo {

// The scroll bar of the file lists: it owns the list's offset and moves it 20 pixels a step,
// never past the end of the content and never above its top. The owning screen holds the
// global lock around every call, since its draw reads the offset.
class ListScrollBar : public ScrollBar {
public:
    static constexpr std::int32_t kStep = 20;

    explicit ListScrollBar(Axis axis = Axis::Vertical) : ScrollBar(axis) {}

    // Sets the sizes, and the ratio from them; the offset is kept within the new content.
    void SetContent(std::int32_t contentHeight, std::int32_t visibleHeight);
    std::int32_t Offset() const { return m_offset; }
    void SetOffset(std::int32_t offset);

    void Sync() override;
    void StepUp() override;
    void StepDown() override;

private:
    std::int32_t m_offset = 0;
    std::int32_t m_contentHeight = 0;
    std::int32_t m_visibleHeight = 0;
};

} // namespace brelvo
