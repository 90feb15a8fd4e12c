#pragma once

#include <cstdint>
#include <type_traits>

namespace brelvo {

// A position in pixels. A plain value: graphics code passes and copies points freely.
struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;

    constexpr Point() = default;
    constexpr Point(std::int32_t px, std::int32_t py) : x(px), y(py) {}

    friend constexpr bool operator==(const Point& a, const Point& b) = default;
};

static_assert(std::is_trivially_copyable_v<Point>);

} // namespace brelvo
