#include "ui/ListScrollBar.h"

#include <algorithm>

namespace brelvo {

void ListScrollBar::SetContent(std::int32_t contentHeight, std::int32_t visibleHeight) {
    m_contentHeight = contentHeight;
    m_visibleHeight = visibleHeight;
    SetOffset(m_offset);
    SetRatio(contentHeight > 0 ? static_cast<double>(visibleHeight) / contentHeight : 1.0);
}

void ListScrollBar::SetOffset(std::int32_t offset) {
    m_offset = std::max(0, std::min(offset, m_contentHeight - m_visibleHeight));
}

void ListScrollBar::Sync() {
    double f = 0.0;
    if (m_contentHeight != m_visibleHeight)
        f = static_cast<double>(m_offset) / (m_contentHeight - m_visibleHeight);
    if (f < 0.0)
        f = 0.0;
    SetThumbCentre(LowestCentre() + f * (HighestCentre() - LowestCentre()));
}

void ListScrollBar::StepUp() {
    m_offset = std::max(0, m_offset - kStep);
}

void ListScrollBar::StepDown() {
    SetOffset(m_offset + kStep);
}

} // namespace brelvo
