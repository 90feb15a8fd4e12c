#include "app/KeyMap.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace brelvo {
namespace {

// Distinct codes, so that a key taken from the wrong slot shows.
constexpr PortraitKeyList kList{1, 2, 3, 4, 11, 12, 13, 14};

TEST(KeyMapTest, DirectionsFollowTheOrientation) {
    struct Case {
        std::uint32_t orientation;
        std::uint16_t up, down, left, right;
    };
    const Case cases[] = {
        {1, 1, 2, 3, 4}, {2, 2, 1, 4, 3}, {4, 3, 4, 2, 1},
        {8, 4, 3, 1, 2}, {3, 1, 2, 3, 4}, // not an orientation: portrait
    };
    for (const Case& c : cases) {
        KeyMapHolder holder(kDeviceUnknown, kList);
        EXPECT_EQ(holder.Reopen(c.orientation), kOk);
        KeyMap keys;
        holder.Copy(keys);
        const KeyMap expected{c.up, c.down, c.left, c.right, 14, 11, 12, 13, 0, 0};
        EXPECT_EQ(keys, expected) << "orientation " << c.orientation;
        EXPECT_EQ(holder.Orientation(), c.orientation);
        EXPECT_TRUE(holder.IsInputOpen());
    }
}

TEST(KeyMapTest, ExtraKeysDependOnTheDeviceModel) {
    struct Case {
        std::int32_t model;
        std::uint16_t extra1, extra2;
    };
    const Case cases[] = {
        {1, 0, 0},  {2, 0xC0, 0xC1}, {3, 0xC0, 0xC1}, {4, 0, 0},       {5, 0, 0},
        {6, 0, 0},  {7, 0xD5, 0},    {8, 0xC1, 0xC2}, {9, 0xC1, 0xC2}, {10, 0xC1, 0xC2},
        {11, 0, 0}, {12, 0, 0},      {13, 0, 0},      {0, 0, 0},
    };
    for (const Case& c : cases) {
        KeyMapHolder holder(c.model, kList);
        KeyMap keys;
        holder.Copy(keys);
        EXPECT_EQ(keys.extra1, c.extra1) << "model " << c.model;
        EXPECT_EQ(keys.extra2, c.extra2) << "model " << c.model;
        // Turning the screen keeps them.
        holder.Reopen(4);
        holder.Copy(keys);
        EXPECT_EQ(keys.extra1, c.extra1) << "model " << c.model;
        EXPECT_EQ(keys.extra2, c.extra2) << "model " << c.model;
    }
}

TEST(KeyMapTest, OpensOnConstructionAndClosesAndReopens) {
    KeyMapHolder holder(kDeviceUnknown);
    EXPECT_TRUE(holder.IsInputOpen());
    EXPECT_EQ(holder.Orientation(), 1u);
    KeyMap keys;
    holder.Copy(keys);
    const KeyMap desktop{0x26, 0x28, 0x25, 0x27, 0x0D, 0x5A, 0x58, 0x43, 0, 0};
    EXPECT_EQ(keys, desktop);

    EXPECT_EQ(holder.Close(), kOk);
    EXPECT_FALSE(holder.IsInputOpen());
    EXPECT_EQ(holder.Open(), kOk);
    EXPECT_TRUE(holder.IsInputOpen());
}

} // namespace
} // namespace brelvo
