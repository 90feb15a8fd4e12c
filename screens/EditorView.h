#pragma once

#include "editor/ViewState.h"
#include "screens/Layout.h"

#include <cstdint>

namespace brelvo {

// Where the editor screen puts its picture view while the tool bar and the options panel are
// shown; a display with layoutOffsetY rows fewer than 320 has a view that much shorter.
inline ViewState::Placement EditorViewPlacement(std::int32_t layoutOffsetY) {
    return {layout::kViewLeft, layout::kViewTop, layout::kViewWidth,
            layout::kViewHeight - layoutOffsetY};
}

} // namespace brelvo
