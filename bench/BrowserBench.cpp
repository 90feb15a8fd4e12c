// The browser over a folder of 10 and of 10,000 pictures: a rescan, and a frame while the
// selection moves down the list. The list draws only the rows in view, so a long folder should
// cost a frame about what a short one does (the aim: within 2x).

#include "archive/ResourceArchive.h"
#include "base/WString.h"
#include "platform/DeviceFiles.h"
#include "screens/EditorScreen.h"
#include "screens/OpenScreen.h"

#include "tests/support/TestScreenContext.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>

namespace brelvo {
namespace {

namespace fs = std::filesystem;

struct Browser {
    explicit Browser(int files) {
        root = fs::temp_directory_path() / ("brelvo-bench-" + std::to_string(files));
        fs::remove_all(root);
        fs::create_directories(root / "Many");
        for (int i = 0; i < files; ++i)
            std::ofstream(root / "Many" / ("p" + std::to_string(100000 + i) + ".gif")) << 'x';
        platform::SetDeviceRoot(root.string());
        ResourceArchive archive(FromUtf8(BRELVO_ARCHIVE_FILE).c_str());
        editor.Initialise(archive);
        browser.Initialise(archive);
        frame.Create(CREATE_CLEAR, 240, 320);
        // Into the folder: its row, then the frames that list it.
        browser.StylusDown(20, 49);
        for (int i = 0; i < 3; ++i)
            Draw();
    }
    ~Browser() {
        platform::SetDeviceRoot("");
        fs::remove_all(root);
    }
    void Draw() {
        std::lock_guard hold(lock);
        browser.Draw(frame);
    }
    fs::path root;
    test::TestScreenContext shared;
    std::recursive_mutex& lock = shared.lock;
    StateMachine& states = shared.states;
    ScreenContext& context = shared.context;
    EditorScreen editor{context, [] {
                            EditorScreen::Neighbours browserOnly;
                            browserOnly.browser = true;
                            return browserOnly;
                        }()};
    OpenScreen browser{context, editor};
    Surface frame;
};

void BM_BrowserRescan(benchmark::State& state) {
    Browser b(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        b.browser.Reset();
        b.Draw();
    }
}
BENCHMARK(BM_BrowserRescan)->Arg(10)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_BrowserFrameScrolling(benchmark::State& state) {
    Browser b(static_cast<int>(state.range(0)));
    const KeyMap keys{.up = 0x26, .down = 0x28};
    bool down = true;
    int steps = 0;
    for (auto _ : state) {
        // Down the list and back, a row a frame, as a held key does.
        {
            std::lock_guard hold(b.lock);
            b.browser.KeyDown(down ? keys.down : keys.up, keys);
        }
        b.Draw();
        if (++steps == b.browser.RowCount()) {
            steps = 0;
            down = !down;
        }
    }
    b.browser.WaitUntilIdle();
}
BENCHMARK(BM_BrowserFrameScrolling)->Arg(10)->Arg(10000)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace brelvo
