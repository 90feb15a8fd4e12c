#include "base/Options.h"

#include <gtest/gtest.h>

namespace brelvo {
namespace {

constexpr OptionSpec kSpecs[] = {{"--root", true}, {"--flag"}, {"-h"}};

// Each argument read back as "option=value" or, for an operand, as its text in brackets.
std::string Read(const std::vector<std::string>& args) {
    std::vector<Argument> read;
    std::string error;
    if (!ReadArguments(kSpecs, args, read, error))
        return "error: " + error;
    std::string shown;
    for (const Argument& a : read)
        shown += a.IsOperand() ? "[" + a.value + "] " : std::string(a.option) + "=" + a.value + " ";
    return shown;
}

TEST(OptionsTest, ReadsBothValueFormsOperandsInOrderAndSaysWhatIsWrong) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--root", "/a b", "x.png", "--flag"}, "--root=/a b [x.png] --flag= "},
        {{"--root=/a=b", "-h"}, "--root=/a=b -h= "},
        {{"--root", "--flag"}, "--root=--flag "},
        {{"--root="}, "--root= "},
        {{"-", "--", "--flag", "-h"}, "[-] [--flag] [-h] "},
        {{"--root"}, "error: --root needs a value"},
        {{"--flag=1"}, "error: --flag takes no value"},
        {{"--fla"}, "error: unknown option '--fla'"},
        {{"-h=1"}, "error: unknown option '-h=1'"},
        {{"a", "-x"}, "error: unknown option '-x'"}};
    for (const auto& [args, read] : cases)
        EXPECT_EQ(Read(args), read) << args.front();
}

TEST(OptionsTest, WholeNumbersMustBeWholeAndInRange) {
    const std::pair<const char*, int> cases[] = {
        {"1", 1},  {"16", 16}, {"-3", -3},
        {"-4", 0}, {"17", 0},  {"", 0},
        {"2x", 0}, {" 2", 0},  {"99999999999999999999", 0}};
    for (const auto& [text, expected] : cases) {
        int value = 0;
        std::string error;
        const bool ok = expected != 0;
        EXPECT_EQ(ReadWholeNumber("--n", text, -3, 16, value, error), ok) << text;
        EXPECT_EQ(value, expected) << text;
        EXPECT_EQ(error,
                  ok ? ""
                     : "--n needs a whole number from -3 to 16, not '" + std::string(text) + "'");
    }
}

} // namespace
} // namespace brelvo
