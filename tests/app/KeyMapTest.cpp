#include "app/KeyMap.h"
#include "app/StylusMapping.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace brelvo {
namespace {

// Distinct codes, so that a key taken from the wrong slot shows: 1 to 4 are the physical up,
// down, left and right keys.
constexpr PortraitKeyList kList{1, 2, 3, 4, 11, 12, 13, 14};

// "Up" is always towards the top of what the user sees: the step a physical direction key
// points along on the screen, taken into the back buffer as a tap is, must be the step of the
// direction it is given to. An orientation that is none of 2, 4 and 8 is portrait.
TEST(KeyMapTest, DirectionsTurnWithTheScreen) {
    const Point steps[] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}}; // up, down, left, right
    for (const std::uint32_t orientation : {1u, 2u, 4u, 8u, 3u}) {
        SCOPED_TRACE(orientation);
        KeyMapHolder holder(kDeviceUnknown, kList);
        EXPECT_EQ(holder.Reopen(orientation), kOk);
        EXPECT_TRUE(holder.IsInputOpen());
        KeyMap keys;
        holder.Copy(keys);
        const std::uint16_t given[] = {keys.up, keys.down, keys.left, keys.right};
        for (std::size_t d = 0; d < 4; ++d) {
            ASSERT_TRUE(given[d] >= 1 && given[d] <= 4) << given[d];
            Point from(100, 100);
            Point to(100 + steps[given[d] - 1].x, 100 + steps[given[d] - 1].y);
            MapPoint(orientation, 240, 320, from);
            MapPoint(orientation, 240, 320, to);
            EXPECT_EQ(Point(to.x - from.x, to.y - from.y), steps[d]) << "direction " << d;
        }
        // The other keys do not turn, and an unknown model has no extra keys.
        EXPECT_EQ(keys, (KeyMap{keys.up, keys.down, keys.left, keys.right, 14, 11, 12, 13, 0, 0}));
        holder.Close();
        EXPECT_FALSE(holder.IsInputOpen());
    }
}

// The models at each end of each group that has extra keys, and neighbours that have none;
// turning the screen keeps them.
TEST(KeyMapTest, ExtraKeysDependOnTheDeviceModel) {
    struct Case {
        std::int32_t model;
        std::uint16_t extra1, extra2;
    };
    const Case cases[] = {{2, 0xC0, 0xC1}, {3, 0xC0, 0xC1},  {6, 0, 0}, {7, 0xD5, 0},
                          {8, 0xC1, 0xC2}, {10, 0xC1, 0xC2}, {11, 0, 0}};
    for (const Case& c : cases) {
        KeyMapHolder holder(c.model, kList);
        for (const std::uint32_t orientation : {1u, 4u}) {
            holder.Reopen(orientation);
            KeyMap keys;
            holder.Copy(keys);
            EXPECT_EQ(keys.extra1, c.extra1) << "model " << c.model;
            EXPECT_EQ(keys.extra2, c.extra2) << "model " << c.model;
        }
    }
}

} // namespace
} // namespace brelvo
