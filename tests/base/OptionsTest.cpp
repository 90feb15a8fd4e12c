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
    const struct {
        std::vector<std::string> args;
        std::string read;
    } cases[] = {
        {{"--root", "/a b", "x.png", "--flag"}, "--root=/a b [x.png] --flag= "},
        {{"--root=/a=b", "-h"}, "--root=/a=b -h= "},
        {{"--root", "--flag"}, "--root=--flag "},
        {{"--root="}, "--root= "},
        {{"-", "--", "--flag", "-h"}, "[-] [--flag] [-h] "},
        {{"--root"}, "error: --root needs a value"},
        {{"--flag=1"}, "error: --flag takes no value"},
        {{"--fla"}, "error: unknown option '--fla'"},
        {{"-h=1"}, "error: unknown option '-h=1'"},
        {{"a", "-x"}, "error: unknown option '-x'"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Read(c.args), c.read) << c.args.front();
}

TEST(OptionsTest, WholeNumbersMustBeWholeAndInRange) {
    const struct {
        const char* text;
        bool ok;
        int value;
    } cases[] = {
        {"1", true, 1},   {"16", true, 16}, {"-3", true, -3},
        {"-4", false, 0}, {"17", false, 0}, {"", false, 0},
        {"2x", false, 0}, {" 2", false, 0}, {"99999999999999999999", false, 0},
    };
    for (const auto& c : cases) {
        int value = 0;
        std::string error;
        EXPECT_EQ(ReadWholeNumber("--n", c.text, -3, 16, value, error), c.ok) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(error, c.ok ? ""
                              : "--n needs a whole number from -3 to 16, not '" +
                                    std::string(c.text) + "'");
    }
}

} // namespace
} // namespace brelvo
