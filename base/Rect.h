#pragma once

#include "base/Point.h"
#include "base/Verify.h"

#include <cstdint>
#include <type_traits>

namespace brelvo {

// A rectangle in pixels whose four edges all belong to it: it holds the points with
// left <= x <= right and top <= y <= bottom. A plain value, like Point.
struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    constexpr Rect() = default;
    constexpr Rect(std::int32_t leftX, std::int32_t topY, std::int32_t rightX, std::int32_t bottomY)
        : left(leftX), top(topY), right(rightX), bottom(bottomY) {}

    // This rectangle moved by (dx, dy), and moved back by it: Translated(dx, dy) followed by
    // TranslatedBack(dx, dy) returns the original. A result beyond 32 bits is a bug.
    constexpr Rect Translated(std::int32_t dx, std::int32_t dy) const {
        return Rect(Add(left, dx), Add(top, dy), Add(right, dx), Add(bottom, dy));
    }
    constexpr Rect TranslatedBack(std::int32_t dx, std::int32_t dy) const {
        return Rect(Add(left, -std::int64_t{dx}), Add(top, -std::int64_t{dy}),
                    Add(right, -std::int64_t{dx}), Add(bottom, -std::int64_t{dy}));
    }

    // The middle, rounded toward zero on each axis. Computed in 64 bits, so it is exact for
    // every rectangle.
    constexpr Point Center() const {
        return Point(static_cast<std::int32_t>((std::int64_t{left} + right) / 2),
                     static_cast<std::int32_t>((std::int64_t{top} + bottom) / 2));
    }

    constexpr bool Contains(std::int32_t x, std::int32_t y) const {
        return left <= x && x <= right && top <= y && y <= bottom;
    }
    constexpr bool Contains(Point p) const { return Contains(p.x, p.y); }

    friend constexpr bool operator==(const Rect& a, const Rect& b) = default;

private:
    static constexpr std::int32_t Add(std::int32_t value, std::int64_t delta) {
        const std::int64_t sum = value + delta;
        VERIFY(sum >= INT32_MIN && sum <= INT32_MAX);
        return static_cast<std::int32_t>(sum);
    }
};

static_assert(std::is_trivially_copyable_v<Rect>);

} // namespace brelvo
