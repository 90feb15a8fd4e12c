// The brelvo program in a real window, on an X server of its own (Xvfb).

#include "tests/app/TestArtwork.h"
#include "tests/support/PictureWriters.h"
#include "tests/support/Subprocess.h"
#include "tests/support/XWindowClose.h"
#include "tests/support/XwdImage.h"

#include <gtest/gtest.h>

#include <csignal>
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
        ASSERT_TRUE(test::DrawExpectedFrames(BRELVO_REAL_ARCHIVE, m_expected));
        ::mkdir(Path("run").c_str(), 0700);
        StartServer();
    }

    std::string Path(const std::string& name) const { return m_folder / name; }

    // Xvfb picks a free display and writes its number to descriptor 3. It must never reset: a
    // program connecting while it resets (after its last client left) would be refused.
    void StartServer() {
        int pipe[2];
        ASSERT_EQ(::pipe(pipe), 0);
        ASSERT_TRUE(m_server.Start({"/usr/bin/env", "Xvfb", "-displayfd", "3", "-screen", "0",
                                    "1024x768x24", "-nolisten", "tcp", "-noreset"},
                                   {}, Path("xvfb.log"), pipe[1]));
        ::close(pipe[1]);
        std::string number;
        pollfd wait{pipe[0], POLLIN, 0};
        for (char c = 0; ::poll(&wait, 1, 10000) > 0 && ::read(pipe[0], &c, 1) == 1 && c != '\n';)
            number.push_back(c);
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

    int Tool(std::vector<std::string> args, std::string* output = nullptr) const {
        args.insert(args.begin(), "/usr/bin/env");
        const int status = test::RunProgram(args, Env(), Path("tool.txt"), 20s);
        if (output)
            *output = test::ReadTextFile(Path("tool.txt"));
        return status;
    }

    // What the program and server said, and the last dump's size. scripts/setup installs the tools.
    std::string Report() const {
        return "program: " + test::ReadTextFile(Path("brelvo.txt")) + "\nserver " + m_display +
               ": " + test::ReadTextFile(Path("xvfb.log")) + "\nlast dump: " + m_lastDump;
    }

    // Starts the program; its window's id, or empty when it ended without one.
    std::string Start(test::Subprocess& program, std::vector<std::string> args = {}) const {
        args.insert(args.begin(), BRELVO_EXE);
        if (!program.Start(args, Env(), Path("brelvo.txt")))
            return {};
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (std::chrono::steady_clock::now() < deadline && program.IsRunning()) {
            std::string output;
            if (Tool({"xdotool", "search", "--name", "^Brelvo$"}, &output) == 0 && !output.empty())
                return output.substr(0, output.find('\n'));
            std::this_thread::sleep_for(20ms);
        }
        return {};
    }

    // The frame the window shows now, the middle pixel of each scaled square; empty if unreadable.
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
        for (std::int32_t y = 0; y < 320; ++y)
            for (std::int32_t x = 0; x < 240; ++x) {
                const std::uint32_t rgb =
                    dump.At(x * m_scale + m_scale / 2, y * m_scale + m_scale / 2);
                frame.push_back(static_cast<Pixel>(((rgb >> 8) & 0xF800) | ((rgb >> 5) & 0x07E0) |
                                                   ((rgb >> 3) & 0x001F)));
            }
        return frame;
    }

    bool Shows(const std::string& window, const std::function<bool(const Frame&)>& test,
               std::chrono::milliseconds timeout = 10s) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        do {
            const Frame frame = Dump(window);
            if (!frame.empty() && test(frame))
                return true;
            std::this_thread::sleep_for(20ms);
        } while (std::chrono::steady_clock::now() < deadline);
        return false;
    }
    bool Shows(const std::string& window, const Surface& expected,
               std::chrono::milliseconds timeout = 10s) {
        return Shows(
            window, [want = test::Pixels(expected)](const Frame& f) { return f == want; }, timeout);
    }

    std::string Scaled(std::int32_t v) const { return std::to_string(v * m_scale + m_scale / 2); }

    test::TempFolder m_folder;
    test::Subprocess m_server;
    std::string m_display;
    test::ExpectedFrames m_expected;
    std::string m_lastDump;
    std::int32_t m_scale = 1;
};

// The start-up picture, then the editor; clicks choose the gallery; brelvo PICTURE hands the
// picture to this copy and leaves; a drag warps it and Ctrl+Z takes that back. Interrupt ends the
// program and its window, so the next copy is a first one; its close button ends it.
TEST_F(RealWindowTest, ShowsTheFramesTakesMouseAndKeysAndKeepsToOneCopy) {
    test::Subprocess program;
    const std::string window = Start(program, {"--scale", "2", "--root", m_folder.Path()});
    ASSERT_FALSE(window.empty()) << Report();
    // The start-up picture stays about two seconds; the window is looked at well within them.
    EXPECT_TRUE(Shows(window, m_expected.startup, 1500ms))
        << "the window does not show the start-up picture: " << Report();
    ASSERT_TRUE(Shows(window, m_expected.editor))
        << "the window does not show the editor: " << Report();
    ASSERT_EQ(m_scale, 2);
    const Frame editor = test::Pixels(m_expected.editor);

    // The menu takes a tap once fully out, which its first item showing tells.
    const auto click = [&](std::int32_t x, std::int32_t y) {
        return Tool(
            {"xdotool", "mousemove", "--window", window, Scaled(x), Scaled(y), "click", "1"});
    };
    ASSERT_EQ(click(56, 10), 0);
    ASSERT_TRUE(Shows(window, [&](const Frame& f) { return At(f, 69, 36) != At(editor, 69, 36); }))
        << "the File menu did not open";
    std::this_thread::sleep_for(100ms);
    ASSERT_EQ(click(69, 36), 0);
    ASSERT_TRUE(Shows(window, [&](const Frame& f) {
        return At(f, 60, 60) != At(editor, 60, 60) && At(f, 150, 200) != At(editor, 60, 60);
    })) << "no gallery picture";

    const test::Bytes rgba = test::TestPictureRgba(300, 300);
    test::WriteFile(Path("cat.png"), test::WritePng(rgba, 300, 300));
    test::Subprocess second;
    ASSERT_TRUE(second.Start({BRELVO_EXE, Path("cat.png")}, Env(), Path("second.txt")));
    ASSERT_EQ(second.Wait(10s), std::optional(0))
        << "the second copy did not leave: " << test::ReadTextFile(Path("second.txt"));
    const Pixel corner = test::Rgb565(&rgba[0]),
                inside = test::Rgb565(&rgba[(149 * 300 + 120) * 4]);
    ASSERT_TRUE(
        Shows(window,
              [&](const Frame& f) { return At(f, 30, 51) == corner && At(f, 150, 200) == inside; }))
        << "the running copy did not open the picture: " << Report();
    std::this_thread::sleep_for(500ms); // the menu's feedback has ended and the picture settled
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
    ASSERT_TRUE(Shows(window, [&](const Frame& f) { return view(f) != view(before); }))
        << "the drag left the picture as it was";
    ASSERT_EQ(Tool({"xdotool", "windowfocus", "--sync", window}), 0);
    ASSERT_EQ(Tool({"xdotool", "key", "--clearmodifiers", "ctrl+z"}), 0);
    EXPECT_TRUE(Shows(window, [&](const Frame& f) { return view(f) == view(before); }))
        << "Ctrl+Z did not take the warp back";

    program.Signal(SIGINT);
    ASSERT_EQ(program.Wait(10s), std::optional(0)) << "Interrupt did not end it: " << Report();
    std::string output;
    EXPECT_NE(Tool({"xdotool", "search", "--name", "^Brelvo$"}, &output), 0) << output;

    test::Subprocess next;
    const std::string nextWindow = Start(next);
    ASSERT_FALSE(nextWindow.empty()) << Report();
    ASSERT_TRUE(test::SendWindowClose(m_display, std::stoul(nextWindow)));
    EXPECT_EQ(next.Wait(10s), std::optional(0)) << "closing did not end it: " << Report();
}

} // namespace
} // namespace brelvo
