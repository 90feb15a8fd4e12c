#include "app/DeviceModel.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace brelvo {
namespace {

constexpr DeviceModelPrefix kMadeUp[] = {
    {2, u"Alpha 10"}, {3, u"Alpha 1"}, {4, u"Beta"}, {5, u""}, {6, u"Gamma \u0416"},
};

TEST(DeviceModelTest, FirstWholePrefixWins) {
    const std::pair<std::u16string, std::int32_t> cases[] = {
        {u"Alpha 10", 2}, {u"Alpha 100 rev B", 2},
        {u"Alpha 19", 3}, {u"Alpha ", 1}, // shorter than every prefix it begins
        {u"alpha 10", 1}, {u"BetaMax", 4},
        {u" Beta", 1},    {u"Gamma \u0416 x", 6},
        {u"Gamma Z", 1},  {u"", 1}, // the empty prefix claims nothing
        {u"Unknown", 1},
    };
    for (const auto& [text, id] : cases)
        EXPECT_EQ(DeviceModelFromOemText(text, kMadeUp), id) << text.size();
}

// The known models are 2 to 13 in order, as the key map's extra keys expect, and no row hides
// another: each prefix finds its own row, followed by more text or not, and cut short finds none.
TEST(DeviceModelTest, KnownTableIdentifiesEachModel) {
    const auto table = KnownDeviceModels();
    ASSERT_EQ(table.size(), 12u);
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].id, static_cast<std::int32_t>(i + 2));
        const std::u16string exact(table[i].prefix);
        EXPECT_EQ(DeviceModelFromOemText(exact, table), table[i].id);
        EXPECT_EQ(DeviceModelFromOemText(exact + u" rev 2", table), table[i].id);
        EXPECT_EQ(DeviceModelFromOemText(exact.substr(0, exact.size() - 1), table), 1);
    }
}

TEST(DeviceModelTest, OnlyTheBufferedTextTakesPart) {
    // 259 characters fit beside the terminator: a prefix that ends on the last of them matches,
    // one a character longer cannot.
    const std::u16string lead(kOemTextCapacity - 4, u'a');
    const std::u16string fits = lead + u"xyz";
    const std::u16string over = lead + u"xyzw";
    const DeviceModelPrefix table[] = {{8, over}, {7, fits}};
    EXPECT_EQ(DeviceModelFromOemText(over + u"tail", table), 7);
    EXPECT_EQ(DeviceModelFromOemText(fits, table), 7);
    EXPECT_EQ(DeviceModelFromOemText(lead, table), 1);
}

TEST(DeviceModelTest, OemTextComesFromTheEnvironment) {
    ASSERT_EQ(unsetenv("BRELVO_OEM_INFO"), 0);
    EXPECT_EQ(OemTextFromEnvironment(), u"");
    ASSERT_EQ(setenv("BRELVO_OEM_INFO", "Beta 7", 1), 0);
    EXPECT_EQ(OemTextFromEnvironment(), u"Beta 7");
    const std::string longText(400, 'q');
    ASSERT_EQ(setenv("BRELVO_OEM_INFO", longText.c_str(), 1), 0);
    EXPECT_EQ(OemTextFromEnvironment().size(), kOemTextCapacity - 1);
    ASSERT_EQ(unsetenv("BRELVO_OEM_INFO"), 0);
}

} // namespace
} // namespace brelvo
