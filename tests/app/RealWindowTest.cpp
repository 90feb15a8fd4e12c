// The brelvo program in a real window, on an X server of its own (Xvfb): it must show the
// start-up picture and then the editor, keep to one copy, and end cleanly when its window is
// closed or it is signalled.

#include "tests/app/EditorFrame.h"
#include "tests/app/TestArtwork.h"
#include "tests/support/PictureWriters.h"
#include "tests/support/Subprocess.h"
#include "tests/support/XWindowClose.h"
#include "tests/support/XwdImage.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <functional>
#include <poll.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace brelvo {
namespace {

using namespace std::chrono_literals;
using Frame = std::vector<Pixel>;

Pixel At(const Frame& frame, std::int32_t x, std::int32_t y) {
    return frame[static_cast<std::size_t>(y * 240 + x)];
}

class RealWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The build makes the archive and scripts/setup installs the tools, so a missing one is
        // a fault of the machine's set-up that must not pass as a skipped test.
        ASSERT_EQ(test::RunProgram({"/bin/sh", "-c",
                                    "command -v Xvfb && command -v xwd && "
                                    "command -v xdotool"},
                                   {}, Path("tools.txt"), 10s),
                  0)
            << "Xvfb, xwd or xdotool is not installed (scripts/setup installs them)";
        ASSERT_TRUE(test::DrawExpectedFrames(BRELVO_REAL_ARCHIVE, m_expected))
            << BRELVO_REAL_ARCHIVE;
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

    // What the program and the server said, whether the server still answers, and the last
    // window dump's size, for a failure message.
    std::string Report() const {
        std::string answer;
        const int status = Tool({"xdotool", "getdisplaygeometry"}, &answer);
        return "program: " + test::ReadTextFile(Path("brelvo.txt")) + "\nserver " + m_display +
               " (answers with status " + std::to_string(status) + ": " + answer +
               "): " + test::ReadTextFile(Path("xvfb.log")) + "\nlast dump: " + m_lastDump;
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

    // Starts the program and waits for its window; the window id, or empty.
    std::string Start(test::Subprocess& program, std::vector<std::string> args = {}) const {
        args.insert(args.begin(), BRELVO_EXE);
        return program.Start(args, Env(), Path("brelvo.txt")) ? WaitForWindow(program) : "";
    }

    // The frame the window shows now, the middle pixel of each scaled square; empty when it
    // cannot be read.
    Frame Dump(const std::string& window) {
        test::XwdImage dump;
        const std::string bytes =
            Tool({"xwd", "-silent", "-id", window, "-out", Path("w.xwd")}) == 0
                ? test::ReadTextFile(Path("w.xwd"))
                : "";
        if (!test::ReadXwd({bytes.begin(), bytes.end()}, dump, m_lastDump))
            return {};
        m_lastDump = std::to_string(dump.width) + "x" + std::to_string(dump.height);
        m_scale = dump.width / 240;
        if (dump.width % 240 != 0 || dump.height % 320 != 0 || m_scale != dump.height / 320)
            return {};
        Frame frame;
        for (std::int32_t y = 0; y < 320; ++y) {
            for (std::int32_t x = 0; x < 240; ++x) {
                const std::uint32_t rgb =
                    dump.At(x * m_scale + m_scale / 2, y * m_scale + m_scale / 2);
                frame.push_back(static_cast<Pixel>(((rgb >> 8) & 0xF800) | ((rgb >> 5) & 0x07E0) |
                                                   ((rgb >> 3) & 0x001F)));
            }
        }
        return frame;
    }

    // Dumps the window until the test holds for its frame, for at most the timeout; the frame,
    // or empty.
    Frame WaitForFrame(const std::string& window, const std::function<bool(const Frame&)>& test,
                       std::chrono::milliseconds timeout = 10s) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        do {
            Frame frame = Dump(window);
            if (!frame.empty() && test(frame))
                return frame;
            std::this_thread::sleep_for(20ms);
        } while (std::chrono::steady_clock::now() < deadline);
        return {};
    }
    bool WaitUntilShown(const std::string& window, const Surface& expected,
                        std::chrono::milliseconds timeout = 10s) {
        const Frame want = test::Pixels(expected);
        return !WaitForFrame(
                    window, [&](const Frame& f) { return f == want; }, timeout)
                    .empty();
    }

    // A point on the device screen as a point in the window, the middle of its square.
    std::string Scaled(std::int32_t v) const { return std::to_string(v * m_scale + m_scale / 2); }

    // Ends the program with a signal: it must end at once, with status 0, and its window with it,
    // so that the next copy is a first copy again.
    void EndWith(test::Subprocess& program, int signal) const {
        program.Signal(signal);
        const std::optional<int> status = program.Wait(10s);
        ASSERT_TRUE(status.has_value()) << "signal " << signal << " did not end the program";
        EXPECT_EQ(*status, 0) << test::ReadTextFile(Path("brelvo.txt"));
        std::string output;
        EXPECT_NE(Tool({"xdotool", "search", "--name", "^Brelvo$"}, &output), 0) << output;
    }

    test::TempFolder m_folder;
    test::Subprocess m_server;
    std::string m_display;
    test::ExpectedFrames m_expected;
    std::string m_lastDump;
    std::int32_t m_scale = 1;
};

// The window shows the start-up picture, then the editor. The mouse is the stylus and the
// keyboard the keys: a click opens a menu and chooses the gallery, a drag warps the picture on
// the screen, and Ctrl+Z takes the warp back. Interrupt ends the program cleanly.
TEST_F(RealWindowTest, ShowsTheEditorWhereAMouseDragWarpsAndCtrlZUndoes) {
    test::Subprocess program;
    const std::string window = Start(program, {"--scale", "2"});
    ASSERT_FALSE(window.empty()) << Report();
    // The start-up picture stays about two seconds; the window is looked at well within them.
    EXPECT_TRUE(WaitUntilShown(window, m_expected.startup, 1500ms))
        << "the window does not show the start-up picture: " << Report();
    ASSERT_TRUE(WaitUntilShown(window, m_expected.editor))
        << "the window does not show the editor: " << Report();
    ASSERT_EQ(m_scale, 2);
    const Frame editor = test::Pixels(m_expected.editor);

    // The menu slides out bottom edge first: its first item shows once it is fully out, and
    // only then does it take a tap.
    const auto click = [&](std::int32_t x, std::int32_t y) {
        return Tool(
            {"xdotool", "mousemove", "--window", window, Scaled(x), Scaled(y), "click", "1"});
    };
    ASSERT_EQ(click(56, 10), 0);
    ASSERT_FALSE(
        WaitForFrame(window, [&](const Frame& f) { return At(f, 69, 36) != At(editor, 69, 36); })
            .empty())
        << "the File menu did not open";
    std::this_thread::sleep_for(100ms);
    ASSERT_EQ(click(69, 36), 0);
    ASSERT_FALSE(WaitForFrame(window,
                              [&](const Frame& f) {
                                  return At(f, 60, 60) != At(editor, 60, 60) &&
                                         At(f, 150, 200) != At(editor, 60, 60);
                              })
                     .empty())
        << "no gallery picture";
    std::this_thread::sleep_for(500ms); // the menu's feedback has ended
    const Frame before = Dump(window);

    // The Hook, the default tool, drags the picture along.
    ASSERT_EQ(Tool({"xdotool",   "mousemove", "--window",  window,      Scaled(120),
                    Scaled(150), "mousedown", "1",         "mousemove", "--window",
                    window,      Scaled(140), Scaled(160), "mousemove", "--window",
                    window,      Scaled(160), Scaled(170), "mouseup",   "1"}),
              0);
    const auto view = [](const Frame& frame) {
        Frame part;
        for (std::int32_t y = 60; y < 300; ++y)
            part.insert(part.end(), frame.begin() + y * 240 + 40, frame.begin() + y * 240 + 220);
        return part;
    };
    ASSERT_FALSE(
        WaitForFrame(window, [&](const Frame& f) { return view(f) != view(before); }).empty())
        << "the drag left the picture as it was";

    ASSERT_EQ(Tool({"xdotool", "windowfocus", "--sync", window}), 0);
    ASSERT_EQ(Tool({"xdotool", "key", "--clearmodifiers", "ctrl+z"}), 0);
    EXPECT_FALSE(
        WaitForFrame(window, [&](const Frame& f) { return view(f) == view(before); }).empty())
        << "Ctrl+Z did not take the warp back";
    EndWith(program, SIGINT);
}

// The program keeps to one copy: brelvo PICTURE with a copy already running hands the picture
// over and leaves at once, and that copy opens it. The window's close button ends it, and Term
// a later copy, cleanly.
TEST_F(RealWindowTest, ALaterCopyHandsItsPictureToTheRunningOne) {
    test::Subprocess program;
    const std::string window = Start(program, {"--root", m_folder.Path()});
    ASSERT_FALSE(window.empty()) << Report();
    ASSERT_TRUE(WaitUntilShown(window, m_expected.editor)) << Report();

    const test::Bytes rgba = test::TestPictureRgba(300, 300);
    const test::Bytes png = test::WritePng(rgba, 300, 300);
    std::ofstream(Path("cat.png"), std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    test::Subprocess second;
    ASSERT_TRUE(second.Start({BRELVO_EXE, Path("cat.png")}, Env(), Path("second.txt")));
    const std::optional<int> status = second.Wait(10s);
    ASSERT_TRUE(status.has_value()) << "the second copy did not leave";
    EXPECT_EQ(*status, 0) << test::ReadTextFile(Path("second.txt"));
    EXPECT_TRUE(program.IsRunning());

    const auto want = [&](std::int32_t x, std::int32_t y) {
        return test::Rgb565(&rgba[static_cast<std::size_t>(y * 300 + x) * 4]);
    };
    EXPECT_FALSE(WaitForFrame(window,
                              [&](const Frame& f) {
                                  return At(f, 30, 51) == want(0, 0) &&
                                         At(f, 150, 200) == want(120, 149);
                              })
                     .empty())
        << "the running copy did not open the picture: " << test::ReadTextFile(Path("brelvo.txt"));
    ASSERT_TRUE(test::SendWindowClose(m_display, std::stoul(window)));
    const std::optional<int> closed = program.Wait(10s);
    ASSERT_TRUE(closed.has_value()) << "closing the window did not end the program";
    EXPECT_EQ(*closed, 0) << test::ReadTextFile(Path("brelvo.txt"));
    test::Subprocess next;
    ASSERT_FALSE(Start(next).empty()) << Report();
    EndWith(next, SIGTERM);
}

} // namespace
} // namespace brelvo
