#include "app/CommandLine.h"

#include "base/Options.h"

namespace brelvo {

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error) {
    static constexpr OptionSpec kOptions[] = {
        {"--root", true},
        {"--scale", true},
        {"--script", true},
        {"--fullscreen"},
        {"--headless"},
        {"--help"},
        {"-h"},
        {"--version"},
        {"--fbdev", true},
        {"--touch", true},
        {"--keys", true},
        {"--rotate", true},
        {"--touch-range", true},
        {"--touch-axes", true},
        {"--fb-geometry", true},
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
        } else if (arg.Is("--fbdev") || arg.Is("--touch") || arg.Is("--keys")) {
            if (arg.value.empty()) {
                error = std::string(arg.option) + " needs a device";
                return false;
            }
            (arg.Is("--fbdev")   ? result.frameBuffer
             : arg.Is("--touch") ? result.touch
                                 : result.keys) = arg.value;
        } else if (arg.Is("--rotate")) {
            if (!ReadWholeNumber("--rotate", arg.value, 0, 270, result.rotate, error))
                return false;
            if (result.rotate % 90 != 0) {
                error = "--rotate takes 0, 90, 180 or 270, not '" + arg.value + "'";
                return false;
            }
        } else if (arg.Is("--touch-range")) {
            if (!platform::ParseTouchRange(arg.value, result.calibration, error))
                return false;
        } else if (arg.Is("--touch-axes")) {
            if (!platform::ParseTouchAxes(arg.value, result.calibration, error))
                return false;
        } else if (arg.Is("--fb-geometry")) {
            platform::FrameBufferFormat format;
            if (!platform::ParseFrameBufferGeometry(arg.value, format, error))
                return false;
            result.fileGeometry = format;
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
    const bool panelDetail = !result.touch.empty() || !result.keys.empty() || result.rotate >= 0 ||
                             result.fileGeometry || result.calibration.rangeGiven ||
                             result.calibration.swap || result.calibration.invertX ||
                             result.calibration.invertY;
    if (result.frameBuffer.empty() && panelDetail) {
        error = "--touch, --keys, --rotate, --touch-range, --touch-axes and --fb-geometry go with "
                "--fbdev";
        return false;
    }
    if (!result.frameBuffer.empty() && result.touch.empty()) {
        error = "--fbdev needs a touch controller: --touch DEV";
        return false;
    }
    if (!result.frameBuffer.empty() && (result.headless || result.fullScreen || result.scale)) {
        error = "--fbdev shows the program on a panel; --headless, --fullscreen and --scale are "
                "for the desktop";
        return false;
    }
    out = std::move(result);
    return true;
}

std::string UsageText() {
    return "Usage: brelvo [--root DIR] [--scale N] [--fullscreen] [--headless] [--script FILE]\n"
           "              [--help] [--version] [PICTURE]\n"
           "       brelvo --fbdev DEV --touch DEV [--keys DEV] [--rotate DEG] [--touch-range R]\n"
           "              [--touch-axes A] [--fb-geometry WxHxD] [--root DIR] [PICTURE]\n"
           "\n"
           "A picture-warping editor with a 240x320 screen, shown in a window or on a panel.\n"
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
           "  --fbdev DEV     draw on a Linux frame buffer (/dev/fbN) instead of a window: a\n"
           "                  240x320 panel upright, 320x240 turned, a larger one centred at\n"
           "                  the largest whole scale; a regular file stands for one with\n"
           "                  --fb-geometry WxHxD (depth 16 = RGB 5-6-5, 24, 32 = XRGB)\n"
           "  --touch DEV     the touch controller (/dev/input/eventN, or a FIFO or file of\n"
           "                  input_event records)\n"
           "  --keys DEV      a keyboard or the board's buttons, as on the desktop\n"
           "  --rotate DEG    turn the picture clockwise by 0, 90, 180 or 270 degrees (default:\n"
           "                  90 on a panel wider than high, else 0)\n"
           "  --touch-range XMIN,XMAX,YMIN,YMAX   the controller's raw values at the panel's\n"
           "                  edges, where it cannot say (default: its own, or 0..4095)\n"
           "  --touch-axes swap,invert-x,invert-y   for a controller mounted differently\n"
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
