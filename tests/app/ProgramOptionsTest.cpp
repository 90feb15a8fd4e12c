// The program and its tools read their command lines with one reader: each takes "--x=v" and
// "--x v" alike, and each says an unknown option or a bad number in one message and exits 2.

#include "tests/support/Subprocess.h"

#include <gtest/gtest.h>

#include <sstream>

namespace brelvo {
namespace {

TEST(ProgramOptionsTest, EveryProgramReadsOptionsAndSaysMistakesAlike) {
    // Each program with a bad number and what it says of it, and good forms of its options.
    const struct {
        const char *path, *name, *badNumber, *says, *goodForms;
    } programs[] = {
        {BRELVO_EXE, "brelvo", "--scale=0", "--scale needs a whole number from 1 to 16, not '0'",
         "--scale 2 --root=/ --version"},
        {BRELVO_WARP_EXE, "brelvo-warp", "--power x1",
         "--power needs a whole number from 0 to 100, not 'x1'", "--size=3 --tool hook -h"},
        {BRELVO_FONTGEN_EXE, "brelvo-fontgen", "--size=12px",
         "--size needs a whole number from 1 to 1000, not '12px'", "--font=f --size 9 --help"},
        {BRELVO_ASSETS_EXE, "brelvo-assets", "icon 15 i.png",
         "SIZE needs a whole number from 16 to 512, not '15'", "--fonts=x --help"},
    };
    test::TempFolder dir;
    const std::string out = dir / "out.txt";
    const auto run = [&](const char* path, const std::string& words) {
        std::vector<std::string> args = {path};
        std::istringstream split(words);
        for (std::string word; split >> word;)
            args.push_back(word);
        return test::RunProgram(args, {}, out, std::chrono::seconds(20));
    };
    for (const auto& p : programs) {
        SCOPED_TRACE(p.name);
        const std::string tryHelp = std::string("\nTry '") + p.name + " --help'.\n";
        EXPECT_EQ(run(p.path, "--bogus=1"), 2);
        EXPECT_EQ(test::ReadTextFile(out),
                  p.name + std::string(": unknown option '--bogus'") + tryHelp);
        EXPECT_EQ(run(p.path, p.badNumber), 2);
        EXPECT_EQ(test::ReadTextFile(out), p.name + std::string(": ") + p.says + tryHelp);
        EXPECT_EQ(run(p.path, p.goodForms), 0) << test::ReadTextFile(out);
    }
}

} // namespace
} // namespace brelvo
