#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace brelvo {
namespace {

TEST(CommandLineTest, OptionsAsLinuxUsersWriteThem) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
        std::string rootOrError;
        std::int32_t scale;
        bool fullScreen, headless;
        std::string script;
    };
    const Case cases[] = {
        {{}, true, "", 0, false, false, ""},
        {{"--root", "/srv/pics", "--scale", "3"}, true, "/srv/pics", 3, false, false, ""},
        {{"--root=/a b", "--scale=16", "--fullscreen"}, true, "/a b", 16, true, false, ""},
        {{"--headless", "--script", "s.txt"}, true, "", 0, false, true, "s.txt"},
        {{"--script=s.txt", "--headless"}, true, "", 0, false, true, "s.txt"},
        {{"--script", "s.txt"},
         false,
         "--script plays only in a headless run: add --headless",
         0,
         false,
         false,
         ""},
        {{"--scale", "0"}, false, "--scale needs a whole number from 1 to 16", 0, false, false, ""},
        {{"--scale", "17"},
         false,
         "--scale needs a whole number from 1 to 16",
         0,
         false,
         false,
         ""},
        {{"--scale", "2x"},
         false,
         "--scale needs a whole number from 1 to 16",
         0,
         false,
         false,
         ""},
        {{"--scale"}, false, "--scale needs a value", 0, false, false, ""},
        {{"--root="}, false, "--root needs a folder", 0, false, false, ""},
        {{"--headless=1"}, false, "--headless takes no value", 0, false, false, ""},
        {{"--frobnicate"}, false, "unknown option '--frobnicate'", 0, false, false, ""},
        {{"a.bmp", "b.png"},
         false,
         "one picture at a time: 'a.bmp' and 'b.png'",
         0,
         false,
         false,
         ""},
        {{"-x"}, false, "unknown option '-x'", 0, false, false, ""},
    };
    for (const Case& c : cases) {
        CommandLine line;
        std::string error;
        ASSERT_EQ(ParseCommandLine(c.args, line, error), c.ok) << error;
        if (!c.ok) {
            EXPECT_EQ(error, c.rootOrError);
            continue;
        }
        EXPECT_EQ(line.root, c.rootOrError);
        EXPECT_EQ(line.scale, c.scale);
        EXPECT_EQ(line.fullScreen, c.fullScreen);
        EXPECT_EQ(line.headless, c.headless);
        EXPECT_EQ(line.script, c.script);
    }
    CommandLine line;
    std::string error;
    ASSERT_TRUE(ParseCommandLine({"--root", "/p", "my cat.jpg", "--scale=2"}, line, error));
    EXPECT_EQ(line.file, "my cat.jpg");
    EXPECT_EQ(line.scale, 2);
}

TEST(CommandLineTest, HelpNamesEveryOptionAndTheDesktopKeys) {
    const std::string usage = UsageText();
    for (const char* word :
         {"--root", "--scale", "--fullscreen", "--headless", "--script", "--help", "--version",
          "Z = A", "X = B", "C = C", "Enter = Start", "F11", "expect-state", "shot FILE.png"})
        EXPECT_NE(usage.find(word), std::string::npos) << word;
    CommandLine line;
    std::string error;
    ASSERT_TRUE(ParseCommandLine({"--help"}, line, error));
    EXPECT_TRUE(line.help);
}

} // namespace
} // namespace brelvo
