#include "base/Paths.h"

#include <gtest/gtest.h>

#include <string>

namespace brelvo {
namespace {

TEST(PathsTest, ParentFolderDropsTheLastFolder) {
    const struct {
        const char16_t* path;
        const char16_t* parent;
    } cases[] = {
        {u"\\A\\B\\", u"\\A\\"},        {u"\\A\\", u"\\"},  {u"\\", u"\\"},
        {u"\\A\\b.bmp", u"\\A\\b.bmp"}, {u"", u""},         {u"\\A b\\C\\D\\", u"\\A b\\C\\"},
        {u"C:\\P\\", u"C:\\"},          {u"C:\\", u"C:\\"}, {u"\\\\", u"\\"},
    };
    for (const auto& c : cases) {
        WString path(c.path);
        ParentFolder(path);
        EXPECT_EQ(std::u16string(path.c_str()), c.parent) << ToUtf8(c.path);
    }
}

TEST(PathsTest, AppendFolderEndsInSeparator) {
    WString path;
    AppendFolder(path, u"A");
    EXPECT_EQ(std::u16string(path.c_str()), u"A\\");
    path = u"\\";
    AppendFolder(path, u"A");
    AppendFolder(path, u"B");
    EXPECT_EQ(std::u16string(path.c_str()), u"\\A\\B\\");
    ParentFolder(path);
    EXPECT_EQ(std::u16string(path.c_str()), u"\\A\\");
}

} // namespace
} // namespace brelvo
