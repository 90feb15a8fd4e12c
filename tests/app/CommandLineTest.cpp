#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace brelvo {
namespace {

// What the program takes from a command line, in one line, or the error it gives.
std::string Parse(const std::vector<std::string>& args) {
    CommandLine l;
    std::string error;
    if (!ParseCommandLine(args, l, error))
        return "error: " + error;
    return "root=" + l.root + " scale=" + std::to_string(l.scale) + (l.fullScreen ? " full" : "") +
           (l.headless ? " headless" : "") + (l.script.empty() ? "" : " script=" + l.script) +
           (l.file.empty() ? "" : " " + l.file) + (l.help ? " help" : "") +
           (l.version ? " version" : "");
}

TEST(CommandLineTest, TheProgramsOwnRules) {
    const struct {
        std::vector<std::string> args;
        const char* parsed;
    } cases[] = {
        {{}, "root= scale=0"},
        {{"--root", "/p", "my cat.jpg", "--scale=2", "--fullscreen"},
         "root=/p scale=2 full my cat.jpg"},
        {{"--scale", "16", "-h", "--version"}, "root= scale=16 help version"},
        {{"--script=s.txt", "--headless"}, "root= scale=0 headless script=s.txt"},
        {{"--script", "s.txt", "--help"}, "root= scale=0 script=s.txt help"},
        {{"--script", "s.txt"}, "error: --script plays only in a headless run: add --headless"},
        {{"--headless", "--script="}, "error: --script needs a file"},
        {{"--root="}, "error: --root needs a folder"},
        {{"--scale", "17"}, "error: --scale needs a whole number from 1 to 16, not '17'"},
        {{"a.bmp", "b.png"}, "error: one picture at a time: 'a.bmp' and 'b.png'"},
        {{"--fullscreen=1"}, "error: --fullscreen takes no value"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Parse(c.args), c.parsed);
}

TEST(CommandLineTest, HelpNamesEveryOptionAndTheDesktopKeys) {
    const std::string usage = UsageText();
    for (const char* word :
         {"--root", "--scale", "--fullscreen", "--headless", "--script", "--help", "--version",
          "Z = A", "X = B", "C = C", "Enter = Start", "F11", "expect-state", "shot FILE.png"})
        EXPECT_NE(usage.find(word), std::string::npos) << word;
}

} // namespace
} // namespace brelvo
