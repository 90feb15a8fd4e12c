#include "platform/WindowLayout.h"

#include <algorithm>

namespace brelvo::platform {
namespace {

std::int32_t FloorDiv(std::int32_t a, std::int32_t b) {
    const std::int32_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

std::int32_t LargestFit(std::int32_t outerW, std::int32_t outerH, std::int32_t w, std::int32_t h) {
    if (w <= 0 || h <= 0)
        return 1;
    return std::max(1, std::min(outerW / w, outerH / h));
}

} // namespace

WindowLayout FitScreen(std::int32_t windowWidth, std::int32_t windowHeight,
                       std::int32_t screenWidth, std::int32_t screenHeight) {
    WindowLayout layout;
    layout.scale = LargestFit(windowWidth, windowHeight, screenWidth, screenHeight);
    layout.width = screenWidth * layout.scale;
    layout.height = screenHeight * layout.scale;
    layout.left = std::max(0, (windowWidth - layout.width) / 2);
    layout.top = std::max(0, (windowHeight - layout.height) / 2);
    return layout;
}

std::int32_t DefaultScale(std::int32_t desktopWidth, std::int32_t desktopHeight,
                          std::int32_t screenWidth, std::int32_t screenHeight) {
    return std::max(2, LargestFit(desktopWidth, desktopHeight, screenWidth, screenHeight));
}

void WindowToScreen(const WindowLayout& layout, std::int32_t windowX, std::int32_t windowY,
                    std::int32_t& screenX, std::int32_t& screenY) {
    const std::int32_t scale = std::max(1, layout.scale);
    screenX = FloorDiv(windowX - layout.left, scale);
    screenY = FloorDiv(windowY - layout.top, scale);
}

} // namespace brelvo::platform
