#include "app/CommandLine.h"

#include "base/Options.h"

namespace brelvo {

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error) {
    static constexpr OptionSpec kOptions[] = {
        {"--root", true}, {"--scale", true}, {"--script", true},
        {"--fullscreen"}, {"--headless"},    {"--help"},
        {"-h"},           {"--version"},
    };
    std::vector<Argument> read;
    if (!ReadArguments(kOptions, args, read, error))
        return false;
    CommandLine result;
    for (const Argument& arg : read) {
        if (arg.Is("--root") || arg.Is("--script")) {
            if (arg.value.empty()) {
                error = std::string(arg.option) +
                        (arg.Is("--root") ? " needs a folder" : " needs a file");
                return false;
            }
            (arg.Is("--root") ? result.root : result.script) = arg.value;
        } else if (arg.Is("--scale")) {
            if (!ReadWholeNumber("--scale", arg.value, 1, kMaxScale, result.scale, error))
                return false;
        } else if (arg.Is("--fullscreen")) {
            result.fullScreen = true;
        } else if (arg.Is("--headless")) {
            result.headless = true;
        } else if (arg.Is("--help") || arg.Is("-h")) {
            result.help = true;
        } else if (arg.Is("--version")) {
            result.version = true;
        } else if (!result.file.empty()) {
            error = "one picture at a time: '" + result.file + "' and '" + arg.value + "'";
            return false;
        } else {
            result.file = arg.value;
        }
    }
    if (!result.script.empty() && !result.headless && !result.help && !result.version) {
        error = "--script plays only in a headless run: add --headless";
        return false;
    }
    out = std::move(result);
    return true;
}

std::string UsageText() {
    return "Usage: brelvo [--root DIR] [--scale N] [--fullscreen] [--headless] [--script FILE]\n"
           "              [--help] [--version] [PICTURE]\n"
           "\n"
           "A picture-warping editor with a 240x320 screen, shown in a window.\n"
           "\n"
           "Options:\n"
           "  --root DIR      the folder that stands for the device's root (default: your home\n"
           "                  folder); pictures are opened and saved below it\n"
           "  --scale N       show the screen N times its size (1 to 16; default: the largest\n"
           "                  that fits the desktop, at least 2)\n"
           "  --fullscreen    start in desktop full screen\n"
           "  --headless      run without a window; frames are composed only as a script asks\n"
           "  --script FILE   with --headless: play FILE, one command a line, # comments:\n"
           "                    frames N             let N frames be composed\n"
           "                    down X Y, move X Y, up X Y, tap X Y   the stylus\n"
           "                    key NAME|0xCODE      press and release a key (keydown, keyup)\n"
           "                    char TEXT            type TEXT\n"
           "                    shot FILE.png        save the next frame (240x320 PNG)\n"
           "                    expect-state N       fail unless the screen state is N\n"
           "                    wait-state N         compose frames until the state is N\n"
           "                    wheel DX DY          turn the mouse wheel by whole steps\n"
           "                    hide, show           minimise and restore the window\n"
           "                    close                the window's close box (the program may ask)\n"
           "                    quit                 end the program at once (also at the end)\n"
           "  PICTURE         open this picture (BMP, PNG, JPEG or GIF) at start; a copy that\n"
           "                  is already running opens it instead. A picture outside your\n"
           "                  home folder makes its own folder the root; with --root it must\n"
           "                  lie inside DIR\n"
           "  --help          show this text\n"
           "  --version       show the version\n"
           "\n"
           "Keys: the arrow keys are the direction pad; Z = A, X = B (the menu key), C = C,\n"
           "Enter = Start; F11 switches full screen. The mouse is the stylus and its wheel\n"
           "scrolls the picture or help. In the editor: F1 help, Ctrl+Z undo, Ctrl+Y or\n"
           "Ctrl+Shift+Z redo, Ctrl+N the next gallery picture, Ctrl+O open, Ctrl+S save,\n"
           "Ctrl+Shift+S save as, Ctrl+Q exit; typing h, m, g, z or t chooses Hook,\n"
           "Magnifier, Gripper, Zoom or Trim, and with Zoom w and s zoom in and out. On the\n"
           "save screen the keys type the name, Enter saves (or, with no name, enters the\n"
           "chosen folder) and Escape cancels; in a question and in help Escape gives the\n"
           "answer that changes nothing (closes help).\n"
           "\n"
           "Exit status: 0, or the low byte of the failure's code (1 when the artwork\n"
           "archive Brelvo.erc beside the program is missing).\n";
}

} // namespace brelvo
