// The program's entry: the command line, the window (or its headless twin), and the App.

#include "app/App.h"
#include "app/CommandLine.h"
#include "base/Options.h"
#include "platform/DeviceFiles.h"
#include "platform/FrameBuffer.h"
#include "platform/HeadlessWindow.h"
#include "platform/PanelWindow.h"
#include "platform/SdlWindow.h"
#include "platform/SettingsFolder.h"
#include "platform/SignalWatcher.h"
#include "ui/Shared.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using namespace brelvo;

int ExitStatus(HResult result) {
    if (Succeeded(result))
        return 0;
    // An exit status keeps only the low byte of the code; a failure whose low byte is 0 must
    // still not look like success.
    const int status = static_cast<int>(static_cast<std::uint32_t>(result) & 0xFFu);
    return status == 0 ? 1 : status;
}

// The display orientation that shows the picture turned clockwise by the degrees.
std::uint32_t OrientationFor(int degrees) {
    switch (degrees) {
    case 90:
        return 8;
    case 180:
        return 2;
    case 270:
        return 4;
    default:
        return 1;
    }
}

int Main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    CommandLine options;
    std::string error;
    if (!ParseCommandLine(args, options, error))
        return UsageError("brelvo", error);
    if (options.help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("brelvo %s\n", BRELVO_VERSION);
        return 0;
    }
    if (!options.root.empty()) {
        struct stat info {};
        if (::stat(options.root.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
            return UsageError("brelvo", "--root " + options.root + ": not a folder");
        platform::SetDeviceRoot(options.root);
    }
    // A picture named on the command line: its real path, for a copy already running, and its
    // device path, for this one. A missing or unusable file is said and the program starts as
    // it would without one; a file outside an explicit --root is refused.
    std::string pictureHostPath;
    std::u16string pictureDevicePath;
    if (!options.file.empty()) {
        char* real = ::realpath(options.file.c_str(), nullptr);
        if (real == nullptr) {
            std::fprintf(stderr, "brelvo: cannot open %s: %s\n", options.file.c_str(),
                         std::strerror(errno));
        } else {
            pictureHostPath = real;
            std::free(real);
            if (Failed(platform::DevicePathFromHost(pictureHostPath, pictureDevicePath))) {
                if (!options.root.empty())
                    return UsageError("brelvo",
                                      options.file + " is not inside --root " + options.root);
                // Outside the home folder: the picture's own folder stands for the root.
                platform::SetDeviceRoot(pictureHostPath.substr(
                    0, std::max<std::size_t>(1, pictureHostPath.rfind('/'))));
                if (Failed(platform::DevicePathFromHost(pictureHostPath, pictureDevicePath)))
                    std::fprintf(stderr, "brelvo: cannot open %s: its name cannot be shown\n",
                                 options.file.c_str());
            }
        }
    }

    platform::HeadlessScript script;
    if (options.headless && !options.script.empty() &&
        !platform::LoadHeadlessScript(options.script, script, error)) {
        std::fprintf(stderr, "brelvo: %s\n", error.c_str());
        return 2;
    }

    // Before any other thread exists, so that every thread inherits the blocked signals.
    platform::SignalWatcher signals;

    // A panel: the frame buffer is the program's direct display and the panel window reads its
    // input. Both are opened before anything else changes, so that a device that cannot be used
    // is said and leaves the console as it was. Only a real frame-buffer device has a console
    // behind it.
    std::unique_ptr<platform::Console> console;
    std::unique_ptr<platform::FrameBuffer> frameBuffer;
    std::unique_ptr<platform::Window> window;
    if (!options.frameBuffer.empty()) {
        struct stat info {};
        if (::stat(options.frameBuffer.c_str(), &info) == 0 && S_ISCHR(info.st_mode))
            console = platform::OpenConsole();
        frameBuffer = platform::OpenFrameBuffer({.path = options.frameBuffer,
                                                 .fileFormat = options.fileGeometry,
                                                 .rotation = options.rotate,
                                                 .console = console.get()},
                                                error);
        if (frameBuffer)
            window = platform::OpenPanelWindow({.touchPath = options.touch,
                                                .keysPath = options.keys,
                                                .calibration = options.calibration,
                                                .panelWidth = frameBuffer->PanelWidth(),
                                                .panelHeight = frameBuffer->PanelHeight(),
                                                .layout = frameBuffer->Layout()},
                                               error);
        if (!window) {
            std::fprintf(stderr, "brelvo: %s\n", error.c_str());
            return 1;
        }
    }

    platform::HeadlessWindow* headless = nullptr;
    if (options.headless) {
        auto twin = std::make_unique<platform::HeadlessWindow>(std::move(script));
        twin->SetStateProbe([] { return GetState(); });
        headless = twin.get();
        window = std::move(twin);
    } else if (!window) {
        window =
            platform::CreateSdlWindow({.scale = options.scale, .fullScreen = options.fullScreen});
    }
    platform::Window* target = window.get();
    // A signal ends the program in order, without the question about unsaved work that the
    // window's close button asks (nobody may be there to answer it); a second one, while it is
    // still ending, ends it at once.
    signals.Start([target, panel = frameBuffer.get()](int signal, int count) {
        if (count == 1) {
            target->RequestClose();
            return;
        }
        if (panel)
            panel->RestoreConsole();
        std::_Exit(128 + signal);
    });

    // The handheld created its settings key at start and never wrote to it; the folder is its
    // counterpart, and a failure to create it changes nothing.
    platform::CreateSettingsFolder();

    ApplicationConfig config;
    config.window = target;
    config.title = u"Brelvo";
    config.frameRate = 30;
    config.flags = APP_FULLSCREEN;
    config.orientation = frameBuffer ? OrientationFor(frameBuffer->Rotation()) : 1;
    config.directDisplay = frameBuffer.get();
    config.freeRunning = options.headless ? 1 : 0;
    config.suspendOnDeactivate = 1;
    config.icon = 101;

    HResult result = kOk;
    {
        App app(config, AppOptions{.programFolder = {}, .startFile = pictureDevicePath});
        app.SetFileToHandOver(pictureHostPath);
        result = app.Run();
    }
    if (Failed(result))
        return ExitStatus(result);
    if (headless && !headless->Finish())
        return 1;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    return Main(argc, argv);
}
