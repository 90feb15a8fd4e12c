// The brelvo program run headless, as tests and automation run it, and its and its tools' command
// lines.
#include "app/App.h"
#include "app/CommandLine.h"
#include "gfx/BmpWriter.h"
#include "platform/PictureDecoder.h"
#include "tests/app/TestArtwork.h"
#include "tests/support/PictureWriters.h"
#include "tests/support/Subprocess.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace brelvo {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A copy of the program in a folder of its own, where each test puts the archive it needs.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_folder.Path().empty());
        fs::copy_file(BRELVO_EXE, Exe());
        fs::permissions(Exe(), fs::perms::owner_all);
    }
    std::string Exe() const { return m_folder / "brelvo"; }
    std::string Path(const std::string& name) const { return m_folder / name; }
    std::vector<std::string> Env() const {
        return {"XDG_CONFIG_HOME=" + Path("config"), "XDG_RUNTIME_DIR=" + m_folder.Path()};
    }
    std::string WriteScript(const std::string& text) const {
        std::ofstream(Path("s.txt")) << text;
        return Path("s.txt");
    }
    // Runs the program the arguments name to its end; output gets both streams.
    int Tool(const std::vector<std::string>& args, std::string* output = nullptr) const {
        const int status = test::RunProgram(args, Env(), Path("out.txt"), 60s);
        if (output)
            *output = test::ReadTextFile(Path("out.txt"));
        return status;
    }
    int Run(std::vector<std::string> args, std::string* output = nullptr) const {
        args.insert(args.begin(), Exe());
        return Tool(args, output);
    }
    int Play(const std::string& root, const std::string& script, std::string& output) const {
        return Run({"--root", Path(root), "--headless", "--script", WriteScript(script)}, &output);
    }
    // The saved file is, byte for byte, what brelvo-warp writes of the picture with the options.
    void ExpectWarpOf(const std::string& saved, const std::string& picture,
                      std::vector<std::string> options = {}) const {
        options.insert(options.begin(), {BRELVO_WARP_EXE, picture, Path("expected.bmp")});
        std::string output;
        ASSERT_EQ(Tool(options, &output), 0) << output;
        const std::string bytes = test::ReadTextFile(saved);
        EXPECT_FALSE(bytes.empty());
        EXPECT_TRUE(bytes == test::ReadTextFile(Path("expected.bmp")));
    }
    // The real artwork beside the program and a device root in the folder.
    void UseRealArtwork(const std::string& root) const {
        fs::copy_file(BRELVO_REAL_ARCHIVE, Path("Brelvo.erc"));
        fs::create_directories(Path(root));
    }

    test::TempFolder m_folder;
};

// The RGB565 frame of a 240 x 320 PNG shot.
std::vector<Pixel> ReadShot(const std::string& path) {
    platform::Bitmap bitmap;
    if (Failed(platform::DecodePictureFile(path, bitmap)) || bitmap.width != 240 ||
        bitmap.height != 320 || bitmap.channels != 3)
        return {};
    std::vector<Pixel> frame;
    for (std::int32_t y = 0; y < 320; ++y)
        for (std::int32_t x = 0; x < 240; ++x)
            frame.push_back(test::Rgb565(bitmap.Row(y) + 3 * x));
    return frame;
}

// How many pixels of the view (a picture's top-left corner at 100%, both bars) differ from the
// picture's (channels bytes a pixel, red first); -1 when the shot cannot be read.
int ViewDifferences(const std::string& shotPath, const std::uint8_t* picture, std::int32_t width,
                    int channels) {
    const std::vector<Pixel> shot = ReadShot(shotPath);
    if (shot.empty())
        return -1;
    int differ = 0;
    for (std::int32_t y = 0; y < 259; ++y)
        for (std::int32_t x = 0; x < 200; ++x)
            differ += shot[static_cast<std::size_t>((51 + y) * 240 + 30 + x)] !=
                      test::Rgb565(picture + static_cast<std::size_t>((y * width + x) * channels));
    return differ;
}

// Installed, the program finds its archive in PREFIX/share/brelvo, wherever the prefix is. The
// start-up picture stays for 61 frames; frame 62 is the editor's.
TEST_F(ProgramTest, AnInstalledProgramFindsItsArchiveAndStartsUpFor61Frames) {
    fs::create_directories(Path("prefix/bin"));
    fs::create_directories(Path("prefix/share/brelvo"));
    fs::rename(Exe(), Path("prefix/bin/brelvo"));
    ASSERT_TRUE(test::WriteTestArchive(Path("prefix/share/brelvo/Brelvo.erc")));
    const std::string script = WriteScript("frames 61\nexpect-state 1\nframes 1\nexpect-state 2\n");
    std::string output;
    EXPECT_EQ(Tool({Path("prefix/bin/brelvo"), "--headless", "--script", script}, &output), 0)
        << output;
}

// The README's script (a gallery picture, the Magnifier at Size 72 and Power 35, one tap, Save as
// "warped"): the view and the saved file are what the command-line warp makes of the same stroke.
TEST_F(ProgramTest, TheReadmeScriptSavesWhatTheCommandLineWarpMakes) {
    UseRealArtwork("root");
    const std::string readme = test::ReadTextFile(std::string(BRELVO_SOURCE_DIR) + "/README.md");
    const std::size_t from = readme.find("frames 62                             # the start-up");
    ASSERT_NE(from, std::string::npos);
    const std::string script = readme.substr(from, readme.find("```", from) - from) +
                               "frames 1\nshot " + Path("warped.png") + "\n";
    std::string output;
    ASSERT_EQ(Play("root", script, output), 0) << output;

    // Size 72 and Power 35 are where the thumbs' catch-up stops (Power steps down while its
    // thumb is right of the stylus); screen (130, 150) is picture point (100, 99).
    ASSERT_EQ(Tool({BRELVO_ASSETS_EXE, "extract", BRELVO_REAL_ARCHIVE, "581", Path("gallery.png")}),
              0);
    ExpectWarpOf(Path("root/warped.bmp"), Path("gallery.png"),
                 {"--tool", "magnifier", "--size", "72", "--power", "35", "--stroke", "100,99"});
    platform::Bitmap expected;
    ASSERT_EQ(platform::DecodePictureFile(Path("expected.bmp"), expected), kOk);
    EXPECT_EQ(ViewDifferences(Path("warped.png"), expected.pixels.data(), expected.width,
                              expected.channels),
              0);
}

// Played again, the script that took the pictures in docs/screens/ gives the same pixels (after a
// change to the drawing, scripts/screenshots retakes them for review). The first two shots are
// also the start-up picture and the editor drawn over it by an editor screen of the test's own.
TEST_F(ProgramTest, TheScreensLookAsTheirPicturesInTheDocs) {
    fs::copy_file(BRELVO_REAL_ARCHIVE, Path("Brelvo.erc"));
    const std::string source = BRELVO_SOURCE_DIR;
    std::string script = test::ReadTextFile(source + "/scripts/screenshots.txt");
    ASSERT_FALSE(script.empty());
    std::vector<std::string> shots;
    for (std::size_t at = 0; (at = script.find("docs/screens/", at)) != std::string::npos;) {
        const std::size_t end = script.find('\n', at);
        shots.push_back(script.substr(at + 13, end - at - 13));
        script.replace(at, 13, Path(""));
    }
    ASSERT_GE(shots.size(), 10u);
    // A copy of the sample folder, so that a script that saves by mistake cannot change it.
    fs::copy(source + "/docs/sample-pictures", Path("samples"), fs::copy_options::recursive);
    std::string output;
    ASSERT_EQ(Play("samples", script, output), 0) << output;
    for (const std::string& shot : shots)
        EXPECT_EQ(ReadShot(Path(shot)), ReadShot(source + "/docs/screens/" + shot)) << shot;

    test::ExpectedFrames expected;
    ASSERT_TRUE(test::DrawExpectedFrames(BRELVO_REAL_ARCHIVE, expected));
    EXPECT_EQ(ReadShot(Path("startup.png")), test::Pixels(expected.startup));
    EXPECT_EQ(ReadShot(Path("editor-empty.png")), test::Pixels(expected.editor));
}

// One picture of each format, opened through the browser (which decodes off the window thread)
// and saved under a new name: each file is what brelvo-warp writes of it without a stroke.
TEST_F(ProgramTest, OpensEachFormatAndSavesItAsTheCommandLineConverts) {
    UseRealArtwork("root/Pictures");
    const test::Bytes rgba = test::TestPictureRgba(300, 400);
    test::WriteFile(Path("root/Pictures/a.png"), test::WritePng(rgba, 300, 400));
    // TurboJPEG's RGBX pixels: the alpha byte is passed over.
    test::WriteFile(Path("root/Pictures/b.jpg"), test::WriteJpeg(rgba, 300, 400, 2, 90, 2, false));
    test::GifFrame frame{0, 0, 64, 48, test::Bytes(64 * 48), -1, false};
    for (std::size_t i = 0; i < frame.indices.size(); ++i)
        frame.indices[i] = static_cast<std::uint8_t>((i % 64 / 8 + i / 64 / 8) % 4);
    test::WriteFile(
        Path("root/Pictures/c.gif"),
        test::WriteGif(64, 48, {0, 0, 0, 255, 0, 0, 0, 255, 0, 250, 250, 250}, {frame}));
    Surface bmp;
    test::MakePattern(bmp, 90, 70, 7);
    ASSERT_EQ(SaveBmpToHostFile(bmp, Path("root/Pictures/d.bmp")), kOk);

    // The browser lists the folder's BMP, PNG, JPEG and GIF files in that order, from row 1.
    const std::string names[] = {"d.bmp", "a.png", "b.jpg", "c.gif"};
    std::string script = "frames 62\n";
    for (int row = 1; row <= 4; ++row) {
        script += "tap 56 10\nframes 6\ntap 69 54\nwait-state 4\nframes 2\n";
        if (row == 1)
            script += "tap 40 50\nframes 3\n"; // into Pictures
        script +=
            "tap 40 " + std::to_string(50 + 15 * row) + "\nframes 1\ntap 20 309\n" +
            "wait-state 2\nframes 1\ntap 56 10\nframes 6\ntap 69 96\nwait-state 6\nframes 2\n" +
            "char out" + std::to_string(row) + "\ntap 19 309\nwait-state 2\n";
    }
    std::string output;
    ASSERT_EQ(Play("root", script, output), 0) << output;
    for (int row = 1; row <= 4; ++row) {
        SCOPED_TRACE(names[row - 1]);
        ExpectWarpOf(Path("root/out" + std::to_string(row) + ".bmp"),
                     Path("root/Pictures/" + names[row - 1]));
    }
}

// brelvo PICTURE: the editor starts with it; a broken or missing picture is named on standard
// error and the program starts without it; a picture outside an explicit --root is refused.
TEST_F(ProgramTest, APictureOnTheCommandLineIsOpenedAtStart) {
    UseRealArtwork("elsewhere");
    const test::Bytes rgba = test::TestPictureRgba(260, 300);
    test::WriteFile(Path("elsewhere/cat.png"), test::WritePng(rgba, 260, 300));
    std::ofstream(Path("elsewhere/broken.png")) << "not a picture";
    const std::string script =
        WriteScript("wait-state 2\nframes 1\nshot " + Path("start.png") + "\n");
    const struct {
        std::vector<std::string> args;
        int status;
        std::string said; // on standard error
        bool opened;
    } cases[] = {
        {{Path("elsewhere/cat.png")}, 0, "", true},
        {{Path("elsewhere/broken.png")}, 0, "cannot open " + Path("elsewhere/broken.png"), false},
        {{Path("elsewhere/none.png")}, 0, "No such file or directory", false},
        {{"--root", Path("config"), Path("elsewhere/cat.png")}, 2, "is not inside --root", false},
    };
    for (const auto& c : cases) {
        fs::create_directories(Path("config"));
        std::vector<std::string> args = {"--headless", "--script", script};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::string output;
        ASSERT_EQ(Run(args, &output), c.status) << output;
        EXPECT_NE(output.find(c.said), std::string::npos) << output;
        if (c.status != 0)
            continue;
        EXPECT_EQ(ViewDifferences(Path("start.png"), rgba.data(), 260, 4) == 0, c.opened)
            << c.args.back();
    }
}

// Without an archive the program names both places it looks on one line and ends with the low
// byte of 0xc8660001 (the frame asked for makes it look). With one, a failing or unreadable
// script or a bad root ends with a message; --version and --help answer, and a headless run
// without a script starts up and ends at once.
TEST_F(ProgramTest, FailuresAndAnswersEndTheProgramWithAMessage) {
    std::string output;
    EXPECT_EQ(Run({"--headless", "--script", WriteScript("frames 1\n")}, &output), 0x01);
    EXPECT_NE(output.find("cannot open the artwork archive " + Path("Brelvo.erc") + " (nor " +
                          fs::path(Path("../share/brelvo/Brelvo.erc")).lexically_normal().string()),
              std::string::npos)
        << output;
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;

    ASSERT_TRUE(test::WriteTestArchive(Path("Brelvo.erc")));
    const struct {
        std::vector<std::string> args; // or a script (ending in "\n") played from s.txt
        int status;
        std::string says;
    } cases[] = {
        {{"frames 3\nexpect-state 2\nframes 1000\n"}, 1, ":2: expect-state 2, but the state is 1"},
        {{"shot " + Path("no/such/folder/x.png") + "\n"}, 1, ":1: the shot cannot be written to"},
        {{"hide\nframes 1\n"}, 1, ":2: the window is hidden, so no frame is composed"},
        {{"--headless", "--script", Path("missing.txt")}, 2, "missing.txt: cannot be read"},
        {{"--root", Path("nothing-here")}, 2, "not a folder"},
        {{"--fbdev", Path("fb"), "--fb-geometry=240x320x8", "--touch", Path("s.txt")},
         1,
         "brelvo: " + Path("fb") + ": a depth of 8 bits per pixel, which Brelvo cannot draw"},
        {{"--fbdev", Path("fb"), "--fb-geometry=240x320x16", "--touch", Path("none")},
         1,
         "brelvo: " + Path("none") + ": No such file or directory"},
        {{"--version"}, 0, "brelvo "},
        {{"--help"}, 0, "Usage: brelvo"},
        {{"--headless"}, 0, ""},
    };
    for (const auto& c : cases) {
        const bool script = c.args[0].ends_with('\n');
        const std::vector<std::string> played = {"--headless", "--script",
                                                 script ? WriteScript(c.args[0]) : ""};
        EXPECT_EQ(Run(script ? played : c.args, &output), c.status) << output;
        EXPECT_NE(output.find((script ? Path("s.txt") : "") + c.says), std::string::npos) << output;
    }
}

// Over ten thousand events, round every screen again and again (the thread sanitizer build runs
// it too): a Hook drag saved over a file that exists (the save screen, the question, Yes), the
// browser's list walked with the keys, help scrolled, the title picture, and File > Exit with a
// change, answered Cancel. Each round ends where it began, so the waits check every screen.
TEST_F(ProgramTest, TenThousandEventsVisitEveryScreen) {
    UseRealArtwork("root");
    fs::copy_file(std::string(BRELVO_SOURCE_DIR) + "/docs/sample-pictures/warped.bmp",
                  Path("root/soak.bmp"));
    const auto times = [](int n, const std::string& line) {
        std::string lines;
        for (int i = 0; i < n; ++i)
            lines += line + "\n";
        return lines;
    };
    std::string drag = "char h\ndown 120 90\n";
    for (int i = 1; i <= 20; ++i)
        drag += "move " + std::to_string(120 + i) + " " + std::to_string(90 - i) + "\n";
    const std::string round =
        drag + "up 140 70\nframes 2\ntap 56 10\nframes 6\ntap 69 96\nwait-state 6\nframes 2\n" +
        times(10, "key backspace") +
        "char soak\ntap 19 309\nwait-state 7\nframes 1\ntap 93 194\nwait-state 2\nframes 2\n"
        "tap 56 10\nframes 6\ntap 69 54\nwait-state 4\nframes 2\n" +
        times(10, "key down") + times(10, "key up") +
        "tap 60 309\nwait-state 2\ntap 171 10\nframes 3\ntap 183 36\nwait-state 8\nframes 1\n" +
        times(10, "key down") +
        "key escape\nwait-state 2\ntap 171 10\nframes 3\ntap 183 54\nframes 12\nexpect-state 3\n"
        "tap 120 160\nframes 1\nexpect-state 2\nchar m\ntap 130 150\nframes 2\ntap 56 10\n"
        "frames 6\ntap 69 119\nwait-state 7\nframes 1\ntap 171 194\nwait-state 2\n";
    // Taps and key presses are two events each, a stylus move or a typed character one.
    int eventsARound = 0;
    std::istringstream lines(round);
    for (std::string word, rest; lines >> word && std::getline(lines, rest);)
        eventsARound += word == "tap" || word == "key" ? 2
                        : word == "char"               ? static_cast<int>(rest.size()) - 1
                                         : word != "frames" && word.find('-') == std::string::npos;
    std::string script = "frames 62\ntap 56 10\nframes 6\ntap 69 36\nframes 11\n";
    for (int events = 0; events < 10000; events += eventsARound)
        script += round;
    std::string output;
    ASSERT_EQ(Play("root", script, output), 0) << output;
    platform::Bitmap saved;
    EXPECT_EQ(platform::DecodePictureFile(Path("root/soak.bmp"), saved), kOk);
    EXPECT_EQ(saved.width, 360) << "the gallery picture replaced the file";
}

TEST_F(ProgramTest, TermAndInterruptEndTheProgramLikeTheCloseCommand) {
    ASSERT_TRUE(test::WriteTestArchive(Path("Brelvo.erc")));
    const std::string script = WriteScript("frames 100000000\n");
    for (const int signal : {SIGTERM, SIGINT}) {
        test::Subprocess child;
        ASSERT_TRUE(child.Start({Exe(), "--headless", "--script", script}, Env(), Path("out.txt")));
        std::this_thread::sleep_for(300ms);
        ASSERT_TRUE(child.IsRunning());
        child.Signal(signal);
        EXPECT_EQ(child.Wait(10s), std::optional(0)) << test::ReadTextFile(Path("out.txt"));
    }
}

// A 240 x 320 shot as a panel shows it: turned clockwise by the degrees, at the largest whole
// scale that fits, centred on black, in the depth's bytes (16: RGB 5-6-5; 24: B, G, R; 32: B, G,
// R, 0).
std::string PanelBytes(const platform::Bitmap& shot, int width, int height, int depth,
                       int degrees) {
    const bool turned = degrees % 180 != 0;
    const int sw = turned ? 320 : 240, sh = turned ? 240 : 320;
    const int scale = std::min(width / sw, height / sh);
    const int left = (width - sw * scale) / 2, top = (height - sh * scale) / 2;
    std::string out;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t rgb[3] = {};
            if (x >= left && x < left + sw * scale && y >= top && y < top + sh * scale) {
                const int sx = (x - left) / scale, sy = (y - top) / scale;
                const int px = degrees == 0     ? sx
                               : degrees == 90  ? sy
                               : degrees == 180 ? 239 - sx
                                                : 239 - sy;
                const int py = degrees == 0     ? sy
                               : degrees == 90  ? 319 - sx
                               : degrees == 180 ? 319 - sy
                                                : sx;
                std::memcpy(rgb, shot.pixels.data() + (py * 240 + px) * 3, 3);
            }
            if (depth == 16) {
                const int v = (rgb[0] >> 3) << 11 | (rgb[1] >> 2) << 5 | rgb[2] >> 3;
                out += {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
            } else {
                out += {static_cast<char>(rgb[2]), static_cast<char>(rgb[1]),
                        static_cast<char>(rgb[0])};
                if (depth == 32)
                    out += '\0';
            }
        }
    return out;
}

// input_event records, as a touch controller or a keyboard sends them.
struct Records {
    void Add(int type, int code, int value) {
        input_event e{};
        e.type = static_cast<std::uint16_t>(type);
        e.code = static_cast<std::uint16_t>(code);
        e.value = value;
        bytes.append(reinterpret_cast<const char*>(&e), sizeof e);
    }
    std::string bytes;
};

// Adds to a regular file, or writes into a FIFO once the program reads it.
bool Feed(const std::string& fifo, const std::string& bytes) {
    for (int i = 0; i < 500; ++i, std::this_thread::sleep_for(10ms)) {
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_APPEND);
        if (fd < 0)
            continue;
        const bool all =
            ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        ::close(fd);
        return all;
    }
    return false;
}

// One headless run gives five frames: the start-up picture, the editor with a picture from the
// command line, after a Hook drag, after typing m (the Magnifier) and after a tap. On a panel (a
// file for its frame buffer, a FIFO for its touch controller, a growing file for its keys) the
// program shows each of them in turn, turned and scaled as the panel asks, once it has had the
// same touches and keys, the touches given as the controller's raw readings: single-touch, or
// multi-touch with a second finger that must not count; in one case with the axes swapped and
// one inverted.
TEST_F(ProgramTest, OnAPanelItShowsTheHeadlessFramesAfterTheSameTouches) {
    UseRealArtwork("root");
    test::WriteFile(Path("root/cat.png"),
                    test::WritePng(test::TestPictureRgba(260, 300), 260, 300));
    const std::vector<Point> drag = {{60, 120}, {80, 130}, {100, 140}};
    const Point tap(120, 100);
    std::string script = "frames 1\nshot " + Path("s0.png") + "\nwait-state 2\nframes 3\nshot " +
                         Path("s1.png") + "\n";
    for (std::size_t i = 0; i < drag.size(); ++i)
        script += (i == 0 ? "down " : "move ") + std::to_string(drag[i].x) + " " +
                  std::to_string(drag[i].y) + "\n";
    script += "up 100 140\nframes 30\nshot " + Path("s2.png") + "\nchar m\nframes 3\nshot " +
              Path("s3.png") + "\ntap 120 100\nframes 30\nshot " + Path("s4.png") + "\n";
    std::string output;
    ASSERT_EQ(Run({"--root", Path("root"), "--headless", "--script", WriteScript(script),
                   Path("root/cat.png")},
                  &output),
              0)
        << output;
    platform::Bitmap shots[5];
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(platform::DecodePictureFile(Path("s" + std::to_string(i) + ".png"), shots[i]),
                  kOk);

    const struct {
        int width, height, depth, degrees;
        std::vector<std::string> options;
        bool multiTouch, swapAndInvert;
    } cases[] = {
        {240, 320, 16, 0, {}, false, false},
        {320, 240, 32, 90, {"--touch-axes", "swap,invert-x"}, true, true},
        {320, 240, 16, 270, {"--rotate", "270"}, false, false},
        {490, 650, 24, 180, {"--rotate=180"}, true, false},
    };
    for (const auto& c : cases) {
        const std::string geometry = std::to_string(c.width) + "x" + std::to_string(c.height) +
                                     "x" + std::to_string(c.depth);
        SCOPED_TRACE(geometry + " turned " + std::to_string(c.degrees));
        const bool turned = c.degrees % 180 != 0;
        const int scale = std::min(c.width / (turned ? 320 : 240), c.height / (turned ? 240 : 320));
        const int left = (c.width - (turned ? 320 : 240) * scale) / 2;
        const int top = (c.height - (turned ? 240 : 320) * scale) / 2;
        // The raw reading at a point of the picture the program draws: its screen point (the
        // display's mapping undone), the panel pixel there, and the controller's 0..4095 scale.
        const auto raw = [&](Point p) {
            const Point s = c.degrees == 0     ? p
                            : c.degrees == 90  ? Point(320 - p.y, p.x)
                            : c.degrees == 180 ? Point(240 - p.x, 320 - p.y)
                                               : Point(p.y, 240 - p.x);
            const int x = ((left + s.x * scale) * 4096 + c.width - 1) / c.width;
            const int y = ((top + s.y * scale) * 4096 + c.height - 1) / c.height;
            return c.swapAndInvert ? Point(y, 4095 - x) : Point(x, y);
        };
        Records touch;
        const auto contact = [&](Point p, bool first) {
            const Point r = raw(p);
            if (c.multiTouch && !first) { // a second finger, which must not count
                touch.Add(EV_ABS, ABS_MT_SLOT, 1);
                touch.Add(EV_ABS, ABS_MT_TRACKING_ID, 9);
                touch.Add(EV_ABS, ABS_MT_POSITION_X, 2000);
                touch.Add(EV_ABS, ABS_MT_SLOT, 0);
            } else if (c.multiTouch) {
                touch.Add(EV_ABS, ABS_MT_TRACKING_ID, 4);
            }
            touch.Add(EV_ABS, c.multiTouch ? ABS_MT_POSITION_X : ABS_X, r.x);
            touch.Add(EV_ABS, c.multiTouch ? ABS_MT_POSITION_Y : ABS_Y, r.y);
            if (first && !c.multiTouch)
                touch.Add(EV_KEY, BTN_TOUCH, 1);
            touch.Add(EV_SYN, SYN_REPORT, 0);
        };
        const auto lift = [&] {
            if (c.multiTouch) {
                touch.Add(EV_ABS, ABS_MT_SLOT, 1);
                touch.Add(EV_ABS, ABS_MT_TRACKING_ID, -1);
                touch.Add(EV_ABS, ABS_MT_SLOT, 0);
                touch.Add(EV_ABS, ABS_MT_TRACKING_ID, -1);
            } else {
                touch.Add(EV_KEY, BTN_TOUCH, 0);
            }
            touch.Add(EV_SYN, SYN_REPORT, 0);
        };
        fs::remove(Path("touch"));
        ASSERT_EQ(::mkfifo(Path("touch").c_str(), 0600), 0);
        std::ofstream(Path("keys"), std::ios::trunc).flush();
        fs::remove(Path("fb"));
        std::vector<std::string> args = {Exe(),         "--root",        Path("root"), "--fbdev",
                                         Path("fb"),    "--fb-geometry", geometry,     "--touch",
                                         Path("touch"), "--keys",        Path("keys")};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(Path("root/cat.png"));
        test::Subprocess child;
        ASSERT_TRUE(child.Start(args, Env(), Path("out.txt")));
        for (int i = 0; i < 5; ++i) {
            touch.bytes.clear();
            if (i == 2) {
                for (std::size_t d = 0; d < drag.size(); ++d)
                    contact(drag[d], d == 0);
                lift();
            } else if (i == 4) {
                contact(tap, true);
                lift();
            }
            Records keys;
            keys.Add(EV_KEY, KEY_M, 1);
            keys.Add(EV_KEY, KEY_M, 0);
            keys.Add(EV_SYN, SYN_REPORT, 0);
            if (i == 3) {
                EXPECT_TRUE(Feed(Path("keys"), keys.bytes));
            } else if (!touch.bytes.empty()) {
                EXPECT_TRUE(Feed(Path("touch"), touch.bytes));
            }
            const std::string expected =
                PanelBytes(shots[i], c.width, c.height, c.depth, c.degrees);
            // Generous: a sanitizer build on a busy machine may take many seconds to start; the
            // start-up picture stays for 61 frames, at least two seconds.
            const auto until = std::chrono::steady_clock::now() + 90s;
            bool shown = false;
            while (!shown && std::chrono::steady_clock::now() < until) {
                shown = test::ReadTextFile(Path("fb")) == expected;
                std::this_thread::sleep_for(5ms);
            }
            EXPECT_TRUE(shown) << "frame " << i << ": " << test::ReadTextFile(Path("out.txt"));
        }
        child.Signal(SIGTERM);
        EXPECT_EQ(child.Wait(10s), std::optional(0)) << test::ReadTextFile(Path("out.txt"));
    }
}

// The program and its tools share one reader: "--x=v" and "--x v" alike, and an unknown option or
// a bad number said in one message, exit 2.
TEST_F(ProgramTest, EveryProgramReadsOptionsAndSaysMistakesAlike) {
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
    std::string out;
    const auto run = [&](const char* path, const std::string& words) {
        std::vector<std::string> args = {path};
        std::istringstream split(words);
        for (std::string word; split >> word;)
            args.push_back(word);
        return Tool(args, &out);
    };
    for (const auto& p : programs) {
        SCOPED_TRACE(p.name);
        const std::string tryHelp = std::string("\nTry '") + p.name + " --help'.\n";
        EXPECT_EQ(run(p.path, "--bogus=1"), 2);
        EXPECT_EQ(out, p.name + std::string(": unknown option '--bogus'") + tryHelp);
        EXPECT_EQ(run(p.path, p.badNumber), 2);
        EXPECT_EQ(out, p.name + std::string(": ") + p.says + tryHelp);
        EXPECT_EQ(run(p.path, p.goodForms), 0) << out;
    }
}

// What the program takes from a command line, in one line, or the error it gives.
std::string Parse(const std::vector<std::string>& args) {
    CommandLine l;
    std::string error;
    if (!ParseCommandLine(args, l, error))
        return "error: " + error;
    return "root=" + l.root + " scale=" + std::to_string(l.scale) + (l.fullScreen ? " full" : "") +
           (l.headless ? " headless" : "") + (l.script.empty() ? "" : " script=" + l.script) +
           (l.file.empty() ? "" : " " + l.file) + (l.help ? " help" : "") +
           (l.version ? " version" : "") +
           (l.frameBuffer.empty() ? ""
                                  : " fb=" + l.frameBuffer + " touch=" + l.touch +
                                        " keys=" + l.keys + " rotate=" + std::to_string(l.rotate)) +
           (l.fileGeometry ? " geometry=" + std::to_string(l.fileGeometry->width) + "x" +
                                 std::to_string(l.fileGeometry->lineLength)
                           : "") +
           (l.calibration.rangeGiven ? " range=" + std::to_string(l.calibration.xMax) + "," +
                                           std::to_string(l.calibration.yMin)
                                     : "") +
           (l.calibration.swap ? " swap" : "") + (l.calibration.invertX ? " invert-x" : "") +
           (l.calibration.invertY ? " invert-y" : "");
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
        {{"--fbdev=/dev/fb1", "--touch", "t", "--keys=k", "--rotate", "270", "--fb-geometry",
          "320x240x32", "--touch-range", "1,4000,20,3900", "--touch-axes=invert-y,swap"},
         "root= scale=0 fb=/dev/fb1 touch=t keys=k rotate=270 geometry=320x1280 range=4000,20 "
         "swap invert-y"},
        {{"--fbdev", "f", "--touch", "t", "--touch-axes", "none"},
         "root= scale=0 fb=f touch=t keys= rotate=-1"},
        {{"--fbdev", "f"}, "error: --fbdev needs a touch controller: --touch DEV"},
        {{"--touch", "t"},
         "error: --touch, --keys, --rotate, --touch-range, --touch-axes and "
         "--fb-geometry go with --fbdev"},
        {{"--fbdev", "f", "--touch", "t", "--headless"},
         "error: --fbdev shows the program on a panel; --headless, --fullscreen and --scale are "
         "for the desktop"},
        {{"--fbdev", "f", "--touch", "t", "--rotate", "45"},
         "error: --rotate takes 0, 90, 180 or 270, not '45'"},
        {{"--fbdev", "f", "--touch", "t", "--touch-range", "5,5,0,9"},
         "error: --touch-range needs XMIN,XMAX,YMIN,YMAX with each minimum below its maximum, not "
         "'5,5,0,9'"},
        {{"--fbdev", "f", "--touch", "t", "--touch-axes", "swap,up"},
         "error: --touch-axes takes swap, invert-x and invert-y, separated by commas, or none, "
         "not 'swap,up'"},
        {{"--fbdev", "f", "--touch", "t", "--fb-geometry", "0x9x16"},
         "error: --fb-geometry needs WIDTHxHEIGHTxDEPTH, for example 240x320x16, not '0x9x16'"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Parse(c.args), c.parsed);
}

} // namespace
} // namespace brelvo
