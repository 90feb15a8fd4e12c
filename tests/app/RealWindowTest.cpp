// The brelvo program in a real window, on an X server of its own (Xvfb): it must show the
// start-up picture and then the editor, keep to one copy, and end cleanly when its window is
// closed or it is signalled.

#include "archive/ArtworkIds.h"
#include "archive/ResourceArchive.h"
#include "base/WString.h"
#include "gfx/Blit.h"
#include "gfx/ImageLoad.h"
#include "tests/app/EditorFrame.h"
#include "tests/support/PictureWriters.h"
#include "tests/support/Subprocess.h"
#include "tests/support/XWindowClose.h"
#include "tests/support/XwdImage.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace brelvo {
namespace {

using namespace std::chrono_literals;

bool OnPath(const std::string& tool) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = dirs.find(':', start);
        const std::string dir = dirs.substr(start, end - start);
        if (!dir.empty() && ::access((dir + "/" + tool).c_str(), X_OK) == 0)
            return true;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return false;
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<Pixel> Pixels(const Surface& s) {
    std::vector<Pixel> out;
    for (std::int32_t y = 0; y < s.GetHeight(); ++y)
        out.insert(out.end(), s.Header().Row(y), s.Header().Row(y) + s.GetWidth());
    return out;
}

// True when the window dump shows the frame, each screen pixel a whole square of window pixels.
bool Shows(const test::XwdImage& dump, const Surface& frame) {
    if (dump.width % 240 != 0 || dump.height % 320 != 0 || dump.width / 240 != dump.height / 320)
        return false;
    const std::int32_t scale = dump.width / 240;
    for (std::int32_t y = 0; y < 320; ++y) {
        for (std::int32_t x = 0; x < 240; ++x) {
            const std::uint32_t rgb = dump.At(x * scale + scale / 2, y * scale + scale / 2);
            const auto shown = static_cast<Pixel>((((rgb >> 16) & 0xF8) << 8) |
                                                  (((rgb >> 8) & 0xFC) << 3) | ((rgb & 0xF8) >> 3));
            if (shown != frame.Header().Row(y)[x])
                return false;
        }
    }
    return true;
}

class RealWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The build makes the archive and scripts/setup installs the tools, so a missing one is
        // a fault of the machine's set-up that must not pass as a skipped test.
        for (const char* tool : {"Xvfb", "xwd", "xdotool"})
            ASSERT_TRUE(OnPath(tool)) << tool << " is not installed (scripts/setup installs it)";
        ASSERT_TRUE(std::filesystem::exists(BRELVO_REAL_ARCHIVE)) << BRELVO_REAL_ARCHIVE;
        ASSERT_TRUE(test::DrawExpectedFrames(BRELVO_REAL_ARCHIVE, m_expected));
        ::mkdir(Path("run").c_str(), 0700);
        StartServer();
    }

    std::string Path(const std::string& name) const { return m_folder / name; }

    // Xvfb picks a free display itself and writes its number to descriptor 3. By default the
    // server resets itself whenever its last client leaves, and a program that connects during
    // the reset is refused; a test that starts the program again after the previous copy ended
    // (or whose tools come and go) would fail by chance, so the server never resets.
    void StartServer() {
        int pipe[2];
        ASSERT_EQ(::pipe(pipe), 0);
        ASSERT_TRUE(m_server.Start({"/usr/bin/env", "Xvfb", "-displayfd", "3", "-screen", "0",
                                    "1024x768x24", "-nolisten", "tcp", "-noreset"},
                                   {}, Path("xvfb.log"), pipe[1]));
        ::close(pipe[1]);
        std::string number;
        pollfd wait{pipe[0], POLLIN, 0};
        while (::poll(&wait, 1, 10000) > 0) {
            char c = 0;
            if (::read(pipe[0], &c, 1) != 1 || c == '\n')
                break;
            number.push_back(c);
        }
        ::close(pipe[0]);
        ASSERT_FALSE(number.empty()) << test::ReadTextFile(Path("xvfb.log"));
        m_display = ":" + number;
    }

    // The X and SDL libraries keep caches to the end of the process that LeakSanitizer would
    // report as the program's; the headless tests look for the program's own leaks.
    std::vector<std::string> Env() const {
        return {"DISPLAY=" + m_display, "XDG_RUNTIME_DIR=" + Path("run"),
                "XDG_CONFIG_HOME=" + Path("config"), "SDL_VIDEODRIVER=x11",
                "ASAN_OPTIONS=detect_leaks=0:abort_on_error=1"};
    }

    int Tool(const std::vector<std::string>& args, std::string* output = nullptr) const {
        std::vector<std::string> all = {"/usr/bin/env"};
        all.insert(all.end(), args.begin(), args.end());
        const int status = test::RunProgram(all, Env(), Path("tool.txt"), 20s);
        if (output)
            *output = test::ReadTextFile(Path("tool.txt"));
        return status;
    }

    // What the program and the server said, and whether the server still answers, for a
    // failure message.
    std::string Report() const {
        std::string answer;
        const int status = Tool({"xdotool", "getdisplaygeometry"}, &answer);
        return "program: " + test::ReadTextFile(Path("brelvo.txt")) + "\nserver " + m_display +
               " (answers with status " + std::to_string(status) + ": " + answer +
               "): " + test::ReadTextFile(Path("xvfb.log"));
    }

    // The program's window id, once it exists; empty when the program ended without one.
    std::string WaitForWindow(test::Subprocess& program) const {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (std::chrono::steady_clock::now() < deadline && program.IsRunning()) {
            std::string output;
            if (Tool({"xdotool", "search", "--name", "^Brelvo$"}, &output) == 0 && !output.empty())
                return output.substr(0, output.find('\n'));
            std::this_thread::sleep_for(20ms);
        }
        return {};
    }

    // Dumps the window until it shows the frame, for at most the timeout.
    bool WaitUntilShown(const std::string& window, const Surface& frame,
                        std::chrono::milliseconds timeout, std::string& last) const {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        do {
            if (Tool({"xwd", "-silent", "-id", window, "-out", Path("window.xwd")}) == 0) {
                test::XwdImage dump;
                if (!test::ReadXwd(ReadBytes(Path("window.xwd")), dump, last))
                    continue;
                last = std::to_string(dump.width) + "x" + std::to_string(dump.height);
                if (Shows(dump, frame))
                    return true;
            }
            std::this_thread::sleep_for(20ms);
        } while (std::chrono::steady_clock::now() < deadline);
        return false;
    }

    // The frame the window shows now, one pixel of each scaled square; empty when it cannot be
    // read.
    std::vector<Pixel> Frame(const std::string& window, std::int32_t& scale) const {
        std::string error;
        test::XwdImage dump;
        if (Tool({"xwd", "-silent", "-id", window, "-out", Path("window.xwd")}) != 0 ||
            !test::ReadXwd(ReadBytes(Path("window.xwd")), dump, error) || dump.width % 240 != 0 ||
            dump.width / 240 != dump.height / 320)
            return {};
        scale = dump.width / 240;
        std::vector<Pixel> frame;
        for (std::int32_t y = 0; y < 320; ++y) {
            for (std::int32_t x = 0; x < 240; ++x) {
                const std::uint32_t rgb = dump.At(x * scale + scale / 2, y * scale + scale / 2);
                frame.push_back(static_cast<Pixel>((((rgb >> 16) & 0xF8) << 8) |
                                                   (((rgb >> 8) & 0xFC) << 3) |
                                                   ((rgb & 0xF8) >> 3)));
            }
        }
        return frame;
    }

    // Dumps the window until the test holds for its frame, for at most 10 seconds.
    template <typename Test>
    std::vector<Pixel> WaitForFrame(const std::string& window, Test test) const {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        std::int32_t scale = 1;
        std::vector<Pixel> frame;
        do {
            frame = Frame(window, scale);
            if (!frame.empty() && test(frame))
                return frame;
            std::this_thread::sleep_for(20ms);
        } while (std::chrono::steady_clock::now() < deadline);
        return {};
    }

    // A stylus point on the device screen as a point in the window, the middle of its square.
    std::string At(std::int32_t v, std::int32_t scale) const {
        return std::to_string(v * scale + scale / 2);
    }

    test::TempFolder m_folder;
    test::Subprocess m_server;
    std::string m_display;
    test::ExpectedFrames m_expected;
};

TEST_F(RealWindowTest, ShowsTheStartUpPictureThenTheEditorKeepsToOneCopyAndClosesCleanly) {
    test::Subprocess program;
    ASSERT_TRUE(program.Start({BRELVO_EXE}, Env(), Path("brelvo.txt")));
    const std::string window = WaitForWindow(program);
    ASSERT_FALSE(window.empty()) << Report();

    std::string last;
    // The start-up picture stays about two seconds; the window is looked at well within them.
    EXPECT_TRUE(WaitUntilShown(window, m_expected.startup, 1500ms, last))
        << "the window does not show the start-up picture (" << last << ")";
    EXPECT_TRUE(WaitUntilShown(window, m_expected.editor, 10s, last))
        << "the window does not show the editor (" << last << ")";

    // A second copy hands over to the first and leaves at once.
    test::Subprocess second;
    ASSERT_TRUE(second.Start({BRELVO_EXE}, Env(), Path("second.txt")));
    const std::optional<int> secondStatus = second.Wait(10s);
    ASSERT_TRUE(secondStatus.has_value()) << "the second copy did not leave";
    EXPECT_EQ(*secondStatus, 0) << test::ReadTextFile(Path("second.txt"));
    EXPECT_TRUE(program.IsRunning());

    ASSERT_TRUE(test::SendWindowClose(m_display, std::stoul(window)));
    const std::optional<int> status = program.Wait(10s);
    ASSERT_TRUE(status.has_value()) << "closing the window did not end the program";
    EXPECT_EQ(*status, 0) << test::ReadTextFile(Path("brelvo.txt"));
}

// The mouse is the stylus and the keyboard the keys: a click opens a menu and chooses the
// gallery, a drag warps the picture on the screen, and Ctrl+Z takes the warp back.
TEST_F(RealWindowTest, AMouseDragWarpsThePictureAndCtrlZUndoesIt) {
    test::Subprocess program;
    ASSERT_TRUE(program.Start({BRELVO_EXE, "--scale", "2"}, Env(), Path("brelvo.txt")));
    const std::string window = WaitForWindow(program);
    ASSERT_FALSE(window.empty()) << Report();
    std::string last;
    ASSERT_TRUE(WaitUntilShown(window, m_expected.editor, 10s, last)) << Report();
    const std::int32_t s = 2;
    auto click = [&](std::int32_t x, std::int32_t y) {
        return Tool({"xdotool", "mousemove", "--window", window, At(x, s), At(y, s), "click", "1"});
    };
    auto pixel = [](const std::vector<Pixel>& frame, std::int32_t x, std::int32_t y) {
        return frame[static_cast<std::size_t>(y) * 240 + static_cast<std::size_t>(x)];
    };
    const Pixel closedMenu = pixel(Pixels(m_expected.editor), 60, 60);
    const Pixel underNew = pixel(Pixels(m_expected.editor), 69, 36);

    // The menu slides out bottom edge first: its first item shows once it is fully out, and
    // only then does it take a tap.
    ASSERT_EQ(click(56, 10), 0);
    ASSERT_FALSE(
        WaitForFrame(window,
                     [&](const std::vector<Pixel>& f) { return pixel(f, 69, 36) != underNew; })
            .empty())
        << "the File menu did not open";
    std::this_thread::sleep_for(100ms);
    ASSERT_EQ(click(69, 36), 0);
    const std::vector<Pixel> loaded = WaitForFrame(window, [&](const std::vector<Pixel>& f) {
        return pixel(f, 60, 60) != closedMenu && pixel(f, 150, 200) != closedMenu;
    });
    ASSERT_FALSE(loaded.empty()) << "no gallery picture";
    std::this_thread::sleep_for(500ms); // the menu's feedback has ended
    std::int32_t scale = 0;
    const std::vector<Pixel> before = Frame(window, scale);

    // The Hook, the default tool, drags the picture along.
    ASSERT_EQ(
        Tool({"xdotool",  "mousemove", "--window", window,     At(120, s), At(150, s), "mousedown",
              "1",        "mousemove", "--window", window,     At(140, s), At(160, s), "mousemove",
              "--window", window,      At(160, s), At(170, s), "mouseup",  "1"}),
        0);
    auto view = [](const std::vector<Pixel>& frame) {
        std::vector<Pixel> part;
        for (std::int32_t y = 60; y < 300; ++y)
            for (std::int32_t x = 40; x < 220; ++x)
                part.push_back(
                    frame[static_cast<std::size_t>(y) * 240 + static_cast<std::size_t>(x)]);
        return part;
    };
    ASSERT_FALSE(
        WaitForFrame(window, [&](const std::vector<Pixel>& f) { return view(f) != view(before); })
            .empty())
        << "the drag left the picture as it was";

    ASSERT_EQ(Tool({"xdotool", "windowfocus", "--sync", window}), 0);
    ASSERT_EQ(Tool({"xdotool", "key", "--clearmodifiers", "ctrl+z"}), 0);
    EXPECT_FALSE(
        WaitForFrame(window, [&](const std::vector<Pixel>& f) { return view(f) == view(before); })
            .empty())
        << "Ctrl+Z did not take the warp back";
    program.Signal(SIGTERM);
    EXPECT_TRUE(program.Wait(10s).has_value());
}

// brelvo PICTURE with a copy already running: that copy opens the picture, and the new one
// leaves at once.
TEST_F(RealWindowTest, ALaterCopyHandsItsPictureToTheRunningOne) {
    test::Subprocess program;
    ASSERT_TRUE(program.Start({BRELVO_EXE, "--root", m_folder.Path()}, Env(), Path("brelvo.txt")));
    const std::string window = WaitForWindow(program);
    ASSERT_FALSE(window.empty()) << Report();
    std::string last;
    ASSERT_TRUE(WaitUntilShown(window, m_expected.editor, 10s, last)) << Report();

    const test::Bytes rgba = test::TestPictureRgba(300, 300);
    const test::Bytes png = test::WritePng(rgba, 300, 300);
    std::ofstream(Path("cat.png"), std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    test::Subprocess second;
    ASSERT_TRUE(second.Start({BRELVO_EXE, Path("cat.png")}, Env(), Path("second.txt")));
    const std::optional<int> status = second.Wait(10s);
    ASSERT_TRUE(status.has_value()) << "the second copy did not leave";
    EXPECT_EQ(*status, 0) << test::ReadTextFile(Path("second.txt"));

    const auto want = [&](std::int32_t x, std::int32_t y) {
        const std::uint8_t* p =
            &rgba[(static_cast<std::size_t>(y) * 300 + static_cast<std::size_t>(x)) * 4];
        return static_cast<Pixel>(((p[0] >> 3) << 11) | ((p[1] >> 2) << 5) | (p[2] >> 3));
    };
    EXPECT_FALSE(WaitForFrame(window,
                              [&](const std::vector<Pixel>& f) {
                                  return f[51 * 240 + 30] == want(0, 0) &&
                                         f[200 * 240 + 150] == want(120, 149);
                              })
                     .empty())
        << "the running copy did not open the picture: " << test::ReadTextFile(Path("brelvo.txt"));
    program.Signal(SIGTERM);
    EXPECT_TRUE(program.Wait(10s).has_value());
}

TEST_F(RealWindowTest, TermAndInterruptEndTheProgramCleanly) {
    for (const int signal : {SIGTERM, SIGINT}) {
        test::Subprocess program;
        ASSERT_TRUE(program.Start({BRELVO_EXE}, Env(), Path("brelvo.txt")));
        ASSERT_FALSE(WaitForWindow(program).empty()) << "signal " << signal << ": " << Report();
        program.Signal(signal);
        const std::optional<int> status = program.Wait(10s);
        ASSERT_TRUE(status.has_value()) << "signal " << signal << " did not end the program";
        EXPECT_EQ(*status, 0) << test::ReadTextFile(Path("brelvo.txt"));
        // The window is gone with the program, so the next copy is a first copy again.
        std::string output;
        EXPECT_NE(Tool({"xdotool", "search", "--name", "^Brelvo$"}, &output), 0) << output;
    }
}

} // namespace
} // namespace brelvo
