// The program and its tools read their command lines with one reader: each takes "--x=v" and
// "--x v" alike, and each says an unknown option or a bad number in one message and exits 2.

#include "tests/support/Subprocess.h"

#include <gtest/gtest.h>

namespace brelvo {
namespace {

TEST(ProgramOptionsTest, EveryProgramReadsOptionsAndSaysMistakesAlike) {
    const struct {
        const char* path;
        const char* name;
        std::vector<std::string> badNumber;
        const char* badNumberSays;
        std::vector<std::string> goodForms;
    } programs[] = {
        {BRELVO_EXE,
         "brelvo",
         {"--scale=0"},
         "--scale needs a whole number from 1 to 16, not '0'",
         {"--scale", "2", "--root=/", "--version"}},
        {BRELVO_WARP_EXE,
         "brelvo-warp",
         {"--power", "x1"},
         "--power needs a whole number from 0 to 100, not 'x1'",
         {"--size=3", "--tool", "hook", "-h"}},
        {BRELVO_FONTGEN_EXE,
         "brelvo-fontgen",
         {"--size=12px"},
         "--size needs a whole number from 1 to 1000, not '12px'",
         {"--font=f", "--size", "9", "--help"}},
        {BRELVO_ASSETS_EXE,
         "brelvo-assets",
         {"icon", "15", "i.png"},
         "SIZE needs a whole number from 16 to 512, not '15'",
         {"--fonts=x", "--help"}},
    };
    test::TempFolder dir;
    const std::string out = dir / "out.txt";
    const auto run = [&](const char* path, std::vector<std::string> args) {
        args.insert(args.begin(), path);
        return test::RunProgram(args, {}, out, std::chrono::seconds(20));
    };
    for (const auto& p : programs) {
        SCOPED_TRACE(p.name);
        const std::string tryHelp = std::string("Try '") + p.name + " --help'.\n";
        EXPECT_EQ(run(p.path, {"--bogus=1"}), 2);
        EXPECT_EQ(test::ReadTextFile(out),
                  std::string(p.name) + ": unknown option '--bogus'\n" + tryHelp);
        EXPECT_EQ(run(p.path, p.badNumber), 2);
        EXPECT_EQ(test::ReadTextFile(out),
                  std::string(p.name) + ": " + p.badNumberSays + "\n" + tryHelp);
        EXPECT_EQ(run(p.path, p.goodForms), 0) << test::ReadTextFile(out);
    }
}

} // namespace
} // namespace brelvo
