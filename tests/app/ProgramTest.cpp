// The brelvo program itself, run headless as tests and automation run it.

#include "app/App.h"
#include "archive/ArtworkIds.h"
#include "archive/ResourceArchive.h"
#include "base/WString.h"
#include "gfx/Blit.h"
#include "gfx/BmpWriter.h"
#include "gfx/ImageLoad.h"
#include "platform/PictureDecoder.h"
#include "tests/app/EditorFrame.h"
#include "tests/app/TestArtwork.h"
#include "tests/support/PictureWriters.h"
#include "tests/support/Subprocess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

namespace brelvo {
namespace {

using namespace std::chrono_literals;

// A copy of the program in a folder of its own, where each test puts the archive it needs.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_folder.Path().empty());
        std::filesystem::copy_file(BRELVO_EXE, Exe());
        std::filesystem::permissions(Exe(), std::filesystem::perms::owner_all);
    }
    std::string Exe() const { return m_folder / "brelvo"; }
    std::string Path(const std::string& name) const { return m_folder / name; }
    std::vector<std::string> Env() const {
        return {"XDG_CONFIG_HOME=" + Path("config"), "XDG_RUNTIME_DIR=" + m_folder.Path()};
    }
    std::string WriteScript(const std::string& text) const {
        const std::string path = Path("s.txt");
        std::ofstream(path) << text;
        return path;
    }
    int Run(const std::vector<std::string>& args, std::string* output = nullptr,
            std::chrono::milliseconds timeout = 60s) const {
        std::vector<std::string> all = {Exe()};
        all.insert(all.end(), args.begin(), args.end());
        const int status = test::RunProgram(all, Env(), Path("out.txt"), timeout);
        if (output)
            *output = test::ReadTextFile(Path("out.txt"));
        return status;
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
    for (std::int32_t y = 0; y < 320; ++y) {
        const std::uint8_t* p = bitmap.Row(y);
        for (std::int32_t x = 0; x < 240; ++x, p += 3)
            frame.push_back(
                static_cast<Pixel>(((p[0] >> 3) << 11) | ((p[1] >> 2) << 5) | (p[2] >> 3)));
    }
    return frame;
}

std::vector<Pixel> Pixels(const Surface& s) {
    std::vector<Pixel> frame;
    for (std::int32_t y = 0; y < s.GetHeight(); ++y)
        frame.insert(frame.end(), s.Header().Row(y), s.Header().Row(y) + s.GetWidth());
    return frame;
}

// How many pixels of the view, which shows a picture's top-left corner at 100% with both bars,
// differ from the picture's: pixel(x, y) gives the picture's pixel as RGB bytes.
template <typename PictureRgb>
int ViewDifferences(const std::vector<Pixel>& shot, PictureRgb pixel) {
    int differ = 0;
    for (std::int32_t y = 0; y < 259; ++y) {
        for (std::int32_t x = 0; x < 200; ++x) {
            const std::uint8_t* p = pixel(x, y);
            const auto want =
                static_cast<Pixel>(((p[0] >> 3) << 11) | ((p[1] >> 2) << 5) | (p[2] >> 3));
            differ +=
                shot[static_cast<std::size_t>(51 + y) * 240 + 30 + static_cast<std::size_t>(x)] !=
                want;
        }
    }
    return differ;
}

// The frames the program draws: the start-up picture keyed onto black, then the editor's
// background over it.
void ExpectedFrames(const Surface& startup, const Surface& editor, std::vector<Pixel>& first,
                    std::vector<Pixel>& later) {
    Surface frame;
    frame.Create(CREATE_CLEAR, 240, 320);
    Blit(frame, 0, 0, startup, nullptr, BLT_KEYED);
    first = Pixels(frame);
    Blit(frame, 0, 0, editor);
    later = Pixels(frame);
}

const char kStartupScript[] = "frames 61\n"
                              "expect-state 1\n"
                              "frames 1\n"
                              "expect-state 2\n"
                              "quit\n";

TEST_F(ProgramTest, ShowsTheStartUpPictureFor61FramesThenTheEditor) {
    ASSERT_TRUE(test::WriteTestArchive(Path("Brelvo.erc")));
    // The first shot is frame 1; after 60 more the state is still 1, and frame 62 is the
    // editor's. Shots are written relative to the working folder, so they are named fully.
    const std::string script =
        WriteScript("shot " + Path("first.png") + "\nframes 60\nexpect-state 1\nframes 1\n" +
                    "expect-state 2\nshot " + Path("editor.png") + "\nquit\n");
    std::string output;
    ASSERT_EQ(Run({"--headless", "--script", script}, &output), 0) << output;
    Surface startup, editor;
    test::MakePattern(startup, 240, 320, test::kStartupSeed);
    test::MakePattern(editor, 240, 320, test::kEditorSeed);
    std::vector<Pixel> first, later;
    ExpectedFrames(startup, editor, first, later);
    EXPECT_EQ(ReadShot(Path("first.png")), first);
    EXPECT_EQ(ReadShot(Path("editor.png")), later);
}

TEST_F(ProgramTest, ShowsTheRealArtwork) {
    ASSERT_TRUE(std::filesystem::exists(BRELVO_REAL_ARCHIVE)) << BRELVO_REAL_ARCHIVE;
    std::filesystem::copy_file(BRELVO_REAL_ARCHIVE, Path("Brelvo.erc"));
    std::ofstream(Path("s.txt")) << "frames 61\nexpect-state 1\nframes 1\nexpect-state 2\nshot "
                                 << Path("editor.png") << "\nquit\n";
    std::string output;
    ASSERT_EQ(Run({"--headless", "--script", Path("s.txt")}, &output), 0) << output;

    test::ExpectedFrames expected;
    ASSERT_TRUE(test::DrawExpectedFrames(BRELVO_REAL_ARCHIVE, expected));
    EXPECT_EQ(ReadShot(Path("editor.png")), Pixels(expected.editor));
}

// The README's script: a gallery picture, the Magnifier at Size 72 and Power 35, one tap, and
// File > Save as "warped". The view shows the picture's top-left corner pixel for pixel, and the
// saved file is byte for byte what the command-line warp makes of the same picture with the same
// stroke.
TEST_F(ProgramTest, TheReadmeScriptSavesWhatTheCommandLineWarpMakes) {
    std::filesystem::copy_file(BRELVO_REAL_ARCHIVE, Path("Brelvo.erc"));
    std::filesystem::create_directories(Path("root"));
    const std::string readme = test::ReadTextFile(std::string(BRELVO_SOURCE_DIR) + "/README.md");
    const std::size_t from = readme.find("frames 62                             # the start-up");
    ASSERT_NE(from, std::string::npos);
    const std::string script = readme.substr(from, readme.find("```", from) - from) +
                               "frames 1\nshot " + Path("warped.png") + "\n";
    std::string output;
    ASSERT_EQ(Run({"--root", Path("root"), "--headless", "--script", WriteScript(script)}, &output),
              0)
        << output;

    // Size 72 and Power 35 are where the thumbs' catch-up stops (Power steps down while its
    // thumb is right of the stylus); screen (130, 150) is picture point (100, 99).
    ASSERT_EQ(test::RunProgram(
                  {BRELVO_ASSETS_EXE, "extract", BRELVO_REAL_ARCHIVE, "581", Path("gallery.png")},
                  {}, Path("assets.txt"), 60s),
              0);
    ASSERT_EQ(
        test::RunProgram({BRELVO_WARP_EXE, Path("gallery.png"), Path("expected.bmp"), "--tool",
                          "magnifier", "--size", "72", "--power", "35", "--stroke", "100,99"},
                         {}, Path("warp.txt"), 60s),
        0)
        << test::ReadTextFile(Path("warp.txt"));
    const std::string saved = test::ReadTextFile(Path("root/warped.bmp"));
    EXPECT_FALSE(saved.empty());
    EXPECT_TRUE(saved == test::ReadTextFile(Path("expected.bmp")));
    platform::Bitmap expected;
    ASSERT_EQ(platform::DecodePictureFile(Path("expected.bmp"), expected), kOk);
    const std::vector<Pixel> shot = ReadShot(Path("warped.png"));
    ASSERT_EQ(shot.size(), 240u * 320u);
    EXPECT_EQ(ViewDifferences(shot,
                              [&](std::int32_t x, std::int32_t y) {
                                  return expected.Row(y) + static_cast<std::size_t>(x) * 3;
                              }),
              0);
}

// The pictures in docs/screens/ are the program's own: played again, the script that took them
// gives the same pixels. A change to what the screens draw shows here first; scripts/screenshots
// then retakes them, to be looked at before they are committed.
TEST_F(ProgramTest, TheScreensLookAsTheirPicturesInTheDocs) {
    std::filesystem::copy_file(BRELVO_REAL_ARCHIVE, Path("Brelvo.erc"));
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
    std::filesystem::copy(source + "/docs/sample-pictures", Path("samples"),
                          std::filesystem::copy_options::recursive);
    std::string output;
    ASSERT_EQ(
        Run({"--root", Path("samples"), "--headless", "--script", WriteScript(script)}, &output), 0)
        << output;
    for (const std::string& shot : shots)
        EXPECT_EQ(ReadShot(Path(shot)), ReadShot(source + "/docs/screens/" + shot)) << shot;
}

// File > Open, a folder, a picture, Open: the browser decodes it off the window thread, and the
// script waits for the editor to come back with it.
TEST_F(ProgramTest, OpensAPictureThroughTheBrowser) {
    std::filesystem::copy_file(BRELVO_REAL_ARCHIVE, Path("Brelvo.erc"));
    std::filesystem::create_directories(Path("root/Pictures"));
    const test::Bytes rgba = test::TestPictureRgba(300, 400);
    const test::Bytes png = test::WritePng(rgba, 300, 400);
    std::ofstream(Path("root/Pictures/photo.png"), std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    const std::string script = WriteScript("frames 62\ntap 56 10\nframes 6\ntap 69 54\n"
                                           "wait-state 4\nframes 2\ntap 40 50\nframes 3\n"
                                           "tap 40 65\ntap 20 309\nwait-state 2\nframes 1\n"
                                           "shot " +
                                           Path("opened.png") + "\n");
    std::string output;
    ASSERT_EQ(Run({"--root", Path("root"), "--headless", "--script", script}, &output), 0)
        << output;
    const std::vector<Pixel> shot = ReadShot(Path("opened.png"));
    ASSERT_EQ(shot.size(), 240u * 320u);
    EXPECT_EQ(
        ViewDifferences(
            shot,
            [&](std::int32_t x, std::int32_t y) {
                return &rgba[(static_cast<std::size_t>(y) * 300 + static_cast<std::size_t>(x)) * 4];
            }),
        0);
}

// One picture of each format, opened through the browser one after another and saved under a
// new name: each file is what brelvo-warp writes for the same picture without a stroke.
TEST_F(ProgramTest, OpensEachFormatAndSavesItAsTheCommandLineConverts) {
    std::filesystem::copy_file(BRELVO_REAL_ARCHIVE, Path("Brelvo.erc"));
    std::filesystem::create_directories(Path("root/Pictures"));
    const auto write = [&](const std::string& name, const test::Bytes& bytes) {
        std::ofstream(Path("root/Pictures/" + name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    };
    const test::Bytes rgba = test::TestPictureRgba(300, 200);
    write("a.png", test::WritePng(rgba, 300, 200));
    test::Bytes rgb;
    for (std::size_t i = 0; i < rgba.size(); i += 4)
        rgb.insert(rgb.end(), rgba.begin() + static_cast<std::ptrdiff_t>(i),
                   rgba.begin() + static_cast<std::ptrdiff_t>(i) + 3);
    write("b.jpg", test::WriteJpeg(rgb, 300, 200, 0, 90, 2, false));
    test::GifFrame frame{0, 0, 64, 48, test::Bytes(64 * 48), -1, false};
    for (std::size_t i = 0; i < frame.indices.size(); ++i)
        frame.indices[i] = static_cast<std::uint8_t>((i % 64 / 8 + i / 64 / 8) % 4);
    write("c.gif", test::WriteGif(64, 48, {0, 0, 0, 255, 0, 0, 0, 255, 0, 250, 250, 250}, {frame}));
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
        script += "tap 40 " + std::to_string(50 + 15 * row) + "\nframes 1\ntap 20 309\n" +
                  "wait-state 2\ntap 56 10\nframes 6\ntap 69 96\nwait-state 6\nframes 2\n" +
                  "char out" + std::to_string(row) + "\ntap 19 309\nwait-state 2\n";
    }
    std::string output;
    ASSERT_EQ(Run({"--root", Path("root"), "--headless", "--script", WriteScript(script)}, &output),
              0)
        << output;
    for (int row = 1; row <= 4; ++row) {
        const std::string& name = names[row - 1];
        ASSERT_EQ(
            test::RunProgram({BRELVO_WARP_EXE, Path("root/Pictures/" + name), Path("expected.bmp")},
                             {}, Path("warp.txt"), 60s),
            0)
            << test::ReadTextFile(Path("warp.txt"));
        const std::string saved =
            test::ReadTextFile(Path("root/out" + std::to_string(row) + ".bmp"));
        EXPECT_FALSE(saved.empty()) << name;
        EXPECT_TRUE(saved == test::ReadTextFile(Path("expected.bmp"))) << name;
    }
}

// brelvo PICTURE: the editor starts with it; a broken or missing picture is named on standard
// error and the program starts without it; a picture outside an explicit --root is refused.
TEST_F(ProgramTest, APictureOnTheCommandLineIsOpenedAtStart) {
    std::filesystem::copy_file(BRELVO_REAL_ARCHIVE, Path("Brelvo.erc"));
    std::filesystem::create_directories(Path("elsewhere"));
    const test::Bytes rgba = test::TestPictureRgba(260, 300);
    const test::Bytes png = test::WritePng(rgba, 260, 300);
    std::ofstream(Path("elsewhere/cat.png"), std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    std::ofstream(Path("elsewhere/broken.png")) << "not a picture";
    const std::string script =
        WriteScript("wait-state 2\nframes 1\nshot " + Path("start.png") + "\n");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string said; // on standard error
        bool opened;
    };
    const Case cases[] = {
        {{Path("elsewhere/cat.png")}, 0, "", true},
        {{Path("elsewhere/broken.png")}, 0, "cannot open " + Path("elsewhere/broken.png"), false},
        {{Path("elsewhere/none.png")}, 0, "No such file or directory", false},
        {{"--root", Path("config"), Path("elsewhere/cat.png")}, 2, "is not inside --root", false},
    };
    for (const Case& c : cases) {
        std::filesystem::create_directories(Path("config"));
        std::vector<std::string> args = {"--headless", "--script", script};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::string output;
        ASSERT_EQ(Run(args, &output), c.status) << output;
        EXPECT_NE(output.find(c.said), std::string::npos) << output;
        if (c.status != 0)
            continue;
        const std::vector<Pixel> shot = ReadShot(Path("start.png"));
        ASSERT_EQ(shot.size(), 240u * 320u);
        const std::uint8_t* p = &rgba[0];
        const auto corner =
            static_cast<Pixel>(((p[0] >> 3) << 11) | ((p[1] >> 2) << 5) | (p[2] >> 3));
        EXPECT_EQ(shot[51 * 240 + 30] == corner, c.opened) << c.args.back();
    }
}

TEST_F(ProgramTest, AMissingArchiveIsNamedAndEndsWithItsCode) {
    std::string output;
    const int status = Run({"--headless", "--script", WriteScript(kStartupScript)}, &output);
    EXPECT_EQ(status, 0x01); // the low byte of 0xc8660001
    // Both places it looks: beside itself, and under its prefix's share folder.
    EXPECT_NE(
        output.find(
            "cannot open the artwork archive " + Path("Brelvo.erc") + " (nor " +
            std::filesystem::path(Path("../share/brelvo/Brelvo.erc")).lexically_normal().string()),
        std::string::npos)
        << output;
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
}

// Installed, the program lies in PREFIX/bin and its archive in PREFIX/share/brelvo; it finds the
// archive from where it is, so the prefix may be anywhere.
TEST_F(ProgramTest, AnInstalledProgramFindsItsArchiveUnderItsPrefix) {
    std::filesystem::create_directories(Path("prefix/bin"));
    std::filesystem::create_directories(Path("prefix/share/brelvo"));
    std::filesystem::rename(Exe(), Path("prefix/bin/brelvo"));
    ASSERT_TRUE(test::WriteTestArchive(Path("prefix/share/brelvo/Brelvo.erc")));
    const int status = test::RunProgram(
        {Path("prefix/bin/brelvo"), "--headless", "--script", WriteScript(kStartupScript)}, Env(),
        Path("out.txt"), 60s);
    EXPECT_EQ(status, 0) << test::ReadTextFile(Path("out.txt"));
}

TEST_F(ProgramTest, AScriptThatFailsEndsWithAMessage) {
    ASSERT_TRUE(test::WriteTestArchive(Path("Brelvo.erc")));
    struct Case {
        std::string script;
        std::string message;
    };
    const Case cases[] = {
        {"frames 3\nexpect-state 2\nframes 1000\n", ":2: expect-state 2, but the state is 1"},
        {"shot " + Path("no/such/folder/x.png") + "\n", ":1: the shot cannot be written to"},
        {"hide\nframes 1\n", ":2: the window is hidden, so no frame is composed"},
        {"frames 70\nkey x\nframes 5\n", ""}, // fine: the editor ignores keys for now
    };
    for (const Case& c : cases) {
        const std::string script = WriteScript(c.script);
        std::string output;
        const int status = Run({"--headless", "--script", script}, &output);
        if (c.message.empty()) {
            EXPECT_EQ(status, 0) << output;
            continue;
        }
        EXPECT_EQ(status, 1) << c.script;
        EXPECT_NE(output.find(script + c.message), std::string::npos) << output;
    }
}

TEST_F(ProgramTest, BadCommandLinesAndScriptsAreRefusedBeforeStarting) {
    ASSERT_TRUE(test::WriteTestArchive(Path("Brelvo.erc")));
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string output;
    };
    const Case cases[] = {
        {{"--scale", "99"}, 2, "--scale needs a whole number"},
        {{"--headless", "--script", Path("missing.txt")}, 2, "missing.txt: cannot be read"},
        {{"--headless", "--script", WriteScript("frames x\n")}, 2, "s.txt:1: frames needs"},
        {{"--root", Path("nothing-here")}, 2, "not a folder"},
        {{"--version"}, 0, "brelvo "},
        {{"--help"}, 0, "Usage: brelvo"},
        // A headless run without a script starts up and ends at once.
        {{"--headless"}, 0, ""},
    };
    for (const Case& c : cases) {
        std::string output;
        EXPECT_EQ(Run(c.args, &output), c.status) << c.args[0];
        EXPECT_NE(output.find(c.output), std::string::npos) << output;
    }
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
        const std::optional<int> status = child.Wait(10s);
        ASSERT_TRUE(status.has_value());
        EXPECT_EQ(*status, 0) << test::ReadTextFile(Path("out.txt"));
    }
}

} // namespace
} // namespace brelvo
