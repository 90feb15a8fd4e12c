// brelvo-warp: applies the editor's warp strokes to a picture from the command line.

#include "base/Options.h"
#include "base/Result.h"
#include "editor/HookTool.h"
#include "editor/ImageDocument.h"
#include "editor/RadialWarpTool.h"
#include "gfx/BmpWriter.h"
#include "gfx/ImageLoad.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace {

using brelvo::Point;

constexpr const char* kUsage =
    R"(usage: brelvo-warp IN OUT.bmp [options] [--stroke "x,y x,y ..."]...

Applies warp strokes to the picture IN (BMP, PNG, JPEG or GIF) and saves the result as the
24-bit BMP file OUT. Each --stroke is one stroke in picture coordinates: the first point is
where the stylus touches, every further point one move of the stylus, then it is lifted.
Strokes apply in order. With no stroke the picture is only converted.

Options apply to the strokes that follow them:
  --tool hook|magnifier|gripper   the warp tool (default: hook)
  --power 0..100                  how strong the effect is (default: 50)
  --size 0..100                   how large the affected area is (default: 50)
  --mode both|x|y                 the direction of magnifier and gripper (default: x)
  --help                          show this text

The picture is kept at 16 bits per pixel, as in the editor, so even a picture without strokes
comes out with 5, 6 and 5 bits of red, green and blue.
)";

enum class Tool { Hook, Magnifier, Gripper };

struct Settings {
    Tool tool = Tool::Hook;
    int power = 50;
    int size = 50;
    bool horizontal = true;
    bool vertical = false;
};

struct Stroke {
    Settings settings;
    std::vector<Point> points;
};

// "x,y x,y ..." with any amount of blank between points.
bool ParsePoints(std::string_view text, std::vector<Point>& out) {
    std::size_t i = 0;
    while (true) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        if (i == text.size())
            break;
        const std::size_t end = text.find_first_of(" \t", i);
        const std::string_view token =
            text.substr(i, end == std::string_view::npos ? end : end - i);
        const std::size_t comma = token.find(',');
        int x = 0, y = 0;
        std::string unused;
        if (comma == std::string_view::npos ||
            !brelvo::ReadWholeNumber("x", token.substr(0, comma), -1000000, 1000000, x, unused) ||
            !brelvo::ReadWholeNumber("y", token.substr(comma + 1), -1000000, 1000000, y, unused))
            return false;
        out.push_back(Point(x, y));
        i += token.size();
    }
    return !out.empty();
}

int Fail(const std::string& message) {
    return brelvo::UsageError("brelvo-warp", message);
}

class NoObserver final : public brelvo::EditorObserver {
    void commandAvailable(brelvo::EditCommand, bool) override {}
};

} // namespace

int main(int argc, char** argv) {
    static constexpr brelvo::OptionSpec kOptions[] = {
        {"--tool", true},   {"--power", true}, {"--size", true}, {"--mode", true},
        {"--stroke", true}, {"--help"},        {"-h"},
    };
    std::vector<brelvo::Argument> args;
    std::string error;
    if (!brelvo::ReadArguments(kOptions, std::vector<std::string>(argv + 1, argv + argc), args,
                               error))
        return Fail(error);
    std::vector<std::string> positional;
    std::vector<Stroke> strokes;
    Settings settings;
    for (const brelvo::Argument& arg : args) {
        const std::string& value = arg.value;
        if (arg.Is("--help") || arg.Is("-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg.IsOperand()) {
            positional.push_back(value);
        } else if (arg.Is("--tool")) {
            if (value == "hook")
                settings.tool = Tool::Hook;
            else if (value == "magnifier")
                settings.tool = Tool::Magnifier;
            else if (value == "gripper")
                settings.tool = Tool::Gripper;
            else
                return Fail("unknown tool '" + value + "': use hook, magnifier or gripper");
        } else if (arg.Is("--power") || arg.Is("--size")) {
            if (!brelvo::ReadWholeNumber(arg.option, value, 0, 100,
                                         arg.Is("--power") ? settings.power : settings.size, error))
                return Fail(error);
        } else if (arg.Is("--mode")) {
            if (value == "both")
                settings.horizontal = settings.vertical = true;
            else if (value == "x")
                settings.horizontal = true, settings.vertical = false;
            else if (value == "y")
                settings.horizontal = false, settings.vertical = true;
            else
                return Fail("unknown mode '" + value + "': use both, x or y");
        } else {
            Stroke stroke{settings, {}};
            if (!ParsePoints(value, stroke.points))
                return Fail("a stroke is a list of points \"x,y x,y ...\", not '" + value + "'");
            strokes.push_back(std::move(stroke));
        }
    }
    if (positional.size() != 2)
        return Fail("expected an input picture and an output file");

    std::recursive_mutex globalLock;
    brelvo::ImageDocument document(globalLock);
    NoObserver observer;
    document.history.setObserver(&observer);
    if (brelvo::Failed(brelvo::LoadPictureHostFile(document.picture, positional[0]))) {
        std::fprintf(stderr,
                     "brelvo-warp: cannot open '%s': not a readable BMP, PNG, JPEG or GIF "
                     "picture of at most 10000 pixels a side\n",
                     positional[0].c_str());
        return 1;
    }
    document.history.load();

    brelvo::HookTool hook(document.picture, globalLock);
    brelvo::RadialWarpTool magnifier(brelvo::RadialWarpTool::Kind::Magnifier, document.picture,
                                     globalLock);
    brelvo::RadialWarpTool gripper(brelvo::RadialWarpTool::Kind::Gripper, document.picture,
                                   globalLock);
    for (const Stroke& stroke : strokes) {
        const Settings& s = stroke.settings;
        const Point first = stroke.points.front();
        document.history.markPending();
        if (s.tool == Tool::Hook) {
            hook.configure(s.power, s.size);
            hook.begin(first.x, first.y);
            for (std::size_t i = 1; i < stroke.points.size(); ++i)
                hook.drag(stroke.points[i].x, stroke.points[i].y);
        } else {
            brelvo::RadialWarpTool& tool = s.tool == Tool::Magnifier ? magnifier : gripper;
            tool.configure(s.horizontal, s.vertical, s.power, s.size);
            tool.begin(first.x, first.y);
            for (std::size_t i = 1; i < stroke.points.size(); ++i)
                tool.drag(stroke.points[i].x, stroke.points[i].y);
        }
        document.history.commit();
    }

    if (const brelvo::HResult result = brelvo::SaveBmpToHostFile(document.picture, positional[1]);
        brelvo::Failed(result)) {
        std::fprintf(stderr, "brelvo-warp: cannot save '%s': %s; no file was changed\n",
                     positional[1].c_str(), brelvo::ResultText(result));
        return 1;
    }
    return 0;
}
