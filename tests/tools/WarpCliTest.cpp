#include "gfx/ImageLoad.h"
#include "tests/support/PictureWriters.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

namespace brelvo {
namespace {

namespace fs = std::filesystem;

class WarpCli : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_dir);
        const test::Bytes png = test::WritePng(test::TestPictureRgba(160, 120), 160, 120);
        std::ofstream(m_dir / "in.png", std::ios::binary) << std::string(png.begin(), png.end());
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    // Runs brelvo-warp, names ending in .png or .bmp standing for files in the folder, and
    // returns its exit code; errors receives what it wrote to stderr.
    int Warp(const std::vector<std::string>& args) {
        std::string command = BRELVO_WARP_PATH;
        for (const std::string& a : args)
            command += " '" + (a.ends_with(".png") || a.ends_with(".bmp") ? Path(a) : a) + "'";
        FILE* p = popen((command + " 2>&1 >/dev/null").c_str(), "r");
        errors.clear();
        char buffer[256];
        while (p && fgets(buffer, sizeof buffer, p))
            errors += buffer;
        const int status = p ? pclose(p) : -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    Surface Load(const std::string& name) const {
        Surface s;
        EXPECT_EQ(LoadPictureHostFile(s, Path(name)), kOk) << name;
        return s;
    }
    fs::path m_dir = fs::path(::testing::TempDir()) / ("brelvo-warp-" + std::to_string(getpid()));
    std::string errors;
};

TEST_F(WarpCli, StrokesChangeOnlyTheirSquares) {
    // Each stroke touches and moves within a region; its squares (size 20 gives a radius of 22)
    // stay inside x 20..100, y 20..100, so everything outside must be the plain conversion.
    ASSERT_EQ(Warp({"in.png", "plain.bmp"}), 0);
    const Surface plain = Load("plain.bmp");
    for (const auto& [tool, stroke] :
         {std::pair("hook", "50,50 60,55 70,60"), std::pair("magnifier", "50,50 70,70"),
          std::pair("gripper", "60,60")}) {
        SCOPED_TRACE(tool);
        const int code = Warp({"in.png", "out.bmp", "--tool", tool, "--size", "20", "--power",
                               "100", "--mode", "both", "--stroke", stroke});
        ASSERT_EQ(code, 0) << errors;
        const Surface out = Load("out.bmp");
        ASSERT_EQ(out.GetWidth(), 160);
        int changedInside = 0;
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 160; ++x) {
                const Pixel a = out.GetPixels()[y * 160 + x], b = plain.GetPixels()[y * 160 + x];
                if (x >= 20 && x < 100 && y >= 20 && y < 100)
                    changedInside += a != b;
                else
                    ASSERT_EQ(a, b) << x << "," << y;
            }
        EXPECT_GT(changedInside, 20);
    }
}

// Unknown options and a missing value are the option reader's, which ProgramOptionsTest runs;
// a --size brelvo-warp did not read would fail the stroke runs above, which pass one.
TEST_F(WarpCli, BadArgumentsAndFilesAreReported) {
    const std::tuple<std::vector<std::string>, int, const char*> cases[] = {
        {{}, 2, "expected an input picture"},
        {{"in.png", "out.bmp", "--power", "101"}, 2, "--power"},
        {{"in.png", "out.bmp", "--tool", "brush"}, 2, "unknown tool"},
        {{"in.png", "out.bmp", "--mode", "diagonal"}, 2, "unknown mode"},
        {{"in.png", "out.bmp", "--stroke", "10;10"}, 2, "a stroke is"},
        {{"missing.png", "out.bmp"}, 1, "cannot open"},
        {{"in.png", "no-such-folder/out.bmp"}, 1, "out.bmp': the folder does not exist"},
    };
    for (const auto& [args, exitCode, says] : cases) {
        EXPECT_EQ(Warp(args), exitCode) << errors;
        EXPECT_NE(errors.find(says), std::string::npos) << errors;
    }
    EXPECT_EQ(Warp({"--help"}), 0);
    EXPECT_FALSE(fs::exists(m_dir / "out.bmp"));
}

} // namespace
} // namespace brelvo
